#include "run/LockedTurnQueue.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quilbex {

namespace {

constexpr const char* kTicketPrefix = "wait-";

int OpenLockFile(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

bool TryLock(int fd) { return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// The guard of the whole line, held for the scope.
class LineGuard {
public:
    explicit LineGuard(const std::string& path) : fd_(OpenLockFile(path)) {
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) Close(fd_);
        }
    }
    ~LineGuard() { Close(fd_); }
    LineGuard(const LineGuard&) = delete;
    LineGuard& operator=(const LineGuard&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

// A folder of this user's alone, made when missing.
bool PrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// FNV-1a: the same for every process, whatever built it.
std::string NameHash(const std::string& path) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : path) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

template <typename Visit>
void ForEachTicket(const std::string& folder, Visit&& visit) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::size_t prefix = std::strlen(kTicketPrefix);
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kTicketPrefix, prefix) != 0) continue;
        visit(std::string(entry->d_name), std::strtol(entry->d_name + prefix, nullptr, 10));
    }
    ::closedir(dir);
}

std::string TicketName(long number) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%010ld", kTicketPrefix, number);
    return name;
}

}  // namespace

std::string TurnQueueFolder(const std::string& runtime) {
    if (!runtime.empty() && runtime.front() == '/') {
        const std::string folder = runtime + "/quilbex";
        if (PrivateFolder(folder)) return folder;
    }
    const std::string fallback = "/tmp/quilbex-" + std::to_string(::geteuid());
    return PrivateFolder(fallback) ? fallback : std::string();
}

int ProcessorsAvailable() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

bool TurnQueueIdle(const std::string& folder) {
    if (folder.empty()) return true;
    bool idle = true;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return true;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(kTicketPrefix, 0) != 0 && name.rfind("turn-", 0) != 0) continue;
        int fd = ::open((folder + "/" + name).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 && !TryLock(fd)) idle = false;
        Close(fd);
    }
    ::closedir(dir);
    return idle;
}

LockedTurnQueue::LockedTurnQueue(std::string folder, int places)
    : folder_(std::move(folder)), places_(places > 0 ? places : 1) {}

LockedTurnQueue::~LockedTurnQueue() { EndTurn(); }

bool LockedTurnQueue::Join() {
    // Inside the guard: nobody takes a ticket for stale between its
    // creation and its lock.
    long last = 0;
    ForEachTicket(folder_, [&](const std::string&, long number) {
        if (number > last) last = number;
    });
    number_ = last + 1;
    ticketFd_ = OpenLockFile(Path(TicketName(number_)));
    if (!TryLock(ticketFd_)) {
        Close(ticketFd_);
        number_ = -1;
        return false;
    }
    return true;
}

int LockedTurnQueue::WaitingAhead() {
    int ahead = 0;
    ForEachTicket(folder_, [&](const std::string& name, long number) {
        if (number == number_) return;
        int fd = ::open(Path(name).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (TryLock(fd)) {
            // Its run has ended without leaving the line.
            ::unlink(Path(name).c_str());
        } else if (fd >= 0 && number < number_) {
            ++ahead;
        }
        Close(fd);
    });
    return ahead;
}

void LockedTurnQueue::LeaveLine() {
    if (number_ < 0) return;
    ::unlink(Path(TicketName(number_)).c_str());
    Close(ticketFd_);
    number_ = -1;
}

bool LockedTurnQueue::TakeTurn(int& ahead) {
    ahead = 0;
    // Without its folder the queue cannot be kept: the run goes on alone.
    // Looked at before any path is made from it, which would be the root's.
    if (placeFd_ >= 0 || folder_.empty()) return true;
    const LineGuard guard(Path("queue.lock"));
    if (!guard.Held()) return true;
    if (number_ < 0 && !Join()) return true;
    const int waiting = WaitingAhead();
    std::vector<std::pair<int, int>> free;  // place, locked fd
    for (int place = 0; place < places_; ++place) {
        int fd = OpenLockFile(Path("turn-" + std::to_string(place)));
        if (TryLock(fd)) {
            free.emplace_back(place, fd);
        } else {
            Close(fd);
        }
    }
    const bool mine = waiting < static_cast<int>(free.size());
    if (mine) {
        placeFd_ = free.front().second;
        place_ = free.front().first;
        free.erase(free.begin());
        LeaveLine();
    } else {
        ahead = waiting + places_ - static_cast<int>(free.size());
    }
    for (auto& [place, fd] : free) Close(fd);
    return mine;
}

void LockedTurnQueue::EndTurn() {
    if (folder_.empty() || (number_ < 0 && placeFd_ < 0 && claims_.empty())) return;
    const LineGuard guard(Path("queue.lock"));
    LeaveLine();
    Close(placeFd_);
    place_ = 0;
    for (auto& [path, fd] : claims_) {
        ::unlink(path.c_str());
        Close(fd);
    }
    claims_.clear();
}

bool LockedTurnQueue::ClaimName(const std::string& path) {
    if (folder_.empty()) return true;
    const LineGuard guard(Path("queue.lock"));
    if (!guard.Held()) return true;
    const std::string claim = Path("name-" + NameHash(path));
    for (const auto& held : claims_) {
        if (held.first == claim) return true;
    }
    int fd = OpenLockFile(claim);
    if (fd < 0) return true;
    if (!TryLock(fd)) {
        Close(fd);
        return false;
    }
    claims_.emplace_back(claim, fd);
    return true;
}

}  // namespace quilbex
