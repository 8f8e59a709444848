// Ink read again adds no word the layer holds already: a held line (rows
// 230-290) and words read again there, each held or not.
#include <gtest/gtest.h>

#include "common/Utf8.h"
#include "ocr/HeldWords.h"

using namespace xdw;

namespace {

struct Placed {
    const char* text;
    PixelBox box;
    bool held = false;
};

OcrWord Word(const Placed& p) {
    OcrWord w{{}, p.box, 90};
    for (char32_t c : quilbex::DecodeUtf8(p.text))
        w.symbols.push_back({std::u32string(1, c), p.box});
    return w;
}

// A date whose word 8年12 has a box short of its ink: the 12 beyond it,
// read again between it and 月 (in a taller box too), is held; other text
// there is not, nor a 12 on the next line.
const Placed kAgain[] = {
    {"12", {2103, 239, 2122, 274}, true}, {"12", {2095, 200, 2125, 320}, true},
    {"12", {2030, 245, 2060, 275}, true}, {"日", {2103, 239, 2122, 274}},
    {"12", {2103, 330, 2122, 370}},       {"8", {1700, 239, 1730, 274}},
};

TEST(HeldWords, WordReadAgainBesideItselfIsHeld) {
    OcrLine line{{}, {1923, 230, 2231, 290}};
    for (const Placed& p :
         {Placed{"令和", {1923, 237, 2010, 278}}, Placed{"8年12", {2018, 237, 2090, 278}},
          Placed{"月", {2135, 237, 2162, 278}}, Placed{"8日", {2171, 239, 2231, 278}}})
        line.words.push_back(Word(p));
    HeldWords held;
    held.Add({line});
    for (const Placed& p : kAgain)
        EXPECT_EQ(held.Holds(Word(p)), p.held) << p.text << " at " << p.box.left;
}

}  // namespace
