#include "layout/Pix.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "WorkLimit.h"
#include "layout/LayoutTuning.h"

namespace xdw {

namespace {

// Darker than this counts as ink: halfway between paper and print, so that
// a light scan's grey strokes are kept and its noise is not.
const int kInkThreshold = TunedInt(Layout::InkThreshold);

// The first pixel from x on of a 1-bit row that is set (or clear), or w.
int NextPixel(const l_uint32* row, int x, int w, bool set) {
    while (x < w) {
        l_uint32 word = set ? row[x >> 5] : ~row[x >> 5];
        word &= 0xffffffffu >> (x & 31);
        if (word != 0) return std::min(w, (x & ~31) + __builtin_clz(word));
        x = (x & ~31) + 32;
    }
    return w;
}

// Sets (or clears) the pixels from x to end of a 1-bit row.
void PutPixels(l_uint32* row, int x, int end, bool set) {
    while (x < end) {
        const int bit = x & 31, n = std::min(32 - bit, end - x);
        const l_uint32 run = n == 32 ? 0xffffffffu : ((1u << n) - 1) << (32 - bit - n);
        row[x >> 5] = set ? row[x >> 5] | run : row[x >> 5] & ~run;
        x += n;
    }
}

}  // namespace

void KeepLongRuns(PIX* pix, int length, int gap, double inkShare) {
    const int w = static_cast<int>(pixGetWidth(pix)), h = static_cast<int>(pixGetHeight(pix));
    const int wpl = pixGetWpl(pix);
    l_uint32* data = pixGetData(pix);
    for (int y = 0; y < h; ++y) {
        l_uint32* row = data + static_cast<size_t>(y) * wpl;
        for (int x = NextPixel(row, 0, w, true); x < w;) {
            int end = NextPixel(row, x, w, false);
            int ink = end - x;
            for (int next = NextPixel(row, end, w, true); next < w && next - end <= gap;
                 next = NextPixel(row, end, w, true)) {
                const int after = NextPixel(row, next, w, false);
                ink += after - next;
                end = after;
            }
            PutPixels(row, x, end, end - x >= length && ink >= inkShare * (end - x));
            x = NextPixel(row, end, w, true);
        }
    }
}

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
        // Four pixels a word, the first in its high byte (as SET_DATA_BYTE
        // puts them, whatever the machine's byte order).
        const int whole = w / 4;
        for (int i = 0; i < whole; ++i) {
            const uint8_t* p = row + 4 * static_cast<size_t>(i);
            line[i] =
                (l_uint32{p[0]} << 24) | (l_uint32{p[1]} << 16) | (l_uint32{p[2]} << 8) | p[3];
        }
        for (int x = 4 * whole; x < w; ++x) SET_DATA_BYTE(line, x, row[x]);
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
        const int whole = w / 4;
        for (int i = 0; i < whole; ++i) {
            uint8_t* p = row + 4 * static_cast<size_t>(i);
            const l_uint32 v = line[i];
            p[0] = static_cast<uint8_t>(v >> 24);
            p[1] = static_cast<uint8_t>(v >> 16);
            p[2] = static_cast<uint8_t>(v >> 8);
            p[3] = static_cast<uint8_t>(v);
        }
        for (int x = 4 * whole; x < w; ++x) row[x] = static_cast<uint8_t>(GET_DATA_BYTE(line, x));
        CheckWorkLimit();
    }
    return out;
}

PixPtr Ink(PIX* grey) {
    QuietLeptonica();
    return Checked(pixThresholdToBinary(grey, kInkThreshold));
}

PixPtr LongRuns(PIX* binary, int length, bool across) {
    // An opening by a line keeps exactly the runs at least its length long;
    // Leptonica's composes the line of two factors, and so its length.
    l_int32 factor1 = 1, factor2 = 1;
    if (length > 1) selectComposableSizes(length, &factor1, &factor2);
    const int composed = std::max(1, factor1 * factor2);
    if (across) {
        PixPtr runs = Checked(pixCopy(nullptr, binary));
        KeepLongRuns(runs.get(), composed);
        return runs;
    }
    PixPtr turned = Checked(pixRotate90(binary, 1));
    KeepLongRuns(turned.get(), composed);
    return Checked(pixRotate90(turned.get(), -1));
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
