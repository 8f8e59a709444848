#include "print/CopyName.h"

#include <filesystem>

#include "common/Cp932.h"
#include "common/Utf8.h"

namespace xdw {

namespace {

// Any byte that does not start a well-formed character becomes '_'.
std::string ValidUtf8(const std::string& bytes) {
    if (quilbex::IsUtf8(bytes)) return bytes;
    if (auto text = quilbex::FromCp932Strict(bytes); text && quilbex::IsUtf8(*text)) return *text;
    std::string out;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = quilbex::DecodeUtf8Char(bytes, pos);
        out += length == 0 ? std::string("_") : bytes.substr(pos, length);
        pos += length == 0 ? 1 : length;
    }
    return out;
}

// The first bytes of text, never cutting a character.
std::string Prefix(const std::string& text, std::size_t most) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = quilbex::Utf8CharLength(text, end);
        if (end + length > most) break;
        end += length;
    }
    return text.substr(0, end);
}

}  // namespace

std::string CopyName(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    if (name.empty() || name == "." || name == "..") return "document";
    const std::string text = ValidUtf8(name);
    if (text.size() <= kLongestCopyName) return text;
    // Shortened at the end of the name proper: the extension tells
    // LibreOffice what the file is.
    std::string ext = ValidUtf8(std::filesystem::path(path).extension().string());
    if (ext.size() > 16) ext.clear();
    return Prefix(text.substr(0, text.size() - ext.size()), kLongestCopyName - ext.size()) + ext;
}

}  // namespace xdw
