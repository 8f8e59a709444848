#include "ui/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace quilbex {

namespace {

constexpr const char* kPrefix = "/quilbex-runtime-";

// Another run's private folder (the detached notification helper inherits
// its parent's) goes when that run ends: never shared.
bool UsableRuntimeFolder(const char* path) {
    struct stat info {};
    return path != nullptr && *path == '/' &&
           std::string(path).find(kPrefix) == std::string::npos && ::stat(path, &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

}  // namespace

std::string SessionRuntimeFolder() {
    const char* path = std::getenv("XDG_RUNTIME_DIR");
    return UsableRuntimeFolder(path) ? std::string(path) : std::string();
}

RuntimeFolder::RuntimeFolder() {
    if (UsableRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"))) return;
    std::error_code ec;
    std::string pattern = std::filesystem::temp_directory_path(ec).string();
    if (ec || pattern.empty()) pattern = "/tmp";
    pattern += std::string(kPrefix) + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) return;  // mkdtemp makes it 0700
    made_ = name.data();
    ::setenv("XDG_RUNTIME_DIR", made_.c_str(), 1);
}

RuntimeFolder::~RuntimeFolder() {
    if (made_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(made_, ec);
}

}  // namespace quilbex
