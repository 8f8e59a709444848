// A run that is cancelled while the engine works, what the window is told
// about progress, and the outcome an automatic run announces at its end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>

#include "RunFixture.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Status = ExitStatus;
using Step = RunProgress::Step;

const std::string kOut = "/home/user/DocuWorks/scan.xdw";
const std::string kDestination = "[/home/user/DocuWorks]へXDW出力します…";

// One run with an engine and a window of its own, for tables of cases.
struct Trial {
    FakeEngine engine;
    FakeWindow window;
    std::unique_ptr<ConversionRun> run;

    void Start(const std::string& exeDir, const std::string& source) {
        run = std::make_unique<ConversionRun>(window, engine, std::vector<std::string>{source},
                                              FixedTime);
        run->FormCreate(exeDir);
        run->FormShow();
    }
    // The user cancels right after the first call that starts with prefix.
    void CancelDuring(const std::string& prefix) {
        engine.onCallRecorded = [this, prefix](const std::string& call) {
            if (call.rfind(prefix, 0) == 0) run->acAppCancelExecute();
        };
    }
};

class Cancel : public RunFixture {};

struct CancelCase {
    const char* name;
    std::string during;  // the call during which the user cancels
    int pdfResult;
    std::vector<std::string> ocrCalls;
    std::vector<std::string> log;  // after the destination line
    bool documentWritten;
};

TEST_F(Cancel, StopsAtTheNextStepKeepsTheSourceAndSavesNothingHalfDone) {
    const std::vector<CancelCase> cases = {
        {"during the direct conversion",
         "CreateXdwFromImagePdfFile",
         0,
         {},
         {"変換を中止しています。", "XDW出力完了しました。", "変換を中止しました。"},
         true},
        {"during a refused conversion",
         "CreateXdwFromImagePdfFile",
         -1,
         {},
         {"変換を中止しています。", "変換を中止しました。"},
         false},
        {"during page 2 of 4",
         "ApplyOcr(doc,2,",
         0,
         {"ApplyOcr(doc,1,1)", "ApplyOcr(doc,2,1)"},
         {"XDW出力完了しました。", "xdwファイルをオープンしました。", "4ページ処理します。",
          "1ページをOCRしました。", "変換を中止しています。", "2ページをOCRしました。",
          "変換を中止しました。"},
         true},
        {"during the last page",
         "ApplyOcr(doc,4,",
         0,
         {"ApplyOcr(doc,1,1)", "ApplyOcr(doc,2,1)", "ApplyOcr(doc,3,1)", "ApplyOcr(doc,4,1)"},
         {"XDW出力完了しました。", "xdwファイルをオープンしました。", "4ページ処理します。",
          "1ページをOCRしました。", "2ページをOCRしました。", "3ページをOCRしました。",
          "変換を中止しています。", "4ページをOCRしました。", "変換を中止しました。"},
         true},
    };
    WriteSettings({"[common]", "DelFile=Y", "OCR=Y"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Trial t;
        t.engine.pages = 4;
        t.engine.pdfResult = c.pdfResult;
        t.CancelDuring(c.during);
        const std::string source = MakeSource("scan.pdf");
        t.Start(exeDir.Path(), source);

        std::vector<std::string> log = {kDestination};
        log.insert(log.end(), c.log.begin(), c.log.end());
        EXPECT_EQ(t.window.log, log);
        EXPECT_EQ(t.engine.Calls("ApplyOcr"), c.ocrCalls);
        EXPECT_THAT(t.engine.Calls("SaveDocument"), IsEmpty()) << "the document stays as converted";
        EXPECT_THAT(t.engine.Calls("BeginCreationFromAppFile"), IsEmpty());
        EXPECT_THAT(t.engine.Calls("CancelCreationFromAppFile"), IsEmpty())
            << "the engine is not called from a second thread";
        EXPECT_EQ(t.engine.Calls("CloseDocumentHandle").size(), c.ocrCalls.empty() ? 0u : 1u);
        // Cancelled before the document was complete, the run keeps the source;
        // once it is complete the source goes before the OCR pass starts.
        EXPECT_EQ(Exists(source), c.ocrCalls.empty());
        EXPECT_EQ(ReadBytes(LogPath()), LogBytes(log));
        EXPECT_EQ(t.window.closeRequests, 1);
        ASSERT_EQ(t.window.outcomes.size(), 1u);
        EXPECT_EQ(t.window.outcomes[0].status, Status::kCancelled);
        EXPECT_EQ(t.window.outcomes[0].outPath.empty(), !c.documentWritten);
    }
}

// A pass stopped while the source is still there: the document without its
// text goes, so that converting the file again finds its name free.
TEST_F(Cancel, AnUnfinishedDocumentGivesWayWhileTheSourceIsThere) {
    WriteSettings({"[common]", "OCR=Y", "[file]", "SaveDir=" + sources.Path()});
    Trial t;
    t.engine.pages = 4;
    t.CancelDuring("ApplyOcr(doc,2,");
    t.engine.onDirectConversion = [&] { WriteBytes(t.run->Options().OutPath, "%PDF"); };
    const std::string source = MakeSource("scan.pdf");
    t.Start(exeDir.Path(), source);
    EXPECT_TRUE(Exists(source));
    EXPECT_FALSE(Exists(t.run->Options().OutPath));
    ASSERT_EQ(t.window.outcomes.size(), 1u);
    EXPECT_EQ(t.window.outcomes[0].status, Status::kCancelled);
    EXPECT_EQ(t.window.outcomes[0].outPath, "");
}

TEST_F(Cancel, ARotatedPageIsStillRecognisedBeforeThePassStops) {
    engine.pages = 3;
    WriteSettings({"[common]", "OCR=Y", "AutoRotate=Y"});
    engine.onCallRecorded = [this](const std::string& call) {
        if (call == "RotatePageAuto(doc,2)") run->acAppCancelExecute();
    };
    Start({MakeSource("scan.pdf")});
    EXPECT_THAT(engine.Calls("RotatePageAuto"),
                ElementsAre("RotatePageAuto(doc,1)", "RotatePageAuto(doc,2)"));
    EXPECT_THAT(engine.Calls("ApplyOcr"), ElementsAre("ApplyOcr(doc,1,1)", "ApplyOcr(doc,2,1)"));
    EXPECT_EQ(window.log.back(), "変換を中止しました。");
}

TEST_F(Cancel, ACancelWhilePrintingIsStartedReachesTheEngineOnceItHasStarted) {
    engine.onCallRecorded = [this](const std::string& call) {
        if (call.rfind("BeginCreationFromAppFile", 0) == 0) run->acAppCancelExecute();
    };
    engine.phases = {{XDW_PHASE_CANCELLING}, {XDW_PHASE_CANCELLED}};
    const std::string source = MakeSource("memo.doc");
    Start({source});
    EXPECT_THAT(engine.Calls("CancelCreationFromAppFile"),
                ElementsAre("CancelCreationFromAppFile(create)"));
    run->Timer1Timer();
    run->Timer1Timer();
    EXPECT_EQ(window.log.back(), "変換を中止しました。");
    ASSERT_EQ(window.outcomes.size(), 1u);
    EXPECT_EQ(window.outcomes[0].status, Status::kCancelled);
    EXPECT_TRUE(Exists(source));
}

TEST_F(Cancel, ASecondCancelIsNotLoggedTwice) {
    engine.pages = 2;
    WriteSettings({"[common]", "OCR=Y"});
    engine.onCallRecorded = [this](const std::string& call) {
        if (call == "ApplyOcr(doc,1,1)") {
            run->acAppCancelExecute();
            run->acAppCancelExecute();
        }
    };
    Start({MakeSource("scan.pdf")});
    EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "変換を中止しています。"), 1);
}

TEST_F(Cancel, AWindowThatGoesAwayMidPassStopsTheRunWithoutALogFile) {
    engine.pages = 3;
    WriteSettings({"[common]", "OCR=Y"});
    engine.onCallRecorded = [this](const std::string& call) {
        if (call == "ApplyOcr(doc,1,1)") run->Abandon();
    };
    Start({MakeSource("scan.pdf")});
    EXPECT_THAT(engine.Calls("ApplyOcr"), ElementsAre("ApplyOcr(doc,1,1)"));
    EXPECT_THAT(engine.Calls("SaveDocument"), IsEmpty());
    EXPECT_FALSE(Exists(LogPath()));
    EXPECT_EQ(window.closeRequests, 0);
    EXPECT_THAT(window.outcomes, IsEmpty());
}

TEST_F(Cancel, WithOcrAFailedDeletionIsLoggedBeforeThePass) {
    WriteSettings({"[common]", "DelFile=Y", "OCR=Y"});
    const std::string gone = sources / "gone.pdf";  // converted, but no longer there to delete
    Start({gone});
    EXPECT_THAT(window.log, ElementsAre(kDestination, "XDW出力完了しました。", "元ファイル削除失敗",
                                        "xdwファイルをオープンしました。", "1ページ処理します。",
                                        "1ページをOCRしました。", "xdwファイルを保存しました。"));
}

class Announced : public RunFixture {};

struct OutcomeCase {
    const char* name;
    std::vector<std::string> settings;
    std::string file;
    int pdfResult;
    int beginResult;
    std::deque<Phase> phases;
    bool userCancels;
    std::map<int, int> ocrResults;
    Status status;
    std::string reason;
    bool documentWritten;
};

TEST_F(Announced, AutomaticRunsAnnounceHowTheyEnded) {
    const std::vector<OutcomeCase> cases = {
        {"direct", {}, "scan.pdf", 0, 0, {}, false, {}, Status::kDone, "", true},
        {"OCR page failed",
         {"OCR=Y"},
         "scan.pdf",
         0,
         0,
         {},
         false,
         {{1, XDW_E_ACCESS_DENIED}},
         Status::kIncomplete,
         "1ページの文字を読めませんでした。文書は変換したとおりに出力しています。",
         true},
        {"start refused",
         {},
         "memo.doc",
         0,
         XDW_E_FILE_NOT_FOUND,
         {},
         false,
         {},
         Status::kFailed,
         "指定されたファイルが見つかりません。",
         false},
        {"printed",
         {},
         "memo.doc",
         0,
         0,
         {{XDW_PHASE_FINISHED}},
         false,
         {},
         Status::kDone,
         "",
         true},
        {"engine gave up",
         {},
         "memo.doc",
         0,
         0,
         {{XDW_PHASE_CANCELLED}},
         false,
         {},
         Status::kFailed,
         "変換を中止しました。",
         false},
        {"user cancelled printing",
         {},
         "memo.doc",
         0,
         0,
         {{XDW_PHASE_CANCELLED}},
         true,
         {},
         Status::kCancelled,
         "変換を中止しました。",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Trial t;
        t.engine.pdfResult = c.pdfResult;
        t.engine.beginResult = c.beginResult;
        t.engine.phases = c.phases;
        t.engine.ocrResults = c.ocrResults;
        std::vector<std::string> settings = c.settings;
        settings.insert(settings.begin(), "[common]");
        WriteSettings(settings);
        const std::string source = MakeSource(c.file);
        t.Start(exeDir.Path(), source);
        if (c.userCancels) t.run->acAppCancelExecute();
        if (t.run->Monitoring()) t.run->Timer1Timer();

        ASSERT_EQ(t.window.outcomes.size(), 1u);
        const RunOutcome& outcome = t.window.outcomes[0];
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(outcome.source, source);
        EXPECT_EQ(outcome.outPath, c.documentWritten ? t.run->Options().OutPath : "");
    }
}

TEST_F(Announced, AnInteractiveRunAnnouncesNothing) {
    WriteSettings({"[common]", "ShowSetting=Y"});
    Start({MakeSource("scan.pdf")});
    run->acExecuteExecute();
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_THAT(window.outcomes, IsEmpty());
}

TEST_F(Announced, ProgressCountsPagesAndEndsWithNothingToShow) {
    WriteSettings({"[common]", "OCR=Y", "AutoRotate=Y"});
    engine.pages = 2;
    Start({MakeSource("scan.pdf")});
    const XDW_DOCUMENT_HANDLE doc = FakeEngine::documentHandle;  // polled for the page's part
    EXPECT_THAT(window.progress,
                ElementsAre(RunProgress{Step::kConverting}, RunProgress{Step::kRotating, 1, 2, doc},
                            RunProgress{Step::kRecognising, 1, 2, doc},
                            RunProgress{Step::kRotating, 2, 2, doc},
                            RunProgress{Step::kRecognising, 2, 2, doc}, RunProgress{Step::kSaving},
                            RunProgress{Step::kNone}));
}

TEST_F(Announced, EveryPollMovesThePrintingProgressOnThoughTheLogHearsOnlyOfNewPhases) {
    engine.phases = {{XDW_PHASE_PRINTING},
                     {XDW_PHASE_GENERATING, 12, 3},
                     {XDW_PHASE_GENERATING, 12, 9},
                     {XDW_PHASE_FINISHED}};
    Start({MakeSource("memo.doc")});
    for (int i = 0; i < 4; ++i) run->Timer1Timer();
    EXPECT_THAT(window.progress,
                ElementsAre(RunProgress{Step::kConverting}, RunProgress{Step::kStarting},
                            RunProgress{Step::kLayingOut}, RunProgress{Step::kGenerating, 3, 12},
                            RunProgress{Step::kGenerating, 9, 12}, RunProgress{Step::kNone},
                            RunProgress{Step::kNone}));
    EXPECT_EQ(std::count_if(window.log.begin(), window.log.end(),
                            [](const std::string& line) {
                                return line.rfind("ﾍﾟｰｼﾞを生成しています。", 0) == 0;
                            }),
              1);
}

}  // namespace
}  // namespace quilbex::testing
