#include "layout/Pix.h"

#include <mutex>
#include <new>

#include "WorkLimit.h"
#include "layout/LayoutTuning.h"

namespace xdw {

namespace {

// Darker than this counts as ink: halfway between paper and print, so that
// a light scan's grey strokes are kept and its noise is not.
const int kInkThreshold = TunedInt(Layout::InkThreshold);

}  // namespace

void QuietLeptonica() {
    static std::once_flag once;
    std::call_once(once, [] {
        setMsgSeverity(L_SEVERITY_NONE);
        leptSetStderrHandler([](const char*) {});
    });
}

PixPtr Checked(PIX* pix) {
    if (pix == nullptr) throw std::bad_alloc();
    PixPtr held(pix);
    // Between the steps of a page's work: its limit and cancel are asked.
    CheckWorkLimit();
    return held;
}

PixPtr GreyPix(const RenderedPage& page) {
    QuietLeptonica();
    const int w = page.geometry.width, h = page.geometry.height;
    PixPtr pix = Checked(pixCreateNoInit(w, h, 8));
    l_uint32* data = pixGetData(pix.get());
    const int wpl = pixGetWpl(pix.get());
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = page.pixels.data() + static_cast<size_t>(y) * page.bytesPerLine;
        l_uint32* line = data + static_cast<size_t>(y) * wpl;
        for (int x = 0; x < w; ++x) SET_DATA_BYTE(line, x, row[x]);
        CheckWorkLimit();
    }
    pixSetResolution(pix.get(), page.dpi, page.dpi);
    return pix;
}

RenderedPage GreyPage(PIX* grey, const RenderedPage& page) {
    RenderedPage out;
    out.dpi = page.dpi;
    out.geometry = page.geometry;
    const int w = pixGetWidth(grey), h = pixGetHeight(grey);
    out.geometry.width = w;
    out.geometry.height = h;
    out.bytesPerLine = w;
    out.pixels.resize(static_cast<size_t>(w) * h);
    const l_uint32* data = pixGetData(grey);
    const int wpl = pixGetWpl(grey);
    for (int y = 0; y < h; ++y) {
        const l_uint32* line = data + static_cast<size_t>(y) * wpl;
        uint8_t* row = out.pixels.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) row[x] = static_cast<uint8_t>(GET_DATA_BYTE(line, x));
        CheckWorkLimit();
    }
    return out;
}

PixPtr Ink(PIX* grey) {
    QuietLeptonica();
    return Checked(pixThresholdToBinary(grey, kInkThreshold));
}

std::vector<PixelBox> InkBoxes(PIX* binary) {
    BoxaPtr boxa(pixConnCompBB(binary, 8));
    std::vector<PixelBox> boxes;
    if (!boxa) return boxes;
    const int n = boxaGetCount(boxa.get());
    boxes.reserve(n);
    for (int i = 0; i < n; ++i) {
        CheckWorkLimit();
        l_int32 x = 0, y = 0, w = 0, h = 0;
        boxaGetBoxGeometry(boxa.get(), i, &x, &y, &w, &h);
        boxes.push_back(PixelBox{x, y, x + w, y + h});
    }
    return boxes;
}

}  // namespace xdw
