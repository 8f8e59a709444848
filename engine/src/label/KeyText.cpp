#include "label/KeyText.h"

#include <string_view>

#include "common/Utf8.h"

namespace xdw {

namespace {

char32_t Plain(char32_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) return c - 0xFEE0;  // full-width ASCII
    if (c == 0xFFE5) return U'¥';
    if (c == 0x3000 || c == U'\u00A0') return U' ';
    if (c == 0x2212 || c == 0x2010 || c == 0x2011 || c == 0x2013) return U'-';
    return c;
}

void ReplaceAll(std::u32string& text, const std::u32string& from, const std::u32string& to) {
    for (size_t at = text.find(from); at != std::u32string::npos; at = text.find(from, at))
        text.replace(at, from.size(), to), at += to.size();
}

std::u32string Trimmed(const std::u32string& text) {
    const size_t begin = text.find_first_not_of(U' ');
    if (begin == std::u32string::npos) return {};
    return text.substr(begin, text.find_last_not_of(U' ') - begin + 1);
}

TextLine Cells(const std::u32string& line) {
    TextLine out;
    std::u32string cell;
    auto push = [&] {
        std::u32string trimmed = Trimmed(cell);
        if (!trimmed.empty()) out.cells.push_back(std::move(trimmed));
        cell.clear();
    };
    for (size_t i = 0; i < line.size(); ++i) {
        const bool wideGap = line[i] == U' ' && i + 1 < line.size() && line[i + 1] == U' ';
        if (line[i] == U'\t' || wideGap) {
            push();
            while (i + 1 < line.size() && (line[i + 1] == U' ' || line[i + 1] == U'\t')) ++i;
        } else {
            cell += line[i];
        }
    }
    push();
    return out;
}

}  // namespace

std::vector<TextLine> SplitLines(const std::string& utf8, bool faintUnsure) {
    // The kanji of legal forms and of an addressee's marks: read faintly,
    // they are still known.
    static constexpr std::u32string_view kKnown = U"株式会社有限合同資名御中様殿";
    std::u32string text;
    for (char32_t c : quilbex::DecodeUtf8(utf8)) {
        if (c != kFaint)
            text += Plain(c);
        else if (faintUnsure && !text.empty() && kKnown.find(text.back()) == kKnown.npos)
            text.back() = kUnsure;
    }
    ReplaceAll(text, U"㈱", U"株式会社");
    ReplaceAll(text, U"(株)", U"株式会社");
    ReplaceAll(text, U"㈲", U"有限会社");
    ReplaceAll(text, U"(有)", U"有限会社");
    std::vector<TextLine> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(U"\n\r\f", start);
        if (end == std::u32string::npos) end = text.size();
        TextLine line = Cells(text.substr(start, end - start));
        if (!line.cells.empty()) lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

Tight Tighten(const std::u32string& text) {
    Tight out;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != U' ') {
            out.text += text[i];
            out.at.push_back(i);
        }
    return out;
}

bool IsDigitOrUnsure(char32_t c) { return (c >= U'0' && c <= U'9') || c == kUnsure; }

bool IsKanji(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0xF900 && c <= 0xFAFF) || c == U'々' || c == U'〆';
}

bool IsNameChar(char32_t c) {
    return IsKanji(c) || (c >= 0x3041 && c <= 0x309F) || (c >= 0x30A1 && c <= 0x30FF) ||
           (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') ||
           c == U'&' || c == kUnsure;
}

bool StartsWith(const std::u32string& text, size_t pos, const std::u32string& word) {
    return pos <= text.size() && text.compare(pos, word.size(), word) == 0;
}

bool EndsWith(const std::u32string& text, const std::u32string& word) {
    return text.size() >= word.size() &&
           text.compare(text.size() - word.size(), word.size(), word) == 0;
}

bool IsSentence(const std::u32string& text) {
    return text.find_first_of(U"。、「」") != std::u32string::npos || EndsWith(text, U"ます") ||
           EndsWith(text, U"です");
}

}  // namespace xdw
