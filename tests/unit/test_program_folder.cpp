// Where the settings and the log live when the program's folder is not writable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "run/ProgramFolder.h"

namespace quilbex::testing {
namespace {

TEST(ProgramFolder, AWritableProgramFolderIsUsedAsItIs) {
    TempDir dir;
    EXPECT_EQ(ProgramFolder(dir.Path()), dir.Path());
    const std::string bare = dir.Path().substr(0, dir.Path().size() - 1);
    EXPECT_EQ(ProgramFolder(bare), dir.Path());
}

// An installed program (a bin folder without the engine beside it) keeps its
// files in the configuration folder, also when it may write its own folder.
TEST(ProgramFolder, AnInstalledProgramUsesTheConfigurationFolder) {
    TempDir prefix, config;
    ScopedEnv xdg("XDG_CONFIG_HOME", config.Path().c_str());
    std::filesystem::create_directories(prefix / "bin");
    std::filesystem::create_directories(prefix / "tree/bin");
    WriteBytes(prefix / "tree/bin/libxdwapi.so.1", "engine");
    struct Case {
        std::string exeDir;
        bool installed;
    } cases[] = {
        {prefix / "bin/", true},
        {prefix / "bin", true},
        {prefix / "tree/bin/", false},  // a build tree: the engine beside it
        {prefix.Path(), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InstalledFolder(c.exeDir), c.installed) << c.exeDir;
        EXPECT_EQ(ProgramFolder(c.exeDir) == config / "Quilbex/", c.installed) << c.exeDir;
    }
}

TEST(ProgramFolder, OtherwiseTheConfigurationFolderIsMade) {
    TempDir config;
    ScopedEnv xdg("XDG_CONFIG_HOME", config.Path().c_str());
    EXPECT_EQ(ProgramFolder("/nonexistent/bin/"), config / "Quilbex/");
    EXPECT_TRUE(Exists(config / "Quilbex"));
    EXPECT_EQ(ProgramFolder(""), config / "Quilbex/");
}

TEST(ProgramFolder, WithoutAnAbsoluteXdgFolderTheHomeFolderIsUsed) {
    TempDir home;
    ScopedEnv homeVar("HOME", home.Path().c_str());
    for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/config"}) {
        ScopedEnv xdgVar("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(ProgramFolder("/nonexistent/bin/"), home / ".config/Quilbex/");
    }
    EXPECT_TRUE(Exists(home / ".config/Quilbex"));
}

// A settings file in a program folder that is not used is named, with the one used.
TEST(ProgramFolder, SettingsLeftInAFolderNotUsedAreNamed) {
    TempDir dir, config;
    WriteBytes(dir / "Quilbex.ini", "[common]\nOCR=Y\n");
    EXPECT_EQ(UnusedSettingsNote(dir.Path(), dir.Path()), "");
    EXPECT_EQ(UnusedSettingsNote(config.Path(), dir.Path()), "") << "none there";
    const std::string note = UnusedSettingsNote(dir.Path(), config.Path());
    EXPECT_NE(note.find(dir / "Quilbex.ini は"), std::string::npos) << note;
    EXPECT_NE(note.find(config / "Quilbex.ini"), std::string::npos) << note;
}

}  // namespace
}  // namespace quilbex::testing
