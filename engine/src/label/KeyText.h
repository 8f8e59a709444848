// A document's text as its keys are looked for in it: lines of cells, each
// character in its plain form.
#pragma once

#include <string>
#include <vector>

namespace xdw {

// Stands for a character the recogniser was unsure of: a key holding one is
// never certain.
inline constexpr char32_t kUnsure = U'\uFFFD';
// Follows, in recognised text, a kanji read surely enough for a date or a
// sum but not for a name (a private-use character no page's own text holds).
inline constexpr char32_t kFaint = U'\uE000';

// A line of text and its cells: pieces of the line that stand apart on the
// page (a table's columns, a label and its value set far from it).
struct TextLine {
    std::vector<std::u32string> cells;
};

// The lines of a page's text: '\n' between lines, a tab or two blanks or
// more between cells. Full-width letters, digits and signs become ASCII, ￥
// becomes ¥, the ideographic blank a blank, ㈱ and (株) 株式会社, ㈲ and (有)
// 有限会社. Empty lines are dropped. A kanji kFaint follows is kept, or with
// faintUnsure taken as unsure (for names) unless a legal form's or an
// addressee's mark's.
std::vector<TextLine> SplitLines(const std::string& utf8, bool faintUnsure = false);

// text without its blanks, and where each of its characters stood in text.
struct Tight {
    std::u32string text;
    std::vector<size_t> at;
};
Tight Tighten(const std::u32string& text);

bool IsDigitOrUnsure(char32_t c);
bool IsKanji(char32_t c);
// Kanji, kana, Latin letters and digits, and the marks names are written with.
bool IsNameChar(char32_t c);
bool StartsWith(const std::u32string& text, size_t pos, const std::u32string& word);
bool EndsWith(const std::u32string& text, const std::u32string& word);
// A clause of running text rather than a label or a value.
bool IsSentence(const std::u32string& text);

}  // namespace xdw
