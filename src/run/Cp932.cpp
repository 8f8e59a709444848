#include "run/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace quilbex {

namespace {

// One conversion direction of iconv, opened for one text.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in, appending to out. At a character that cannot be converted,
    // or an invalid or cut sequence, onBad(out, its position in in) may append
    // a replacement and returns how many bytes to skip; 0 stops the
    // conversion and Run returns false.
    template <typename OnBad>
    bool Run(std::string_view in, std::string& out, OnBad&& onBad) {
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[256];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (rc != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            const size_t pos = in.size() - srcLeft;
            const size_t skip = onBad(out, pos);
            if (skip == 0) return false;
            src += skip;
            srcLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    }
    if (pos + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

std::optional<std::string> ToCp932(std::string_view utf8) {
    Converter converter("CP932", "UTF-8");
    std::string out;
    if (!converter.Run(utf8, out, [](std::string&, size_t) { return size_t{0}; }))
        return std::nullopt;
    return out;
}

std::string ToCp932Lossy(std::string_view utf8) {
    Converter converter("CP932", "UTF-8");
    std::string out;
    converter.Run(utf8, out, [&](std::string& text, size_t pos) {
        text += '?';
        return Utf8CharLength(utf8, pos);
    });
    return out;
}

std::string FromCp932(std::string_view cp932) {
    Converter converter("UTF-8", "CP932");
    std::string out;
    converter.Run(cp932, out, [&](std::string& text, size_t pos) {
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
