#include "run/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

#include "common/UserFolders.h"

namespace quilbex {

namespace {

std::optional<struct stat> StatOf(const std::string& path, bool follow = true) {
    struct stat info {};
    if ((follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0)
        return std::nullopt;
    return info;
}

// A folder of the trash made when missing, only the user's; true when it is
// a folder (not a link to one) afterwards.
bool EnsureFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    const auto info = StatOf(path, false);
    return info && S_ISDIR(info->st_mode);
}

bool EnsureTrash(const std::string& trash) {
    return EnsureFolder(trash) && EnsureFolder(trash + "/files") && EnsureFolder(trash + "/info");
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return {};
    return std::string(cwd) + "/" + path;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The top of the mount that holds folder: the highest folder on its device.
std::string MountTop(const std::string& folder, dev_t device) {
    std::string top = folder;
    while (top != "/") {
        const std::string parent = FolderOf(top);
        const auto info = StatOf(parent);
        if (!info || info->st_dev != device) break;
        top = parent;
    }
    return top;
}

// The trash for a file on device in folder, made when needed; "" when there
// is none to use.
std::string TrashFor(const std::string& folder, dev_t device, std::string& topOut) {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string data = dataHome != nullptr && dataHome[0] == '/' ? dataHome : "";
    if (data.empty()) {
        const std::string home = HomeFolder();
        if (!home.empty()) data = home + "/.local/share";
    }
    if (!data.empty()) {
        // The data folder is made as a desktop session would make it.
        std::error_code ignored;
        if (!StatOf(data)) std::filesystem::create_directories(data, ignored);
        const auto info = StatOf(data);
        if (info && info->st_dev == device && EnsureTrash(data + "/Trash")) return data + "/Trash";
    }
    // The trash at the top of the file's own mount: a shared .Trash (sticky,
    // not a link) holds one per user; else the user's own .Trash-<uid>.
    const std::string top = MountTop(folder, device);
    const std::string prefix = top == "/" ? "" : top;
    const std::string uid = std::to_string(::getuid());
    const auto shared = StatOf(prefix + "/.Trash", false);
    if (shared && S_ISDIR(shared->st_mode) && (shared->st_mode & S_ISVTX) != 0 &&
        EnsureTrash(prefix + "/.Trash/" + uid)) {
        topOut = top;
        return prefix + "/.Trash/" + uid;
    }
    if (EnsureTrash(prefix + "/.Trash-" + uid)) {
        topOut = top;
        return prefix + "/.Trash-" + uid;
    }
    return {};
}

// A path as the .trashinfo writes it: bytes other than unreserved ones and
// "/" percent-encoded.
std::string Escaped(const std::string& path) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '_' || c == '.' || c == '~' ||
            c == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// name, or name with ".2", ".3", ... before its extension.
std::string Numbered(const std::string& name, int n) {
    if (n == 1) return name;
    const auto dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && dot > 0;
    return hasExt ? name.substr(0, dot) + "." + std::to_string(n) + name.substr(dot)
                  : name + "." + std::to_string(n);
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool MoveToTrash(const std::string& path) {
    const std::string absolute = AbsolutePath(path);
    const auto info = StatOf(absolute, false);
    if (absolute.empty() || !info) return false;
    const std::string folder = FolderOf(absolute);
    std::string top;
    const std::string trash = TrashFor(folder, info->st_dev, top);
    if (trash.empty()) return false;
    // A top-of-mount trash names the file from the top of its mount.
    const std::string where =
        top.empty() || top == "/" ? absolute : absolute.substr(top.size() + 1);
    const std::string name = absolute.substr(absolute.find_last_of('/') + 1);
    const std::string record =
        "[Trash Info]\nPath=" + Escaped(where) + "\nDeletionDate=" + Now() + "\n";
    for (int n = 1; n < 10000; ++n) {
        const std::string entry = Numbered(name, n);
        const std::string infoPath = trash + "/info/" + entry + ".trashinfo";
        // The .trashinfo claims the name first; the file follows it.
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return false;
        const bool written = WriteAll(fd, record);
        const bool closed = ::close(fd) == 0;
        const std::string target = trash + "/files/" + entry;
        if (written && closed && !StatOf(target, false) &&
            ::rename(absolute.c_str(), target.c_str()) == 0)
            return true;
        ::unlink(infoPath.c_str());
        if (!written || !closed || !StatOf(target, false)) return false;
    }
    return false;
}

}  // namespace quilbex
