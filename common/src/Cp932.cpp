#include "common/Cp932.h"

#include "common/Recoder.h"
#include "common/Utf8.h"

namespace quilbex {

std::optional<std::string> ToCp932(std::string_view utf8) {
    return Recoder::Strict("CP932", "UTF-8", utf8);
}

std::string ToCp932Lossy(std::string_view utf8) {
    Recoder converter("CP932", "UTF-8");
    std::string out;
    converter.Convert(utf8, out, [&](std::string& text, size_t pos) {
        text += '?';
        return Utf8CharLength(utf8, pos);
    });
    return out;
}

std::string FromCp932(std::string_view cp932) {
    Recoder converter("UTF-8", "CP932");
    std::string out;
    converter.Convert(cp932, out, [&](std::string& text, size_t pos) {
        text += "\xEF\xBF\xBD";
        // A lead byte takes its trail byte along when there is one.
        bool pair = false;
        if (IsCp932LeadByte(static_cast<unsigned char>(cp932[pos])) && pos + 1 < cp932.size()) {
            const auto trail = static_cast<unsigned char>(cp932[pos + 1]);
            pair = trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
        }
        return size_t{pair ? 2u : 1u};
    });
    return out;
}

std::optional<std::string> FromCp932Strict(std::string_view cp932) {
    return Recoder::Strict("UTF-8", "CP932", cp932);
}

std::string TruncateToCp932Bytes(std::string_view utf8, std::size_t maxBytes) {
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t length = Utf8CharLength(utf8, pos);
        const std::size_t bytes = length == 1 ? 1 : ToCp932Lossy(utf8.substr(pos, length)).size();
        if (used + bytes > maxBytes) break;
        used += bytes;
        pos += length;
    }
    return std::string(utf8.substr(0, pos));
}

std::string FirstCharacterWithoutCp932(std::string_view utf8) {
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = Utf8CharLength(utf8, at);
        const std::string_view character = utf8.substr(at, length);
        if (!ToCp932(character)) return std::string(character);
        at += length;
    }
    return {};
}

}  // namespace quilbex
