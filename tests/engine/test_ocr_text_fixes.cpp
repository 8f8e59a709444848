// Confusions fixed after recognition only where the context is certain; each
// row is one line as read, blanks between words, and as it must come out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Utf8.h"
#include "ocr/JapaneseFixes.h"
#include "ocr/SlashedZero.h"

namespace {

// Lines apart by "\n", words by blanks.
const std::pair<const char*, const char*> kRows[] = {
    {"合計 \\1,200", "合計 ¥1,200"},
    {"請求額\n\\12,000", "請求額\n¥12,000"},  // Japanese elsewhere on the page
    {"保存先 C:\\2024\\見積", "保存先 C:\\2024\\見積"},
    {"牛乳 1L \\238 肉 ¥1.234 ¥2.388.000", "牛乳 1L ¥238 肉 ¥1,234 ¥2,388,000"},
    {"単価 31.234円 版 1.234 ¥1.5", "単価 31.234円 版 1.234 ¥1.5"},
    {"料金 ＼５００", "料金 ￥５００"},
    {"total \\1,200", "total \\1,200"},  // no Japanese on the page
    {"@会議は10時から", "●会議は10時から"},
    {"連絡先 info@example.jp", "連絡先 info@example.jp"},
    {"単価 @1,200円", "単価 @1,200円"},
    {"金額 1，200円", "金額 1,200円"},
    {"金額 １,２００円", "金額 １，２００円"},
    {"番号 1，20", "番号 1，20"},
    {"コ一ヒ一、デ一夕ベ一ス", "コーヒー、データベース"},
    {"サーバ一", "サーバー"},
    {"型番 タイプ一3", "型番 タイプ一3"},  // a dash before a number
    {"ケーキ一つ メニュー一覧", "ケーキ一つ メニュー一覧"},
    {"ク口ーン と 二ュース", "クローン と 二ュース"},
    {"小計 三千ニ百円 ニ月 日本ニ於テ 三カ月", "小計 三千二百円 ニ月 日本ニ於テ 三カ月"},
    {"十三月三十九日 十二月三十一日 二十三月", "十二月二十九日 十二月三十一日 二十三月"},
    {"合計 二千四百八丁円 一丁目 豆腐二丁", "合計 二千四百八十円 一丁目 豆腐二丁"},
    {"三十五日法要 五月三十日", "三十五日法要 五月三十日"},
    {"研修 13:30一15:00 第1一2回", "研修 13:30～15:00 第1一2回"},
};

TEST(JapaneseFixes, OnlyCertainConfusionsAreFixed) {
    for (const auto& [read, meant] : kRows) {
        std::vector<xdw::OcrLine> lines(1);
        lines.back().words.emplace_back();
        for (char32_t c : quilbex::DecodeUtf8(read)) {
            if (c == U'\n')
                lines.emplace_back().words.emplace_back();
            else if (c == U' ')
                lines.back().words.emplace_back();
            else
                lines.back().words.back().symbols.push_back({std::u32string(1, c), {}});
        }
        xdw::FixJapaneseConfusions(lines);
        std::u32string text;
        for (const xdw::OcrLine& line : lines)
            for (const xdw::OcrWord& word : line.words) {
                if (!text.empty()) text += &word == &line.words.front() ? U'\n' : U' ';
                for (const xdw::OcrSymbol& symbol : word.symbols) text += symbol.text;
            }
        EXPECT_TRUE(text == quilbex::DecodeUtf8(meant)) << read;
    }
}

// A zero struck through (as a fax prints its sender line) beside an 8 and
// an 8 whose waist slants.
TEST(JapaneseFixes, SlashedZeroIsToldFromEight) {
    const char* rows[] = {"  #####     #####      #####",  " #    ##   #     #     #   #",
                          " #   # #   #     #     #   #",  " #  #  #   #     #   #######",
                          " # #   #    #####    #   #   ", " ##    #   #     #   #   #   ",
                          " #     #   #     #   #   #   ", " #     #   #     #   #####   ",
                          "  #####     #####            "};
    xdw::RenderedPage page;
    page.geometry.width = page.bytesPerLine = 28;
    page.geometry.height = 9;
    for (const char* row : rows)
        for (int x = 0; x < 28; ++x) page.pixels.push_back(row[x] == '#' ? 0 : 255);
    EXPECT_TRUE(xdw::SlashedZero(page, {0, 0, 9, 9}));
    EXPECT_FALSE(xdw::SlashedZero(page, {9, 0, 19, 9}));
    EXPECT_FALSE(xdw::SlashedZero(page, {19, 0, 28, 9}));
}

}  // namespace
