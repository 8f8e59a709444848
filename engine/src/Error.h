// Errors inside the engine. Internal code throws EngineError with the result
// code the caller should see; the C entry points trap every exception.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "docuworks/xdwapi.h"

namespace xdw {

class EngineError : public std::runtime_error {
public:
    EngineError(int32_t code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

// The result code for a failed system call's errno.
int32_t CodeFromErrno(int err);

// Runs body and turns anything it throws into a result code; body returns the
// code of a successful call.
template <typename Body>
int Trap(Body&& body) noexcept {
    try {
        return body();
    } catch (const EngineError& e) {
        return e.code();
    } catch (const std::bad_alloc&) {
        return XDW_E_FAIL;
    } catch (...) {
        return XDW_E_FAIL;
    }
}

}  // namespace xdw
