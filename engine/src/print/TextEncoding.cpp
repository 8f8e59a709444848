#include "print/TextEncoding.h"

#include <uchardet/uchardet.h>

#include <memory>
#include <stdexcept>

#include "Error.h"
#include "common/Recoder.h"
#include "common/Utf8.h"

namespace xdw {

namespace {

const std::string kUtf8Bom = "\xEF\xBB\xBF";

bool StartsWith(const std::string& bytes, const char* prefix, size_t n) {
    return bytes.size() >= n && bytes.compare(0, n, prefix, n) == 0;
}

// Converts strictly: any byte sequence the charset does not have fails, and
// so does a charset iconv does not know.
bool Recode(const std::string& bytes, const char* from, std::string& out) {
    try {
        quilbex::Recoder recoder("UTF-8", from);
        out.clear();
        return recoder.Convert(bytes, out, {});
    } catch (const std::runtime_error&) {
        return false;
    }
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

// UTF-16 without a byte-order mark: every zero byte (the high half of a
// Latin letter, a digit or a line break) on the same side of its pair.
std::string Utf16ByZeros(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0) return {};
    size_t even = 0, odd = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0') ++(i % 2 == 0 ? even : odd);
    if ((even == 0) == (odd == 0)) return {};
    return odd > 0 ? "UTF-16LE" : "UTF-16BE";
}

struct DetectorFree {
    void operator()(uchardet_t detector) const { uchardet_delete(detector); }
};

// uchardet's name for the character set, as iconv knows it; the Windows code
// pages stand in for the standards they extend (Shift-JIS as Windows writes
// it, Latin-1 with the characters Windows puts at 0x80 to 0x9F).
std::string DetectorCharset(const std::string& bytes) {
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, DetectorFree> detector(uchardet_new());
    if (!detector) return {};
    if (uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) return {};
    uchardet_data_end(detector.get());
    const std::string name = uchardet_get_charset(detector.get());
    if (name == "SHIFT_JIS") return "CP932";
    if (name == "ISO-8859-1") return "WINDOWS-1252";
    return name;
}

}  // namespace

std::string DetectTextCharset(const std::string& bytes) {
    std::string utf8;
    if (StartsWith(bytes, "\xFF\xFE", 2) && !StartsWith(bytes, "\xFF\xFE\0\0", 4))
        return Recode(bytes.substr(2), "UTF-16LE", utf8) && LooksLikeText(utf8) ? "UTF-16LE" : "";
    if (StartsWith(bytes, "\xFE\xFF", 2))
        return Recode(bytes.substr(2), "UTF-16BE", utf8) && LooksLikeText(utf8) ? "UTF-16BE" : "";
    // Japanese mail: seven bits, so it would pass for UTF-8, switched to
    // JIS X 0208 and back by escape sequences.
    for (const char* escape : {"\x1B$B", "\x1B$@"})
        if (bytes.find(escape) != std::string::npos && Recode(bytes, "ISO-2022-JP", utf8))
            return LooksLikeText(utf8) ? "ISO-2022-JP" : "";
    const auto fits = [&](const std::string& charset) {
        return Recode(bytes, charset.c_str(), utf8) && LooksLikeText(utf8);
    };
    if (const std::string utf16 = Utf16ByZeros(bytes); !utf16.empty() && fits(utf16)) return utf16;
    if (quilbex::IsUtf8(bytes)) return LooksLikeText(bytes) ? "UTF-8" : "";
    // The detector names multi-byte sets surely; a single-byte set is what it
    // says when little text tells, and a short Japanese text that fits
    // EUC-JP or Shift-JIS throughout is more likely that.
    const std::string detected = DetectorCharset(bytes);
    static const std::string multiByte[] = {"CP932",  "EUC-JP", "GB18030", "BIG5",
                                            "EUC-KR", "EUC-TW", "UHC"};
    for (const auto& name : multiByte)
        if (detected == name) return fits(detected) ? detected : "";
    for (const char* charset : {"EUC-JP", "CP932"})
        if (fits(charset)) return charset;
    if (detected.empty() || detected == "ASCII") return {};
    return fits(detected) ? detected : "";
}

std::string TextAsUtf8(const std::string& bytes, const std::string& charset) {
    std::string utf8;
    if (charset == "UTF-8") {
        utf8 = StartsWith(bytes, kUtf8Bom.data(), 3) ? bytes.substr(3) : bytes;
    } else {
        const bool bom = (charset == "UTF-16LE" && StartsWith(bytes, "\xFF\xFE", 2)) ||
                         (charset == "UTF-16BE" && StartsWith(bytes, "\xFE\xFF", 2));
        if (!Recode(bom ? bytes.substr(2) : bytes, charset.c_str(), utf8))
            Bad(XDW_REASON_CONTENT, "text is not " + charset + " throughout");
    }
    return utf8;
}

}  // namespace xdw
