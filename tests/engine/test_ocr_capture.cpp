// Pages as offices capture them, drawn and degraded at test time: a photo of
// the page on a dark desk, a red seal over the address, and a poster whose
// letters are too large for the layout (read by the recogniser's own page
// layout when the layout's reading holds nothing). Each must read its words.
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

ScanSpec Photo() {
    ScanSpec page{.lines = {"社内説明会のお知らせ", "本社三階の会議室で行います"}};
    // The sheet on a dark desk, seen from a little off square, in a shadow
    // that lightens towards the bottom.
    page.capture = {"-bordercolor",
                    "#3a2c24",
                    "-border",
                    "350",
                    "-background",
                    "#3a2c24",
                    "-virtual-pixel",
                    "background",
                    "-distort",
                    "Perspective",
                    "0,0 70,20 2200,0 2120,90 2200,1800 2170,1740 0,1800 10,1780"};
    const std::vector<std::string> shadow =
        Multiplied("2200x1800", {"-size", "2200x1800", "gradient:gray30-white", "-composite"});
    page.capture.insert(page.capture.end(), shadow.begin(), shadow.end());
    return page;
}

ScanSpec Seal() {
    ScanSpec page{.lines = {"株式会社青葉商事　御中", "東京都港区芝浦三丁目"}, .colour = true};
    page.capture = Multiplied(
        "1500x1100", {"-fill", "none", "-stroke", "rgb(226,62,40)", "-strokewidth", "12", "-draw",
                      "circle 560,220 560,90", "-stroke", "none", "-fill", "rgb(226,62,40)",
                      "-pointsize", "44", "-annotate", "+480+240", "青葉之印"});
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

ScanSpec AskewScan() {
    // A page of five short lines turned 4° on the glass, the lid dark
    // around the sheet.
    ScanSpec page{.lines = {"業務連絡", "来週から新しい勤怠システムに切り替わります",
                            "初回は社員番号と仮のパスワードを使います",
                            "操作の説明は各部署の担当者が行います", "質問は情報システム課まで"},
                  .widthPx = 2400,
                  .heightPx = 3300,
                  .pointSize = 10,
                  .linesTop = 300};
    page.capture = {"-virtual-pixel", "white",   "-distort", "SRT",  "-4",
                    "-bordercolor",   "#282828", "-border",  "70x50"};
    return page;
}

ScanSpec Poster() {
    ScanSpec page{
        .lines = {"本日休業"}, .widthPx = 2400, .heightPx = 900, .pointSize = 110, .linesTop = 600};
    return page;
}

struct CaptureCase {
    const char* name;
    ScanSpec page;
    double maxCer;
};

TEST(CaptureTest, DegradedPagesReadTheirWords) {
    const CaptureCase cases[] = {
        {"a photo on a dark desk", Photo(), 0.1},
        {"a red seal over the address", Seal(), 0.1},
        {"a fax with specks, a streak and its header", Fax(), 0.1},
        {"a scan 4° askew in dark borders", AskewScan(), 0.02},
        {"letters too large for the layout", Poster(), 0.25},
    };
    TempDir dir;
    for (const CaptureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("capture.xdw");
        MakeScannedPdf(path, {c.page});
        ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_JAPANESE), 0);
        std::string expected;
        for (const std::string& line : c.page.lines) expected += line;
        const std::string text = PdfReadingText(path, 1);
        EXPECT_LE(Cer(expected, text), c.maxCer) << text;
    }
}

}  // namespace
