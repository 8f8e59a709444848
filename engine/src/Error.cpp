#include "Error.h"

#include <cerrno>

namespace xdw {

namespace {
thread_local std::string lastFailure;
}

void SetLastFailure(const std::string& text) noexcept {
    try {
        lastFailure = text;
    } catch (...) {
        lastFailure.clear();
    }
}

const std::string& LastFailure() noexcept { return lastFailure; }

int32_t CodeFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return XDW_E_FILE_NOT_FOUND;
        case EEXIST:
            return XDW_E_FILE_EXISTS;
        case EACCES:
        case EPERM:
        case EROFS:
            return XDW_E_ACCESS_DENIED;
        case ENAMETOOLONG:
        case EINVAL:
            return XDW_E_INVALID_NAME;
        case ENOSPC:
        case EDQUOT:
            return XDW_E_DISK_FULL;
        default:
            return XDW_E_FAIL;
    }
}

}  // namespace xdw
