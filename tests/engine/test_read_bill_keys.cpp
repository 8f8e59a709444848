// A bill's keys in text as the recogniser gives it (U+FFFD for an unsure
// word, tables read column by column, misread commas and yen marks): each
// key the text still proves, none that it leaves in doubt.
#include <gtest/gtest.h>

#include "label/BillDate.h"
#include "label/DocumentKeys.h"
#include "ocr/ReadText.h"

namespace {

struct ReadCase {
    const char* name;
    const char* text;
    const char* date;
    const char* amount;
    const char* party;
};

#define HEAD "請求書\n2026年1月26日\n山田 太郎様\n合同会社さくらデザ イン\n"
#define LABELS "小計\n消費税(10%)\n合計\n"
#define COLUMNS "品名\n小計\n消費税(10%)\n合計\n金額\n¥80,840\n"

const ReadCase kCases[] = {
    {"column-read", HEAD "ご請求金額88.924円(税込)\n" COLUMNS "¥8,.084\n88,924円", "2026-01-26",
     "88924", "合同会社さくらデザイン"},
    {"misread-statement-disagrees", HEAD "ご請求金額88.942円(税込)\n" COLUMNS "¥8,084\n88,924円",
     "2026-01-26", "", "合同会社さくらデザイン"},
    {"sums-alone", "納品書\n2025年5月2 1日\n" COLUMNS "¥8,084\n¥88,924", "2025-05-21", "88924", ""},
    {"largest-is-handed-over", "領収書\n" COLUMNS "¥8,084\n¥88,924\n¥90,000", "", "", ""},
    {"tax-unread", "領収書\n小計 Y420\n消費税(10% \uFFFD\uFFFD\n合計 Y462", "", "462", ""},
    {"mark-read-twice", "請求書\nご請求金額\\ \uFFFD 38,605(税込)\n合計\n¥35,096\n¥38,605", "",
     "38605", ""},
    {"change-apart", "領収書\n合計\nお釣り\n¥64,000\n¥64,210\n¥64,210\n¥65,210\n¥1,000", "",
     "64210", ""},
    {"discount-apart", "請求書\n小計\n値引\n合計\n¥10,000\n¥1,000\n¥11,000", "", "", ""},
    {"reiwa-misread", "請求書\n令利8年5月1日\n小計 ¥420\n合計 ¥462", "2026-05-01", "462", ""},
    {"statement-unread", "見積書\n御見積金額\uFFFD\uFFFD(税込)\n小計 ¥420\n合計 462円", "", "462",
     ""},
    {"labels-unread", "見積書\n\uFFFD\uFFFD\nY51,560\nY5,156\nY56,716\nY360", "", "56716", ""},
    {"statement-in-part",
     "請求書\n請求金額¥1,\uFFFD\uFFFD\n" LABELS "¥1,600,000\n¥160,000\n¥1,760,000", "", "1760000",
     ""},
    {"part-disagrees",
     "請求書\n請求金額¥2,\uFFFD\uFFFD\n" LABELS "¥1,600,000\n¥160,000\n¥1,760,000", "", "", ""},
    {"tax-by-largest", "納品書\n" LABELS "¥48\n\uFFFD\uFFFD\n¥1,296\n14,264円", "", "14264", ""},
    {"comma-read-point-first", "納品書\n" LABELS "¥51.,200\n¥56,320", "", "56320", ""},
    {"handed-over-unlabelled", "領収書\n\uFFFD ¥10,000\nお預り ¥11,000\nお釣り ¥1,000", "", "", ""},
    {"name-trails-off", "請求書\n有限 会社緑川. \uFFFD\n合計 ¥462\n小計 ¥462", "", "462", ""},
    {"kana-apart", "請求書\n株式会社ハヤ シ文具", "", "", "株式会社ハヤシ文具"},
    {"kana-mistaken-at-its-surest", "請求書\n株式会社ハヤン文具", "", "", ""},
    {"weekday-pins-month", "請求書\n2026年91月26日(月)", "2026-01-26", "", ""},
    {"weekday-leaves-two", "請求書\n2026年12月1\uFFFD日(木)", "", "", ""},
    {"weekday-read-faintly", "請求書\n2026年91月26日(月\uE000曜)", "", "", ""},
    {"weekday-pins-day", "領収書\n2026年12月2\uFFFD日(木) 14:05", "2026-12-24", "", ""},
    {"unsure-day-beside-another", "領収書\n2026年12月5\uFFFD日\n2026年12月1日", "", "", ""},
    {"loop-misread", "納品書\n2026/87/19", "2026-07-19", "", ""},
    {"day-mark-run-through", "領収書\n2026年12月98曰(火) 18.47", "2026-12-08", "", ""},
    {"no-such-day-read", "納品書\n2026年11月31日", "", "", ""},
    {"day-unit-unsure", "請求書\n日付 令和8年12月16 \uFFFD", "2026-12-16", "", ""},
    {"day-cut-short", "請求書\n2027年6月2 \uFFFD", "", "", ""},
    {"day-no-second-digit", "請求書\n日付令和8年10月7 \uFFFD", "2026-10-07", "", ""},
    {"era-and-label-unsure", "請求書\n発行\uFFFD \uFFFD令\uFFFD 8年5月24日", "2026-05-24", "", ""},
    {"era-half-read", "請求書\n発行日 \uFFFD和7 年3月19日", "2025-03-19", "", ""},
    {"era-half-read-showa", "請求書\n\uFFFD和63年3月19日", "", "", ""},
    {"heading-read-in-part", "領\uFFFD\uFFFD書\n小計 Y420\n合計 Y462", "", "462", ""},
    {"heading-part-fits-two", "注\uFFFD\uFFFD書\n小計 ¥420\n合計 ¥462", "", "", ""},
    {"heading-part-no-total", "領\uFFFD書\n2026年5月1日", "", "", ""},
    {"heading-unread-invoice-label",
     "御請書\n2026年5月1日\n株式会社ひかり食品\nご請求金額 ¥462 (税込)\n小計 ¥420\n合計 ¥462",
     "2026-05-01", "462", "株式会社ひかり食品"},
    {"heading-unread-labels-of-two", "\uFFFD\n2026年5月1日\nご請求金額 ¥462\n御見積金額 ¥462", "",
     "", ""},
    {"heading-unread-change", "\uFFFD\uFFFD\n2026年5月1日\n合計 ¥1,300\nお預り ¥2,000\nお釣り ¥700",
     "2026-05-01", "1300", ""},
    {"weekday-misread", "領収書\n2026年10月24日(上) 14:05", "2026-10-24", "", ""},
    {"weekday-unread-apart", "請求書\n2027年10月08日( \uFFFD )", "2027-10-08", "", ""},
    {"label-in-part", "請求書\n\uFFFD付2027年04 月15 日", "2027-04-15", "", ""},
    {"day-mark-as-bars", "領収書\n2026 年10月611 14:05", "2026-10-06", "", ""},
    {"day-mark-as-bars-weekday", "請求書\n2026年11月2011(金)", "2026-11-20", "", ""},
    {"day-bars-or-one", "請求書\n2026年11月111", "", "", ""},
    {"legal-form-ends-unsure", "見積書\n東和物産株式会\uFFFD\n小計 ¥420\n合計 ¥462", "", "462",
     "東和物産株式会社"},
    {"legal-form-misread", "納品書\n林式会社こもれび商店", "", "", "株式会社こもれび商店"},
    {"legal-form-inside-unsure", "納品書\n株\uFFFD会社こもれび商店", "", "",
     "株式会社こもれび商店"},
    {"legal-form-cut-before-more", "納品書\n株式会\uFFFDこもれび商店", "", "", ""},
    {"year-far-ahead", "請求書\n日付2086/09/08", "", "", ""},
    {"katakana-read-as-hiragana", "請求書\n株式会社アオが物流", "", "", ""},
    {"kanji-fax-misreads", "見積書\n大利システム株式会\uFFFD", "", "", ""},
    {"addressee-mark-misread", "請求書\n株式会社こだま企画御山\n(株)ひかり食品", "", "",
     "株式会社ひかり食品"},
};

}  // namespace

TEST(ReadBillKeys, EachKeyTheReadTextProvesAndNoneItLeavesInDoubt) {
    for (const ReadCase& c : kCases) {
        const xdw::DocumentKeys keys = xdw::FindDocumentKeys({c.text}, true);
        EXPECT_EQ(keys.date, c.date) << c.name;
        EXPECT_EQ(keys.amount, c.amount) << c.name;
        EXPECT_EQ(keys.counterparty, c.party) << c.name;
    }
    // In a document's own text a point between groups is as its writer put
    // it, no misreading: what the amount is stays unknown.
    EXPECT_EQ(xdw::FindDocumentKeys({"請求書\n合計 ¥88.924\n小計 ¥88.924"}).amount, "");
}

// A voiced katakana read as its twin less surely leaves the name out, a
// half-voiced one however surely; a kanji read faintly too (文具 as 文只),
// though not a legal form's.
TEST(ReadBillKeys, KanaReadLessSurelyLeavesTheNameOut) {
    for (auto [kana, sure, form, party] : {std::tuple{U"ハ", 70.f, 93.f, ""},
                                           {U"パ", 93.f, 93.f, ""},
                                           {U"バ", 93.f, 60.f, "株式会社アオバ物流"},
                                           {U"只", 63.f, 93.f, ""},
                                           {U"只", 80.f, 93.f, "株式会社アオ只物流"}}) {
        std::vector<xdw::OcrLine> lines(2, {{}, {0, 0, 900, 40}});
        for (auto [text, l, c] : {std::tuple{U"請求書", 0, 95.f},
                                  {U"株式会社アオ", 1, form},
                                  {kana, 1, sure},
                                  {U"物流", 1, 93.f}}) {
            const int left = static_cast<int>(lines[l].words.size()) * 45;
            lines[l].words.push_back({{}, {left, 0, left + 40, 40}, c});
            for (const char32_t* ch = text; *ch != 0; ++ch)
                lines[l].words.back().symbols.push_back({{*ch}, {}});
        }
        EXPECT_EQ(xdw::FindDocumentKeys({xdw::ReadText(lines)}, true).counterparty, party);
    }
}

// A doubtful date line read twice again: taken only when both readings give
// the same sure date and it bears out the digits the first reading was sure
// of.
TEST(ReadBillKeys, ADateReadAgainIsTakenWhereTheReadingsAgree) {
    for (auto [first, again, twice, taken] :
         {std::tuple{U"2026年4月\uFFFD\uFFFD\uFFFD 14:05", U"2026年4月20日 14:05",
                     U"2026 年4月 20日 14:05", true},
          {U"2026年4月\uFFFD\uFFFD\uFFFD", U"2026年4月20日", U"2026年4月26日", false},
          {U"2086年4月\uFFFD", U"2026年4月20日", U"2026年4月20日", false},
          {U"2027年6月2 \uFFFD", U"2027年6月24日", U"2027年6月24日", true},
          {U"2027年6月2 \uFFFD", U"2027年6月24日", U"2027年6月2\uFFFD日", false}}) {
        EXPECT_TRUE(xdw::DateInDoubt(first));
        EXPECT_EQ(xdw::DateReadAgain(first, again, twice), taken);
    }
    EXPECT_FALSE(xdw::DateInDoubt(U"お支払期限 2026年4月\uFFFD"));
}
