// Start-up: which kind of start the settings and the argument make, and the
// deletion and waiting rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "RunFixture.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RunPlan : public RunFixture {
protected:
    bool Automatic() const { return !window.Entries("ShowBanner").empty(); }
};

TEST_F(RunPlan, NoSettingsFileGivesAnAutomaticRunWithoutDeletionOrOcr) {
    const std::string source = MakeSource("x.pdf");
    Start({source});

    const RunOptions& options = run->Options();
    EXPECT_FALSE(options.ShowSetting);
    EXPECT_FALSE(options.DelFile);
    EXPECT_FALSE(options.OCR);
    EXPECT_FALSE(options.AutoRotate);
    EXPECT_EQ(options.Language, "自動");
    EXPECT_EQ(options.SaveDir, "/home/user/DocuWorks");  // the engine's folder, for this run
    EXPECT_EQ(options.FileName, "");
    EXPECT_TRUE(Automatic());
    EXPECT_TRUE(Exists(source));
    EXPECT_THAT(engine.Calls("OpenDocumentHandle"), IsEmpty());
    EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(RunPlan, ReadsEveryOptionFromTheSettingsFile) {
    WriteSettings({"[common]", "ShowSetting=Y", "DelFile=Y", "OCR=Y", "AutoRotate=Y",
                   "NoShowSettingExt=xls", "NoDelExt=doc", "Language=英語", "[file]",
                   "SaveDir=/srv/out", "FileName=yyyymmddhhnnss"});
    Start({MakeSource("a.txt")});

    const RunOptions& options = run->Options();
    EXPECT_TRUE(options.ShowSetting);
    EXPECT_TRUE(options.DelFile);
    EXPECT_TRUE(options.OCR);
    EXPECT_TRUE(options.AutoRotate);
    EXPECT_EQ(options.NoShowSettingExt, "xls");
    EXPECT_EQ(options.NoDelExt, "doc");
    EXPECT_EQ(options.Language, "英語");
    EXPECT_EQ(options.SaveDir, "/srv/out");
    EXPECT_EQ(options.FileName, "yyyymmddhhnnss");
}

TEST_F(RunPlan, OnlyAnExactCapitalYIsTrue) {
    WriteSettings({"[common]", "ShowSetting=y", "DelFile=Yes", "OCR= Y "});
    Start({MakeSource("a.doc")});
    EXPECT_FALSE(run->Options().DelFile);
    EXPECT_TRUE(run->Options().OCR);  // blanks around a value do not count
    EXPECT_TRUE(Automatic());
}

TEST_F(RunPlan, ListedExtensionRunsAutomaticallyAnyOtherWaits) {
    WriteSettings({"[common]", "ShowSetting=Y", "NoShowSettingExt=pdf"});
    Start({MakeSource("report.PDF")});
    EXPECT_TRUE(Automatic());
    EXPECT_FALSE(run->Options().ShowSetting);
    EXPECT_EQ(window.closeRequests, 1);
}

TEST_F(RunPlan, InteractiveRunShowsTheOptionsAndWaits) {
    WriteSettings({"[common]", "ShowSetting=Y", "NoShowSettingExt=pdf", "OCR=Y", "AutoRotate=Y"});
    Start({MakeSource("report.doc")});

    EXPECT_TRUE(run->Options().ShowSetting);
    EXPECT_THAT(window.journal, ElementsAre("SetCaption Quilbex for DocuWorks Ver.1.0.2.0",
                                            "FocusDeleteSource", "SetChecked DeleteSource 0",
                                            "SetChecked Ocr 1", "SetChecked AutoRotate 1"));
    EXPECT_THAT(engine.calls, IsEmpty());
}

TEST_F(RunPlan, ListedExtensionIsNeverDeletedAndTheBoxStartsUnchecked) {
    WriteSettings({"[common]", "ShowSetting=Y", "DelFile=Y", "NoDelExt=doc,xls"});
    Start({MakeSource("a.XLS")});
    EXPECT_FALSE(run->Options().DelFile);
    EXPECT_FALSE(window.IsChecked(OptionBox::DeleteSource));

    FakeWindow other;
    ConversionRun second(other, engine, {MakeSource("a.ppt")}, FixedTime);
    second.FormCreate(exeDir.Path());
    second.FormShow();
    EXPECT_TRUE(second.Options().DelFile);
    EXPECT_TRUE(other.IsChecked(OptionBox::DeleteSource));
}

TEST_F(RunPlan, AFileWithoutExtensionMatchesOnlyAnEmptyListItem) {
    WriteSettings({"[common]", "ShowSetting=Y", "NoShowSettingExt=pdf,"});
    Start({MakeSource("README")});
    EXPECT_TRUE(Automatic());

    FakeWindow other;
    WriteSettings({"[common]", "ShowSetting=Y", "NoShowSettingExt=pdf"});
    ConversionRun second(other, engine, {MakeSource("README")}, FixedTime);
    second.FormCreate(exeDir.Path());
    second.FormShow();
    EXPECT_TRUE(other.Entries("ShowBanner").empty());
}

TEST_F(RunPlan, TheExtensionIsTakenFromTheFileNameNotTheFolder) {
    WriteSettings({"[common]", "ShowSetting=Y", "NoShowSettingExt=d"});
    Start({"/tmp/some.d/README"});
    EXPECT_FALSE(Automatic());
}

TEST_F(RunPlan, OnlyTheFirstArgumentIsConverted) {
    const std::string first = MakeSource("one.pdf");
    Start({first, MakeSource("two.pdf")});
    EXPECT_THAT(engine.Calls("CreateXdw"), ElementsAre("CreateXdwFromImagePdfFile(" + first +
                                                       ",/home/user/DocuWorks/one.xdw)"));
}

TEST_F(RunPlan, NoArgumentShowsOnlyTheSettingsDialogThenCloses) {
    bool closedBeforeDialogEnded = false;
    window.onSettingsDialog = [&] { closedBeforeDialogEnded = window.closeRequests > 0; };
    Start({});

    EXPECT_FALSE(closedBeforeDialogEnded);
    EXPECT_THAT(window.journal,
                ElementsAre("SetCaption Quilbex for DocuWorks Ver.1.0.2.0", "FocusDeleteSource",
                            "ShowSettingsDialog", "RequestClose"));
    EXPECT_THAT(engine.calls, IsEmpty());
    EXPECT_FALSE(Exists(LogPath()));
}

TEST_F(RunPlan, AnErrorInsideTheConversionLeavesTheWindowOpenWithoutALogFile) {
    engine.throwIn = "CreateXdwFromImagePdfFile";
    Start({MakeSource("x.pdf")});  // the error comes out of the worker's part, not the show event
    EXPECT_THAT(window.errorMessages, ElementsAre("engine fault."));
    EXPECT_EQ(window.closeRequests, 0);
    EXPECT_FALSE(Exists(LogPath()));
    EXPECT_FALSE(run->Working()) << "a later Execute is not refused as a second start";
}

}  // namespace
}  // namespace quilbex::testing
