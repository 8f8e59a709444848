#include "common/Cp932Path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "common/Cp932.h"

namespace quilbex {

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The entry of folder that is written as name is in code page 932, or nothing.
// Entries are taken in sorted order, so that the same one wins every time.
std::optional<std::string> LookAlike(const std::string& folder, const std::string& name) {
    const auto wanted = ToCp932(name);
    if (!wanted) return std::nullopt;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<std::string> matches;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string candidate = entry->d_name;
        if (ToCp932(candidate) == wanted) matches.push_back(candidate);
    }
    ::closedir(dir);
    if (matches.empty()) return std::nullopt;
    return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::string MatchCp932Path(std::string_view path) {
    std::string done;  // the parts matched so far, with their separators
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t slash = path.find('/', at);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        const std::string part(path.substr(at, end - at));
        if (!part.empty() && part != "." && part != ".." && !Exists(done + part)) {
            const auto found = LookAlike(done.empty() ? "." : done, part);
            // Nothing on disk to follow: the rest stays as written.
            if (!found) return done + std::string(path.substr(at));
            done += *found;
        } else {
            done += part;
        }
        if (slash == std::string_view::npos) break;
        done += '/';
        at = slash + 1;
    }
    return done;
}

}  // namespace quilbex
