#include "ocr/PageProgress.h"

namespace xdw {

namespace {

thread_local std::atomic<int>* current = nullptr;

}  // namespace

PageProgressScope::PageProgressScope(std::atomic<int>& percent)
    : percent_(percent), outer_(current) {
    percent_.store(0, std::memory_order_relaxed);
    current = &percent_;
}

PageProgressScope::~PageProgressScope() {
    current = outer_;
    percent_.store(-1, std::memory_order_relaxed);
}

void NotePageProgress(int percent) {
    if (current == nullptr) return;
    current->store(percent < 0 ? 0 : percent > 100 ? 100 : percent, std::memory_order_relaxed);
}

}  // namespace xdw
