// Documents through the C calls: open, information, save, close, handles
// that are not open, and the default output folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "TestFiles.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const XDW_OPEN_MODE kMode{sizeof(XDW_OPEN_MODE), 1, 1};

int Pages(XDW_DOCUMENT_HANDLE doc) {
    XDW_DOCUMENT_INFO info{};
    info.size = sizeof(info);
    const int rc = XDW_GetDocumentInformation(doc, &info);
    return rc < 0 ? rc : info.pages;
}

TEST(Document, OpenInformationSaveClose) {
    TempDir dir;
    MakeTextPdf(dir.File("doc.xdw"), {"one", "two", "three", "four"});
    ASSERT_EQ(::chmod(dir.File("doc.xdw").c_str(), 0640), 0);

    XDW_DOCUMENT_HANDLE doc = nullptr;
    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("doc.xdw").c_str(), &doc, &kMode), 0);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(Pages(doc), 4);
    EXPECT_EQ(XDW_SaveDocument(doc, nullptr), 0);
    EXPECT_EQ(XDW_SaveDocument(doc, nullptr), 0);  // saving twice is fine
    EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);

    // Still the same document, same permissions, and no temporary files.
    EXPECT_EQ(PdfPageTexts(dir.File("doc.xdw"))[3].find("four") != std::string::npos, true);
    struct stat st;
    ASSERT_EQ(::stat(dir.File("doc.xdw").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"doc.xdw"}));
}

TEST(Document, SavingThroughALinkUpdatesTheRealFile) {
    TempDir dir;
    MakeTextPdf(dir.File("real.xdw"), {"x"});
    ASSERT_EQ(::symlink("real.xdw", dir.File("link.xdw").c_str()), 0);
    XDW_DOCUMENT_HANDLE doc = nullptr;
    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("link.xdw").c_str(), &doc, &kMode), 0);
    EXPECT_EQ(XDW_SaveDocument(doc, nullptr), 0);
    EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);
    struct stat st;
    ASSERT_EQ(::lstat(dir.File("link.xdw").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"link.xdw", "real.xdw"}));
}

TEST(Document, SeveralOpenAtOnceHaveTheirOwnHandles) {
    TempDir dir;
    MakeTextPdf(dir.File("a.xdw"), {"a"});
    MakeTextPdf(dir.File("b.xdw"), {"b", "b"});
    XDW_DOCUMENT_HANDLE a = nullptr, b = nullptr;
    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("a.xdw").c_str(), &a, &kMode), 0);
    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("b.xdw").c_str(), &b, &kMode), 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(Pages(a), 1);
    EXPECT_EQ(Pages(b), 2);
    EXPECT_EQ(XDW_CloseDocumentHandle(a, nullptr), 0);
    EXPECT_EQ(Pages(b), 2);
    EXPECT_EQ(XDW_CloseDocumentHandle(b, nullptr), 0);
}

TEST(Document, HandlesThatAreNotOpenAreRefused) {
    TempDir dir;
    MakeTextPdf(dir.File("doc.xdw"), {"x"});
    XDW_DOCUMENT_HANDLE doc = nullptr;
    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("doc.xdw").c_str(), &doc, &kMode), 0);
    ASSERT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);

    auto made_up = reinterpret_cast<XDW_DOCUMENT_HANDLE>(static_cast<uintptr_t>(0xDEADBEEF));
    for (XDW_DOCUMENT_HANDLE bad : {doc, static_cast<XDW_DOCUMENT_HANDLE>(nullptr), made_up}) {
        EXPECT_EQ(Pages(bad), XDW_E_INVALID_ARG);
        EXPECT_EQ(XDW_SaveDocument(bad, nullptr), XDW_E_INVALID_ARG);
        EXPECT_EQ(XDW_CloseDocumentHandle(bad, nullptr), XDW_E_INVALID_ARG);
        EXPECT_EQ(XDW_RotatePageAuto(bad, 1, nullptr), XDW_E_INVALID_ARG);
    }
}

TEST(Document, BadArgumentsAndRecords) {
    TempDir dir;
    MakeTextPdf(dir.File("doc.xdw"), {"x"});
    XDW_DOCUMENT_HANDLE doc = nullptr;
    EXPECT_EQ(XDW_OpenDocumentHandle(dir.File("doc.xdw").c_str(), nullptr, &kMode),
              XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_OpenDocumentHandle(nullptr, &doc, &kMode), XDW_E_INVALID_ARG);
    const XDW_OPEN_MODE shortMode{4, 1, 1};
    EXPECT_EQ(XDW_OpenDocumentHandle(dir.File("doc.xdw").c_str(), &doc, &shortMode),
              XDW_E_INVALID_ARG);

    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("doc.xdw").c_str(), &doc, &kMode), 0);
    EXPECT_EQ(XDW_GetDocumentInformation(doc, nullptr), XDW_E_INVALID_ARG);
    XDW_DOCUMENT_INFO shortInfo{};
    shortInfo.size = 8;
    EXPECT_EQ(XDW_GetDocumentInformation(doc, &shortInfo), XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_RotatePageAuto(doc, 0, nullptr), XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_RotatePageAuto(doc, 2, nullptr), XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_ApplyOcr(doc, 1, 1, nullptr, nullptr), XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);
}

TEST(Document, OpenFailures) {
    TempDir dir;
    XDW_DOCUMENT_HANDLE doc = nullptr;
    EXPECT_EQ(XDW_OpenDocumentHandle(dir.File("none.xdw").c_str(), &doc, &kMode),
              XDW_E_FILE_NOT_FOUND);
    WriteBytes(dir.File("junk.xdw"), "this is not a document");
    EXPECT_EQ(XDW_OpenDocumentHandle(dir.File("junk.xdw").c_str(), &doc, &kMode),
              XDW_E_CANNOT_READ);
    WriteBytes(dir.File("empty.xdw"), "");
    EXPECT_EQ(XDW_OpenDocumentHandle(dir.File("empty.xdw").c_str(), &doc, &kMode),
              XDW_E_CANNOT_READ);
    EXPECT_EQ(XDW_OpenDocumentHandle(dir.path().c_str(), &doc, &kMode), XDW_E_CANNOT_READ);
}

TEST(Document, SavingIntoAVanishedFolderFailsCleanly) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0700), 0);
    MakeTextPdf(dir.File("sub/doc.xdw"), {"x"});
    XDW_DOCUMENT_HANDLE doc = nullptr;
    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("sub/doc.xdw").c_str(), &doc, &kMode), 0);
    ASSERT_EQ(std::rename(dir.File("sub").c_str(), dir.File("moved").c_str()), 0);
    EXPECT_EQ(XDW_SaveDocument(doc, nullptr), XDW_E_FILE_NOT_FOUND);
    EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);
    EXPECT_EQ(PdfPageCount(dir.File("moved/doc.xdw")), 1);
}

TEST(Document, FinalizeClosesEverythingAndMayBeCalledAgain) {
    TempDir dir;
    MakeTextPdf(dir.File("doc.xdw"), {"x"});
    XDW_DOCUMENT_HANDLE doc = nullptr;
    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("doc.xdw").c_str(), &doc, &kMode), 0);
    EXPECT_EQ(XDW_Finalize(nullptr), 0);
    EXPECT_EQ(Pages(doc), XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_Finalize(nullptr), 0);
    // The engine still works afterwards.
    ASSERT_EQ(XDW_OpenDocumentHandle(dir.File("doc.xdw").c_str(), &doc, &kMode), 0);
    EXPECT_EQ(Pages(doc), 1);
    EXPECT_EQ(XDW_CloseDocumentHandle(doc, nullptr), 0);
}

// Sets an environment variable for the length of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string DefaultFolder() {
    char buffer[256] = "unchanged";
    const int rc = XDW_GetInformation(XDW_GI_DEFAULT_OUTPUT_FOLDER, buffer, sizeof buffer, nullptr);
    return rc < 0 ? "error " + std::to_string(rc) : buffer;
}

TEST(DefaultFolder, DocumentsFolderFromUserDirsNamedNotCreated) {
    TempDir home;
    ScopedEnv h("HOME", home.path());
    ScopedEnv c("XDG_CONFIG_HOME", std::nullopt);
    ASSERT_EQ(::mkdir(home.File(".config").c_str(), 0700), 0);
    WriteBytes(home.File(".config/user-dirs.dirs"),
               "# written by xdg-user-dirs-update\n"
               "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
               "XDG_DOCUMENTS_DIR=\"$HOME/書類\"\n");
    EXPECT_EQ(DefaultFolder(), home.File("書類"));
    // Asking is not writing: the folder is made only when a document goes there.
    EXPECT_FALSE(Exists(home.File("書類")));
}

TEST(DefaultFolder, ConfigHomeAndAbsolutePaths) {
    TempDir home, config;
    ScopedEnv h("HOME", home.path());
    ScopedEnv c("XDG_CONFIG_HOME", config.path());
    WriteBytes(config.File("user-dirs.dirs"),
               "XDG_DOCUMENTS_DIR=\"" + home.File("My Papers") + "/\"\n");
    EXPECT_EQ(DefaultFolder(), home.File("My Papers"));
}

TEST(DefaultFolder, FallsBackToHomeDocuments) {
    TempDir home;
    ScopedEnv h("HOME", home.path());
    ScopedEnv c("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(DefaultFolder(), home.File("Documents"));

    // A relative value is not a usable folder.
    ASSERT_EQ(::mkdir(home.File(".config").c_str(), 0700), 0);
    WriteBytes(home.File(".config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"relative/path\"\n");
    EXPECT_EQ(DefaultFolder(), home.File("Documents"));
}

TEST(DefaultFolder, BufferAndItemChecks) {
    TempDir home;
    ScopedEnv h("HOME", home.path());
    ScopedEnv c("XDG_CONFIG_HOME", std::nullopt);
    char small[4] = "abc";
    EXPECT_EQ(XDW_GetInformation(XDW_GI_DEFAULT_OUTPUT_FOLDER, small, sizeof small, nullptr),
              XDW_E_INVALID_ARG);
    EXPECT_EQ(small[0], '\0');  // never a cut-off path
    char buffer[256];
    EXPECT_EQ(XDW_GetInformation(99, buffer, sizeof buffer, nullptr), XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_GetInformation(XDW_GI_DEFAULT_OUTPUT_FOLDER, nullptr, 256, nullptr),
              XDW_E_INVALID_ARG);
}

TEST(DefaultFolder, HomeFolderThatCannotHoldDocuments) {
    TempDir home;
    WriteBytes(home.File("file"), "x");
    ScopedEnv h("HOME", home.File("file"));
    ScopedEnv c("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_LT(XDW_GetInformation(XDW_GI_DEFAULT_OUTPUT_FOLDER, std::array<char, 256>{}.data(), 256,
                                 nullptr),
              0);
}

}  // namespace
