// UTF-8 decoding: the one reader of UTF-8 byte sequences.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quilbex {

// The length in bytes (1 to 4) of the well-formed UTF-8 character that starts
// at text[pos], storing its code point in *code when code is given; 0 when no
// well-formed character starts there (a stray or cut sequence, an overlong
// form, a surrogate or a value above U+10FFFF).
std::size_t DecodeUtf8Char(std::string_view text, std::size_t pos, char32_t* code = nullptr);

// The length in bytes of the UTF-8 character that starts at text[pos]: 1 for
// a byte that does not start a well-formed sequence.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

// Whether bytes are well-formed UTF-8 throughout.
bool IsUtf8(std::string_view bytes);

// The code points of text; every byte that does not start a well-formed
// character becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view text);

// text as UTF-8; a value that is no character (a surrogate, above U+10FFFF)
// becomes U+FFFD.
std::string EncodeUtf8(std::u32string_view text);

}  // namespace quilbex
