#include "run/PathText.h"

#include <algorithm>

namespace quilbex {

namespace {

// Where the file name starts in path.
std::string::size_type NameStart(const std::string& path) {
    const auto slash = path.rfind(kPathDelimiter);
    return slash == std::string::npos ? 0 : slash + 1;
}

// Where the extension starts in path, or npos.
std::string::size_type ExtStart(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || dot < NameStart(path)) return std::string::npos;
    return dot;
}

}  // namespace

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string ExtractFileName(const std::string& path) { return path.substr(NameStart(path)); }

std::string ExtractFileExt(const std::string& path) {
    const auto dot = ExtStart(path);
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const auto dot = ExtStart(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + ext;
}

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), UpperChar);
    return text;
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperChar(x) == UpperChar(y);
           });
}

}  // namespace quilbex
