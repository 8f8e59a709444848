#include "ChildRun.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "xdwapi/xdwapi.h"

namespace xdwtest {

ChildResult RunInChild(const std::function<int()>& body, uint64_t addressLimit,
                       int timeoutSeconds) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        if (!kUnderAsan) {
            const rlimit limit{addressLimit, addressLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::alarm(static_cast<unsigned>(timeoutSeconds));
        const int result = body();
        char reason[256] = {};
        XDW_GetLastErrorText(reason, sizeof reason);
        const int kind = XDW_GetLastErrorKind();
        const ssize_t ignored1 = ::write(fds[1], &result, sizeof result);
        const ssize_t ignored2 = ::write(fds[1], reason, sizeof reason);
        const ssize_t ignored3 = ::write(fds[1], &kind, sizeof kind);
        (void)ignored1;
        (void)ignored2;
        (void)ignored3;
        ::_exit(0);
    }
    ::close(fds[1]);
    ChildResult out;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out.peakBytes = static_cast<uint64_t>(usage.ru_maxrss) * 1024;
    out.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    char reason[256] = {};
    out.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                 ::read(fds[0], &out.result, sizeof out.result) == sizeof out.result;
    if (out.exited && ::read(fds[0], reason, sizeof reason) == sizeof reason)
        out.reason.assign(reason, ::strnlen(reason, sizeof reason));
    if (out.exited && ::read(fds[0], &out.kind, sizeof out.kind) != sizeof out.kind) out.kind = -1;
    ::close(fds[0]);
    return out;
}

}  // namespace xdwtest
