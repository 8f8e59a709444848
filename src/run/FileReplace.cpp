#include "run/FileReplace.h"

#include <sys/stat.h>

#include "common/AtomicFile.h"

namespace quilbex {

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

}  // namespace quilbex
