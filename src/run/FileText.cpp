#include "run/FileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace quilbex {

namespace {

// Where the file name starts in path.
std::string::size_type NameStart(const std::string& path) {
    const auto slash = path.rfind(kPathDelimiter);
    return slash == std::string::npos ? 0 : slash + 1;
}

// Where the extension starts in path, or npos.
std::string::size_type ExtStart(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || dot < NameStart(path)) return std::string::npos;
    return dot;
}

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string ExtractFileName(const std::string& path) { return path.substr(NameStart(path)); }

std::string ExtractFileExt(const std::string& path) {
    const auto dot = ExtStart(path);
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const auto dot = ExtStart(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + ext;
}

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), UpperChar);
    return text;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperChar(x) == UpperChar(y);
           });
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

unsigned CurrentUmask() {
    // Read from the process's status: umask() itself would change it, for a
    // moment, under every other thread.
    FILE* status = std::fopen("/proc/self/status", "re");
    if (status == nullptr) return 022;
    char line[256];
    unsigned mask = 022;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    }
    std::fclose(status);
    return mask;
}

WriteResult ReplaceFileContent(const std::string& path, const std::string& content) {
    if (IsReadOnlyFile(path)) return WriteResult::kCannotCreate;
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0
                            ? (existing.st_mode & 07777)
                            : (0666 & ~static_cast<mode_t>(CurrentUmask()));

    // The new content goes to a temporary file beside the target, which then
    // takes the target's place: a failed write never leaves half a file.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return WriteResult::kCannotCreate;
    std::size_t done = 0;
    bool failed = ::fchmod(fd, mode) != 0;
    while (done < content.size() && !failed) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        failed = n <= 0;
        if (!failed) done += static_cast<std::size_t>(n);
    }
    if (!failed && ::fsync(fd) != 0) failed = true;
    if (::close(fd) != 0) failed = true;
    if (!failed && ::rename(temp.c_str(), path.c_str()) != 0) failed = true;
    if (failed) {
        ::unlink(temp.c_str());
        return WriteResult::kWriteFailed;
    }
    return WriteResult::kWritten;
}

bool IsWritableBySelf(const std::string& path) {
    // The permission bits count for root too: a file nobody may write is
    // read-only, whoever runs the program.
    return !IsReadOnlyFile(path) && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool DeleteFilePermanently(const std::string& path) {
    // A file without write permission is read-only and stays, although the
    // folder would let it be removed.
    if (!IsWritableBySelf(path)) return false;
    return ::unlink(path.c_str()) == 0;
}

}  // namespace quilbex
