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

// The full-width tilde and the wave dash the input methods of this platform
// type for it, in UTF-8.
const std::string kFullWidthTilde = "\xEF\xBD\x9E";  // U+FF5E
const std::string kWaveDash = "\xE3\x80\x9C";        // U+301C

// The entries of folder written as name is in code page 932.
std::vector<std::string> LookAlikes(const std::string& folder, const std::string& name) {
    std::vector<std::string> matches;
    const auto wanted = ToCp932(name);
    if (!wanted) return matches;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return matches;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string candidate = entry->d_name;
        if (ToCp932(candidate) == wanted) matches.push_back(candidate);
    }
    ::closedir(dir);
    return matches;
}

// The one of the entries written alike that is taken: the one with the most
// wave dashes, then the first in sorted order, so that the same one wins
// every time.
std::optional<std::string> Preferred(std::vector<std::string> matches) {
    if (matches.empty()) return std::nullopt;
    std::sort(matches.begin(), matches.end());
    return *std::min_element(matches.begin(), matches.end(), [](const auto& a, const auto& b) {
        return PreferredSpelling(a) == a && PreferredSpelling(b) != b;
    });
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string PreferredSpelling(std::string_view text) {
    std::string out(text);
    for (std::size_t at = out.find(kFullWidthTilde); at != std::string::npos;
         at = out.find(kFullWidthTilde, at + kWaveDash.size()))
        out.replace(at, kFullWidthTilde.size(), kWaveDash);
    return out;
}

std::string MatchCp932Path(std::string_view path) {
    std::string done;  // the parts matched so far, with their separators
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t slash = path.find('/', at);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        const std::string part(path.substr(at, end - at));
        const std::string preferred = PreferredSpelling(part);
        if (part.empty() || part == "." || part == "..") {
            done += part;
        } else if (Exists(done + preferred)) {
            // Where both spellings are on disk, the wave dash's is taken.
            done += preferred;
        } else if (Exists(done + part)) {
            done += part;
        } else {
            const auto found = Preferred(LookAlikes(done.empty() ? "." : done, part));
            // Nothing on disk to follow: the rest stays as written, in the
            // spelling the user would have typed.
            if (!found) return done + PreferredSpelling(path.substr(at));
            done += *found;
        }
        if (slash == std::string_view::npos) break;
        done += '/';
        at = slash + 1;
    }
    return done;
}

std::vector<std::string> Cp932LookAlikesBeside(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.find_last_of('/');
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    std::vector<std::string> others;
    if (name.empty() || name == "." || name == "..") return others;
    const std::string folder = FolderOf(trimmed);
    for (const std::string& entry : LookAlikes(folder, name)) {
        if (entry != name) others.push_back((folder == "/" ? "" : folder) + "/" + entry);
    }
    std::sort(others.begin(), others.end());
    return others;
}

}  // namespace quilbex
