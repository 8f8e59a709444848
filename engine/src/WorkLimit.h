// How long one page's work may go on, counted in the processor time it uses
// rather than on the wall clock: on a busy machine (a multi-selection of
// forty files, a group held to a sliver of a processor) a page is slower,
// but costs what it costs on a quiet one, so it keeps its text. The limit
// also carries the page's cancel, and the loops of the page's preparation,
// layout and recognition ask it (CheckWorkLimit) so that a cancel or a page
// beyond its limit stops them within moments.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace xdw {

// The processor time the calling thread has used, in milliseconds.
int64_t ThreadCpuMs();

class WorkLimit {
public:
    // limitMs of processor time from now, counted on the calling thread;
    // cancel (when given) is polled by Check.
    explicit WorkLimit(int64_t limitMs, bool (*cancel)(void*) = nullptr,
                       void* cancelData = nullptr);
    // The same page's limit for work done on the calling thread (a helper
    // thread's share of the page): its time counts from now, and, on a
    // thread other than this limit's own, goes to the page's account when
    // the copy ends.
    WorkLimit Helper() const;
    WorkLimit(WorkLimit&& other) noexcept;
    WorkLimit& operator=(WorkLimit&&) = delete;
    WorkLimit(const WorkLimit&) = delete;
    WorkLimit& operator=(const WorkLimit&) = delete;
    ~WorkLimit();

    // Processor time spent elsewhere on the page (the rendering child's).
    void Add(int64_t ms) const;
    // What the page has used: this thread's time since the start, and what
    // helpers that ended and the child used.
    int64_t SpentMs() const;
    int64_t LeftMs() const { return limitMs_ - SpentMs(); }
    int64_t LimitMs() const { return limitMs_; }
    bool OutOfTime() const { return SpentMs() >= limitMs_; }
    bool Cancelled() const { return cancel_ != nullptr && cancel_(cancelData_); }
    // Throws EngineError: XDW_E_FAIL "cancelled" for a cancel; a time limit
    // (XDW_REASON_TIME_LIMIT, in seconds) for what took longer, named by
    // what ("recognition", ...).
    void Check(const char* what = "the page's reading") const;

private:
    int64_t limitMs_;
    bool (*cancel_)(void*);
    void* cancelData_;
    int64_t start_;
    std::shared_ptr<std::atomic<int64_t>> elsewhere_;
    std::thread::id thread_;
    bool helper_ = false;
};

// The time limit error for what, past limitMs of processor time.
[[noreturn]] void OutOfProcessorTime(const std::string& what, int64_t limitMs);

// Makes limit the calling thread's for CheckWorkLimit while the scope lives.
class WorkLimitScope {
public:
    explicit WorkLimitScope(const WorkLimit& limit);
    ~WorkLimitScope();
    WorkLimitScope(const WorkLimitScope&) = delete;
    WorkLimitScope& operator=(const WorkLimitScope&) = delete;

private:
    const WorkLimit* outer_;
};

// The calling thread's limit; null outside a scope.
const WorkLimit* CurrentWorkLimit();

// For the inner loops of a page's work: throws as WorkLimit::Check for the
// calling thread's limit, at most every few milliseconds; does nothing
// outside a scope.
void CheckWorkLimit();

}  // namespace xdw
