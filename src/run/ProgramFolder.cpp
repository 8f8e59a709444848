#include "run/ProgramFolder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "common/UserFolders.h"

namespace quilbex {

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

std::string ProgramFolder(const std::string& exeDir) {
    if (!exeDir.empty() && ::access(exeDir.c_str(), W_OK) == 0) return WithSlash(exeDir);

    const std::string folder = WithSlash(ConfigFolder(HomeFolder())) + "Quilbex/";
    std::error_code ignored;  // a folder that cannot be made shows when a file is written
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

}  // namespace quilbex
