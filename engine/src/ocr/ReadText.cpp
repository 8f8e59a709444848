#include "ocr/ReadText.h"

#include <algorithm>

#include "common/Utf8.h"
#include "ocr/OcrTuning.h"
#include "ocr/TextLayer.h"

namespace xdw {

namespace {

// Words the recogniser is less sure of than this (0 to 100) are not taken
// at their word: each of their characters becomes U+FFFD.
const float kSureWordConfidence = static_cast<float>(Tuned(Ocr::SureWordConfidence));
// The recogniser reads a voiced katakana as its plain or half-voiced twin
// (アオバ as アオパ, アオハ) or シ as ン at confidences where it is otherwise
// right: in words read less surely than this, such letters are unsure too.
const float kSureKanaConfidence = static_cast<float>(Tuned(Ocr::SureKanaConfidence));
// The recogniser reads a kanji of a name as another one at middling
// confidences (文具 as 文只 at 63, 文上 at 51), where the figures and the
// kanji of dates it reads so are right: in words read less surely than this,
// kanji are marked as too faint for a name (U+E000 after each).
const float kSureNameConfidence = static_cast<float>(Tuned(Ocr::SureNameConfidence));
// Gaps between words, in the line's height: wider than a character is a
// blank, wider than two a gap between cells.
const double kBlankGap = Tuned(Ocr::BlankGap);
const double kCellGap = Tuned(Ocr::CellGap);

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool IsKanji(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF);
}

// カ to ド and ハ to ポ (plain, voiced and half-voiced), ウ and ヴ, and ン,
// which a stroke tells from シ and ソ.
bool IsMarkedKana(char32_t c) {
    return (c >= U'\u30AB' && c <= U'\u30C9') || (c >= U'\u30CF' && c <= U'\u30DD') || c == U'ウ' ||
           c == U'ヴ' || c == U'ン';
}

// "52," then "780": the recogniser cut a number at its separator, and no
// blank belongs there (the layer joins them alike).
bool ContinuesNumber(const std::u32string& before, const std::u32string& word) {
    return before.size() >= 2 && before.back() == U',' && IsDigit(before[before.size() - 2]) &&
           word.size() >= 3 && IsDigit(word[0]) && IsDigit(word[1]) && IsDigit(word[2]) &&
           (word.size() == 3 || !IsDigit(word[3]));
}

}  // namespace

std::string ReadText(const std::vector<OcrLine>& lines) {
    std::u32string text;
    for (const OcrLine& line : lines) {
        const int height = std::max(
            1, line.vertical ? line.box.right - line.box.left : line.box.bottom - line.box.top);
        const OcrWord* previous = nullptr;
        char32_t before = 0;  // the last character of the previous word
        for (const OcrWord& word : line.words) {
            std::u32string chars;
            for (const OcrSymbol& symbol : word.symbols) chars += symbol.text;
            // A blank read as a word of its own is a gap, however unsure.
            if (chars.find_first_not_of(U" ") == std::u32string::npos) continue;
            if (word.confidence < kSureWordConfidence)
                std::fill(chars.begin(), chars.end(), U'\uFFFD');
            else if (word.confidence < kSureKanaConfidence)
                std::replace_if(chars.begin(), chars.end(), IsMarkedKana, U'\uFFFD');
            const char32_t last = chars.back();
            if (word.confidence < kSureNameConfidence)
                for (size_t i = chars.size(); i-- > 0;)
                    if (IsKanji(chars[i])) chars.insert(i + 1, 1, U'\uE000');
            if (previous != nullptr) {
                const int gap = line.vertical ? word.box.top - previous->box.bottom
                                              : word.box.left - previous->box.right;
                if (gap > kCellGap * height)
                    text += U'\t';
                else if (gap > kBlankGap * height ||
                         (!IsCjk(before) && !IsCjk(chars[0]) && !ContinuesNumber(text, chars)))
                    text += U' ';
            }
            text += chars;
            before = last;
            previous = &word;
        }
        text += U'\n';
    }
    return quilbex::EncodeUtf8(text);
}

}  // namespace xdw
