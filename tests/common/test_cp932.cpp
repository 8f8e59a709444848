// Conversions between UTF-8 in memory and code page 932 on disk.
#include <gtest/gtest.h>

#include "common/Cp932.h"

namespace quilbex {
namespace {

TEST(Cp932, ConvertsBothWays) {
    EXPECT_EQ(ToCp932("A日ｱ…"), std::string("A\x93\xfa\xb1\x81\x63"));
    EXPECT_EQ(FromCp932("A\x93\xfa\xb1\x81\x63"), "A日ｱ…");
    EXPECT_EQ(ToCp932(""), std::string());
}

TEST(Cp932, CharactersOutsideTheCodePage) {
    EXPECT_FALSE(ToCp932("한").has_value());
    EXPECT_FALSE(ToCp932("bad \xff utf-8").has_value());
    EXPECT_EQ(ToCp932Lossy("a한b😀c"), "a?b?c");
    EXPECT_EQ(ToCp932Lossy("cut \xe6\x97"), "cut ??");
}

TEST(Cp932, InvalidBytesBecomeTheReplacementCharacter) {
    EXPECT_EQ(FromCp932("a\x81"), "a\xEF\xBF\xBD");    // a lead byte at the end
    EXPECT_EQ(FromCp932("\x81 b"), "\xEF\xBF\xBD b");  // keeps the byte after it
    EXPECT_EQ(FromCp932("\xa0x"), "\xEF\xBF\xBDx");
}

TEST(Cp932, TruncationCountsCodePageBytes) {
    EXPECT_EQ(TruncateToCp932Bytes("日本語", 4), "日本");
    EXPECT_EQ(TruncateToCp932Bytes("日本語", 5), "日本");
    EXPECT_EQ(TruncateToCp932Bytes("ｱｲｳ", 2), "ｱｲ");
    EXPECT_EQ(TruncateToCp932Bytes("a한b", 2), "a한");  // counted as its "?"
    EXPECT_EQ(TruncateToCp932Bytes("abc", 10), "abc");
}

TEST(Cp932, LeadBytes) {
    EXPECT_TRUE(IsCp932LeadByte(0x81));
    EXPECT_TRUE(IsCp932LeadByte(0x9F));
    EXPECT_TRUE(IsCp932LeadByte(0xE0));
    EXPECT_TRUE(IsCp932LeadByte(0xFC));
    EXPECT_FALSE(IsCp932LeadByte(0x80));
    EXPECT_FALSE(IsCp932LeadByte(0xA0));
    EXPECT_FALSE(IsCp932LeadByte(0xB1));  // half-width katakana
    EXPECT_FALSE(IsCp932LeadByte(0xFD));
}

}  // namespace
}  // namespace quilbex
