#include "ocr/OcrMemory.h"

#include <malloc.h>

namespace xdw {

namespace {

// Allocations up to this size come from the heap rather than from the
// system one by one, and this much of its free top is kept: a page drawn at
// 300 dpi is 9 MB of grey, a few of its steps' copies at a time.
constexpr int kMapAbove = 256 << 20;
constexpr int kKeepFree = 512 << 20;

}  // namespace

void KeepOcrMemory() {
    static const bool done = [] {
        ::mallopt(M_MMAP_THRESHOLD, kMapAbove);
        ::mallopt(M_TRIM_THRESHOLD, kKeepFree);
        return true;
    }();
    (void)done;
}

void ReturnOcrMemory() { ::malloc_trim(0); }

}  // namespace xdw
