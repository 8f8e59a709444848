// Where the settings and the log live when the program's folder is not writable.
#include <gtest/gtest.h>

#include <cstdlib>
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

}  // namespace
}  // namespace quilbex::testing
