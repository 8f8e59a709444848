// Pages whose layout decides how they read: two columns, a ruled table,
// lines justified with even gaps between their characters, a price list
// without rules, a postal code in boxes, and a masthead over two columns. Drawn at test
// time, read in Japanese, and the layer read back in the extractor's order.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const std::vector<std::string> kLeft = {"私たちの町では毎年秋に", "小さな音楽祭が開かれます",
                                        "商店街の人々が準備して", "駅前に舞台が組まれます"};
const std::vector<std::string> kRight = {"図書館は本を借りる場所", "であると同時に地域の人",
                                         "が集う大切な場所でもあ", "ります週末は講演会です"};
const std::vector<std::vector<std::string>> kCells = {{"品名", "数量", "金額"},
                                                      {"用紙", "10", "5000円"},
                                                      {"封筒", "200", "3000円"},
                                                      {"合計", "", "8000円"}};
const std::string kUnderTable = "お支払いは月末までにお願いします";
const std::vector<std::string> kJustified = {"北海道では六月でも肌寒い日がありますが沖縄",
                                             "ではすでに夏の暑さが始まりますこのような違",
                                             "いは食べ物や住まいにも影響を与えてきました"};

const std::vector<std::vector<std::string>> kPrices = {
    {"ブレンドコーヒー", "450円"}, {"抹茶ラテ", "1,200円"}, {"季節のタルト", "580円"}};
const std::vector<std::string> kMasthead = {"みどり町だより", "第四十二号冬の特集"};
// A price list under a title and a shop's two lines at the right, with a
// count column and a note across the columns under it.
const std::vector<std::string> kListHead = {"価格表", "十二月一日改定", "みどり文具店"};
const std::vector<std::vector<std::string>> kListRows = {{"ボールペン黒", "10", "1,200円"},
                                                         {"修正テープ", "5", "850円"},
                                                         {"クリアファイル", "20", "480円"}};
const std::string kListNote = "価格はすべて税込です送料は五千円以上で無料です";
// Two pages of a booklet side by side, lines on the same baselines, a dark
// gutter between them; each page's heading stands further from its text
// than its lines from each other.
const std::vector<std::string> kSpreadLeft = {"第三章町の歴史", "川沿いの宿場として栄えた",
                                              "古い蔵が今も通りに残る"};
const std::vector<std::string> kSpreadRight = {"第四章町の産業", "明治の頃から織物で栄えた",
                                               "今は小さな工房が三つある"};

constexpr int kPitchPx = 100;  // between baselines, for 12 pt text

ScanSpec Page() {
    ScanSpec page;
    page.widthPx = 2400;
    page.heightPx = 900;
    page.pointSize = 12;
    page.font = kIpaMincho;
    return page;
}

ScanSpec TwoColumns() {
    ScanSpec page = Page();
    for (size_t i = 0; i < kLeft.size(); ++i) {
        const int y = 200 + kPitchPx * static_cast<int>(i);
        page.placed.push_back({120, y, kLeft[i]});
        page.placed.push_back({1300, y, kRight[i]});
    }
    return page;
}

// The same columns under a heading in larger text, as wide as the left one
// and more: no row of a table.
const std::string kColumnsTitle = "秋の行事のご案内";
ScanSpec TitledColumns() {
    ScanSpec page = TwoColumns();
    page.placed.push_back({120, 110, kColumnsTitle, 0, 24});
    return page;
}

ScanSpec Table() {
    ScanSpec page = Page();
    const int xs[] = {100, 800, 1500, 2200}, ys[] = {100, 250, 400, 550, 700};
    for (int x : xs) page.rules.push_back({x, ys[0], x + 3, ys[4]});
    for (int y : ys) page.rules.push_back({xs[0], y, xs[3], y + 3});
    for (size_t r = 0; r < kCells.size(); ++r)
        for (size_t c = 0; c < kCells[r].size(); ++c)
            page.placed.push_back({xs[c] + 40, ys[r] + 95, kCells[r][c]});
    page.placed.push_back({140, 780, kUnderTable});  // just under the table
    return page;
}

// Each character a quarter of its size apart, as justification spreads a
// line without blanks.
ScanSpec Justified() {
    ScanSpec page = Page();
    for (size_t i = 0; i < kJustified.size(); ++i)
        page.placed.push_back({120, 200 + kPitchPx * static_cast<int>(i), kJustified[i], 62});
    return page;
}

ScanSpec PriceList() {
    ScanSpec page = Page();
    for (size_t i = 0; i < kPrices.size(); ++i) {
        page.placed.push_back({120, 200 + kPitchPx * static_cast<int>(i), kPrices[i][0]});
        page.placed.push_back({1900, 200 + kPitchPx * static_cast<int>(i), kPrices[i][1]});
    }
    return page;
}

ScanSpec PriceListUnderTitle() {
    ScanSpec page = Page();
    page.heightPx = 1000;
    page.placed = {{120, 150, kListHead[0]}, {1850, 120, kListHead[1]}, {1850, 200, kListHead[2]}};
    for (size_t i = 0; i < kListRows.size(); ++i) {
        const int y = 350 + kPitchPx * static_cast<int>(i);
        page.placed.push_back({120, y, kListRows[i][0]});
        page.placed.push_back({1250, y, kListRows[i][1]});
        page.placed.push_back({1850, y, kListRows[i][2]});
    }
    page.placed.push_back({120, 750, kListNote});
    return page;
}

ScanSpec Spread() {
    ScanSpec page = Page();
    page.heightPx = 800;
    for (size_t i = 0; i < kSpreadLeft.size(); ++i) {
        const int y = i == 0 ? 150 : 190 + 140 * static_cast<int>(i);  // spaced wide
        page.placed.push_back({150, y, kSpreadLeft[i]});
        page.placed.push_back({1380, y, kSpreadRight[i]});
    }
    page.rules.push_back({1180, 0, 1230, 800});
    return page;
}

// A label, then seven digits in boxes of their own; an address under the
// label ends before the boxes begin.
ScanSpec DigitBoxes() {
    ScanSpec page = Page();
    page.placed = {{120, 300, "郵便番号"}, {120, 500, "横浜市中区本町"}};
    for (int i = 0; i <= 7; ++i) {
        const int x = 800 + 110 * i;
        page.rules.push_back({x, 200, x + 3, 340});
        if (i < 7) page.placed.push_back({x + 35, 300, std::string(1, "2310002"[i])});
    }
    for (int y : {200, 340}) page.rules.push_back({800, y, 800 + 110 * 7 + 3, y + 3});
    return page;
}

// A letter's last line and its closing words, right-aligned on lines of
// their own.
const std::string kLastLine = "二十八日以降のご注文は翌月五日の発送となります。";
ScanSpec Closing() {
    ScanSpec page = Page();
    page.placed = {{120, 200, kLastLine}, {2000, 300, "敬具"}, {2000, 400, "以上"}};
    return page;
}

// A date at the right over the addressee at the left, the letter well below.
ScanSpec DateOverAddressee() {
    ScanSpec page = Page();
    page.placed = {{1800, 150, "十二月一日"}, {120, 230, "各位"}, {120, 450, kLastLine}};
    return page;
}

// A title, a date at the right under it, the addressee at the left under
// the date, a sender at the right beside the letter's second line.
ScanSpec DateUnderTitle() {
    ScanSpec page = Page();
    page.placed = {{900, 120, "請求書"},
                   {1800, 220, "十一月三十日"},
                   {120, 330, "株式会社こだま御中"},
                   {1700, 620, "有限会社緑川工業"},
                   {120, 520, kLastLine},
                   {120, 620, kLastLine}};
    return page;
}

// Over eight lines: its first two tell its way up (from the first, read so, only one is found).
const std::vector<std::string> kParagraph = {
    "当社は来年四月に本社を新しい建物へ移転します",   "移転先は駅の東口から歩いて五分の場所です",
    "三月の最終週は引越しの作業で窓口を閉めます",     "お問い合わせは電子メールでお受けいたします",
    "新しい電話番号は移転の一週間前にお知らせします", "駐車場は建物の地下に二十台分を用意しました",
    "来客用の受付は二階の正面に設けてあります",       "旧本社の建物は夏まで倉庫として使う予定です",
    "郵便物は六月末まで新しい住所へ転送されます",     "今後とも変わらぬご愛顧をお願い申し上げます"};
ScanSpec Paragraph(size_t first) {
    ScanSpec page = Page();
    page.heightPx = 1300;
    for (size_t i = first; i < kParagraph.size(); ++i)
        page.placed.push_back({120, 150 + kPitchPx * static_cast<int>(i - first), kParagraph[i]});
    return page;
}

ScanSpec Masthead() {
    ScanSpec page = TwoColumns();
    page.placed.push_back({120, 100, kMasthead[0]});
    page.placed.push_back({1500, 100, kMasthead[1]});
    return page;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts) out += p;
    return out;
}

std::string RowByRow(const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    for (const auto& row : rows) out += Joined(row);
    return out;
}

struct LayoutCase {
    const char* name;
    ScanSpec (*page)();
    std::string reading;  // in reading order
    double maxCer = 0.1;  // read across in any other order, it is more than half wrong
    bool uprightFirst = false;
};

class LayoutPage : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutPage, ReadsInItsOrder) {
    TempDir dir;
    const std::string path = dir.File("page.xdw");
    MakeScannedPdf(path, {GetParam().page()});
    ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_JAPANESE, GetParam().uprightFirst), 0);
    const std::string text = PdfReadingText(path, 1);
    EXPECT_LT(Cer(GetParam().reading, text), GetParam().maxCer) << text;
    EXPECT_LT(Cer(GetParam().reading, PdfReadingText(path, 1, true)), GetParam().maxCer);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LayoutPage,
    ::testing::Values(
        LayoutCase{"TwoColumnsLeftThenRight", &TwoColumns, Joined(kLeft) + Joined(kRight)},
        LayoutCase{"TitledColumnsLeftThenRight", &TitledColumns,
                   kColumnsTitle + Joined(kLeft) + Joined(kRight)},
        LayoutCase{"TableRowByRow", &Table, RowByRow(kCells) + kUnderTable},
        LayoutCase{"JustifiedLinesWhole", &Justified, Joined(kJustified)},
        LayoutCase{"PriceListRowByRow", &PriceList, RowByRow(kPrices)},
        LayoutCase{"PriceListUnderTitleRowByRow", &PriceListUnderTitle,
                   Joined(kListHead) + RowByRow(kListRows) + kListNote},
        LayoutCase{"SpreadPageAfterPage", &Spread, Joined(kSpreadLeft) + Joined(kSpreadRight)},
        LayoutCase{"DigitBoxesOneField", &DigitBoxes, "郵便番号2310002横浜市中区本町"},
        LayoutCase{"MastheadFirst", &Masthead, Joined(kMasthead) + Joined(kLeft) + Joined(kRight)},
        LayoutCase{"ClosingWordsRight", &Closing, kLastLine + "敬具以上", 0.03},
        LayoutCase{"DateBeforeAddressee", &DateOverAddressee, "十二月一日各位" + kLastLine, 0.03},
        LayoutCase{
            "DateUnderTitleFirst", &DateUnderTitle,
            "請求書十一月三十日株式会社こだま御中" + kLastLine + kLastLine + "有限会社緑川工業",
            0.03},
        LayoutCase{"LongParagraphUprighted", [] { return Paragraph(1); },
                   Joined({kParagraph.begin() + 1, kParagraph.end()}), 0.03, true},
        LayoutCase{"LongParagraphBandReadShort", [] { return Paragraph(0); }, Joined(kParagraph),
                   0.03, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Polled while the nine cells of a table are read one after another, the
// page's progress only ever grows; the same page of another open document,
// not being read, shows none of it.
TEST(LayoutProgress, NeverGoesBackWithinAPageNorMixesDocuments) {
    TempDir dir;
    XDW_DOCUMENT_HANDLE docs[2] = {};
    const XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    for (XDW_DOCUMENT_HANDLE& doc : docs) {
        const std::string path = dir.File(std::to_string(&doc - docs) + ".xdw");
        MakeScannedPdf(path, {Table()});
        ASSERT_EQ(XDW_OpenDocumentHandle(path.c_str(), &doc, &mode), 0);
    }
    std::atomic<bool> done{false};
    std::vector<int> seen;
    int other = -1;
    std::thread poll([&] {
        while (!done) {
            const int percent = XDW_GetOcrProgress(docs[0], 1);
            if (percent >= 0 && (seen.empty() || seen.back() != percent)) seen.push_back(percent);
            other = std::max(other, XDW_GetOcrProgress(docs[1], 1));
            std::this_thread::yield();
        }
    });
    const XDW_OCR_OPTION option = OcrOption(XDW_OCR_LANGUAGE_JAPANESE);
    const int rc = XDW_ApplyOcr(docs[0], 1, 1, &option, nullptr);
    done = true;
    poll.join();
    for (XDW_DOCUMENT_HANDLE doc : docs) XDW_CloseDocumentHandle(doc, nullptr);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(other, -1) << "the other document's page showed this one's progress";
    std::string trail;
    for (int percent : seen) trail += std::to_string(percent) + " ";
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << trail;
    EXPECT_GE(seen.size(), 3u) << trail;
}

// Stopped while the document's first page is read on the caller's own thread,
// that page fails at once.
TEST(LayoutProgress, CancelStopsThePageUnderWay) {
    TempDir dir;
    const std::string path = dir.File("page.xdw");
    MakeScannedPdf(path, {Table()});
    XDW_DOCUMENT_HANDLE doc = nullptr;
    const XDW_OPEN_MODE mode{sizeof(XDW_OPEN_MODE), 1, 1};
    ASSERT_EQ(XDW_OpenDocumentHandle(path.c_str(), &doc, &mode), 0);
    std::thread cancel([&] {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (XDW_GetOcrProgress(doc, 1) < 0 && std::chrono::steady_clock::now() < limit)
            std::this_thread::yield();
        XDW_CancelOcr(nullptr);
    });
    const XDW_OCR_OPTION option = OcrOption(XDW_OCR_LANGUAGE_JAPANESE);
    EXPECT_EQ(XDW_ApplyOcr(doc, 1, 1, &option, nullptr), XDW_E_FAIL);
    cancel.join();
    XDW_CloseDocumentHandle(doc, nullptr);
}

}  // namespace
