#include "ocr/BoundedRender.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>

#include "Error.h"
#include "ocr/RenderChild.h"

extern char** environ;

namespace xdw {

namespace {

// Sanitized code runs several times slower.
constexpr int kSlowdown = kCapAddressSpace ? 1 : 5;

// The rendering program beside the engine, or beside the program the engine
// is built into; empty when it is not there, and the child is then only
// forked (which a lock held by another thread at that moment can hang).
std::string RenderProgramBeside() {
    Dl_info info{};
    std::string self;
    if (::dladdr(reinterpret_cast<void*>(&RenderBounded), &info) != 0 && info.dli_fname != nullptr)
        self = info.dli_fname;
    if (self.empty() || self[0] != '/') self = "/proc/self/exe";
    char resolved[PATH_MAX];
    if (::realpath(self.c_str(), resolved) == nullptr) return {};
    std::string program(resolved);
    program.erase(program.rfind('/') + 1);
    program += "quilbex-render";
    return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
}

const std::string& RenderProgram() {
    static const std::string program = RenderProgramBeside();
    return program;
}

// Starts the rendering program on data, its output to out. Between fork and
// exec only async-signal-safe calls; -1 when it cannot be started.
pid_t ExecRenderer(const std::string& program, int out, const std::string& data, double dpi,
                   bool wantText, std::uint64_t memory) {
    const int in = ::memfd_create("quilbex-page", MFD_CLOEXEC);
    if (in < 0) return -1;
    if (!WriteAll(in, data.data(), data.size())) {
        ::close(in);
        return -1;
    }
    std::string args[] = {program, std::to_string(dpi), wantText ? "1" : "0",
                          std::to_string(memory)};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // Out of the way of 0 and 1 first, whichever numbers they had.
        const int page = ::fcntl(in, F_DUPFD, 3);
        const int result = ::fcntl(out, F_DUPFD, 3);
        if (page < 0 || result < 0 || ::dup2(page, 0) < 0 || ::dup2(result, 1) < 0)
            ::_exit(kCannotStartExit);
        ::close_range(3, ~0U, 0);
        ::execve(argv[0], argv, environ);
        ::_exit(kCannotStartExit);
    }
    ::close(in);
    return pid;
}

// The child forked only, for when the rendering program is not there.
pid_t ForkRenderer(int out, const std::string& data, double dpi, bool wantText,
                   std::uint64_t memory) {
    const std::uint64_t limit = AddressSpaceNow() + memory;
    const pid_t pid = ::fork();
    if (pid == 0) RenderAsChild(out, data, dpi, wantText, limit);
    return pid;
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
    // After the end of the output: whether the child ended with status.
    bool ExitedWith(int status) {
        return !reaped_ && Reap() && WIFEXITED(status_) && WEXITSTATUS(status_) == status;
    }

private:
    bool Reap() {
        pid_t got = -1;
        while ((got = ::waitpid(pid_, &status_, 0)) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        return got == pid_;
    }

    pid_t pid_;
    int fd_;
    std::chrono::steady_clock::time_point end_;
    RenderBounds bounds_;
    Stop stop_ = Stop::None;
    bool reaped_ = false;
    int status_ = 0;
};

// Why the child handed back nothing whole; the child itself is ended and
// reaped as the exception leaves.
[[noreturn]] void Refuse(Child& child, const RenderBounds& bounds, int timeLimitMs) {
    const Stop stop = child.stop();
    if (stop == Stop::None && child.ExitedWith(kCannotStartExit))
        throw EngineError(XDW_E_FAIL, "cannot start rendering");
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
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw EngineError(XDW_E_FAIL, "cannot start rendering");
    const std::string& program = RenderProgram();
    const pid_t pid =
        program.empty()
            ? ForkRenderer(fds[1], data, dpi, text != nullptr, bounds.memoryBytes)
            : ExecRenderer(program, fds[1], data, dpi, text != nullptr, bounds.memoryBytes);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        throw EngineError(XDW_E_FAIL, "cannot start rendering");
    }
    Child child(pid, fds[0], end, bounds);

    RenderHeader header;
    if (!child.Read(&header, sizeof header)) Refuse(child, bounds, timeLimitMs);
    if (header.code != 0) {
        std::string message(std::min<uint64_t>(header.messageBytes, 4096), '\0');
        if (!child.Read(message.data(), message.size())) Refuse(child, bounds, timeLimitMs);
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
        Refuse(child, bounds, timeLimitMs);
    if (text != nullptr) *text = std::move(boxes);
    return page;
}

RenderedPage RenderPageBounded(QPDF& pdf, int page, double dpi) {
    return RenderBounded(SinglePagePdf(pdf, page), dpi, nullptr);
}

}  // namespace xdw
