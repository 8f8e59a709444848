// How far the recognition of a page has got, for the program to show while
// its OCR call runs. Written by the thread recognising the page (the caller's
// or the read-ahead one), read from any thread.
#pragma once

namespace xdw {

// Marks the calling thread as recognising page (counted from 1) for the
// scope's life, its progress starting at 0.
class PageProgressScope {
public:
    explicit PageProgressScope(int page);
    ~PageProgressScope();
    PageProgressScope(const PageProgressScope&) = delete;
    PageProgressScope& operator=(const PageProgressScope&) = delete;
};

// The recogniser's own progress (0 to 100) on the calling thread's page; a
// thread outside a scope notes nothing.
void NotePageProgress(int percent);

// The progress of page, 0 to 100; -1 when the page is not being recognised.
int PageProgress(int page);

}  // namespace xdw
