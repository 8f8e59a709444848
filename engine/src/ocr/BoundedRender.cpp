#include "ocr/BoundedRender.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <new>
#include <type_traits>

#include "Error.h"

namespace xdw {

namespace {

// Sanitizers reserve terabytes of address space: a cap on it would stop
// every child at once, so under them only time bounds the rendering.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCapAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kCapAddressSpace = false;
#else
constexpr bool kCapAddressSpace = true;
#endif
#else
constexpr bool kCapAddressSpace = true;
#endif
// Sanitized code runs several times slower.
constexpr int kSlowdown = kCapAddressSpace ? 1 : 5;

constexpr int kOutOfMemoryExit = 86;

// What the child hands back first; the message, pixels, the stamp ink's
// marks (none or one a pixel) and boxes follow.
struct Header {
    int32_t code = 0;                // 0: rendered; else the EngineError's code
    int32_t kind = XDW_REASON_NONE;  // ... and what it concerns: a kind, a limit
    int32_t limitUnit = XDW_LIMIT_NONE;
    int64_t limit = 0;
    int32_t dpi = 0;
    int32_t bytesPerLine = 0;
    PageGeometry geometry;
    uint64_t messageBytes = 0, pixelBytes = 0, stampBytes = 0, boxes = 0;
};
static_assert(std::is_trivially_copyable_v<Header> && std::is_trivially_copyable_v<PixelBox>);

std::uint64_t AddressSpaceNow() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

bool WriteAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The child's whole life: render, hand the result over, end without running
// anything of the parent's (no destructors, no atexit handlers).
[[noreturn]] void RenderAsChild(int fd, const std::string& data, double dpi, bool wantText,
                                std::uint64_t limit) {
    // The parent's signal handlers are its own business; the child ends
    // with the parent, and by the default action of a signal.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) ::signal(sig, SIG_DFL);
    sigset_t all;
    sigemptyset(&all);
    ::sigprocmask(SIG_SETMASK, &all, nullptr);
    if (kCapAddressSpace) {
        const rlimit cap{limit, limit};
        ::setrlimit(RLIMIT_AS, &cap);
    }
    Header header;
    std::string message;
    RenderedPage page;
    std::vector<PixelBox> boxes;
    try {
        page = RenderSinglePage(data, dpi, wantText ? &boxes : nullptr);
    } catch (const EngineError& e) {
        header.code = e.code() != 0 ? e.code() : XDW_E_FAIL;
        header.kind = e.concern().kind;
        header.limitUnit = e.concern().limitUnit;
        header.limit = e.concern().limit;
        message = e.what();
    } catch (const std::bad_alloc&) {
        ::_exit(kOutOfMemoryExit);
    } catch (...) {
        header.code = XDW_E_FAIL;
        message = "page cannot be rendered";
    }
    header.dpi = page.dpi;
    header.bytesPerLine = page.bytesPerLine;
    header.geometry = page.geometry;
    header.messageBytes = message.size();
    header.pixelBytes = page.pixels.size();
    header.stampBytes = page.stampInk.size();
    header.boxes = boxes.size();
    const bool sent = WriteAll(fd, &header, sizeof header) &&
                      WriteAll(fd, message.data(), message.size()) &&
                      WriteAll(fd, page.pixels.data(), page.pixels.size()) &&
                      WriteAll(fd, page.stampInk.data(), page.stampInk.size()) &&
                      WriteAll(fd, boxes.data(), boxes.size() * sizeof(PixelBox));
    ::_exit(sent ? 0 : 1);
}

enum class Stop { None, Time, Cancel };

// The parent's side: the child's output read within the time left, the
// cancel polled meanwhile, and the child ended and reaped whatever happens.
class Child {
public:
    Child(pid_t pid, int fd, std::chrono::steady_clock::time_point end, const RenderBounds& b)
        : pid_(pid), fd_(fd), end_(end), bounds_(b) {}
    ~Child() {
        ::close(fd_);
        if (!reaped_) {
            ::kill(pid_, SIGKILL);
            Reap();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // False at the end of the output or when stopped (stop() says why).
    bool Read(void* data, size_t size) {
        auto* p = static_cast<char*>(data);
        while (size > 0) {
            if (bounds_.cancel != nullptr && bounds_.cancel(bounds_.cancelData)) {
                stop_ = Stop::Cancel;
                return false;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end_ - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                stop_ = Stop::Time;
                return false;
            }
            pollfd watch{fd_, POLLIN, 0};
            const int ready = ::poll(&watch, 1, static_cast<int>(std::min<long long>(left, 100)));
            if (ready < 0 && errno != EINTR) return false;
            if (ready <= 0) continue;
            const ssize_t n = ::read(fd_, p, size);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) return false;
            p += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    Stop stop() const { return stop_; }

private:
    void Reap() {
        int status = 0;
        while (!reaped_)
            if (::waitpid(pid_, &status, 0) == pid_ || errno != EINTR) reaped_ = true;
    }

    pid_t pid_;
    int fd_;
    std::chrono::steady_clock::time_point end_;
    RenderBounds bounds_;
    Stop stop_ = Stop::None;
    bool reaped_ = false;
};

// Why the child handed back nothing whole; the child itself is ended and
// reaped as the exception leaves.
[[noreturn]] void Refuse(Stop stop, const RenderBounds& bounds, int timeLimitMs) {
    if (stop == Stop::Cancel) throw EngineError(XDW_E_FAIL, "cancelled");
    if (stop == Stop::Time)
        BadLimit(
            XDW_REASON_TIME_LIMIT, XDW_LIMIT_SECONDS, static_cast<uint64_t>(timeLimitMs / 1000),
            "the page took longer than " + std::to_string(timeLimitMs / 1000) + " s to render");
    BadLimit(XDW_REASON_MEMORY_LIMIT, XDW_LIMIT_BYTES, bounds.memoryBytes,
             "the page cannot be rendered within " + std::to_string(bounds.memoryBytes >> 20) +
                 " MiB of memory");
}

}  // namespace

RenderedPage RenderBounded(const std::string& data, double dpi, std::vector<PixelBox>* text,
                           const RenderBounds& bounds) {
    const int timeLimitMs =
        std::min(bounds.timeLimitMs > 0 ? bounds.timeLimitMs : kMaxRenderMs, kMaxRenderMs) *
        kSlowdown;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMs);
    const std::uint64_t limit = AddressSpaceNow() + bounds.memoryBytes;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw EngineError(XDW_E_FAIL, "cannot start rendering");
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw EngineError(XDW_E_FAIL, "cannot start rendering");
    }
    if (pid == 0) {
        ::close(fds[0]);
        RenderAsChild(fds[1], data, dpi, text != nullptr, limit);
    }
    ::close(fds[1]);
    Child child(pid, fds[0], end, bounds);

    Header header;
    if (!child.Read(&header, sizeof header)) Refuse(child.stop(), bounds, timeLimitMs);
    if (header.code != 0) {
        std::string message(std::min<uint64_t>(header.messageBytes, 4096), '\0');
        if (!child.Read(message.data(), message.size())) Refuse(child.stop(), bounds, timeLimitMs);
        throw EngineError(header.code, message,
                          Concern{header.kind, {}, 0, {}, header.limit, header.limitUnit});
    }
    RenderedPage page;
    page.dpi = header.dpi;
    page.bytesPerLine = header.bytesPerLine;
    page.geometry = header.geometry;
    const uint64_t expected = static_cast<uint64_t>(std::max(0, header.bytesPerLine)) *
                              std::max(0, header.geometry.height);
    if (header.messageBytes != 0 || header.pixelBytes != expected ||
        header.pixelBytes > kMaxRenderBytes ||
        (header.stampBytes != 0 && header.stampBytes != expected) || header.boxes > (1u << 24))
        throw EngineError(XDW_E_FAIL, "page rendering handed back nonsense");
    page.pixels.resize(header.pixelBytes);
    page.stampInk.resize(header.stampBytes);
    std::vector<PixelBox> boxes(header.boxes);
    if (!child.Read(page.pixels.data(), page.pixels.size()) ||
        !child.Read(page.stampInk.data(), page.stampInk.size()) ||
        !child.Read(boxes.data(), boxes.size() * sizeof(PixelBox)))
        Refuse(child.stop(), bounds, timeLimitMs);
    if (text != nullptr) *text = std::move(boxes);
    return page;
}

RenderedPage RenderPageBounded(QPDF& pdf, int page, double dpi) {
    return RenderBounded(SinglePagePdf(pdf, page), dpi, nullptr);
}

}  // namespace xdw
