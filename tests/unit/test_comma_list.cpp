// The list format of the extension settings, both ways.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "run/Settings.h"

namespace quilbex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Items = std::vector<std::string>;

TEST(CommaListRead, CommasAndBlanksBothSeparate) {
    EXPECT_THAT(CommaList("pdf, tif"), ElementsAre("pdf", "tif"));
    EXPECT_THAT(CommaList("pdf tif"), ElementsAre("pdf", "tif"));
    EXPECT_THAT(CommaList("pdf,tif"), ElementsAre("pdf", "tif"));
    EXPECT_THAT(CommaList("\t pdf \r\n tif \n"), ElementsAre("pdf", "tif"));
}

TEST(CommaListRead, QuotedItemsKeepBlanksAndCommas) {
    EXPECT_THAT(CommaList("pdf, \"my ext\","), ElementsAre("pdf", "my ext", ""));
    EXPECT_THAT(CommaList("\"a,b\" c"), ElementsAre("a,b", "c"));
    EXPECT_THAT(CommaList("\"say \"\"hi\"\"\""), ElementsAre("say \"hi\""));
    EXPECT_THAT(CommaList("\"\""), ElementsAre(""));
    EXPECT_THAT(CommaList("x\"y"), ElementsAre("x\"y"));  // a quote inside an item is plain
}

TEST(CommaListRead, AnUnclosedQuoteTakesTheRestLessItsLastCharacter) {
    EXPECT_THAT(CommaList("\"abc"), ElementsAre("ab"));
    EXPECT_THAT(CommaList("\""), ElementsAre(""));
    EXPECT_THAT(CommaList("pdf,\"a\"\"bc"), ElementsAre("pdf", "a\"b"));
}

TEST(CommaListRead, OnlyACommaAtTheVeryEndAddsAnEmptyItem) {
    EXPECT_THAT(CommaList("pdf,"), ElementsAre("pdf", ""));
    EXPECT_THAT(CommaList("pdf, "), ElementsAre("pdf"));
    EXPECT_THAT(CommaList(",pdf"), ElementsAre("", "pdf"));
    EXPECT_THAT(CommaList(",,"), ElementsAre("", "", ""));
}

TEST(CommaListRead, EmptyAndBlankTextGiveNoItems) {
    EXPECT_THAT(CommaList(std::string()), IsEmpty());
    EXPECT_THAT(CommaList(std::string(" \t ")), IsEmpty());
}

TEST(CommaListRead, JapaneseItemsAreWhole) {
    EXPECT_THAT(CommaList("日本語,ﾃｽﾄ 表"), ElementsAre("日本語", "ﾃｽﾄ", "表"));
}

TEST(CommaListWrite, JoinsWithCommasAndQuotesWhereNeeded) {
    EXPECT_EQ(CommaList(Items{"pdf", "tif"}), "pdf,tif");
    EXPECT_EQ(CommaList(Items{"a b"}), "\"a b\"");
    EXPECT_EQ(CommaList(Items{"pdf", " tif "}), "pdf,\" tif \"");
    EXPECT_EQ(CommaList(Items{"a\"b"}), "\"a\"\"b\"");
    EXPECT_EQ(CommaList(Items{"a,b"}), "\"a,b\"");
    EXPECT_EQ(CommaList(Items{"tab\there"}), "\"tab\there\"");
    EXPECT_EQ(CommaList(Items{"日本語"}), "日本語");
}

TEST(CommaListWrite, EmptyItemsAndLists) {
    EXPECT_EQ(CommaList(Items{}), "");
    EXPECT_EQ(CommaList(Items{""}), "\"\"");
    EXPECT_EQ(CommaList(Items{"pdf", ""}), "pdf,");
    EXPECT_EQ(CommaList(Items{"", "pdf"}), ",pdf");
}

TEST(CommaListWrite, WhatIsWrittenReadsBackTheSame) {
    const Items lists[] = {
        {"pdf", "tif"}, {"a b", "c"},         {"", ""},         {""},
        {"pdf", ""},    {"x\"y\"", ",", " "}, {"日本語", "ｶﾅ"}, {"\"", "\"\""},
    };
    for (const auto& items : lists) EXPECT_EQ(CommaList(CommaList(items)), items);
}

}  // namespace
}  // namespace quilbex
