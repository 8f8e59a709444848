// The start of an application-print conversion refuses bad input at once,
// with its own code and without a file left behind; handles that are not
// live are refused by every call.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <random>
#include <string>

#include "TestFiles.h"
#include "appprint_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

struct Fields {
    int kind = XDW_REASON_NONE;
    int err = 0;
    std::string path{};
    std::string type{};
};

class AppPrintBegin : public ::testing::Test {
protected:
    void TearDown() override { XDW_Finalize(nullptr); }

    // Begin must fail with code, hand back no handle and write nothing; the
    // reason names the kind, errno, path and type when given.
    void ExpectRefused(const std::string& source, const std::string& output, int code,
                       const Fields& fields = {}) {
        const auto before = dir.Entries();
        XDW_CREATE_HANDLE handle = nullptr;
        EXPECT_EQ(
            XDW_BeginCreationFromAppFile(source.c_str(), output.c_str(), -1, &handle, nullptr),
            code)
            << source;
        EXPECT_EQ(handle, nullptr);
        if (fields.kind != XDW_REASON_NONE) {
            EXPECT_EQ(XDW_GetLastErrorKind(), fields.kind);
            EXPECT_EQ(XDW_GetLastErrorErrno(), fields.err);
            EXPECT_EQ(XDW_GetLastErrorPath(), fields.path);
            EXPECT_EQ(std::string(XDW_GetLastErrorType()).rfind(fields.type, 0), 0u);
        }
        EXPECT_EQ(dir.Entries(), before);
        EXPECT_TRUE(LeftoverTempFolders().empty());
    }

    TempDir dir;
};

std::string RandomBytes(size_t count) {
    std::mt19937 gen(1234);
    std::string bytes(count, '\0');
    for (auto& b : bytes) b = static_cast<char>(gen() & 0xFF);
    return bytes;
}

TEST_F(AppPrintBegin, MissingSourceIsRefused) {
    ExpectRefused(dir.File("absent.txt"), dir.File("out.xdw"), XDW_E_FILE_NOT_FOUND,
                  {XDW_REASON_SOURCE, ENOENT, dir.File("absent.txt")});
    ExpectRefused(dir.File("absent/inside.txt"), dir.File("out.xdw"), XDW_E_FILE_NOT_FOUND);
}

TEST_F(AppPrintBegin, ExistingOutputIsRefusedAndKept) {
    WriteBytes(dir.File("in.txt"), "some text\n");
    WriteBytes(dir.File("out.xdw"), "precious");
    ExpectRefused(dir.File("in.txt"), dir.File("out.xdw"), XDW_E_FILE_EXISTS,
                  {XDW_REASON_OUTPUT_EXISTS, EEXIST, dir.File("out.xdw")});
    EXPECT_EQ(ReadBytes(dir.File("out.xdw")), "precious");
    ExpectRefused(dir.File("in.txt"), dir.File("no\nfolder/out.xdw"), XDW_E_FILE_NOT_FOUND,
                  {XDW_REASON_OUTPUT_FOLDER, ENOENT, dir.File("no\nfolder")});
    // The source itself as the output is an existing output too.
    ExpectRefused(dir.File("in.txt"), dir.File("in.txt"), XDW_E_FILE_EXISTS);
    EXPECT_EQ(ReadBytes(dir.File("in.txt")), "some text\n");
}

TEST_F(AppPrintBegin, ContentTheApplicationCannotPrintIsRefused) {
    // Judged by the content, whatever the name says.
    WriteBytes(dir.File("random.docx"), RandomBytes(4096));
    ExpectRefused(dir.File("random.docx"), dir.File("a.xdw"), XDW_E_CANNOT_READ);
    WriteBytes(dir.File("random.txt"), RandomBytes(512));
    ExpectRefused(dir.File("random.txt"), dir.File("b.xdw"), XDW_E_CANNOT_READ);
    WriteBytes(dir.File("empty.txt"), "");
    ExpectRefused(dir.File("empty.txt"), dir.File("c.xdw"), XDW_E_CANNOT_READ);
    WriteBytes(dir.File("program.odt"), ReadBytes("/bin/true"));
    ExpectRefused(dir.File("program.odt"), dir.File("d.xdw"), XDW_E_CANNOT_READ,
                  {XDW_REASON_TYPE_REFUSED, 0, dir.File("program.odt"), "application/x-"});
    mkdir(dir.File("folder.txt").c_str(), 0755);
    ExpectRefused(dir.File("folder.txt"), dir.File("e.xdw"), XDW_E_CANNOT_READ);
}

TEST_F(AppPrintBegin, APasswordProtectedPdfIsRefusedAtOnceNamingTheFile) {
    MakeTextPdf(dir.File("plain.pdf"), {"secret"});
    RunTool({"mutool", "clean", "-E", "aes-128", "-U", "user", "-O", "owner", dir.File("plain.pdf"),
             dir.File("locked.pdf")});
    ExpectRefused(dir.File("locked.pdf"), dir.File("a.xdw"), XDW_E_PASSWORD_PROTECTED,
                  {XDW_REASON_PASSWORD, 0, dir.File("locked.pdf")});
}

TEST_F(AppPrintBegin, MissingOrBadArgumentsAreRefused) {
    WriteBytes(dir.File("in.txt"), "text\n");
    XDW_CREATE_HANDLE handle = nullptr;
    const std::string out = dir.File("out.xdw");
    EXPECT_EQ(XDW_BeginCreationFromAppFile(nullptr, out.c_str(), -1, &handle, nullptr),
              XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_BeginCreationFromAppFile(dir.File("in.txt").c_str(), "", -1, &handle, nullptr),
              XDW_E_INVALID_ARG);
    EXPECT_EQ(
        XDW_BeginCreationFromAppFile(dir.File("in.txt").c_str(), out.c_str(), -1, nullptr, nullptr),
        XDW_E_INVALID_ARG);
    // An output folder that does not exist.
    ExpectRefused(dir.File("in.txt"), dir.File("nowhere/out.xdw"), XDW_E_FILE_NOT_FOUND);
}

TEST_F(AppPrintBegin, HandlesThatAreNotLiveAreRefusedByEveryCall) {
    XDW_CREATION_STATUS status{};
    status.size = sizeof status;
    for (XDW_CREATE_HANDLE bad : {static_cast<XDW_CREATE_HANDLE>(nullptr),
                                  reinterpret_cast<XDW_CREATE_HANDLE>(std::uintptr_t{12345}),
                                  reinterpret_cast<XDW_CREATE_HANDLE>(&status)}) {
        EXPECT_EQ(XDW_GetStatusCreationFromAppFile(bad, &status), XDW_E_INVALID_ARG);
        EXPECT_EQ(XDW_CancelCreationFromAppFile(bad, nullptr), XDW_E_INVALID_ARG);
        EXPECT_EQ(XDW_EndCreationFromAppFile(bad, nullptr), XDW_E_INVALID_ARG);
    }
}

}  // namespace
