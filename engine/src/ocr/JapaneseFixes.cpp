#include "ocr/JapaneseFixes.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace xdw {

namespace {

// Where a misread character is certain to be another.
enum class Context {
    BeforeAmount,           // before a digit, starting a word or not inside a path or a word
    OpensJapaneseLine,      // the line's first character, Japanese right behind it
    InsideHalfWidthAmount,  // between half-width digits, a group of three after it
    InsideFullWidthAmount,  // the same in full-width digits
    InsideYenAmount,        // between half-width digits after ¥, a group of three after it
    InsideKatakanaWord,     // after katakana, katakana (or another such kanji) after it
    EndsKatakanaWord,       // after a katakana letter, where the word ends
    AloneBesideNumeral,     // no katakana either side, a kanji numeral on one
    MonthThirteen,          // 十三月: no month is past the twelfth
    DayPastThirtyOne,       // 月三十二日 to 月三十九日: no day is past the 31st
    TensBeforeYen,          // between a kanji numeral and 円
    BetweenTimes,           // after a time (13:30), a digit after it
};

struct Fix {
    char32_t read;
    char32_t meant;
    Context when;
};

// The one list of fixes, applied left to right along each line.
constexpr Fix kFixes[] = {
    {U'\\', U'\u00A5', Context::BeforeAmount},           // \1,200 -> ¥1,200
    {U'\uFF3C', U'\uFFE5', Context::BeforeAmount},       // ＼ -> ￥
    {U'@', U'\u25CF', Context::OpensJapaneseLine},       // a bullet: ●
    {U'\uFF20', U'\u25CF', Context::OpensJapaneseLine},  // ＠ -> ●
    {U'\uFF0C', U',', Context::InsideHalfWidthAmount},   // 1，200 -> 1,200
    {U',', U'\uFF0C', Context::InsideFullWidthAmount},   // １,２００ -> １，２００
    {U'.', U',', Context::InsideYenAmount},              // ¥1.234 -> ¥1,234: yen has no cents
    {U'一', U'ー', Context::InsideKatakanaWord},         // コ一ヒ -> コーヒ
    {U'一', U'ー', Context::EndsKatakanaWord},           // サーバ一 -> サーバー
    {U'口', U'ロ', Context::InsideKatakanaWord},
    {U'工', U'エ', Context::InsideKatakanaWord},
    {U'力', U'カ', Context::InsideKatakanaWord},
    {U'二', U'ニ', Context::InsideKatakanaWord},
    {U'夕', U'タ', Context::InsideKatakanaWord},
    {U'卜', U'ト', Context::InsideKatakanaWord},
    {U'八', U'ハ', Context::InsideKatakanaWord},
    // The strokes of 二 read as ニ or as three, in a number or a date.
    {U'ニ', U'二', Context::AloneBesideNumeral},  // 三千ニ百円 -> 三千二百円
    {U'三', U'二', Context::MonthThirteen},       // 十三月 -> 十二月
    {U'三', U'二', Context::DayPastThirtyOne},    // 月三十九日 -> 月二十九日
    // 十 with a faded hook: 丁 counts (豆腐一丁) and makes addresses (三丁目),
    // never yen.
    {U'丁', U'十', Context::TensBeforeYen},  // 四百八丁円 -> 四百八十円
    // A range of times is joined by a wave dash, whose wave a blurred or
    // faint page flattens into a bar.
    {U'一', U'\uFF5E', Context::BetweenTimes},  // 13:30一15:00 -> 13:30～15:00
    {U'ー', U'\uFF5E', Context::BetweenTimes},
};

bool IsHalfWidthDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool IsFullWidthDigit(char32_t c) { return c >= U'\uFF10' && c <= U'\uFF19'; }
bool IsDigit(char32_t c) { return IsHalfWidthDigit(c) || IsFullWidthDigit(c); }

// Katakana letters, without the long-vowel mark.
bool IsKatakanaLetter(char32_t c) {
    return (c >= U'\u30A1' && c <= U'\u30FA') ||
           (c >= U'\uFF66' && c <= U'\uFF9D' && c != U'\uFF70');
}
bool IsKatakana(char32_t c) { return IsKatakanaLetter(c) || c == U'ー' || c == U'\uFF70'; }

bool IsKanjiNumeral(char32_t c) {
    constexpr std::u32string_view kNumerals = U"〇一二三四五六七八九十百千万億";
    return c != 0 && kNumerals.find(c) != std::u32string_view::npos;
}

bool IsJapanese(char32_t c) {
    return (c >= U'\u3041' && c <= U'\u30FF') || (c >= U'\u3400' && c <= U'\u4DBF') ||
           (c >= U'\u4E00' && c <= U'\u9FFF') || (c >= U'\uFF66' && c <= U'\uFF9F') || c == U'々';
}

// A kanji read where a katakana letter looks the same.
bool IsKatakanaLookalike(char32_t c) {
    return std::any_of(std::begin(kFixes), std::end(kFixes), [c](const Fix& f) {
        return f.read == c && f.when == Context::InsideKatakanaWord;
    });
}

// Characters a backslash follows in a path or a word, where it stays one.
bool JoinsBackslash(char32_t c) {
    constexpr std::u32string_view kJoining = U":\\/._";
    return (c < 0x80 && std::isalnum(static_cast<int>(c))) ||
           kJoining.find(c) != std::u32string_view::npos;
}

// Three digits of one kind from at, and no fourth.
bool GroupOfThree(const std::u32string& text, size_t at, bool (*digit)(char32_t)) {
    if (at + 3 > text.size()) return false;
    for (size_t i = at; i < at + 3; ++i)
        if (!digit(text[i])) return false;
    return at + 3 == text.size() || !IsDigit(text[at + 3]);
}

// True when the digits (and thousands' commas) ending before at follow a yen
// sign.
bool AfterYenSign(const std::u32string& text, size_t at) {
    while (at > 0 && (IsHalfWidthDigit(text[at - 1]) || text[at - 1] == U',')) --at;
    return at > 0 && (text[at - 1] == U'\u00A5' || text[at - 1] == U'\uFFE5');
}

bool Holds(Context when, const std::u32string& text, size_t i, bool startsWord) {
    const char32_t before = i > 0 ? text[i - 1] : 0;
    const char32_t after = i + 1 < text.size() ? text[i + 1] : 0;
    switch (when) {
        case Context::BeforeAmount:
            return IsDigit(after) && (startsWord || !JoinsBackslash(before));
        case Context::OpensJapaneseLine:
            return i == 0 && IsJapanese(after);
        case Context::InsideHalfWidthAmount:
            return IsHalfWidthDigit(before) && GroupOfThree(text, i + 1, IsHalfWidthDigit);
        case Context::InsideFullWidthAmount:
            return IsFullWidthDigit(before) && GroupOfThree(text, i + 1, IsFullWidthDigit);
        case Context::InsideYenAmount:
            return IsHalfWidthDigit(before) && GroupOfThree(text, i + 1, IsHalfWidthDigit) &&
                   AfterYenSign(text, i);
        case Context::InsideKatakanaWord:
            return IsKatakana(before) && (IsKatakana(after) || IsKatakanaLookalike(after));
        case Context::EndsKatakanaWord:
            return IsKatakanaLetter(before) && !IsJapanese(after) && !IsDigit(after);
        case Context::AloneBesideNumeral:
            return !IsKatakana(before) && !IsKatakana(after) &&
                   (IsKanjiNumeral(before) || IsKanjiNumeral(after));
        case Context::MonthThirteen:
            return before == U'十' && after == U'月' && (i < 2 || !IsKanjiNumeral(text[i - 2]));
        case Context::DayPastThirtyOne:
            return before == U'月' && after == U'十' && i + 3 < text.size() &&
                   std::u32string_view(U"二三四五六七八九").find(text[i + 2]) !=
                       std::u32string_view::npos &&
                   text[i + 3] == U'日';
        case Context::TensBeforeYen:
            return IsKanjiNumeral(before) && after == U'円';
        case Context::BetweenTimes:
            return i >= 3 && IsDigit(after) && IsDigit(before) && IsDigit(text[i - 2]) &&
                   (text[i - 3] == U':' || text[i - 3] == U'\uFF1A');
    }
    return false;
}

// The line's characters, one per symbol; a symbol of several characters
// (or none) stands as a character no context takes.
std::u32string LineText(const OcrLine& line) {
    std::u32string text;
    for (const OcrWord& word : line.words)
        for (const OcrSymbol& symbol : word.symbols)
            text += symbol.text.size() == 1 ? symbol.text[0] : U'\uFFFD';
    return text;
}

bool HasJapanese(const std::vector<OcrLine>& lines) {
    for (const OcrLine& line : lines)
        for (const OcrWord& word : line.words)
            for (const OcrSymbol& symbol : word.symbols)
                if (std::any_of(symbol.text.begin(), symbol.text.end(), IsJapanese)) return true;
    return false;
}

}  // namespace

void FixJapaneseConfusions(std::vector<OcrLine>& lines) {
    if (!HasJapanese(lines)) return;
    for (OcrLine& line : lines) {
        std::u32string text = LineText(line);
        size_t i = 0;
        for (OcrWord& word : line.words)
            for (OcrSymbol& symbol : word.symbols) {
                const bool startsWord = &symbol == &word.symbols.front();
                for (const Fix& fix : kFixes)
                    if (text[i] == fix.read && Holds(fix.when, text, i, startsWord)) {
                        text[i] = fix.meant;
                        symbol.text = std::u32string(1, fix.meant);
                        break;
                    }
                ++i;
            }
    }
}

}  // namespace xdw
