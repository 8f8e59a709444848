#include "run/FileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "common/AtomicFile.h"

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

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
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

WriteResult ReplaceFileContent(const std::string& path, const std::string& content) {
    if (IsReadOnlyFile(path)) return WriteResult::kCannotCreate;
    AtomicFile file;
    if (file.Open(path) != 0) return WriteResult::kCannotCreate;
    if (file.Write(content) != 0 || file.Commit(AtomicFile::Mode::kReplace) != 0)
        return WriteResult::kWriteFailed;
    return WriteResult::kWritten;
}

bool IsWritableBySelf(const std::string& path) {
    // The permission bits count for root too: a file nobody may write is
    // read-only, whoever runs the program.
    return !IsReadOnlyFile(path) && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{info.st_dev,         info.st_ino,          info.st_size,
                        info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_ctim.tv_sec,
                        info.st_ctim.tv_nsec};
}

bool DeleteSourceFile(const std::string& path) {
    // A file without write permission is read-only and stays, although the
    // folder would let it be removed.
    if (!IsWritableBySelf(path)) return false;
    // Removed for good, not moved to the desktop's trash.
    return ::unlink(path.c_str()) == 0;
}

}  // namespace quilbex
