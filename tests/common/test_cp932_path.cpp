// Paths read back from code page 932 find the folder the user made.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"
#include "common/Cp932Path.h"

namespace quilbex {
namespace {

TEST(Cp932Path, ALookAlikeFindsTheFolderOnDiskBothWays) {
    // Each pair is written alike in code page 932; the first is on disk.
    const struct {
        const char* onDisk;
        const char* readBack;
    } cases[] = {
        {"4月〜6月", "4月～6月"}, {"4月～6月", "4月〜6月"}, {"a−b", "a－b"},   {"a－b", "a−b"},
        {"a‖b", "a∥b"},           {"¢£¬", "￠￡￢"},        {"￠￡￢", "¢£¬"}, {"a―b", "a—b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.onDisk);
        testing::TempDir dir;
        ASSERT_EQ(::mkdir(dir.File(c.onDisk).c_str(), 0700), 0);
        ::mkdir(dir.File(std::string(c.onDisk) + "/見積").c_str(), 0700);
        EXPECT_EQ(MatchCp932Path(dir.File(std::string(c.readBack) + "/見積")),
                  dir.File(std::string(c.onDisk) + "/見積"));
    }
}

TEST(Cp932Path, WhatIsNotOnDiskStaysAsWritten) {
    testing::TempDir dir;
    ::mkdir(dir.File("4月〜6月").c_str(), 0700);
    for (const std::string& path : {dir.File("4月～6月/新しい～フォルダー"), dir.File("別～"),
                                   std::string("relative～/x"), std::string("")}) {
        const std::string expected = path.find("新しい") != std::string::npos
                                         ? dir.File("4月〜6月/新しい～フォルダー")
                                         : path;
        EXPECT_EQ(MatchCp932Path(path), expected);
    }
    EXPECT_EQ(MatchCp932Path(dir.File("4月〜6月/")), dir.File("4月〜6月/"));
}

}  // namespace
}  // namespace quilbex
