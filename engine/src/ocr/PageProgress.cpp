#include "ocr/PageProgress.h"

#include <atomic>
#include <cstdint>

namespace xdw {

namespace {

// At most two pages are recognised at once, one after the other (the page
// asked for and the next one read ahead), so their parities differ: each
// has a slot of its own. A slot holds the page in the high half and its
// progress in the low one, so that both are read together.
std::atomic<uint64_t> slots[2];
thread_local int currentPage = 0;

uint64_t Packed(int page, int percent) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(page)) << 32) |
           static_cast<uint32_t>(percent);
}

}  // namespace

PageProgressScope::PageProgressScope(int page) {
    currentPage = page;
    slots[page & 1].store(Packed(page, 0), std::memory_order_relaxed);
}

PageProgressScope::~PageProgressScope() {
    uint64_t mine = slots[currentPage & 1].load(std::memory_order_relaxed);
    // A page that came after this one into the slot keeps it.
    if (static_cast<int>(mine >> 32) == currentPage)
        slots[currentPage & 1].compare_exchange_strong(mine, 0, std::memory_order_relaxed);
    currentPage = 0;
}

void NotePageProgress(int percent) {
    if (currentPage <= 0) return;
    const int bounded = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    slots[currentPage & 1].store(Packed(currentPage, bounded), std::memory_order_relaxed);
}

int PageProgress(int page) {
    if (page <= 0) return -1;
    const uint64_t value = slots[page & 1].load(std::memory_order_relaxed);
    if (static_cast<int>(value >> 32) != page) return -1;
    return static_cast<int>(value & 0xFFFFFFFFu);
}

}  // namespace xdw
