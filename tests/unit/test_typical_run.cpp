// The everyday automatic run: a PDF converted straight away, its source
// deleted, OCR over every page, the log written and the window closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RunFixture.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;

class TypicalRun : public RunFixture {};

TEST_F(TypicalRun, ConvertsDeletesRecognisesLogsAndCloses) {
    WriteSettings({"[common]", "ShowSetting=N", "DelFile=Y", "OCR=Y", "[file]",
                   "SaveDir=", "FileName=\"元のファイル名\"yymmdd"});
    const std::string source = MakeSource("report.pdf");
    engine.defaultFolder = "/home/user/DocuWorks";
    engine.pages = 2;

    Start({source});

    const std::string out = "/home/user/DocuWorks/report261206.xdw";
    EXPECT_THAT(engine.calls,
                ElementsAre("GetInformation(6,256)",
                            "CreateXdwFromImagePdfFile(" + source + "," + out + ")",
                            "GetInformation(1003,512)", "OpenDocumentHandle(" + out + ")",
                            "GetDocumentInformation(doc)", "ApplyOcr(doc,1,1)", "ApplyOcr(doc,2,1)",
                            "SaveDocument(doc)", "CloseDocumentHandle(doc)"));
    const std::vector<std::string> lines = {
        "[/home/user/DocuWorks]へXDW出力します…",
        "XDW出力完了しました。",
        "xdwファイルをオープンしました。",
        "2ページ処理します。",
        "1ページをOCRしました。",
        "2ページをOCRしました。",
        "xdwファイルを保存しました。",
    };
    EXPECT_EQ(window.log, lines);
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(lines));
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(run->Options().OutPath, out);

    std::vector<std::string> expectedJournal = {"SetCaption Quilbex for DocuWorks Ver.1.0.2.0",
                                                "FocusDeleteSource", "ShowBanner", "ClearLog"};
    for (const auto& line : lines) expectedJournal.push_back("AppendLog " + line);
    // The boxes are set after Execute, while the requested close is still pending.
    for (const char* entry : {"RequestClose", "SetChecked DeleteSource 1", "SetChecked Ocr 1",
                              "SetChecked AutoRotate 0"})
        expectedJournal.push_back(entry);
    EXPECT_EQ(window.journal, expectedJournal);
    EXPECT_TRUE(window.messages.empty());

    run->FormDestroy();
    EXPECT_EQ(engine.calls.back(), "Finalize()");
}

TEST_F(TypicalRun, EngineIsReleasedOnceWhateverHowOftenTheWindowIsDestroyed) {
    Create({});
    run->FormDestroy();
    run->FormDestroy();
    EXPECT_THAT(engine.calls, ElementsAre("Finalize()"));
}

}  // namespace
}  // namespace quilbex::testing
