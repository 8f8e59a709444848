#include "ocr/BoundedRender.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

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
                   bool wantText, std::uint64_t memory, int cpuSeconds) {
    const int in = ::memfd_create("quilbex-page", MFD_CLOEXEC);
    if (in < 0) return -1;
    if (!WriteAll(in, data.data(), data.size())) {
        ::close(in);
        return -1;
    }
    std::string args[] = {program, std::to_string(dpi), wantText ? "1" : "0",
                          std::to_string(memory), std::to_string(cpuSeconds)};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(),
                    args[3].data(), args[4].data(), nullptr};
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
                   std::uint64_t memory, int cpuSeconds) {
    const std::uint64_t limit = AddressSpaceNow() + memory;
    const pid_t pid = ::fork();
    if (pid == 0) RenderAsChild(out, data, dpi, wantText, limit, cpuSeconds);
    return pid;
}

enum class Stop { None, Time, Stuck, Cancel };

// The processor time process pid has used so far, in milliseconds; -1 when
// it cannot be read.
std::int64_t ProcessCpuMs(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t name = stat.rfind(')');
    if (name == std::string::npos) return -1;
    std::istringstream fields(stat.substr(name + 2));
    std::string field;
    // After the name: state, then utime and stime as the 12th and 13th.
    unsigned long long user = 0, system = 0;
    for (int i = 0; i < 11 && fields >> field; ++i) {
    }
    if (!(fields >> user >> system)) return -1;
    static const long ticks = ::sysconf(_SC_CLK_TCK);
    return static_cast<std::int64_t>((user + system) * 1000 / std::max(ticks, 1L));
}

// The parent's side: the child's output read while its processor time stays
// within the limit, the cancel polled meanwhile, and the child ended and
// reaped whatever happens. The wall clock only tells a stuck child: one
// that neither works nor writes for kStuckRenderMs.
class Child {
public:
    Child(pid_t pid, int fd, int cpuLimitMs, int stuckMs, const RenderBounds& b)
        : pid_(pid), fd_(fd), cpuLimitMs_(cpuLimitMs), stuckMs_(stuckMs), bounds_(b) {}
    ~Child() {
        ::close(fd_);
        if (!reaped_) {
            ::kill(pid_, SIGKILL);
            Reap();
        }
        if (bounds_.cpuMs != nullptr) *bounds_.cpuMs = cpuMs_;
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // False at the end of the output or when stopped (stop() says why).
    bool Read(void* data, size_t size) {
        auto* p = static_cast<char*>(data);
        using Clock = std::chrono::steady_clock;
        while (size > 0) {
            if (bounds_.cancel != nullptr && bounds_.cancel(bounds_.cancelData)) {
                stop_ = Stop::Cancel;
                return false;
            }
            const Clock::time_point now = Clock::now();
            if (now - lastLook_ >= std::chrono::milliseconds(100)) {
                lastLook_ = now;
                const std::int64_t cpu = ProcessCpuMs(pid_);
                if (cpu > cpuMs_) {
                    cpuMs_ = cpu;
                    lastProgress_ = now;
                }
                if (cpuMs_ >= cpuLimitMs_) {
                    stop_ = Stop::Time;
                    return false;
                }
                if (now - lastProgress_ >= std::chrono::milliseconds(stuckMs_)) {
                    stop_ = Stop::Stuck;
                    return false;
                }
            }
            pollfd watch{fd_, POLLIN, 0};
            const int ready = ::poll(&watch, 1, 100);
            if (ready < 0 && errno != EINTR) return false;
            if (ready <= 0) continue;
            const ssize_t n = ::read(fd_, p, size);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) return false;
            lastProgress_ = Clock::now();
            p += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    Stop stop() const { return stop_; }
    // After the end of the output: whether the child ended with status.
    bool ExitedWith(int status) {
        if (!reaped_) Reap();
        return WIFEXITED(status_) && WEXITSTATUS(status_) == status;
    }
    // After the end of the output: whether the child was ended for the
    // processor time it took (its own limit of it, a little past ours).
    bool RanOutOfTime() {
        if (!reaped_) Reap();
        if (!WIFSIGNALED(status_)) return false;
        const int signal = WTERMSIG(status_);
        return signal == SIGXCPU || (signal == SIGKILL && cpuMs_ >= cpuLimitMs_);
    }

private:
    bool Reap() {
        pid_t got = -1;
        rusage usage{};
        while ((got = ::wait4(pid_, &status_, 0, &usage)) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        if (got != pid_) return false;
        const auto ms = [](const timeval& t) {
            return static_cast<std::int64_t>(t.tv_sec) * 1000 + t.tv_usec / 1000;
        };
        cpuMs_ = std::max(cpuMs_, ms(usage.ru_utime) + ms(usage.ru_stime));
        return true;
    }

    pid_t pid_;
    int fd_;
    int cpuLimitMs_;
    int stuckMs_;
    RenderBounds bounds_;
    std::chrono::steady_clock::time_point lastLook_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastProgress_ = lastLook_;
    std::int64_t cpuMs_ = 0;
    Stop stop_ = Stop::None;
    bool reaped_ = false;
    int status_ = 0;
};

// Why the child handed back nothing whole; the child itself is ended and
// reaped as the exception leaves.
[[noreturn]] void Refuse(Child& child, const RenderBounds& bounds, int timeLimitMs, int stuckMs) {
    Stop stop = child.stop();
    if (stop == Stop::None && child.ExitedWith(kCannotStartExit))
        throw EngineError(XDW_E_FAIL, "cannot start rendering");
    if (stop == Stop::Cancel) throw EngineError(XDW_E_FAIL, "cancelled");
    if (stop == Stop::None && child.RanOutOfTime()) stop = Stop::Time;
    const uint64_t seconds = static_cast<uint64_t>((timeLimitMs + 999) / 1000);
    if (stop == Stop::Time)
        BadLimit(XDW_REASON_TIME_LIMIT, XDW_LIMIT_SECONDS, seconds,
                 "the page took longer than " + std::to_string(seconds) +
                     " s of processor time to render");
    if (stop == Stop::Stuck)
        BadLimit(XDW_REASON_TIME_LIMIT, XDW_LIMIT_SECONDS, static_cast<uint64_t>(stuckMs / 1000),
                 "the page's rendering stopped making progress for " +
                     std::to_string(stuckMs / 1000) + " s");
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
    const int stuckMs = kStuckRenderMs * kSlowdown;
    // No child is started for a page already cancelled.
    if (bounds.cancel != nullptr && bounds.cancel(bounds.cancelData))
        throw EngineError(XDW_E_FAIL, "cancelled");
    // The child's own limit, a little past the one watched here, ends it
    // even when this side cannot look.
    const int cpuSeconds = timeLimitMs / 1000 + 2;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw EngineError(XDW_E_FAIL, "cannot start rendering");
    const std::string& program = RenderProgram();
    const pid_t pid = program.empty() ? ForkRenderer(fds[1], data, dpi, text != nullptr,
                                                     bounds.memoryBytes, cpuSeconds)
                                      : ExecRenderer(program, fds[1], data, dpi, text != nullptr,
                                                     bounds.memoryBytes, cpuSeconds);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        throw EngineError(XDW_E_FAIL, "cannot start rendering");
    }
    Child child(pid, fds[0], timeLimitMs, stuckMs, bounds);

    RenderHeader header;
    if (!child.Read(&header, sizeof header)) Refuse(child, bounds, timeLimitMs, stuckMs);
    if (header.code != 0) {
        std::string message(std::min<uint64_t>(header.messageBytes, 4096), '\0');
        if (!child.Read(message.data(), message.size()))
            Refuse(child, bounds, timeLimitMs, stuckMs);
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
        Refuse(child, bounds, timeLimitMs, stuckMs);
    if (text != nullptr) *text = std::move(boxes);
    return page;
}

RenderedPage RenderPageBounded(QPDF& pdf, int page, double dpi) {
    return RenderBounded(SinglePagePdf(pdf, page), dpi, nullptr);
}

}  // namespace xdw
