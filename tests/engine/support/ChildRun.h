// Runs an engine call in a forked child, so a crash, a runaway allocation or
// a hang shows up as a result instead of taking the test program down, and
// the child's peak memory and time can be read back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace xdwtest {

// AddressSanitizer reserves terabytes of address space and keeps freed memory
// in quarantine: address-space limits and peak sizes mean nothing under it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAsan = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAsan = true;
#else
constexpr bool kUnderAsan = false;
#endif
#else
constexpr bool kUnderAsan = false;
#endif

struct ChildResult {
    bool exited = false;     // false: killed by a signal (crash) or the time limit
    int result = 0;          // what body returned
    std::string reason;      // XDW_GetLastErrorText after body
    int kind = 0;            // XDW_GetLastErrorKind after body
    double seconds = 0;      // wall time
    double cpuSeconds = 0;   // processor time, the child's own children's included
    uint64_t peakBytes = 0;  // the child's peak resident size
};

// Runs body in a child whose address space is limited to addressLimit bytes
// (not under AddressSanitizer) and which is killed after timeoutSeconds.
ChildResult RunInChild(const std::function<int()>& body, uint64_t addressLimit, int timeoutSeconds);

}  // namespace xdwtest
