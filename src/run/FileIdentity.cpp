#include "run/FileIdentity.h"

#include <sys/stat.h>

namespace quilbex {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{info.st_dev,         info.st_ino,          info.st_size,
                        info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_ctim.tv_sec,
                        info.st_ctim.tv_nsec};
}

}  // namespace quilbex
