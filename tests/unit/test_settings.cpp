// Quilbex.ini: private-profile reads and writes on a code page 932 file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "TempDir.h"
#include "run/Settings.h"
#include "run/Termination.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;

class Settings : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir / "Quilbex.ini";
    SettingsFile file{path};
};

TEST_F(Settings, AMissingFileReadsAsDefaults) {
    EXPECT_EQ(file.Read("common", "ShowSetting", "N"), "N");
    EXPECT_EQ(file.Read("common", "Language", "自動"), "自動");
    EXPECT_EQ(file.Path(), path);
}

TEST_F(Settings, AKeyWithAnEmptyValueIsEmptyNotTheDefault) {
    WriteBytes(path, "[common]\r\nLanguage=\r\n");
    EXPECT_EQ(file.Read("common", "Language", "自動"), "");
    EXPECT_EQ(file.Read("common", "OCR", "N"), "N");
}

// A termination signal does not wait for a file of any size to be read.
TEST_F(Settings, ATerminationStopsTheReading) {
    WriteBytes(path, "[common]\r\nOCR=Y\r\n");
    RequestTermination();
    EXPECT_EQ(file.Read("common", "OCR", "N"), "N");
    ClearTermination();
    EXPECT_EQ(file.Read("common", "OCR", "N"), "Y");
}

TEST_F(Settings, NamesIgnoreCaseAndBlanksAroundNamesAndValuesAreDropped) {
    WriteBytes(path, "  [ Common ]\n  showsetting  =  Y  \nDELFILE=\tN\t\n");
    EXPECT_EQ(file.Read("common", "ShowSetting", ""), "Y");
    EXPECT_EQ(file.Read("COMMON", "DelFile", ""), "N");
}

TEST_F(Settings, AKeyIsFoundOnlyInItsOwnSection) {
    WriteBytes(path, "[file]\r\nOCR=Y\r\n[common]\r\nSaveDir=/x\r\n");
    EXPECT_EQ(file.Read("common", "OCR", "N"), "N");
    EXPECT_EQ(file.Read("file", "SaveDir", "-"), "-");
    EXPECT_EQ(file.Read("file", "OCR", "N"), "Y");
}

TEST_F(Settings, LinesNotOfTheIniFormAreIgnored) {
    WriteBytes(path,
               "garbage before any section\r\nOCR=N\r\n[common\r\n[common]\r\n"
               "no equals sign\r\n=value without key\r\n; OCR=N\r\nOCR=Y\r\n");
    EXPECT_EQ(file.Read("common", "OCR", "N"), "Y");
}

TEST_F(Settings, EnclosingQuotesAreStripped) {
    WriteBytes(path,
               "[s]\r\nd=\"a b\"\r\nq='c d'\r\nmixed=\"e'\r\nlone=\"\r\ninner=pdf,\" tif \"\r\n");
    EXPECT_EQ(file.Read("s", "d", ""), "a b");
    EXPECT_EQ(file.Read("s", "q", ""), "c d");
    EXPECT_EQ(file.Read("s", "mixed", ""), "\"e'");
    EXPECT_EQ(file.Read("s", "lone", ""), "\"");
    EXPECT_EQ(file.Read("s", "inner", ""), "pdf,\" tif \"");
}

TEST_F(Settings, ValuesAreCodePage932OnDisk) {
    file.Write("common", "Language", "日本語");
    EXPECT_EQ(ReadBytes(path), "[common]\r\nLanguage=\x93\xfa\x96\x7b\x8c\xea\r\n");
    EXPECT_EQ(file.Read("common", "Language", ""), "日本語");

    WriteBytes(path, "[file]\r\nSaveDir=/\x83\x66\x81\x5b\x83\x5e\r\n");  // デ, ー, タ
    EXPECT_EQ(file.Read("file", "SaveDir", ""), "/データ");
}

TEST_F(Settings, ALongValueIsCutTo2047BytesWithoutSplittingACharacter) {
    WriteBytes(path, "[file]\r\nSaveDir=" + std::string(3000, 'a') + "\r\n");
    EXPECT_EQ(file.Read("file", "SaveDir", ""), std::string(2047, 'a'));

    std::string wide;
    for (int i = 0; i < 1500; ++i) wide += "\x93\xfa";  // 日
    WriteBytes(path, "[file]\r\nSaveDir=" + wide + "\r\n");
    std::string expected;
    for (int i = 0; i < 1023; ++i) expected += "日";
    EXPECT_EQ(file.Read("file", "SaveDir", ""), expected);
}

TEST_F(Settings, WritingCreatesTheFileSectionsAndKeysInOrder) {
    // What the settings dialog writes on OK on a fresh system.
    file.Write("file", "FileName", "");
    file.Write("common", "Language", "");
    for (const char* key : {"ShowSetting", "DelFile", "OCR", "AutoRotate"})
        file.Write("common", key, "N");
    file.Write("file", "SaveDir", "");
    file.Write("common", "NoShowSettingExt", "");
    file.Write("common", "NoDelExt", "");
    EXPECT_EQ(ReadBytes(path),
              "[file]\r\nFileName=\r\nSaveDir=\r\n"
              "[common]\r\nLanguage=\r\nShowSetting=N\r\nDelFile=N\r\nOCR=N\r\nAutoRotate=N\r\n"
              "NoShowSettingExt=\r\nNoDelExt=\r\n");
}

TEST_F(Settings, WritingAKeyKeepsEverythingElse) {
    WriteBytes(path, "; made by hand\n[common]\nOCR=N\n\n[file]\nSaveDir=/a\n");
    file.Write("common", "ocr", "Y");
    file.Write("common", "DelFile", "Y");
    EXPECT_EQ(ReadBytes(path),
              "; made by hand\r\n[common]\r\nocr=Y\r\nDelFile=Y\r\n\r\n[file]\r\nSaveDir=/a\r\n");
}

TEST_F(Settings, AValueOutsideTheCodePageIsRefusedAndNothingChanges) {
    file.Write("file", "SaveDir", "/old");
    const std::string before = ReadBytes(path);
    try {
        file.Write("file", "SaveDir", "/home/한글");
        FAIL() << "the value cannot be stored";
    } catch (const SettingsWriteError& error) {
        EXPECT_EQ(std::string(error.what()), path + " に書き込めません");
    }
    EXPECT_THROW(file.Write("file", "SaveDir", "two\nlines"), SettingsWriteError);
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(Settings, ARefusedWriteKeepsTheKeysWrittenBefore) {
    file.Write("common", "ShowSetting", "Y");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_THROW(file.Write("common", "DelFile", "Y"), SettingsWriteError);
    EXPECT_EQ(file.Read("common", "ShowSetting", "N"), "Y");
    EXPECT_EQ(file.Read("common", "DelFile", "N"), "N");
}

TEST_F(Settings, AMissingFolderRefusesTheWrite) {
    SettingsFile nowhere(dir / "missing/Quilbex.ini");
    try {
        nowhere.Write("common", "OCR", "Y");
        FAIL() << "the folder does not exist";
    } catch (const SettingsWriteError& error) {
        EXPECT_EQ(std::string(error.what()), dir / "missing/Quilbex.ini に書き込めません");
    }
}

TEST_F(Settings, AWriteLeavesNoTemporaryFileBehind) {
    file.Write("common", "OCR", "Y");
    file.Write("common", "OCR", "N");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(Settings, AQuotedSingleItemReadsBackAsTwoItems) {
    file.Write("common", "NoDelExt", CommaList(std::vector<std::string>{"a b"}));
    EXPECT_EQ(ReadBytes(path), "[common]\r\nNoDelExt=\"a b\"\r\n");
    EXPECT_THAT(CommaList(file.Read("common", "NoDelExt", "")), ElementsAre("a", "b"));
}

TEST_F(Settings, ListsRoundTrip) {
    const std::vector<std::string> items = {"pdf", "my ext", ""};
    file.Write("common", "NoShowSettingExt", CommaList(items));
    EXPECT_EQ(CommaList(file.Read("common", "NoShowSettingExt", "")), items);
}

// Something other than a regular file in the file's place is never opened
// for reading (a FIFO would block for ever) and never replaced.
TEST_F(Settings, AFifoIsNeitherReadNorReplaced) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_FALSE(file.Usable());
    EXPECT_EQ(file.Read("common", "OCR", "N"), "N");
    EXPECT_THROW(file.Write("common", "OCR", "Y"), SettingsWriteError);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(Settings, SeveralValuesAreWrittenAllOrNone) {
    WriteBytes(path, "[common]\r\nOCR=N\r\n");
    EXPECT_THROW(file.Write({{"common", "OCR", "Y"}, {"file", "SaveDir", "/srv/한국어"}}),
                 SettingsWriteError);
    EXPECT_EQ(ReadBytes(path), "[common]\r\nOCR=N\r\n");
    file.Write({{"common", "OCR", "Y"}, {"file", "SaveDir", "/srv"}, {"common", "DelFile", "N"}});
    EXPECT_EQ(ReadBytes(path), "[common]\r\nOCR=Y\r\nDelFile=N\r\n[file]\r\nSaveDir=/srv\r\n");
}

}  // namespace
}  // namespace quilbex::testing
