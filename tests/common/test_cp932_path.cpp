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

TEST(Cp932Path, WhatIsNotOnDiskStaysAsWrittenWithTheWaveDash) {
    testing::TempDir dir;
    ::mkdir(dir.File("4月〜6月").c_str(), 0700);
    const struct {
        std::string path, expected;
    } cases[] = {
        {dir.File("4月～6月/新しい～フォルダー"), dir.File("4月〜6月/新しい〜フォルダー")},
        {dir.File("別～"), dir.File("別〜")},
        {"relative～/x", "relative〜/x"},
        {"", ""},
        {dir.File("4月〜6月/"), dir.File("4月〜6月/")},
    };
    for (const auto& c : cases) EXPECT_EQ(MatchCp932Path(c.path), c.expected);
}

TEST(Cp932Path, OfBothSpellingsOnDiskTheWaveDashIsTakenAndTheOtherNamed) {
    testing::TempDir dir;
    ::mkdir(dir.File("4月～6月").c_str(), 0700);
    ::mkdir(dir.File("4月〜6月").c_str(), 0700);
    EXPECT_EQ(MatchCp932Path(dir.File("4月～6月")), dir.File("4月〜6月"));
    EXPECT_EQ(MatchCp932Path(dir.File("4月〜6月")), dir.File("4月〜6月"));
    EXPECT_EQ(Cp932LookAlikesBeside(dir.File("4月〜6月/")),
              std::vector<std::string>{dir.File("4月～6月")});
    EXPECT_TRUE(Cp932LookAlikesBeside(dir.File("別")).empty());
}

}  // namespace
}  // namespace quilbex
