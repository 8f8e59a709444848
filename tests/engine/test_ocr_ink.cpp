// Pages whose every piece of ink must be accounted for: letters read, or
// marks known to be no text. Drawn at test time, read in Japanese through
// the C calls, the layer read back in the extractor's order.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const std::vector<std::string> kRows = {"用紙　１０　５０００円", "封筒　２００　３０００円"};
const std::vector<std::string> kSlip = {"田中様へ", "山本様からお電話がありました",
                                        "折り返しお願いします"};

ScanSpec Page() {
    ScanSpec page;
    page.widthPx = 2000;
    page.heightPx = 1000;
    page.pointSize = 14;
    return page;
}

// A table's header, white on a navy band, over rows in black.
ScanSpec DarkHeader() {
    ScanSpec page = Page();
    page.colour = true;
    for (size_t i = 0; i < kRows.size(); ++i)
        page.placed.push_back({160, 420 + 120 * static_cast<int>(i), kRows[i]});
    page.capture = {"-fill", "#1b2a5c",   "-draw",    "rectangle 100,160 1900,300", "-fill",
                    "white", "-annotate", "+160+255", "品名　　数量　　金額"};
    return page;
}

// A memo slip: its lines inside a dashed frame drawn round them.
ScanSpec BoxedSlip() {
    ScanSpec page = Page();
    for (size_t i = 0; i < kSlip.size(); ++i)
        page.placed.push_back({200, 290 + 110 * static_cast<int>(i), kSlip[i]});
    page.capture = {
        "-fill",        "none", "-stroke", "black",
        "-strokewidth", "3",    "-draw",   "stroke-dasharray 30 15 rectangle 150,200 1850,560"};
    return page;
}

// A notice in a box screened grey, as a printer shades it.
ScanSpec ScreenedBox() {
    ScanSpec page = Page();
    page.placed = {{200, 200, "本日の会議について"}};
    page.capture = {"-fill",
                    "#b0b0b0",
                    "-draw",
                    "rectangle 150,300 1850,800",
                    "-fill",
                    "black",
                    "-annotate",
                    "+220+470",
                    "会場は本社三階の大会議室です",
                    "-annotate",
                    "+220+650",
                    "資料は各自で印刷してください",
                    "-region",
                    "1700x500+150+300",
                    "-ordered-dither",
                    "h4x4a",
                    "+region",
                    "-type",
                    "Grayscale"};
    return page;
}

// A red 請求書在中 in a red frame and a red 至急 beside it, standing clear
// of the black lines: coloured text, not a seal laid over them; a received
// stamp's date in a roomy frame under them is a stamp.
ScanSpec RedBox() {
    ScanSpec page = Page();
    page.colour = true;
    page.placed = {{200, 700, "見積書を同封いたします"}};
    const std::vector<std::string> frame = {"-fill",        "none", "-stroke", "rgb(215,40,40)",
                                            "-strokewidth", "8",    "-draw"};
    const std::vector<std::string> letters = {"-stroke", "none", "-fill", "rgb(215,40,40)",
                                              "-annotate"};
    for (const auto& [box, at, text] :
         {std::tuple{"rectangle 190,270 580,370", "+230+345", "請求書在中"},
          std::tuple{"rectangle 1200,760 1800,1000", "+1260+900", "受付 12.09"}}) {
        page.capture.insert(page.capture.end(), frame.begin(), frame.end());
        page.capture.push_back(box);
        page.capture.insert(page.capture.end(), letters.begin(), letters.end());
        page.capture.insert(page.capture.end(), {at, text});
    }
    page.capture.insert(page.capture.end(), {"-annotate", "+1300+345", "至急"});
    return page;
}

struct InkCase {
    const char* name;
    ScanSpec (*page)();
    std::vector<std::string> holds;  // each read, blanks aside
    // Strokes read as marks: none of these appears.
    std::vector<std::string> never = {"ー", "_", "|", "｜", "一", "－", "—"};
};

class InkPage : public ::testing::TestWithParam<InkCase> {};

TEST_P(InkPage, EveryInkReadOrKnownNoText) {
    TempDir dir;
    const std::string path = dir.File("page.xdw");
    MakeScannedPdf(path, {GetParam().page()});
    ASSERT_EQ(OcrPages(path, XDW_OCR_LANGUAGE_JAPANESE), 0);
    const std::string text = WithoutBlanks(PdfReadingText(path, 1));
    for (const std::string& part : GetParam().holds)
        EXPECT_NE(text.find(WithoutBlanks(part)), std::string::npos) << part << " in " << text;
    for (const std::string& mark : GetParam().never) EXPECT_EQ(Count(text, mark), 0) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, InkPage,
    ::testing::Values(
        InkCase{"WhiteOnDarkHeaderRead", &DarkHeader, {"品名", "数量", "金額"}},
        InkCase{"SlipFrameReadAsNothing", &BoxedSlip, {"田中様", "お電話", "折り返し"}},
        InkCase{"ScreenedBoxRead", &ScreenedBox, {"本日の会議", "大会議室", "印刷して"}},
        InkCase{"RedTextInRedBoxRead", &RedBox, {"請求書在中", "至急", "同封"}, {"受付", "|"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
