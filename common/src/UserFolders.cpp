#include "common/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quilbex {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') return home;
    const passwd* pw = ::getpwuid(::getuid());
    if (pw != nullptr && pw->pw_dir != nullptr && *pw->pw_dir == '/') return pw->pw_dir;
    return {};
}

std::string ConfigFolder(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config == '/') return config;
    return home + (!home.empty() && home.back() == '/' ? "" : "/") + ".config";
}

std::string UserDirFromConfig(const std::string& home, const std::string& name) {
    std::ifstream in(ConfigFolder(home) + "/user-dirs.dirs");
    const std::string key = "XDG_" + name + "_DIR=";
    std::string line;
    std::string result;
    while (std::getline(in, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (line.compare(start, key.size(), key) != 0) continue;
        std::string raw = line.substr(start + key.size());
        while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t' || raw.back() == '\r'))
            raw.pop_back();
        if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') continue;
        std::string value;
        for (size_t i = 1; i + 1 < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 2 < raw.size()) ++i;
            value += raw[i];
        }
        if (value == "$HOME" || value.rfind("$HOME/", 0) == 0) {
            value = home + value.substr(5);
        } else if (value.empty() || value.front() != '/') {
            continue;  // only absolute or $HOME-relative paths are allowed
        }
        result = value;
    }
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

std::string DocumentsFolder(const std::string& home) {
    std::string folder = UserDirFromConfig(home, "DOCUMENTS");
    if (folder.empty()) folder = home + "/Documents";
    std::error_code error;
    std::filesystem::path existing = folder;
    while (!std::filesystem::exists(existing, error) && existing.has_relative_path())
        existing = existing.parent_path();
    if (!std::filesystem::is_directory(existing, error)) return {};
    return folder;
}

}  // namespace quilbex
