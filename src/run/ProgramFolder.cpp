#include "run/ProgramFolder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "common/UserFolders.h"
#include "run/SettingKeys.h"

namespace quilbex {

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
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

    const std::string folder = WithSlash(ConfigFolder(HomeFolder())) + "Quilbex/";
    std::error_code ignored;  // a folder that cannot be made shows when a file is written
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

std::string UnusedSettingsNote(const std::string& exeDir, const std::string& folder) {
    const std::string left = WithSlash(exeDir) + kSettingsFileName;
    if (exeDir.empty() || InstalledFolder(exeDir) || WithSlash(exeDir) == folder ||
        ::access(left.c_str(), F_OK) != 0)
        return {};
    return left + " は、フォルダーに書き込めないため使いません。設定は " + folder +
           kSettingsFileName + " から読み、そこに保存します。";
}

}  // namespace quilbex
