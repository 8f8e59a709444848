// Errors inside the engine. Internal code throws EngineError with the result
// code the caller should see; the C entry points trap every exception.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "xdwapi/xdwapi.h"

namespace xdw {

class EngineError : public std::runtime_error {
public:
    EngineError(int32_t code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

// A file that cannot be opened without its user's password.
inline constexpr int32_t kPasswordProtected = static_cast<int32_t>(0x800E0005);

// The result code for a failed system call's errno.
int32_t CodeFromErrno(int err);

// The calling thread's last failure reason, as XDW_GetLastErrorText hands it
// out. Trap clears it when a call starts and sets it when the call fails.
void SetLastFailure(const std::string& text) noexcept;
const std::string& LastFailure() noexcept;

// Runs body and turns anything it throws into a result code, keeping its text
// as the thread's last failure; body returns the code of a successful call.
template <typename Body>
int Trap(Body&& body) noexcept {
    SetLastFailure(std::string());
    try {
        return body();
    } catch (const EngineError& e) {
        SetLastFailure(e.what());
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
