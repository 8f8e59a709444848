// Errors inside the engine. Internal code throws EngineError with the result
// code the caller should see; the C entry points trap every exception.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "xdwapi/xdwapi.h"
#include "xdwapi/xdwreason.h"

namespace xdw {

// What a failure concerns, for the program to name it to the user; the
// fields of xdwapi/xdwreason.h. kind is one of the XDW_REASON_* values.
struct Concern {
    int kind = XDW_REASON_NONE;
    std::string path;
    int err = 0;
    std::string type;
    int64_t limit = 0;  // the limit passed, counted in limitUnit
    int limitUnit = XDW_LIMIT_NONE;
};

class EngineError : public std::runtime_error {
public:
    EngineError(int32_t code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    EngineError(int32_t code, const std::string& message, Concern concern)
        : std::runtime_error(message), code_(code), concern_(std::move(concern)) {}
    int32_t code() const { return code_; }
    const Concern& concern() const { return concern_; }

private:
    int32_t code_;
    Concern concern_;
};

// A failure's reason as the XDW_GetLastError* calls hand it out: one line of
// English prose for people reading a log, and the fields for the program.
struct Failure {
    std::string prose;  // line breaks made blanks
    Concern concern;
};
Failure FailureOf(const char* prose, const Concern& concern = {});
inline Failure FailureOf(const EngineError& e) { return FailureOf(e.what(), e.concern()); }

// Raising a failure. Every refusal of the source and every limit it passes
// is raised through this family with its kind, so the program can name it;
// the result code follows from the kind (and from err where the kind carries
// one). Other failures of the engine itself throw EngineError directly.
[[noreturn]] void Bad(Concern concern, const std::string& prose);
[[noreturn]] inline void Bad(int kind, const std::string& prose, const std::string& path = {}) {
    Bad(Concern{kind, path, 0, {}, 0, XDW_LIMIT_NONE}, prose);
}
// A limit passed: limit is the most allowed, counted in unit (XDW_LIMIT_*).
[[noreturn]] inline void BadLimit(int kind, int unit, uint64_t limit, const std::string& prose,
                                  const std::string& path = {}) {
    Bad(Concern{kind, path, 0, {}, static_cast<int64_t>(limit), unit}, prose);
}
// A failed system call on path: the code for err and the concern naming both.
[[noreturn]] void ThrowErrno(int kind, const std::string& path, int err, const std::string& prose);

// The result code for a failed system call's errno.
int32_t CodeFromErrno(int err);

// The calling thread's last failure reason, as the XDW_GetLastError* calls
// hand it out. Trap clears it when a call starts and sets it when the call
// fails.
void SetLastFailure(const Failure& failure) noexcept;
void SetLastFailure(const char* prose, const Concern& concern = {}) noexcept;
const Failure& LastFailure() noexcept;

// Runs body and turns anything it throws into a result code, keeping its text
// as the thread's last failure; body returns the code of a successful call.
template <typename Body>
int Trap(Body&& body) noexcept {
    SetLastFailure("");
    try {
        return body();
    } catch (const EngineError& e) {
        SetLastFailure(e.what(), e.concern());
        return e.code();
    } catch (const std::bad_alloc&) {
        SetLastFailure("out of memory");
        return XDW_E_FAIL;
    } catch (const std::exception& e) {
        SetLastFailure(e.what());
        return XDW_E_FAIL;
    } catch (...) {
        SetLastFailure("internal error");
        return XDW_E_FAIL;
    }
}

}  // namespace xdw
