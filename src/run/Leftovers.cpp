#include "run/Leftovers.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quilbex {

namespace {

constexpr const char* kPartialPrefix = ".quilbex-";
constexpr const char* kTempPrefix = "quilbex-appprint-";
constexpr std::size_t kUniqueLength = 6;  // mkstemp's XXXXXX

bool ProcessGone(long pid) {
    if (pid == ::getpid()) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Calls remove for every entry of folder that is a leftover of a dead process
// of this user, of the kind wanted (a regular file or a folder).
template <typename Remove>
void Sweep(const std::string& folder, const std::string& prefix, bool folders, Remove remove) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const long owner = LeftoverOwner(name, prefix);
        if (owner <= 0) continue;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || info.st_uid != ::geteuid()) continue;
        if (folders ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) continue;
        if (ProcessGone(owner)) remove(path);
    }
    ::closedir(dir);
}

}  // namespace

long LeftoverOwner(const std::string& name, const std::string& prefix) {
    if (name.compare(0, prefix.size(), prefix) != 0) return 0;
    std::size_t at = prefix.size();
    long pid = 0;
    const std::size_t digitsStart = at;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && at - digitsStart < 10)
        pid = pid * 10 + (name[at++] - '0');
    if (at == digitsStart || at >= name.size() || name[at] != '-') return 0;
    if (name.size() - at - 1 != kUniqueLength) return 0;
    return pid;
}

void RemoveLeftovers(const std::string& folder) {
    Sweep(folder, kPartialPrefix, false, [](const std::string& path) { ::unlink(path.c_str()); });
}

void RemoveTemporaryLeftovers() {
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) temp = "/tmp";
    Sweep(temp.string(), kTempPrefix, true, [](const std::string& path) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    });
}

}  // namespace quilbex
