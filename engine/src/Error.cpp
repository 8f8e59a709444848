#include "Error.h"

#include <cerrno>
#include <system_error>

namespace xdw {

namespace {
thread_local Failure lastFailure;
}

Failure FailureOf(const char* prose, const Concern& concern) {
    // The prose is one line.
    Failure failure{prose, concern};
    for (char& c : failure.prose) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return failure;
}

void SetLastFailure(const Failure& failure) noexcept {
    try {
        lastFailure = failure;
    } catch (...) {
        lastFailure = Failure{};
    }
}

void SetLastFailure(const char* prose, const Concern& concern) noexcept {
    try {
        lastFailure = FailureOf(prose, concern);
    } catch (...) {
        lastFailure = Failure{};
    }
}

const Failure& LastFailure() noexcept { return lastFailure; }

namespace {

// The result code of each kind whose code does not follow from its errno.
struct KindCode {
    int kind;
    int32_t code;
};

constexpr KindCode kKindCodes[] = {
    {XDW_REASON_SOURCE_NOT_FILE, XDW_E_CANNOT_READ},
    {XDW_REASON_CONTENT, XDW_E_CANNOT_READ},
    {XDW_REASON_PDF_DAMAGED, XDW_E_CANNOT_READ},
    {XDW_REASON_PASSWORD, XDW_E_PASSWORD_PROTECTED},
    {XDW_REASON_TYPE_REFUSED, XDW_E_CANNOT_READ},
    {XDW_REASON_OUTPUT_EXISTS, XDW_E_FILE_EXISTS},
    {XDW_REASON_MISSING_PART, XDW_E_NOT_INSTALLED},
    {XDW_REASON_MISSING_PROGRAM, XDW_E_NOT_INSTALLED},
    {XDW_REASON_MEMORY_LIMIT, XDW_E_CANNOT_READ},
    {XDW_REASON_TIME_LIMIT, XDW_E_CANNOT_READ},
    {XDW_REASON_PICTURE_LIMIT, XDW_E_CANNOT_READ},
    {XDW_REASON_PAGE_DAMAGED, XDW_E_CANNOT_READ},
    {XDW_REASON_SIGNED, XDW_E_ACCESS_DENIED},
    {XDW_REASON_BLANK_PRINT, XDW_E_CANNOT_READ},
    {XDW_REASON_SHEET_LIMIT, XDW_E_CANNOT_READ},
};

int32_t CodeOf(const Concern& concern) {
    for (const auto& row : kKindCodes) {
        if (concern.kind == row.kind) return row.code;
    }
    return concern.err != 0 ? CodeFromErrno(concern.err) : XDW_E_FAIL;
}

}  // namespace

void Bad(Concern concern, const std::string& prose) {
    const int32_t code = CodeOf(concern);
    throw EngineError(code, prose, std::move(concern));
}

void ThrowErrno(int kind, const std::string& path, int err, const std::string& prose) {
    Bad(Concern{kind, path, err, {}, 0, XDW_LIMIT_NONE},
        prose + ": " + std::generic_category().message(err));
}

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
