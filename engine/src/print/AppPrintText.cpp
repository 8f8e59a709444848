#include "print/AppPrintText.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace xdw {

bool IsUtf8(const std::string& bytes) {
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        unsigned min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(extra) >= n) return false;
        unsigned code = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
            if ((t & 0xC0) != 0x80) return false;
            code = (code << 6) | (t & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

std::string Cp932TextAsUtf8(const std::string& bytes) {
    if (IsUtf8(bytes)) return {};
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string result;
    std::vector<char> chunk(64 * 1024);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    bool clean = true;
    while (inLeft > 0) {
        char* out = chunk.data();
        size_t outLeft = chunk.size();
        const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        result.append(chunk.data(), chunk.size() - outLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            clean = false;  // a byte sequence that is not code page 932
            break;
        }
    }
    iconv_close(cd);
    // Bytes that are not UTF-8 are never pure ASCII, so a clean conversion
    // always holds at least one character outside ASCII.
    return clean ? result : std::string();
}

}  // namespace xdw
