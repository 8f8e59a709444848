// File names and extensions in path strings, and the letter-case rules they
// are compared by. Paths use "/" between folders; extensions start at the
// last dot of the file name.
#pragma once

#include <string>
#include <string_view>

namespace quilbex {

inline constexpr char kPathDelimiter = '/';

// The file name without its folder.
std::string ExtractFileName(const std::string& path);
// The extension including its dot (".pdf"), or empty when the file name has no dot.
std::string ExtractFileExt(const std::string& path);
// path with its extension (from the last dot of the file name) replaced by ext.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// Letter case is ignored for the letters A to Z only.
char UpperChar(char c);
std::string UpperCase(std::string text);
bool SameText(std::string_view a, std::string_view b);
// True when text holds a byte below 0x20 (NUL included) or DEL; no code page
// 932 character has such a byte.
bool HasControlCharacter(std::string_view text);

}  // namespace quilbex
