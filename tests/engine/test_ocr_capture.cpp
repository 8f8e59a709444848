// Pages as offices capture them, drawn and degraded at test time: a photo of
// the page on a dark desk, a red seal over the address, a stamp on coloured
// paper, and a poster whose letters are too large for the layout (read by the
// recogniser's own page layout when the layout's reading holds nothing). Each
// must read its words.
#include <gtest/gtest.h>

#include <string>

#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

// ImageMagick options that lay a layer drawn by draw over the page, the
// colours multiplied, as ink over toner or a shadow over paper.
std::vector<std::string> Multiplied(const std::string& size, std::vector<std::string> draw) {
    std::vector<std::string> args = {"(", "-size", size, "xc:white"};
    args.insert(args.end(), draw.begin(), draw.end());
    args.insert(args.end(), {")", "-compose", "Multiply", "-composite"});
    return args;
}

// The sheet on a desk (dark unless told), seen from off square (where its
// corners land), in a shadow that lightens towards the bottom from shade.
ScanSpec PhotoOnDesk(const std::string& corners, const std::string& shade,
                     const std::string& desk = "#3a2c24") {
    ScanSpec page{.lines = {"社内説明会のお知らせ", "本社三階の会議室で行います"}};
    page.capture = {"-bordercolor", desk,          "-border",        "350",
                    "-background",  desk,          "-virtual-pixel", "background",
                    "-distort",     "Perspective", "0,0 " + corners};
    const std::vector<std::string> shadow = Multiplied(
        "2200x1800", {"-size", "2200x1800", "gradient:" + shade + "-white", "-composite"});
    page.capture.insert(page.capture.end(), shadow.begin(), shadow.end());
    return page;
}

// A Mincho page photographed from afar: its thin strokes faint.
ScanSpec PhotoFar() {
    ScanSpec page =
        PhotoOnDesk("70,20 2200,0 2120,90 2200,1800 2170,1740 0,1800 10,1780", "gray50");
    page.lines = {"十一月二十日午前十時に鳴ります", "階段で一階まで避難します"};
    page.font = kIpaMincho;
    page.pointSize = 12;
    page.capture.insert(page.capture.end(), {"-blur", "0x1", "-resize", "60%"});
    return page;
}

// A little off square, in a deep shadow.
ScanSpec Photo() {
    return PhotoOnDesk("70,20 2200,0 2120,90 2200,1800 2170,1740 0,1800 10,1780", "gray30");
}

// Seen from further off square, in as deep a shadow: the sheet's shadowed
// edge must read as paper.
ScanSpec PhotoAskew() {
    return PhotoOnDesk("260,120 2200,0 1960,40 2200,1800 2080,1700 0,1800 160,1640", "gray30");
}

ScanSpec Seal() {
    ScanSpec page{.lines = {"株式会社青葉商事　御中", "東京都港区芝浦三丁目"}, .colour = true};
    page.capture = Multiplied(
        "1500x1100", {"-fill", "none", "-stroke", "rgb(226,62,40)", "-strokewidth", "12", "-draw",
                      "circle 560,220 560,90", "-stroke", "none", "-fill", "rgb(226,62,40)",
                      "-pointsize", "44", "-annotate", "+480+240", "青葉之印"});
    return page;
}

// A red received-stamp across the lines' ends, on paper as blue as stamp ink.
ScanSpec StampOnBlue() {
    ScanSpec page{.lines = {"検収のうえ受領印をお願いします", "納品日は十月八日です"},
                  .colour = true};
    page.capture = Multiplied("1500x1100", {"-fill",        "rgb(185,215,250)",
                                            "-draw",        "rectangle 0,0 1500,1100",
                                            "-fill",        "none",
                                            "-stroke",      "rgb(210,50,50)",
                                            "-strokewidth", "10",
                                            "-draw",        "rectangle 820,60 1400,330",
                                            "-stroke",      "none",
                                            "-fill",        "rgb(210,50,50)",
                                            "-pointsize",   "50",
                                            "-annotate",    "+900+150",
                                            "受領 10.08"});
    return page;
}

ScanSpec Fax() {
    ScanSpec page{.lines = {"注文書の内容を確認しました", "納期は十二月二十日です"},
                  .dpiX = 204,
                  .dpiY = 98,
                  .bilevel = true};
    // Sent in normal mode: rows squashed to 98 dpi, the sending machine's
    // line along the top, specks of a noisy line and a streak across.
    page.capture = {"-resize",
                    "68%x32.67%!",
                    "-pointsize",
                    "9",
                    "-annotate",
                    "+20+12",
                    "2026/12/09 10:15 FROM: 03-1234-5678 P.001",
                    "-seed",
                    "7",
                    "-attenuate",
                    "0.2",
                    "+noise",
                    "Impulse",
                    "-draw",
                    "line 0,250 1020,250",
                    "-threshold",
                    "50%"};
    return page;
}

// A sender's name in half-width katakana over a line of text.
ScanSpec KanaSender() {
    ScanSpec page{.lines = {"納期は十二月二十日です"}, .pointSize = 14, .linesTop = 300};
    page.capture = {"-pointsize", "11", "-annotate", "+120+150", "ﾏﾙﾌｸｼｮｳｼﾞ ｴｲｷﾞｮｳﾌﾞ"};
    return page;
}

// A black-and-white scan whose first line sits in the strip along the top
// where a fax prints its transmission line.
ScanSpec TopLineScan() {
    return ScanSpec{.lines = {"注文書の内容を確認しました", "納期は十二月二十日です"},
                    .linesTop = 100,
                    .bilevel = true};
}

// A page of five short lines turned on the glass, the lid dark around the
// sheet: the text turned on an upright sheet, or the sheet itself turned, the
// lid showing in a wedge along each edge.
ScanSpec AskewScan(const std::string& degrees, const char* font = kIpaGothic,
                   bool sheetTurned = false) {
    ScanSpec page{.lines = {"業務連絡", "来週から新しい勤怠システムに切り替わります",
                            "初回は社員番号と仮のパスワードを使います",
                            "操作の説明は各部署の担当者が行います", "質問は情報システム課まで"},
                  .widthPx = 2400,
                  .heightPx = 3300,
                  .pointSize = 10,
                  .font = font,
                  .linesTop = 300};
    page.capture = {"-virtual-pixel", "white",   "-distort", "SRT",  degrees,
                    "-bordercolor",   "#282828", "-border",  "70x50"};
    if (sheetTurned)
        page.capture = {"-background",  "#282828", "-rotate", degrees,
                        "-bordercolor", "#282828", "-border", "40x30"};
    return page;
}

ScanSpec Poster() {
    ScanSpec page{
        .lines = {"本日休業"}, .widthPx = 2400, .heightPx = 900, .pointSize = 110, .linesTop = 600};
    return page;
}

ScanSpec RedHeading() {
    ScanSpec page{.lines = {"会議室の変更のお知らせ", "明日の打ち合わせは第二会議室です"},
                  .linesTop = 400,
                  .colour = true};
    page.capture = {"-fill", "rgb(225,30,30)", "-pointsize", "28", "-annotate", "+120+220", "至急"};
    return page;
}

struct CaptureCase {
    const char* name;
    ScanSpec page;
    double maxCer;
    const char* heading = "";  // text drawn by the capture, read before the lines
};

TEST(CaptureTest, DegradedPagesReadTheirWords) {
    const CaptureCase cases[] = {
        {"a photo on a dark desk", Photo(), 0.1},
        // Its sheet is found wrongly: the photo itself is read, never nothing.
        {"a photo whose shadowed top is darker than the lit desk",
         PhotoOnDesk("70,20 2200,0 2120,90 2200,1800 2170,1740 0,1800 10,1780", "gray20",
                     "#a0a0a0"),
         0.5},
        {"a red seal over the address", Seal(), 0.1},
        {"a red stamp across the lines on blue paper", StampOnBlue(), 0.05},
        {"a fax with specks, a streak and its header", Fax(), 0.1},
        {"a black-and-white scan with its first line at the top", TopLineScan(), 0.05},
        {"a sender's name in half-width katakana", KanaSender(), 0.1,
         "マルフクショウジエイギョウブ"},
        {"a scan 4° askew in dark borders", AskewScan("-4"), 0.02},
        {"a Mincho scan 5.5° askew in dark borders", AskewScan("5.5", kIpaMincho), 0.02},
        {"a sheet laid 3° askew on the glass", AskewScan("3", kIpaMincho, true), 0.02},
        {"a red heading over black text", RedHeading(), 0.05, "至急"},
        // Read as a line, it reads as nothing.
        {"a Mincho heading of two characters alone",
         ScanSpec{.lines = {"至急"}, .pointSize = 14, .font = kIpaMincho}, 0.05},
        {"letters too large for the layout", Poster(), 0.25},
        // Its thin strokes are fainter than the cut: 十一月 read as トー月; its
        // doubtful line read again keeps the surer reading (二十日, not 三十日).
        {"a Mincho page photographed from afar", PhotoFar(), 0.05},
        // The Japanese model reads 14:99, ¥799 and 6002: the figures are read
        // again by the English one.
        {"a receipt's times and amounts",
         ScanSpec{.lines = {"2026年11月26日(木) 14:00～15:10", "お釣り ¥700 レジ0002 責No.105"},
                  .pointSize = 12},
         0.05},
    };
    TempDir dir;
    for (const CaptureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("capture.xdw");
        MakeScannedPdf(path, {c.page});
        ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_JAPANESE), 0);
        std::string expected = c.heading;
        for (const std::string& line : c.page.lines) expected += line;
        const std::string text = PdfReadingText(path, 1);
        EXPECT_LE(Cer(expected, text), c.maxCer) << text;
    }
}

// The words read on a photo are laid where the photo shows them: the ink in
// each word's box in the layer is centred in it, give or take kSlack pixels
// across and kSlack / 3 down (a box off the word has it to one side, or
// holds none; a line's ink is heavier at one end than the other).
TEST(CaptureTest, PhotographedWordsAreLaidOnThePhoto) {
    constexpr double kSlack = 33;
    TempDir dir;
    const std::string path = dir.File("photo.xdw");
    MakeScannedPdf(path, {PhotoAskew()});
    ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_JAPANESE), 0);
    const PageImage photo = FirstPageImage(path);
    const auto boxes = PdfWordBoxes(path, 1);
    ASSERT_FALSE(boxes.empty());
    for (const auto& box : boxes) {
        const int left = int(box[0] * photo.width), right = int(box[2] * photo.width);
        const int top = int(box[1] * photo.height), bottom = int(box[3] * photo.height);
        double sumX = 0, sumY = 0, ink = 0;
        for (int y = std::max(top, 0); y < std::min(bottom, photo.height); ++y)
            for (int x = std::max(left, 0); x < std::min(right, photo.width); ++x)
                if (static_cast<unsigned char>(photo.pixels[size_t(y) * photo.width + x]) < 100)
                    sumX += x, sumY += y, ++ink;
        SCOPED_TRACE(std::to_string(left) + "," + std::to_string(top) + " " +
                     std::to_string(right) + "," + std::to_string(bottom));
        ASSERT_GT(ink, 0);
        EXPECT_NEAR(sumX / ink, (left + right) / 2.0, kSlack);
        EXPECT_NEAR(sumY / ink, (top + bottom) / 2.0, kSlack / 3);
    }
}

}  // namespace
