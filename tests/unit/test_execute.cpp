// Execute: the output path, the route chosen by the extension, the fallback
// to application printing and the end of a direct conversion.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "RunFixture.h"
#include "run/PathText.h"
#include "run/RunLog.h"
#include "run/SourceDeletion.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string OutFor(const std::string& name) {
    return "/home/user/DocuWorks/" + ChangeFileExt(name, ".xdw");
}

class Execute : public RunFixture {
protected:
    // An interactive run waiting for Execute.
    ConversionRun& Waiting(const std::string& source, std::vector<std::string> settings = {}) {
        settings.insert(settings.begin(), {"[common]", "ShowSetting=Y"});
        WriteSettings(settings);
        Start({source});
        window.journal.clear();
        return *run;
    }
};

TEST_F(Execute, PdfAndImageExtensionsConvertDirectlyWhateverTheirCase) {
    for (const char* name : {"x.Pdf", "scan.TIFF", "scan.jpeg", "a.JPG", "b.tif"}) {
        FakeEngine direct;
        FakeWindow pane;
        ConversionRun one(pane, direct, {MakeSource(name)}, FixedTime);
        one.FormCreate(exeDir.Path());
        one.FormShow();
        const bool pdf = std::string(name) == "x.Pdf";
        EXPECT_EQ(direct.Calls("CreateXdwFromImagePdfFile").size(), pdf ? 1u : 0u) << name;
        EXPECT_EQ(direct.Calls("CreateXdwFromImageFile").size(), pdf ? 0u : 1u) << name;
        EXPECT_THAT(direct.Calls("Begin"), IsEmpty()) << name;
        EXPECT_EQ(pane.log.back(), "XDW出力完了しました。") << name;
    }
}

TEST_F(Execute, ImagesGetTheCreationOption) {
    Start({MakeSource("scan.tif")});
    ASSERT_EQ(engine.createOptions.size(), 1u);
    const XDW_CREATE_OPTION& option = engine.createOptions[0];
    EXPECT_EQ(option.size, static_cast<int32_t>(sizeof(XDW_CREATE_OPTION)));
    EXPECT_EQ(option.size, 32);
    EXPECT_EQ(option.fit_to_resolution, 1);
    EXPECT_EQ(option.compress, 0);
    EXPECT_EQ(option.zoom, 0);
    EXPECT_EQ(option.width, 0);
    EXPECT_EQ(option.height, 0);
    EXPECT_EQ(option.horizontal, 0);
    EXPECT_EQ(option.vertical, 0);
}

TEST_F(Execute, OtherFilesGoToApplicationPrinting) {
    for (const char* name : {"photo.jpe", "photo.png", "memo.doc", "noextension"}) {
        FakeEngine printer;
        FakeWindow pane;
        const std::string source = MakeSource(name);
        ConversionRun one(pane, printer, {source}, FixedTime);
        one.FormCreate(exeDir.Path());
        one.FormShow();
        const std::string out = OutFor(name);
        EXPECT_THAT(printer.calls,
                    ElementsAre("GetInformation(6,256)",
                                "BeginCreationFromAppFile(" + source + "," + out + ",-1)",
                                "GetInformation(1001,512)"))
            << name;
        EXPECT_TRUE(one.Monitoring());
        EXPECT_TRUE(pane.timerEnabled);
        EXPECT_EQ(one.Options().LastPhase, -1);
        EXPECT_EQ(one.Options().CreateHandle, printer.createHandle);
        EXPECT_EQ(pane.closeRequests, 0);  // the monitor finishes the run
        EXPECT_THAT(pane.log, ElementsAre("[/home/user/DocuWorks]へXDW出力します…"));
    }
}

TEST_F(Execute, ARefusedDirectConversionFallsBackSilently) {
    engine.pdfResult = XDW_E_CANNOT_READ;
    const std::string source = MakeSource("broken.pdf");
    Start({source});
    EXPECT_THAT(
        engine.calls,
        ElementsAre("GetInformation(6,256)",
                    "CreateXdwFromImagePdfFile(" + source + ",/home/user/DocuWorks/broken.xdw)",
                    "BeginCreationFromAppFile(" + source + ",/home/user/DocuWorks/broken.xdw,-1)",
                    "GetInformation(1001,512)"));
    EXPECT_THAT(window.log, ElementsAre("[/home/user/DocuWorks]へXDW出力します…"));
    EXPECT_TRUE(run->Monitoring());
}

TEST_F(Execute, APasswordProtectedPdfIsReportedNotPrinted) {
    engine.pdfResult = XDW_E_PASSWORD_PROTECTED;
    Start({MakeSource("locked.pdf")});
    EXPECT_THAT(engine.Calls("Begin"), IsEmpty());
    EXPECT_THAT(window.log, ElementsAre("[/home/user/DocuWorks]へXDW出力します…",
                                        "-2146566139:指定されたファイルを開くことができません。"));
    EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(Execute, AFailedStartIsReportedCancelledAndFinishes) {
    engine.beginResult = XDW_E_FILE_NOT_FOUND;
    engine.cancelResult = XDW_E_INVALID_ARG;
    Start({"/nowhere/memo.doc"});

    EXPECT_THAT(engine.Calls("CancelCreationFromAppFile"),
                ElementsAre("CancelCreationFromAppFile(null)"));
    const std::vector<std::string> lines = {
        "[/home/user/DocuWorks]へXDW出力します…",
        "-2147024894:指定されたファイルが見つかりません。",
        "-2147024809:何らかのエラーが発生しました。",
    };
    EXPECT_EQ(window.log, lines);
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(lines));
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_FALSE(run->Monitoring());
    EXPECT_FALSE(window.timerEnabled);
    EXPECT_THAT(window.messages, IsEmpty());  // an automatic run shows no box
}

TEST_F(Execute, AFailedStartInAnInteractiveRunShowsTheMessage) {
    engine.beginResult = XDW_E_FILE_NOT_FOUND;
    Waiting("/nowhere/memo.doc").acExecuteExecute();
    EXPECT_THAT(window.messages, ElementsAre("指定されたファイルが見つかりません。"));
}

TEST_F(Execute, AnInteractiveRunTakesTheBoxesAsTheUserLeftThem) {
    const std::string source = MakeSource("a.pdf");
    Waiting(source, {"DelFile=Y"});
    window.checked[OptionBox::DeleteSource] = false;
    window.checked[OptionBox::Ocr] = true;
    window.checked[OptionBox::AutoRotate] = true;
    run->acExecuteExecute();

    EXPECT_TRUE(Exists(source));
    EXPECT_THAT(engine.Calls("RotatePageAuto"), ElementsAre("RotatePageAuto(doc,1)"));
    EXPECT_THAT(engine.Calls("ApplyOcr"), ElementsAre("ApplyOcr(doc,1,1)"));
    EXPECT_EQ(window.closeRequests, 1);
}

// Only the file that was converted is deleted: another file moved into the
// path stays, a source changed in place while it was read fails the run and
// takes the document with it, and an edit of the same size whose time was
// put back is still a change.
TEST_F(Execute, OnlyTheFileThatWasConvertedIsDeleted) {
    const auto replace = [](const std::string& path) {
        std::ofstream(path + ".new") << "another file";
        std::filesystem::rename(path + ".new", path);
    };
    const auto cutShort = [](const std::string& path) { std::filesystem::resize_file(path, 1); };
    const auto appended = [](const std::string& path) {
        std::ofstream(path, std::ios::app) << "more";
    };
    const auto sameSizeOldTime = [](const std::string& path) {
        struct stat before {};
        ::stat(path.c_str(), &before);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        struct stat after = before;
        // The status-change clock is coarse: write until it has moved on.
        for (int i = 0; i < 100000 && after.st_ctim.tv_nsec == before.st_ctim.tv_nsec &&
                        after.st_ctim.tv_sec == before.st_ctim.tv_sec;
             ++i) {
            std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << 'X';
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
            ::stat(path.c_str(), &after);
        }
    };
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
        const char* line;
        ExitStatus status;
    } cases[] = {
        {"a.pdf", replace, kSourceReplacedLine, ExitStatus::kIncomplete},
        {"b.pdf", cutShort, kSourceChangedLine, ExitStatus::kFailed},
        {"d.pdf", appended, kSourceChangedLine, ExitStatus::kFailed},
        {"c.pdf", sameSizeOldTime, kSourceChangedLine, ExitStatus::kFailed},
        {"memo.doc", sameSizeOldTime, kSourceReplacedLine, ExitStatus::kIncomplete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings({"[common]", "DelFile=Y"});
        const std::string source = MakeSource(c.name);
        engine.onDirectConversion = [&] { c.change(source); };
        engine.onCall = [&](const std::string& call) {
            if (call == "BeginCreationFromAppFile") c.change(source);
        };
        engine.phases = {{8}};
        Start({source});
        if (run->Monitoring()) run->Timer1Timer();
        EXPECT_TRUE(Exists(source));
        EXPECT_EQ(window.log.back(), c.line);
        EXPECT_EQ(run->Outcome().status, c.status);
        EXPECT_THAT(run->Outcome().failures, ElementsAre("quilbex: " + source + ": " + c.line));
    }
}

// A deleted source is gone for good, not in the desktop's trash; a document
// mended from a damaged source keeps its source whatever the setting.
TEST_F(Execute, TheSourceIsDeletedUnlessTheDocumentWasMended) {
    for (const std::string mended : {"page 3 of a.pdf: object 7 damaged", ""}) {
        SCOPED_TRACE(mended);
        engine.sourceRepair = mended;
        WriteSettings({"[common]", "DelFile=Y"});
        const std::string source = MakeSource("見積 #1.pdf");
        Start({source});
        EXPECT_EQ(Exists(source), !mended.empty());
        if (mended.empty()) {
            EXPECT_EQ(run->Outcome().status, ExitStatus::kDone);
        } else {
            EXPECT_EQ(window.log.back(), kSourceRepairedLine);
            EXPECT_EQ(run->Outcome().status, ExitStatus::kIncomplete);
            EXPECT_EQ(run->Outcome().failures.back(),
                      "quilbex: " + source + ": " + kSourceRepairedReason);
        }
    }
}

TEST_F(Execute, AFailedDeletionIsLoggedAndTheRunGoesOn) {
    WriteSettings({"[common]", "DelFile=Y"});
    Start({sources / "gone.pdf"});  // converted, but no longer there to delete
    const std::vector<std::string> lines = {"[/home/user/DocuWorks]へXDW出力します…",
                                            "XDW出力完了しました。", "元ファイル削除失敗"};
    EXPECT_EQ(window.log, lines);
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(lines));
}

TEST_F(Execute, TheDefaultFolderIsAskedForEvenWhenAFolderIsSet) {
    WriteSettings({"[file]", "SaveDir=/srv/out/"});
    Start({MakeSource("report.pdf")});
    EXPECT_EQ(engine.calls.front(), "GetInformation(6,256)");
    EXPECT_EQ(run->Options().OutPath, "/srv/out//report.xdw");
    EXPECT_EQ(window.log.front(), "[/srv/out/]へXDW出力します…");
}

// Never a document in the root folder: without a documents folder the run
// fails before anything is converted.
TEST_F(Execute, NoDocumentsFolderAndNoFolderSetIsAFailure) {
    engine.defaultFolder = "";
    const std::string source = MakeSource("report.pdf");
    Start({source});
    EXPECT_THAT(window.log, ElementsAre(kNoOutputFolderMessage));
    EXPECT_THAT(engine.Calls("Create"), IsEmpty());
    EXPECT_THAT(engine.Calls("Begin"), IsEmpty());
    EXPECT_EQ(run->Outcome().status, ExitStatus::kFailed);
    EXPECT_THAT(run->Outcome().failures,
                ElementsAre("quilbex: " + source + ": " + kNoOutputFolderMessage));
    EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(Execute, ASecondStartWhileMonitoringIsIgnored) {
    Waiting(MakeSource("memo.doc"));
    run->acExecuteExecute();
    ASSERT_TRUE(run->Monitoring());
    const auto callsBefore = engine.calls;
    const auto logBefore = window.log;

    run->acExecuteExecute();
    EXPECT_EQ(engine.calls, callsBefore);
    EXPECT_EQ(window.log, logBefore);
    EXPECT_EQ(run->Options().CreateHandle, engine.createHandle);
}

TEST_F(Execute, TheLogIsClearedWhenExecuteStarts) {
    Waiting(MakeSource("a.pdf"));
    window.log = {"typed by the user"};
    run->acExecuteExecute();
    EXPECT_EQ(window.journal.front(), "ClearLog");
    EXPECT_EQ(window.log.front(), "[/home/user/DocuWorks]へXDW出力します…");
}

}  // namespace
}  // namespace quilbex::testing
