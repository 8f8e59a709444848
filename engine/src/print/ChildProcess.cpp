#include "print/ChildProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "Error.h"

extern char** environ;

namespace xdw {

namespace {

std::vector<std::string> ChildEnvironment(const ChildSpec& launch) {
    std::vector<std::string> result;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const auto& [key, value] : launch.env) replaced = replaced || key == name;
        for (const auto& key : launch.unset) replaced = replaced || key == name;
        if (!replaced) result.push_back(text);
    }
    for (const auto& [key, value] : launch.env) result.push_back(key + "=" + value);
    // Like the engine's own OCR, an OpenMP program started here keeps to one
    // thread unless the caller's environment chose otherwise. It goes into the
    // child's copy: our own environment is never changed once threads run.
    const std::string ompLimit = "OMP_THREAD_LIMIT=";
    bool hasOmpLimit = false;
    for (const auto& entry : result) hasOmpLimit = hasOmpLimit || entry.rfind(ompLimit, 0) == 0;
    if (!hasOmpLimit) result.push_back(ompLimit + "1");
    return result;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Tells the parent why the child could not start, and ends the child.
[[noreturn]] void FailStart(int report, int err) {
    while (::write(report, &err, sizeof err) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

// The forked child, up to exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(pid_t parent, const char* log, char* const* argv, char* const* envp,
                            std::uint64_t addressSpace, int report) {
    const auto fail = [report](int err) { FailStart(report, err); };
    // A session and group of its own, so the whole application can be ended
    // together and has no controlling terminal to type into.
    if (::setsid() < 0) fail(errno);
    if (addressSpace > 0) {
        const rlimit limit{addressSpace, addressSpace};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) fail(errno);
    }
    // Ends with the thread that started it, even when that is killed: an
    // application left behind would run on unsupervised.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) fail(errno);
    if (::getppid() != parent) ::_exit(127);
    // Default signal handling and nothing blocked, whatever the host does.
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD, SIGQUIT, SIGUSR1, SIGUSR2})
        ::signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(log, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0) fail(errno);
    if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0) fail(errno);
    // Descriptors the host program left inheritable stay with the host.
    if (report > 3) ::close_range(3, static_cast<unsigned>(report) - 1, 0);
    ::close_range(static_cast<unsigned>(report) + 1, ~0U, 0);
    ::execve(argv[0], argv, envp);
    FailStart(report, errno);
}

}  // namespace

ChildProcess::ChildProcess(const ChildSpec& launch) {
    if (launch.argv.empty()) throw EngineError(XDW_E_INVALID_ARG, "no program");

    const std::string log = launch.logPath.empty() ? "/dev/null" : launch.logPath;
    std::vector<std::string> args = launch.argv;
    std::vector<std::string> env = ChildEnvironment(launch);
    std::vector<char*> argv = CStrings(args);
    std::vector<char*> envp = CStrings(env);

    // The child reports a failed start through this pipe; exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        throw EngineError(CodeFromErrno(errno), "cannot start " + args[0]);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        ExecChild(parent, log.c_str(), argv.data(), envp.data(), launch.addressSpace, report[1]);
    ::close(report[1]);
    if (pid < 0) {
        const int err = errno;
        ::close(report[0]);
        throw EngineError(CodeFromErrno(err), "cannot start " + args[0]);
    }
    pid_ = pid;

    // The pipe closes at exec: from then on the child leads its own group.
    int err = 0;
    ssize_t n;
    while ((n = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof err)) {
        reap();
        const bool missing = err == ENOENT || err == EACCES || err == ENOEXEC;
        const std::string prose = "cannot start " + args[0] + ": " + std::strerror(err);
        if (missing) Bad(Concern{XDW_REASON_MISSING_PROGRAM, args[0], err, {}}, prose);
        throw EngineError(XDW_E_FAIL, prose);
    }
}

ChildProcess::~ChildProcess() { terminate(std::chrono::milliseconds(0)); }

std::optional<int> ChildProcess::poll() {
    if (reaped_) return status_;
    siginfo_t info{};
    // Look without reaping: the group id stays ours until the sweep below.
    if (waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno == EINTR) return std::nullopt;
        reaped_ = true;  // someone else reaped it; nothing more to wait for
        status_ = 0;
        return status_;
    }
    if (info.si_pid == 0) return std::nullopt;
    killpg(pid_, SIGKILL);  // leftovers of a program that has ended
    reap();
    return status_;
}

void ChildProcess::reap() {
    if (reaped_) return;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = status;
    reaped_ = true;
}

void ChildProcess::terminate(std::chrono::milliseconds grace) {
    if (reaped_ || pid_ <= 0) return;
    killpg(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < deadline) {
        siginfo_t info{};
        const int rc = waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT);
        if (rc != 0 && errno == ECHILD) {
            reaped_ = true;  // reaped elsewhere: the id may no longer be ours
            return;
        }
        const bool leaderGone = rc == 0 && info.si_pid != 0;
        if (leaderGone && !groupAlive()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    killpg(pid_, SIGKILL);
    reap();
}

bool ChildProcess::groupAlive() const { return pid_ > 0 && ProcessGroupAlive(pid_); }

namespace {

// A file of /proc, "" when it cannot be read: a process that ends between
// the open and the read makes read() fail (ESRCH), which a stream would
// throw as an exception of its own.
std::string ReadProcFile(const std::string& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    ::close(fd);
    return text;
}

// Calls visit(pid, state) for every process of the group until it returns
// false; false when /proc cannot be read.
template <typename Visit>
bool ForEachGroupMember(pid_t group, Visit&& visit) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return false;
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        const std::string text = ReadProcFile(std::string("/proc/") + entry->d_name + "/stat");
        // pid (comm) state ppid pgrp ...; comm may hold spaces and brackets.
        const auto close = text.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        long ppid = 0, pgrp = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %ld %ld", &state, &ppid, &pgrp) != 3)
            continue;
        if (pgrp == group && !visit(pid, state)) break;
    }
    closedir(proc);
    return true;
}

}  // namespace

bool ProcessGroupAlive(pid_t group) {
    // kill(-group, 0) would also count zombies that nobody has reaped yet;
    // only processes that can still run matter here.
    bool alive = false;
    const bool looked = ForEachGroupMember(group, [&](long, char state) {
        alive = state != 'Z' && state != 'X';
        return !alive;
    });
    return looked ? alive : kill(-group, 0) == 0;
}

std::uint64_t GroupPeakBytes(pid_t group) {
    std::uint64_t peak = 0;
    ForEachGroupMember(group, [&](long pid, char) {
        std::istringstream status(ReadProcFile("/proc/" + std::to_string(pid) + "/status"));
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmPeak:", 0) != 0) continue;
            const std::uint64_t kib = std::strtoull(line.c_str() + 7, nullptr, 10);
            peak = std::max(peak, kib * 1024);
            break;
        }
        return true;
    });
    return peak;
}

std::optional<int> RunBriefly(const ChildSpec& launch, std::chrono::milliseconds limit) {
    try {
        ChildProcess child(launch);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (const auto status = child.poll()) return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        child.terminate(std::chrono::milliseconds(100));
    } catch (const EngineError&) {
    }
    return std::nullopt;
}

}  // namespace xdw
