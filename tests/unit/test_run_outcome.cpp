// How runs end for the program's exit status: the status, the reasons on
// standard error, termination signals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <utility>

#include "RunFixture.h"
#include "run/CommandLine.h"
#include "run/Leftovers.h"
#include "run/OutcomeRecorder.h"
#include "run/RunJournal.h"
#include "run/RunLog.h"
#include "run/Termination.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Outcome : public RunFixture {
protected:
    void SetUp() override { ClearTermination(); }
    void TearDown() override { ClearTermination(); }

    // An automatic run of source with these [common] settings.
    ConversionRun& Automatic(const std::string& name, std::vector<std::string> common = {}) {
        common.insert(common.begin(), "[common]");
        WriteSettings(common);
        source = MakeSource(name);
        return Start({source});
    }
    // The same with an engine and a window of its own, for tables of cases.
    struct Single {
        FakeWindow window;
        FakeEngine engine;
        std::unique_ptr<ConversionRun> run;
    };
    std::unique_ptr<Single> Fresh(const std::string& name, std::vector<std::string> common,
                                  const std::function<void(FakeEngine&)>& script) {
        common.insert(common.begin(), "[common]");
        WriteSettings(common);
        source = MakeSource(name);
        auto one = std::make_unique<Single>();
        script(one->engine);
        one->run = std::make_unique<ConversionRun>(one->window, one->engine,
                                                   std::vector<std::string>{source}, FixedTime);
        one->run->FormCreate(exeDir.Path());
        one->run->FormShow();
        return one;
    }
    std::string Line(const std::string& reason) const {
        return "quilbex: " + source + ": " + reason;
    }
    std::string source;
};

TEST_F(Outcome, DirectConversions) {
    struct Case {
        const char* what;
        std::vector<std::string> settings;
        std::function<void(FakeEngine&)> script;
        ExitStatus status;
        std::vector<std::string> failures;  // reasons
    };
    const Case cases[] = {
        {"written", {"OCR=Y"}, [](FakeEngine&) {}, ExitStatus::kDone, {}},
        {"a page not read",
         {"OCR=Y"},
         [](FakeEngine& e) {
             e.pages = 2;
             e.ocrResults[2] = XDW_E_FAIL;
             e.reasons["ApplyOcr"] = {"no language data"};
         },
         ExitStatus::kIncomplete,
         {"2ページの文字を読めませんでした。文書は変換したとおりに出力しています。 (no language "
          "data)"}},
        {"a page past its time limit, turned and read: named once",
         {"OCR=Y", "AutoRotate=Y"},
         [](FakeEngine& e) {
             e.pages = 2;
             e.rotateResults[2] = e.ocrResults[2] = XDW_E_CANNOT_READ;
             e.reasons["RotatePageAuto"] =
                 e.reasons["ApplyOcr"] = {"page 2: out of time", XDW_REASON_TIME_LIMIT};
         },
         ExitStatus::kIncomplete,
         {"2ページの文字認識が時間内に終わらなかったため、このページには文字を付けていません。"
          "文書は変換したとおりに出力しています。"}},
        {"not saved",
         {"OCR=Y"},
         [](FakeEngine& e) { e.saveResult = XDW_E_DISK_FULL; },
         ExitStatus::kIncomplete,
         {"何らかのエラーが発生しました。"}},
        {"not opened",
         {"OCR=Y"},
         [](FakeEngine& e) { e.openResult = XDW_E_ACCESS_DENIED; },
         ExitStatus::kIncomplete,
         {"指定されたファイルを開くことができません。"}},
        {"refused, then no start",
         {"DelFile=Y"},
         [](FakeEngine& e) {
             e.pdfResult = XDW_E_CANNOT_READ;
             e.beginResult = XDW_E_FILE_EXISTS;
             e.reasons["BeginCreationFromAppFile"] = {"target exists"};
         },
         ExitStatus::kFailed,
         {"指定されたファイルはすでに存在します。 (target exists)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto one = Fresh("scan.pdf", c.settings, c.script);
        const RunOutcome& outcome = one->run->Outcome();
        EXPECT_EQ(outcome.status, c.status);
        std::vector<std::string> lines;
        for (const auto& reason : c.failures) lines.push_back(Line(reason));
        EXPECT_EQ(outcome.failures, lines);
        EXPECT_EQ(outcome.outPath.empty(), c.status == ExitStatus::kFailed);
        EXPECT_EQ(Exists(source), true);
    }
}

TEST_F(Outcome, AReadOnlySourceIsNotDeleted) {
    Fresh("writable.pdf", {"DelFile=Y"}, [](FakeEngine&) {});
    ASSERT_FALSE(Exists(source)) << "a writable source goes";

    source = MakeSource("locked.pdf");
    ASSERT_EQ(::chmod(source.c_str(), 0444), 0);
    Start({source});
    EXPECT_TRUE(Exists(source)) << "write permission is asked for, also of root";
    EXPECT_THAT(window.log,
                ElementsAre(::testing::_, "XDW出力完了しました。", "元ファイル削除失敗"));
    EXPECT_EQ(run->Outcome().status, ExitStatus::kIncomplete);
    EXPECT_THAT(
        run->Outcome().failures,
        ElementsAre(Line("元ファイル「locked.pdf」は削除できず、残っています（読み取り専用の"
                         "ファイルです）。不要なら、ファイルのプロパティで書き込みを許可して"
                         "から削除してください。")));
}

TEST_F(Outcome, ApplicationPrintingEnds) {
    struct Case {
        const char* what;
        bool cancel;
        std::string reason;
        int lastPhase;
        ExitStatus status;
        std::vector<std::string> failures;
    };
    const Case cases[] = {
        {"finished", false, "", XDW_PHASE_FINISHED, ExitStatus::kDone, {}},
        {"cancelled",
         true,
         "",
         XDW_PHASE_CANCELLED,
         ExitStatus::kCancelled,
         {"変換を中止しました。"}},
        {"failed",
         false,
         "the application failed: exit code 1",
         XDW_PHASE_CANCELLED,
         ExitStatus::kFailed,
         {"変換を中止しました。 (the application failed: exit code 1)"}},
        {"stopped without a reason",
         false,
         "",
         XDW_PHASE_CANCELLED,
         ExitStatus::kFailed,
         {"変換を中止しました。"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto one = Fresh("memo.doc", {}, [&](FakeEngine& engine) {
            if (!c.reason.empty()) engine.reasons["EndCreationFromAppFile"] = {c.reason};
            engine.phases = {{XDW_PHASE_PRINTING}, {c.lastPhase}};
        });
        ConversionRun* run = one->run.get();
        ASSERT_TRUE(run->Monitoring());
        EXPECT_EQ(run->Outcome().status, ExitStatus::kCancelled) << "closing now is a cancel";
        if (c.cancel) run->acAppCancelExecute();
        run->Timer1Timer();
        run->Timer1Timer();
        EXPECT_EQ(run->Outcome().status, c.status);
        std::vector<std::string> lines;
        for (const auto& reason : c.failures) lines.push_back(Line(reason));
        EXPECT_EQ(run->Outcome().failures, lines);
    }
}

TEST_F(Outcome, ATerminationCancelsAFollowedConversionOnce) {
    Automatic("memo.doc", {"DelFile=Y"});
    run->Terminate();
    run->Terminate();
    EXPECT_THAT(engine.Calls("Cancel"), ElementsAre("CancelCreationFromAppFile(create)"));
    EXPECT_EQ(window.closeRequests, 0) << "the monitor ends the run";
    engine.phases = {{XDW_PHASE_CANCELLING}, {XDW_PHASE_CANCELLED}};
    run->Timer1Timer();
    run->Timer1Timer();
    EXPECT_EQ(run->Outcome().status, ExitStatus::kCancelled);
    EXPECT_TRUE(Exists(source));
    EXPECT_TRUE(Exists(LogPath()));
    run->Terminate();
    EXPECT_EQ(engine.Calls("Cancel").size(), 1u) << "nothing left to cancel";
}

TEST_F(Outcome, ATerminationEndsAWaitingRunAsCancelled) {
    WriteSettings({"[common]", "ShowSetting=Y"});
    Start({MakeSource("a.pdf")});
    run->Terminate();
    EXPECT_EQ(run->Outcome().status, ExitStatus::kCancelled);
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_FALSE(Exists(LogPath())) << "nothing ran";
}

// A signal that arrives during a blocking step is seen at the next step: the
// document written stays, nothing more is done.
TEST_F(Outcome, BlockingStepsStopAtTheNextStep) {
    for (const int pages : {3, 1}) {  // the last page too
        ClearTermination();
        const auto ocr = Fresh("scan.pdf", {"OCR=Y", "DelFile=Y"}, [&](FakeEngine& engine) {
            engine.pages = pages;
            engine.onCall = [](const std::string& name) {
                if (name == "ApplyOcr") RequestTermination();
            };
            engine.ocrResults[1] = XDW_E_FAIL;  // the page the engine was told to stop
        });
        EXPECT_EQ(ocr->engine.Calls("ApplyOcr").size(), 1u);
        EXPECT_EQ(ocr->run->Outcome().failures.size(), 1u) << "the stop, not the page";
        EXPECT_THAT(ocr->engine.Calls("Save"), IsEmpty());
        EXPECT_EQ(ocr->window.log.back(), kStoppedLine);
        EXPECT_EQ(ocr->run->Outcome().status, ExitStatus::kCancelled);
        EXPECT_TRUE(Exists(LogPath()));
    }

    ClearTermination();
    const auto one = Fresh("other.pdf", {"OCR=Y", "DelFile=Y"}, [](FakeEngine& engine) {
        engine.onCall = [](const std::string& name) {
            if (name == "CreateXdwFromImagePdfFile") RequestTermination();
        };
    });
    EXPECT_THAT(one->engine.Calls("Open"), IsEmpty());
    EXPECT_TRUE(Exists(source));
    EXPECT_EQ(one->run->Outcome().status, ExitStatus::kCancelled);
}

// A termination does not wait for the OCR page under way: the engine is told
// to stop it, and its failure is the stop, not a failure of the page.
TEST_F(Outcome, ATerminationStopsTheOcrPageUnderWay) {
    engine.pages = 2;
    engine.ocrResults[1] = XDW_E_FAIL;  // what the stopped page gives
    engine.onCall = [this](const std::string& name) {
        if (name != "ApplyOcr") return;
        RequestTermination();
        run->Terminate();
    };
    Automatic("scan.pdf", {"OCR=Y"});
    EXPECT_EQ(engine.Calls("CancelOcr").size(), 1u);
    EXPECT_EQ(engine.Calls("ApplyOcr").size(), 1u);
    EXPECT_EQ(window.log.back(), kStoppedLine);
    EXPECT_THAT(run->Outcome().failures, ElementsAre(Line(kStoppedLine)));
    EXPECT_EQ(run->Outcome().status, ExitStatus::kCancelled);
}

// A stop asked for at any moment before the source is deleted keeps it, and
// the run ends as cancelled: a signal is delivered at each step of a run in
// turn (an engine call or a window operation), on the worker while it works
// and after the event otherwise, as the program's event loop does.
TEST_F(Outcome, ASignalAtAnyMomentBeforeTheDeletionKeepsTheSource) {
    WriteSettings({"[common]", "DelFile=Y", "OCR=Y"});
    for (const char* name : {"memo.doc", "scan.pdf"}) {
        for (int moment = 0, step = 0;; ++moment, step = 0) {
            SCOPED_TRACE(std::string(name) + " at step " + std::to_string(moment));
            ClearTermination();
            bool pending = false, deleting = false;  // from the completion line on, it may go
            Single one;
            const auto atStep = [&](const std::string& what) {
                deleting = deleting || what.find("XDW出力完了しました。") != std::string::npos;
                if (step++ != moment || deleting) return;
                RequestTermination();
                one.run->Working() ? one.run->Terminate() : void(pending = true);
            };
            one.engine.phases = {
                {XDW_PHASE_PRINTING}, {XDW_PHASE_GENERATING, 2, 1}, {XDW_PHASE_FINISHED}};
            one.engine.onCallRecorded = [&](const std::string& call) {
                atStep(call);
                if (call.rfind("CancelCreation", 0) == 0 &&
                    one.engine.phases.front().phase != XDW_PHASE_FINISHED)
                    one.engine.phases = {{XDW_PHASE_CANCELLED}};  // stopped under way
            };
            one.window.journal.onEntry = atStep;
            source = MakeSource(name);
            one.run = std::make_unique<ConversionRun>(one.window, one.engine,
                                                      std::vector<std::string>{source}, FixedTime);
            one.run->FormCreate(exeDir.Path());
            one.run->FormShow();
            for (int tick = 0; tick < 10 && !one.run->Finished(); ++tick) {
                if (std::exchange(pending, false)) one.run->Terminate();
                one.run->Timer1Timer();
            }
            if (!TerminationRequested()) break;  // no step was left before the deletion
            EXPECT_TRUE(Exists(source));
            EXPECT_EQ(one.run->Outcome().status, ExitStatus::kCancelled);
        }
    }
}

TEST_F(Outcome, OutputNamesThatCannotBeUsed) {
    struct Case {
        std::string fileName;
        std::string sourceName;
        std::string message;
        std::string saveDir = "";
    } cases[] = {
        {"out/yyyy", "a.pdf", NameLeavesFolderMessage("out/2026")},
        {"\"元のファイル名\"/..", "a.pdf", NameLeavesFolderMessage("a/..")},
        {"", std::string(251, 'n') + ".pdf", ""},  // 255 bytes fit
        {"\"元のファイル名\"yymmddhhnnss", std::string(240, 'n') + ".pdf",
         NameTooLongMessage("/home/user/DocuWorks/" + std::string(240, 'n') + "261206174509.xdw")},
        {".", "a.pdf", NameUnusableMessage(".xdw")},
        {"..", "a.pdf", NameUnusableMessage("..xdw")},
        {"'a\tb'", "a.pdf", NameUnusableMessage("a\tb.xdw")},
        {std::string("'a\0b'", 5), "a.pdf", NameUnusableMessage(std::string("a\0b.xdw", 7))},
        {"", "a.pdf", SaveDirUnusableMessage("out"), "out"},
        {"", "a.pdf", SaveDirUnusableMessage(".."), ".."},
        {"", "a.pdf",
         SaveDirUnusableMessage("/srv/a\x01"
                                "b"),
         "/srv/a\x01"
         "b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName + " " + c.saveDir);
        std::vector<std::string> ini = {"[file]", "FileName=" + c.fileName};
        if (!c.saveDir.empty()) ini.push_back("SaveDir=" + c.saveDir);
        const auto one = Fresh(c.sourceName, ini, [](FakeEngine&) {});
        if (c.message.empty()) {
            EXPECT_EQ(one->run->Outcome().status, ExitStatus::kDone);
            continue;
        }
        EXPECT_THAT(one->engine.Calls("Create"), IsEmpty());
        EXPECT_EQ(one->window.log.back(), c.message);
        EXPECT_EQ(one->run->Outcome().status, ExitStatus::kFailed);
        EXPECT_THAT(one->run->Outcome().failures, ElementsAre(Line(c.message)));
    }
    EXPECT_EQ(NameUnusableMessage(std::string("a\0\x7F", 3)).find(std::string(1, '\0')),
              std::string::npos);
}

// The rule every report of a run goes through, step by step.
TEST(OutcomeRecorder, CancelsWinWrittenStaysWrittenFirstReasonStays) {
    using S = ExitStatus;
    using Steps = std::function<void(OutcomeRecorder&)>;
    using E = RunEvent;
    const auto fail = [](E event, const char* why) {
        return [=](OutcomeRecorder& r) { r.Fail(event, why, "a.pdf"); };
    };
    const auto written = [](OutcomeRecorder& r) { r.Written("/out/a.xdw"); };
    const auto deleted = [](OutcomeRecorder& r) { r.SourceDeleted(); };
    const auto cancels = [](OutcomeRecorder& r) { r.Report(E::kEndingCancels); };
    struct Case {
        const char* what;
        std::vector<Steps> steps;  // after ExecuteBegins
        S status;
        std::string reason;
        std::string lastLine;  // on standard error
    } cases[] = {
        {"nothing happened", {}, S::kFailed, "", ""},
        {"written", {written}, S::kDone, "", ""},
        {"failed twice",
         {fail(E::kConversionFailed, "x"), fail(E::kConversionFailed, "y")},
         S::kFailed,
         "x",
         "quilbex: a.pdf: y"},
        {"a later step failed",
         {written, fail(E::kConversionFailed, "x")},
         S::kIncomplete,
         "x",
         ""},
        {"incomplete before written", {fail(E::kLaterStepFailed, "x")}, S::kFailed, "x", ""},
        {"cancelled after a failure",
         {written, fail(E::kLaterStepFailed, "x"), fail(E::kStopped, "c")},
         S::kCancelled,
         "x",
         ""},
        {"a failure after a cancel",
         {written, fail(E::kStopped, "c"), fail(E::kLaterStepFailed, "x")},
         S::kCancelled,
         "c",
         ""},
        {"cancelled once deleted",
         {written, deleted, fail(E::kStopped, "c")},
         S::kCancelled,
         "c",
         "quilbex: a.pdf: c (the document was complete; the source had already been deleted)"},
        {"followed, then written", {cancels, written}, S::kDone, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OutcomeRecorder recorder(true);
        EXPECT_EQ(recorder.Result().status, S::kCancelled) << "ended before Execute";
        recorder.ExecuteBegins();
        for (const auto& step : c.steps) step(recorder);
        EXPECT_EQ(recorder.Result().status, c.status);
        EXPECT_EQ(recorder.Result().reason, c.reason);
        if (!c.lastLine.empty()) {
            EXPECT_EQ(recorder.Result().failures.back(), c.lastLine);
        }
    }
    EXPECT_EQ(OutcomeRecorder(false).Result().status, S::kDone) << "settings only";
}

TEST(OutcomeRecorder, EachEventMovesTheStatusByTheTable) {
    using S = ExitStatus;
    using E = RunEvent;
    const struct {
        E event;
        S before;
        bool written;
        S after;
    } rows[] = {
        {E::kExecuteBegins, S::kCancelled, false, S::kFailed},
        {E::kWritten, S::kFailed, false, S::kDone},
        {E::kEndingCancels, S::kFailed, false, S::kCancelled},
        {E::kStopped, S::kIncomplete, true, S::kCancelled},
        {E::kConversionFailed, S::kCancelled, false, S::kFailed},
        {E::kConversionFailed, S::kDone, true, S::kIncomplete},
        {E::kConversionFailed, S::kCancelled, true, S::kCancelled},
        {E::kLaterStepFailed, S::kDone, true, S::kIncomplete},
        {E::kLaterStepFailed, S::kFailed, false, S::kFailed},
        {E::kLaterStepFailed, S::kCancelled, true, S::kCancelled},
        {E::kNobodyToAnswer, S::kFailed, false, S::kNeedsUser},
    };
    for (const auto& row : rows)
        EXPECT_EQ(StatusAfter(row.event, row.before, row.written), row.after)
            << static_cast<int>(row.event) << " from " << ExitCode(row.before);
}

TEST(CommandLine, OptionsAndFileNames) {
    using Action = CommandLine::Action;
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::vector<std::string> files;
    } cases[] = {
        {{}, Action::kRun, {}},
        {{"a.pdf", "b.pdf"}, Action::kRun, {"a.pdf", "b.pdf"}},
        {{"--help"}, Action::kHelp, {}},
        {{"--version", "a.pdf"}, Action::kVersion, {}},
        {{"-reverse", "-style=x", "--foo"}, Action::kRun, {"-reverse", "-style=x", "--foo"}},
        {{"--", "--help", "--"}, Action::kRun, {"--help", "--"}},
        {{"a.pdf", "--version"}, Action::kVersion, {}},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(line.action, c.action) << ::testing::PrintToString(c.args);
        EXPECT_EQ(line.files, c.files) << ::testing::PrintToString(c.args);
    }
}

TEST(Leftovers, OnlyNamesWithAPidAndSixCharacters) {
    struct Case {
        std::string name;
        long owner;
    } cases[] = {
        {".quilbex-123-a1B2c3", 123}, {".quilbex-123-a1B2c", 0},  {".quilbex--a1B2c3", 0},
        {".quilbex-a1B2c3", 0},       {".quilbex-12x-a1B2c3", 0}, {"x.quilbex-1-a1B2c3", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(LeftoverOwner(c.name, ".quilbex-"), c.owner) << c.name;
}

TEST(Leftovers, DeadOwnersFilesGoOthersStay) {
    TempDir out;
    const pid_t dead = [] {
        const pid_t pid = fork();
        if (pid == 0) _exit(0);
        int status = 0;
        waitpid(pid, &status, 0);
        return pid;
    }();
    const std::string gone = out / (".quilbex-" + std::to_string(dead) + "-abcdef");
    const std::string mine = out / (".quilbex-" + std::to_string(getpid()) + "-abcdef");
    const std::string init = out / ".quilbex-1-abcdef";
    for (const auto& path : {gone, mine, init}) WriteBytes(path, "partial");
    RemoveLeftovers(out.Path());
    EXPECT_FALSE(Exists(gone));
    EXPECT_TRUE(Exists(mine));
    EXPECT_TRUE(Exists(init));
}

// The journal names the file, the document, the result and the reason of every run.
TEST(Journal, EachOutcomeIsOneLineWithItsFields) {
    RunOutcome outcome;
    outcome.status = ExitStatus::kFailed;
    outcome.source = "/in/見積 書.pdf";
    outcome.reason = "パスワードで保護されています。";
    EXPECT_EQ(JournalLine(outcome),
              "file=/in/見積 書.pdf document=- result=failed status=1 "
              "reason=パスワードで保護されています。");
}

}  // namespace
}  // namespace quilbex::testing
