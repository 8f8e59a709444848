#include "WorkLimit.h"

#include <time.h>

#include "Error.h"

namespace xdw {

namespace {

thread_local const WorkLimit* current = nullptr;
// CheckWorkLimit looks at the limit at most this often, by a clock that
// costs next to nothing to read: some loops that call it take well under a
// microsecond a turn, and the processor clock is a system call.
constexpr int64_t kCheckEveryNs = 20'000'000;
thread_local int64_t lastCheck = 0;

int64_t CoarseNowNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

int64_t ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

WorkLimit::WorkLimit(int64_t limitMs, bool (*cancel)(void*), void* cancelData)
    : limitMs_(limitMs),
      cancel_(cancel),
      cancelData_(cancelData),
      start_(ThreadCpuMs()),
      elsewhere_(std::make_shared<std::atomic<int64_t>>(0)),
      thread_(std::this_thread::get_id()) {}

WorkLimit WorkLimit::Helper() const {
    WorkLimit helper(limitMs_, cancel_, cancelData_);
    helper.elsewhere_ = elsewhere_;
    helper.helper_ = helper.thread_ != thread_;
    if (!helper.helper_) helper.start_ = start_;  // this thread's time counts once
    return helper;
}

WorkLimit::WorkLimit(WorkLimit&& other) noexcept
    : limitMs_(other.limitMs_),
      cancel_(other.cancel_),
      cancelData_(other.cancelData_),
      start_(other.start_),
      elsewhere_(other.elsewhere_),
      thread_(other.thread_),
      helper_(other.helper_) {
    other.helper_ = false;
}

WorkLimit::~WorkLimit() {
    if (helper_) Add(ThreadCpuMs() - start_);
}

void WorkLimit::Add(int64_t ms) const {
    if (ms > 0) *elsewhere_ += ms;
}

int64_t WorkLimit::SpentMs() const { return ThreadCpuMs() - start_ + elsewhere_->load(); }

void WorkLimit::Check(const char* what) const {
    if (Cancelled()) throw EngineError(XDW_E_FAIL, "cancelled");
    if (OutOfTime()) OutOfProcessorTime(what, limitMs_);
}

void OutOfProcessorTime(const std::string& what, int64_t limitMs) {
    const int64_t seconds = (limitMs + 999) / 1000;
    BadLimit(XDW_REASON_TIME_LIMIT, XDW_LIMIT_SECONDS, static_cast<uint64_t>(seconds),
             what + " took longer than " + std::to_string(seconds) + " s of processor time");
}

WorkLimitScope::WorkLimitScope(const WorkLimit& limit) : outer_(current) { current = &limit; }

WorkLimitScope::~WorkLimitScope() { current = outer_; }

const WorkLimit* CurrentWorkLimit() { return current; }

void CheckWorkLimit() {
    if (current == nullptr) return;
    const int64_t now = CoarseNowNs();
    if (now - lastCheck < kCheckEveryNs) return;
    lastCheck = now;
    current->Check();
}

}  // namespace xdw
