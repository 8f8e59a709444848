// Following a conversion by application printing: one log line per new
// phase, the end of the conversion, cancellation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RunFixture.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Monitor : public RunFixture {
protected:
    // An automatic run of a file that only its application can print.
    void StartPrinting(std::vector<std::string> settings = {}) {
        settings.insert(settings.begin(), "[common]");
        WriteSettings(settings);
        source = MakeSource("memo.doc");
        Start({source});
        ASSERT_TRUE(run->Monitoring());
    }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) run->Timer1Timer();
    }
    std::string source;
};

TEST_F(Monitor, LogsEachNewPhaseOnceAndFinishesTheRun) {
    StartPrinting({"DelFile=Y", "OCR=Y"});
    engine.phases = {{0}, {1}, {1}, {2}, {3, 12, 3}, {3, 12, 4}, {3, 12, 12}, {6}, {4}, {5}, {8}};
    Tick(11);

    const std::vector<std::string> lines = {
        "[/home/user/DocuWorks]へXDW出力します…",
        "変換を開始しました。",
        "ｱﾌﾟﾘｹｰｼｮﾝで印刷しています。",
        "ﾍﾟｰｼﾞを生成しています。3/12",
        "ｵﾘｼﾞﾅﾙﾌｧｲﾙを添付しています。",
        "ﾌｧｲﾙに書き出しています。",
        "変換が終了しました。",
        "XDW出力完了しました。",
    };
    EXPECT_EQ(window.log, lines);
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(lines));
    EXPECT_THAT(engine.Calls("EndCreationFromAppFile"),
                ElementsAre("EndCreationFromAppFile(create)"));
    EXPECT_FALSE(Exists(source));
    EXPECT_THAT(engine.Calls("OpenDocumentHandle"), IsEmpty());  // no OCR on this route
    EXPECT_FALSE(window.timerEnabled);
    EXPECT_FALSE(run->Monitoring());
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_EQ(window.journal.back(), "RequestClose");
}

// A printed document gets no OCR pass, even where the engine built its pages
// from a picture.
TEST_F(Monitor, NoOcrPassFollowsPrintingWhateverWasPrinted) {
    struct Case {
        std::optional<std::string> kind;
        bool read;
    };
    for (const Case& c : {Case{"picture", false}, Case{"document", false}, Case{"pdf", false},
                          Case{std::nullopt, false}}) {
        SCOPED_TRACE(c.kind.value_or("refused"));
        engine = FakeEngine();
        engine.printSourceKind = c.kind;
        StartPrinting({"DelFile=Y", "OCR=Y", "AutoRotate=Y"});
        engine.phases = {{8}};
        Tick(2);
        std::vector<std::string> lines = {"[/home/user/DocuWorks]へXDW出力します…",
                                          "変換が終了しました。", "XDW出力完了しました。"};
        if (c.read)
            lines.insert(lines.end(), {"xdwファイルをオープンしました。", "1ページ処理します。",
                                       "1ページを自動正立しました。", "1ページをOCRしました。",
                                       "xdwファイルを保存しました。"});
        EXPECT_EQ(window.log, lines);
        EXPECT_FALSE(Exists(source));
        EXPECT_EQ(run->Outcome().status, ExitStatus::kDone);
        EXPECT_TRUE(run->Finished());
    }
}

TEST_F(Monitor, PollsWithTheHandleAndASizedRecord) {
    StartPrinting();
    engine.phases = {{1}};
    Tick(3);
    EXPECT_THAT(engine.Calls("GetStatus"), ElementsAre("GetStatusCreationFromAppFile(create)",
                                                       "GetStatusCreationFromAppFile(create)",
                                                       "GetStatusCreationFromAppFile(create)"));
    EXPECT_THAT(engine.statusSizes, ElementsAre(16, 16, 16));
}

TEST_F(Monitor, AReturnToAnEarlierPhaseIsLoggedAgain) {
    StartPrinting();
    engine.phases = {{1}, {2}, {1}};
    Tick(3);
    EXPECT_THAT(window.log,
                ElementsAre("[/home/user/DocuWorks]へXDW出力します…", "変換を開始しました。",
                            "ｱﾌﾟﾘｹｰｼｮﾝで印刷しています。", "変換を開始しました。"));
}

TEST_F(Monitor, CancelEndsWithoutCompletionAndKeepsTheSource) {
    StartPrinting({"DelFile=Y"});
    engine.phases = {{2}};
    Tick();
    run->acAppCancelExecute();
    engine.phases = {{7}, {7}, {9}};
    Tick(3);

    const std::vector<std::string> lines = {"[/home/user/DocuWorks]へXDW出力します…",
                                            "ｱﾌﾟﾘｹｰｼｮﾝで印刷しています。", "変換を中止しています。",
                                            "変換を中止しました。"};
    EXPECT_EQ(window.log, lines);
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(lines));
    EXPECT_THAT(engine.Calls("CancelCreationFromAppFile"),
                ElementsAre("CancelCreationFromAppFile(create)"));
    EXPECT_THAT(engine.Calls("EndCreationFromAppFile"),
                ElementsAre("EndCreationFromAppFile(create)"));
    EXPECT_TRUE(Exists(source));
    EXPECT_FALSE(window.timerEnabled);
    EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(Monitor, AFailedCancelIsReportedAndPollingGoesOn) {
    StartPrinting();
    engine.cancelResult = XDW_E_INVALID_ARG;
    run->acAppCancelExecute();
    engine.phases = {{8}};
    Tick();
    EXPECT_THAT(window.log, ElementsAre("[/home/user/DocuWorks]へXDW出力します…",
                                        "-2147024809:何らかのエラーが発生しました。",
                                        "変換が終了しました。", "XDW出力完了しました。"));
}

TEST_F(Monitor, TheEndIsActedOnOnce) {
    StartPrinting();
    engine.phases = {{8}};
    Tick(4);
    EXPECT_EQ(engine.Calls("GetStatus").size(), 1u);
    EXPECT_EQ(engine.Calls("EndCreationFromAppFile").size(), 1u);
    EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(Monitor, CancelBeforeAnyStartPassesTheEmptyHandle) {
    WriteSettings({"[common]", "ShowSetting=Y"});
    Start({MakeSource("memo.doc")});
    engine.cancelResult = XDW_E_INVALID_ARG;
    run->acAppCancelExecute();
    EXPECT_THAT(engine.calls, ElementsAre("CancelCreationFromAppFile(null)"));
    EXPECT_THAT(window.log, ElementsAre("-2147024809:何らかのエラーが発生しました。"));
    EXPECT_THAT(window.messages, IsEmpty());  // the catch-all is never shown
}

TEST_F(Monitor, CloseWhileMonitoringLeavesTheConversionAndWritesNoLog) {
    StartPrinting();
    engine.phases = {{2}};
    Tick();
    run->acCloseExecute();
    run->FormDestroy();
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_FALSE(Exists(LogPath()));
    EXPECT_THAT(engine.Calls("EndCreation"), IsEmpty());
    EXPECT_THAT(engine.Calls("CancelCreation"), IsEmpty());
    EXPECT_EQ(engine.calls.back(), "Finalize()");
}

}  // namespace
}  // namespace quilbex::testing
