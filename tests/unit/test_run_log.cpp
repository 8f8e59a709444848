// Reported failures, the default error handler's text and the log file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "RunFixture.h"
#include "run/RunLog.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ErrorTable, EveryKnownCodeHasItsMessageAndAnyOtherTheCatchAll) {
    const std::pair<uint32_t, const char*> table[] = {
        {0x80040001, "DocuWorksがインストールされていません。"},
        {0x80040003, "指定されたファイルを開くことができません。"},
        {0x80070002, "指定されたファイルが見つかりません。"},
        {0x80070005, "指定されたファイルを開くことができません。"},
        {0x80070050, "指定されたファイルはすでに存在します。"},
        {0x8007007B, "指定されたファイルを開くことができません。"},
        {0x800E0005, "指定されたファイルを開くことができません。"},
        {0xFFFFFFFF, "拡張子が不正です。"},
        {0x80070057, "何らかのエラーが発生しました。"},
        {0x80004005, "何らかのエラーが発生しました。"},
        {5, "何らかのエラーが発生しました。"},
        {0, "何らかのエラーが発生しました。"},
    };
    for (const auto& [code, message] : table)
        EXPECT_STREQ(ErrorMessage(static_cast<int32_t>(code)), message) << std::hex << code;
}

TEST(FullStop, IsAppendedUnlessTheLastCharacterIsAtMostAFullStop) {
    EXPECT_EQ(WithFullStop("abc"), "abc.");
    EXPECT_EQ(WithFullStop("/tmp/Quilbex.ini に書き込めません"),
              "/tmp/Quilbex.ini に書き込めません.");
    EXPECT_EQ(WithFullStop("ｱ"), "ｱ.");  // a single byte, but above 0x2E
    EXPECT_EQ(WithFullStop("a/"), "a/.");
    EXPECT_EQ(WithFullStop("done."), "done.");
    EXPECT_EQ(WithFullStop("a-"), "a-");
    EXPECT_EQ(WithFullStop("a!"), "a!");
    EXPECT_EQ(WithFullStop("trailing "), "trailing ");
    EXPECT_EQ(WithFullStop(""), "");
}

class RunLog : public RunFixture {};

TEST_F(RunLog, ReportErrorLogsTheSignedCodeAndMessage) {
    Create({"/in/a.pdf"});
    run->ReportError(XDW_E_FILE_NOT_FOUND);
    run->ReportError(5);
    EXPECT_THAT(window.log, ElementsAre("-2147024894:指定されたファイルが見つかりません。",
                                        "5:何らかのエラーが発生しました。"));
    EXPECT_THAT(window.messages, IsEmpty());  // not an interactive run
}

TEST_F(RunLog, AnInteractiveRunAlsoShowsEveryMessageButTheCatchAll) {
    Create({"/in/a.pdf"}).Options().ShowSetting = true;
    run->ReportError(XDW_E_FILE_EXISTS);
    run->ReportError(XDW_E_FAIL);
    run->ReportError(-1);
    EXPECT_THAT(window.messages,
                ElementsAre("指定されたファイルはすでに存在します。", "拡張子が不正です。"));
    EXPECT_EQ(window.log.size(), 3u);
}

TEST_F(RunLog, TheDefaultErrorHandlerShowsTheMessageWithAFullStop) {
    Create({});
    run->HandleException(std::runtime_error("/x/Quilbex.ini に書き込めません"));
    EXPECT_THAT(window.errorMessages, ElementsAre("/x/Quilbex.ini に書き込めません."));
    EXPECT_THAT(window.messages, IsEmpty());
}

TEST_F(RunLog, FinishRunWritesTheLogInCodePage932AndCloses) {
    Create({"/in/a.pdf"});
    window.log = {"[/out]へXDW出力します…", "", "typed by the user", "XDW出力完了しました。"};
    run->FinishRun();
    EXPECT_EQ(ReadBytes(LogPath()), std::string("[/out]\x82\xd6XDW\x8f\x6f\x97\xcd\x82\xb5\x82\xdc"
                                                "\x82\xb7\x81\x63\r\n"
                                                "\r\n"
                                                "typed by the user\r\n"
                                                "XDW\x8f\x6f\x97\xcd\x8a\xae\x97\xb9\x82\xb5\x82"
                                                "\xdc\x82\xb5\x82\xbd\x81\x42\r\n"));
    EXPECT_THAT(window.journal, ElementsAre("RequestClose"));
}

TEST_F(RunLog, ALineWithCharactersOutsideTheCodePageGetsReplacements) {
    Create({"/in/a.pdf"});
    window.log = {"[/home/한글]"};
    run->FinishRun();
    EXPECT_EQ(ReadBytes(LogPath()), "[/home/??]\r\n");
}

TEST_F(RunLog, EachRunReplacesThePreviousLog) {
    WriteBytes(LogPath(), "an old and much longer log\r\nwith two lines\r\n");
    Create({"/in/a.pdf"});
    window.log = {"new"};
    run->FinishRun();
    EXPECT_EQ(ReadBytes(LogPath()), "new\r\n");
}

TEST_F(RunLog, AReadOnlyLogFileIsReportedAndTheWindowStillCloses) {
    WriteBytes(LogPath(), "old\r\n");
    ASSERT_EQ(::chmod(LogPath().c_str(), 0444), 0);
    Create({"/in/a.pdf"});
    window.log = {"new"};
    run->FinishRun();
    EXPECT_THAT(
        window.journal,
        ElementsAre("ShowMessage ファイル " + LogPath() + " を作成できません", "RequestClose"));
    EXPECT_EQ(ReadBytes(LogPath()), "old\r\n");
}

TEST_F(RunLog, AMissingProgramFolderIsReportedInAnAutomaticRunToo) {
    run = std::make_unique<ConversionRun>(window, engine,
                                          std::vector<std::string>{MakeSource("a.pdf")}, FixedTime);
    run->FormCreate(exeDir / "missing/");
    run->FormShow();
    EXPECT_THAT(window.messages,
                ElementsAre("ファイル " + exeDir / "missing/Quilbex.log" + " を作成できません"));
    EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(RunLog, CloseWritesNoLogAndLeavesThePreviousOne) {
    WriteBytes(LogPath(), "previous\r\n");
    WriteSettings({"[common]", "ShowSetting=Y"});
    Start({MakeSource("a.pdf")});
    run->acCloseExecute();
    EXPECT_EQ(window.closeRequests, 1);
    EXPECT_EQ(ReadBytes(LogPath()), "previous\r\n");
}

}  // namespace
}  // namespace quilbex::testing
