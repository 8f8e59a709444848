#include "common/Utf8.h"

namespace quilbex {

std::size_t DecodeUtf8Char(std::string_view text, std::size_t pos, char32_t* code) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;  // the smallest code point this length may carry
    if (lead < 0x80) {
        length = 1;
        value = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (length > text.size() - pos) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto trail = static_cast<unsigned char>(text[pos + i]);
        if ((trail & 0xC0) != 0x80) return 0;
        value = (value << 6) | (trail & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    if (code != nullptr) *code = value;
    return length;
}

std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
    const std::size_t length = DecodeUtf8Char(text, pos);
    return length == 0 ? 1 : length;
}

bool IsUtf8(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = DecodeUtf8Char(bytes, pos);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t code = U'\uFFFD';
        const std::size_t length = DecodeUtf8Char(text, pos, &code);
        out += code;
        pos += length == 0 ? 1 : length;
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) {
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = U'\uFFFD';
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace quilbex
