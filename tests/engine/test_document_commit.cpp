// Writing documents into place, on the engine's internals: a failed write
// leaves nothing behind and an existing file is never replaced.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <stdexcept>
#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "Error.h"
#include "TestFiles.h"
#include "pdf/Document.h"
#include "pdf/OutputFile.h"

using namespace xdwtest;

namespace {

// Stream data that runs an action in the middle of the write.
class ActionProvider : public QPDFObjectHandle::StreamDataProvider {
public:
    explicit ActionProvider(std::function<void()> action) : action_(std::move(action)) {}
    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
        action_();
        // Data that does not compress, so the file really grows.
        std::string noise(200000, '\0');
        unsigned x = 1;
        for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
        pipeline->writeString(noise);
        pipeline->finish();
    }

private:
    std::function<void()> action_;
};

// A one-page document whose page content comes from provider.
void MakeDocument(
    QPDF& pdf, std::function<void()> action = [] {}) {
    pdf.emptyPDF();
    QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] >>");
    QPDFObjectHandle content = QPDFObjectHandle::newStream(&pdf);
    content.replaceStreamData(std::make_shared<ActionProvider>(std::move(action)),
                              QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    page.replaceKey("/Contents", content);
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
}

int32_t CommitCode(QPDF& pdf, const std::string& target, bool replace) {
    try {
        xdw::CommitPdf(pdf, target, replace);
        return 0;
    } catch (const xdw::EngineError& e) {
        return e.code();
    } catch (const std::exception&) {
        return xdw::Trap([]() -> int { throw; });
    }
}

TEST(Commit, WritesACompleteFileAndNothingElse) {
    TempDir dir;
    QPDF pdf;
    MakeDocument(pdf);
    EXPECT_EQ(CommitCode(pdf, dir.File("out.xdw"), false), 0);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"out.xdw"}));
    EXPECT_EQ(PdfPageCount(dir.File("out.xdw")), 1);
}

TEST(Commit, ExistingTargetIsNotReplaced) {
    TempDir dir;
    WriteBytes(dir.File("out.xdw"), "mine");
    QPDF pdf;
    MakeDocument(pdf);
    EXPECT_EQ(CommitCode(pdf, dir.File("out.xdw"), false), XDW_E_FILE_EXISTS);
    EXPECT_EQ(ReadBytes(dir.File("out.xdw")), "mine");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"out.xdw"}));
}

TEST(Commit, TargetThatAppearsDuringTheWriteIsKept) {
    TempDir dir;
    const std::string target = dir.File("out.xdw");
    QPDF pdf;
    // Someone else creates the file after the check, while we are writing.
    MakeDocument(pdf, [&] {
        if (!Exists(target)) WriteBytes(target, "theirs");
    });
    EXPECT_EQ(CommitCode(pdf, target, false), XDW_E_FILE_EXISTS);
    EXPECT_EQ(ReadBytes(target), "theirs");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"out.xdw"}));
}

TEST(Commit, FailingStreamKeepsItsCodeAndLeavesNothing) {
    TempDir dir;
    QPDF pdf;
    MakeDocument(pdf, [] {
        xdw::NoteWriteFailure(XDW_E_CANNOT_READ);
        throw std::runtime_error("page data lost");
    });
    EXPECT_EQ(CommitCode(pdf, dir.File("out.xdw"), false), XDW_E_CANNOT_READ);
    EXPECT_TRUE(dir.Entries().empty());

    // Replacing: the old file stays as it was.
    WriteBytes(dir.File("old.xdw"), "old content");
    EXPECT_EQ(CommitCode(pdf, dir.File("old.xdw"), true), XDW_E_CANNOT_READ);
    EXPECT_EQ(ReadBytes(dir.File("old.xdw")), "old content");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"old.xdw"}));

    // A later, healthy write is not blamed for the earlier failure.
    QPDF good;
    MakeDocument(good);
    EXPECT_EQ(CommitCode(good, dir.File("good.xdw"), false), 0);
}

TEST(Commit, WriteErrorsLeaveNothing) {
    TempDir dir;
    QPDF pdf;
    MakeDocument(pdf);
    // Files may not grow past 10 KB: the write fails part-way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 10000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int32_t code = CommitCode(pdf, dir.File("out.xdw"), false);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_LT(code, 0);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(Commit, NamesThatAreNotFiles) {
    TempDir dir;
    QPDF pdf;
    MakeDocument(pdf);
    EXPECT_EQ(CommitCode(pdf, dir.path() + "/", false), XDW_E_INVALID_NAME);
    EXPECT_EQ(CommitCode(pdf, dir.File(".."), false), XDW_E_INVALID_NAME);
    EXPECT_EQ(CommitCode(pdf, dir.File("missing/out.xdw"), false), XDW_E_FILE_NOT_FOUND);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(SaveDocument, ChangesReachTheFile) {
    TempDir dir;
    MakeTextPdf(dir.File("doc.xdw"), {"one", "two"});
    XDW_DOCUMENT_HANDLE handle = xdw::OpenDocument(dir.File("doc.xdw"));
    xdw::Document& doc = xdw::LookupDocument(handle);
    EXPECT_EQ(xdw::PageCount(doc), 2);
    QPDFObjectHandle(doc.pdf->getAllPages()[1])
        .replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
    doc.changed = true;
    xdw::SaveDocument(doc);
    EXPECT_FALSE(doc.changed);
    // A second change and save after the file was replaced once.
    QPDFObjectHandle(doc.pdf->getAllPages()[0])
        .replaceKey("/Rotate", QPDFObjectHandle::newInteger(180));
    xdw::SaveDocument(doc);
    xdw::CloseDocument(handle);

    EXPECT_EQ(PdfPageBox(dir.File("doc.xdw"), 1).rotate, 180);
    EXPECT_EQ(PdfPageBox(dir.File("doc.xdw"), 2).rotate, 90);
    EXPECT_EQ(PdfPageTexts(dir.File("doc.xdw"))[1].find("two") != std::string::npos, true);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"doc.xdw"}));
    EXPECT_THROW(xdw::LookupDocument(handle), xdw::EngineError);
}

}  // namespace
