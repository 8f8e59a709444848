#include "common/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "common/Utf8.h"

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

// The whole of in converted, or nothing at the first byte sequence that
// cannot be.
std::optional<std::string> ConvertAll(const char* to, const char* from, std::string_view in) {
    Converter converter(to, from);
    std::string out;
    if (!converter.Run(in, out, [](std::string&, size_t) { return size_t{0}; }))
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> ToCp932(std::string_view utf8) {
    return ConvertAll("CP932", "UTF-8", utf8);
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

std::optional<std::string> FromCp932Strict(std::string_view cp932) {
    return ConvertAll("UTF-8", "CP932", cp932);
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
