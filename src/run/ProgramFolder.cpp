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

bool InstalledFolder(const std::string& exeDir) {
    // An install puts the program in <prefix>/bin and the engine in the
    // prefix's library folder; a build tree or a copied program folder has
    // the engine beside the program.
    std::string folder = WithSlash(exeDir);
    folder.pop_back();
    const auto slash = folder.rfind('/');
    const std::string name = slash == std::string::npos ? folder : folder.substr(slash + 1);
    if (name != "bin") return false;
    return ::access((folder + "/libxdwapi.so.1").c_str(), F_OK) != 0;
}

std::string ProgramFolder(const std::string& exeDir) {
    if (!exeDir.empty() && !InstalledFolder(exeDir) && ::access(exeDir.c_str(), W_OK) == 0)
        return WithSlash(exeDir);

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
