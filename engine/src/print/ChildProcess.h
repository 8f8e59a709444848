// A child program started from an argument vector (never a shell) in a
// session and process group of its own, so that it and everything it starts
// can be ended together and none of it can reach our terminal.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace xdw {

struct ChildSpec {
    std::vector<std::string> argv;  // argv[0] is the program path
    // Variables set (or replaced) in the child's copy of our environment.
    std::vector<std::pair<std::string, std::string>> env;
    // Variables removed from the child's copy.
    std::vector<std::string> unset;
    // The child's address-space limit in bytes (RLIMIT_AS); 0 leaves it.
    std::uint64_t addressSpace = 0;
    std::string logPath;  // stdout and stderr go here; /dev/null when empty
};

class ChildProcess {
public:
    // Starts the program; throws EngineError when it cannot be started.
    explicit ChildProcess(const ChildSpec& launch);
    // Ends the whole group and reaps the child if that has not happened yet.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    pid_t group() const { return pid_; }

    // Non-blocking: the exit status (a wait status) once the child has
    // ended. When it has, whatever it left running in its group is killed
    // before the child is reaped, so the group id cannot be reused meanwhile.
    std::optional<int> poll();

    // SIGTERM to the whole group, SIGKILL after the grace period to whatever
    // is left, then reaps the child. Safe to call more than once.
    void terminate(std::chrono::milliseconds grace);

    // True while any process of the child's group is still there.
    bool groupAlive() const;

private:
    void reap();

    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

// Whether the process group still has members that can run.
bool ProcessGroupAlive(pid_t group);

// The largest address space (VmPeak) any member of the group has had so far,
// in bytes.
std::uint64_t GroupPeakBytes(pid_t group);

// Runs a short program to its end and gives its wait status; nothing when it
// cannot start or runs past the limit (it is then ended).
std::optional<int> RunBriefly(const ChildSpec& launch, std::chrono::milliseconds limit);

}  // namespace xdw
