// Text in memory is UTF-8; the settings file and the log file hold code page
// 932 (Shift-JIS as Windows has it). These convert between the two.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quilbex {

// The code page 932 bytes of utf8, or nothing when a character has no code
// page 932 form (or utf8 is not valid UTF-8).
std::optional<std::string> ToCp932(std::string_view utf8);
// As ToCp932, with "?" for every character that has no code page 932 form.
std::string ToCp932Lossy(std::string_view utf8);
// The first character of utf8 that has no code page 932 form, or "" when
// every one has.
std::string FirstCharacterWithoutCp932(std::string_view utf8);
// The UTF-8 text of code page 932 bytes; a byte sequence that is not code page
// 932 becomes U+FFFD.
std::string FromCp932(std::string_view cp932);

// True for a byte that starts a two-byte code page 932 character.
inline bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The length in bytes of the UTF-8 character that starts at text[pos]: 1 for
// a byte that does not start a well-formed sequence.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

// The longest head of utf8, cut between characters, whose code page 932 form
// (with "?" for characters it lacks) takes at most maxBytes bytes.
std::string TruncateToCp932Bytes(std::string_view utf8, std::size_t maxBytes);

}  // namespace quilbex
