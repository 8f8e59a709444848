#include "run/ProgramFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quilbex {

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The user's home folder: $HOME, else the password database's entry.
std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/";
}

}  // namespace

std::string ProgramFolder(const std::string& exeDir) {
    if (!exeDir.empty() && ::access(exeDir.c_str(), W_OK) == 0) return WithSlash(exeDir);

    // Only an absolute $XDG_CONFIG_HOME counts, as the base directory rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string base = (config != nullptr && config[0] == '/')
                                 ? std::string(config)
                                 : WithSlash(HomeFolder()) + ".config";
    const std::string folder = WithSlash(base) + "Quilbex/";
    std::error_code ignored;  // a folder that cannot be made shows when a file is written
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

}  // namespace quilbex
