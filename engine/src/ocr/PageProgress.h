// How far the recognition of a page has got, for the program to show while
// its OCR call runs. Written by the thread recognising the page (the caller's
// or the read-ahead one) into the page's own counter, which its reader owns.
#pragma once

#include <atomic>

namespace xdw {

// Sends the calling thread's progress notes to percent for the scope's life,
// starting it at 0; it is -1 again when the scope ends.
class PageProgressScope {
public:
    explicit PageProgressScope(std::atomic<int>& percent);
    ~PageProgressScope();
    PageProgressScope(const PageProgressScope&) = delete;
    PageProgressScope& operator=(const PageProgressScope&) = delete;

private:
    std::atomic<int>& percent_;
    std::atomic<int>* outer_;
};

// The recogniser's own progress (0 to 100) on the calling thread's page; a
// thread outside a scope notes nothing.
void NotePageProgress(int percent);

}  // namespace xdw
