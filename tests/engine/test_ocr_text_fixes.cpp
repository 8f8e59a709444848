// Confusions fixed after recognition only where the context is certain; each
// row is one line as read, blanks between words, and as it must come out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Utf8.h"
#include "ocr/JapaneseFixes.h"

namespace {

struct Row {
    std::vector<const char*> read;  // the page's lines
    std::vector<const char*> meant;
};

const Row kRows[] = {
    {{"合計 \\1,200"}, {"合計 ¥1,200"}},
    {{"請求額", "\\12,000"}, {"請求額", "¥12,000"}},  // Japanese elsewhere on the page
    {{"保存先 C:\\2024\\見積"}, {"保存先 C:\\2024\\見積"}},
    {{"料金 ＼５００"}, {"料金 ￥５００"}},
    {{"total \\1,200"}, {"total \\1,200"}},  // no Japanese on the page
    {{"@会議は10時から"}, {"●会議は10時から"}},
    {{"連絡先 info@example.jp"}, {"連絡先 info@example.jp"}},
    {{"単価 @1,200円"}, {"単価 @1,200円"}},
    {{"金額 1，200円"}, {"金額 1,200円"}},
    {{"金額 １,２００円"}, {"金額 １，２００円"}},
    {{"番号 1，20"}, {"番号 1，20"}},
    {{"コ一ヒ一、デ一夕ベ一ス"}, {"コーヒー、データベース"}},
    {{"サーバ一"}, {"サーバー"}},
    {{"ケーキ一つ メニュー一覧"}, {"ケーキ一つ メニュー一覧"}},
    {{"ク口ーン と 二ュース"}, {"クローン と 二ュース"}},
};

std::vector<xdw::OcrLine> Lines(const std::vector<const char*>& texts) {
    std::vector<xdw::OcrLine> lines;
    for (const char* text : texts) {
        xdw::OcrLine& line = lines.emplace_back();
        line.words.emplace_back();
        for (char32_t c : quilbex::DecodeUtf8(text)) {
            if (c == U' ') {
                line.words.emplace_back();
            } else {
                line.words.back().symbols.push_back({std::u32string(1, c), {}});
            }
        }
    }
    return lines;
}

TEST(JapaneseFixes, OnlyCertainConfusionsAreFixed) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.read.front());
        std::vector<xdw::OcrLine> lines = Lines(row.read);
        xdw::FixJapaneseConfusions(lines);
        const std::vector<xdw::OcrLine> meant = Lines(row.meant);
        ASSERT_EQ(lines.size(), meant.size());
        for (size_t l = 0; l < lines.size(); ++l) {
            ASSERT_EQ(lines[l].words.size(), meant[l].words.size());
            for (size_t w = 0; w < lines[l].words.size(); ++w) {
                std::u32string got, want;
                for (const auto& s : lines[l].words[w].symbols) got += s.text;
                for (const auto& s : meant[l].words[w].symbols) want += s.text;
                EXPECT_TRUE(got == want) << "line " << l << " word " << w;
            }
        }
    }
}

}  // namespace
