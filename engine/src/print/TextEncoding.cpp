#include "print/TextEncoding.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <vector>

#include "Error.h"
#include "common/Utf8.h"

namespace xdw {

namespace {

const std::string kUtf8Bom = "\xEF\xBB\xBF";

bool StartsWith(const std::string& bytes, const char* prefix, size_t n) {
    return bytes.size() >= n && bytes.compare(0, n, prefix, n) == 0;
}

// Converts strictly: any byte sequence the charset does not have fails.
bool Recode(const std::string& bytes, const char* from, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    std::vector<char> chunk(64 * 1024);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    bool clean = true;
    while (inLeft > 0) {
        char* to = chunk.data();
        size_t toLeft = chunk.size();
        const size_t rc = iconv(cd, &in, &inLeft, &to, &toLeft);
        out.append(chunk.data(), chunk.size() - toLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            clean = false;
            break;
        }
    }
    iconv_close(cd);
    return clean;
}

// Text files hold printable characters, blanks and line or page breaks; the
// other control characters (NUL above all) mark binary data.
bool LooksLikeText(const std::string& utf8) {
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // C1 controls (U+0080 to U+009F) are as foreign to text as C0 ones.
        if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0)
            return false;
        if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' ||
            c == 0x1A || c == 0x1B)
            continue;
        return false;
    }
    return true;
}

}  // namespace

std::string DetectTextCharset(const std::string& bytes) {
    std::string utf8;
    if (StartsWith(bytes, "\xFF\xFE", 2) && !StartsWith(bytes, "\xFF\xFE\0\0", 4))
        return Recode(bytes.substr(2), "UTF-16LE", utf8) && LooksLikeText(utf8) ? "UTF-16LE" : "";
    if (StartsWith(bytes, "\xFE\xFF", 2))
        return Recode(bytes.substr(2), "UTF-16BE", utf8) && LooksLikeText(utf8) ? "UTF-16BE" : "";
    if (quilbex::IsUtf8(bytes)) return LooksLikeText(bytes) ? "UTF-8" : "";
    for (const char* charset : {"EUC-JP", "CP932"})
        if (Recode(bytes, charset, utf8)) return LooksLikeText(utf8) ? charset : "";
    return {};
}

std::string TextAsUtf8(const std::string& bytes, const std::string& charset) {
    std::string utf8;
    if (charset == "UTF-8") {
        utf8 = StartsWith(bytes, kUtf8Bom.data(), 3) ? bytes.substr(3) : bytes;
    } else {
        const bool bom = charset.rfind("UTF-16", 0) == 0;
        if (!Recode(bom ? bytes.substr(2) : bytes, charset.c_str(), utf8))
            throw EngineError(XDW_E_CANNOT_READ, "text is not " + charset + " throughout");
    }
    return utf8;
}

}  // namespace xdw
