// The one UTF-8 reader: which byte sequences are characters.
#include <gtest/gtest.h>

#include <string>

#include "common/Utf8.h"

namespace quilbex {
namespace {

TEST(Utf8, WellFormedAndMalformedSequences) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"plain", true},
        {"\xe5\xa4\x89\xe6\x8f\x9b", true},  // two Japanese characters
        {"\xf0\x9f\x98\x80", true},          // outside the basic plane
        {"\x95\xcf\x8a\xb7", false},         // Shift-JIS
        {"\xe5\xa4", false},                 // cut short
        {"\xc0\xaf", false},                 // overlong
        {"\xe0\x80\xaf", false},             // overlong, three bytes
        {"\xed\xa0\x80", false},             // surrogate
        {"\xf4\x90\x80\x80", false},         // above U+10FFFF
        {"\xff", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(Utf8, MalformedBytesDecodeOneByOneAsReplacement) {
    EXPECT_EQ(DecodeUtf8("a\xe6\x97\xa5"), U"a\u65e5");
    EXPECT_EQ(DecodeUtf8("\xe6\x97x"), U"\ufffd\ufffdx");
    EXPECT_EQ(Utf8CharLength("\xe6\x97\xa5", 0), 3u);
    EXPECT_EQ(Utf8CharLength("\xe6\x97", 0), 1u);
    char32_t code = 0;
    EXPECT_EQ(DecodeUtf8Char("\xf0\x9f\x98\x80", 0, &code), 4u);
    EXPECT_EQ(code, U'\U0001F600');
}

}  // namespace
}  // namespace quilbex
