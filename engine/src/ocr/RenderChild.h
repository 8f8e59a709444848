// The rendering child's side of a bounded render: what it hands back and how
// it lives. It runs as its own program (quilbex-render), started fresh by
// exec, so that nothing the rendering needs can be held by another thread of
// the host at the moment it was forked.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "pdf/Renderer.h"
#include "xdwapi/xdwreason.h"

namespace xdw {

// Sanitizers reserve terabytes of address space: a cap on it would stop
// every child at once, so under them only time bounds the rendering.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCapAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kCapAddressSpace = false;
#else
constexpr bool kCapAddressSpace = true;
#endif
#else
constexpr bool kCapAddressSpace = true;
#endif

// The child's exit status when it ran out of memory.
constexpr int kOutOfMemoryExit = 86;
// ... and when the rendering program could not be started at all.
constexpr int kCannotStartExit = 127;

// What the child hands back first; the message, pixels, the stamp ink's
// marks (none or one a pixel) and boxes follow.
struct RenderHeader {
    int32_t code = 0;                // 0: rendered; else the EngineError's code
    int32_t kind = XDW_REASON_NONE;  // ... and what it concerns: a kind, a limit
    int32_t limitUnit = XDW_LIMIT_NONE;
    int64_t limit = 0;
    int32_t dpi = 0;
    int32_t bytesPerLine = 0;
    PageGeometry geometry;
    uint64_t messageBytes = 0, pixelBytes = 0, stampBytes = 0, boxes = 0;
};
static_assert(std::is_trivially_copyable_v<RenderHeader> && std::is_trivially_copyable_v<PixelBox>);

// Writes all size bytes of data to fd; false when it cannot.
bool WriteAll(int fd, const void* data, size_t size);

// The bytes of address space this process holds now.
std::uint64_t AddressSpaceNow();

// The child's whole life: render data's single page, hand the result to fd,
// end without running anything of the host's (no destructors, no atexit
// handlers). addressSpace caps the process where the sanitizers allow it;
// cpuSeconds caps the processor time it may use.
[[noreturn]] void RenderAsChild(int fd, const std::string& data, double dpi, bool wantText,
                                std::uint64_t addressSpace, int cpuSeconds);

// quilbex-render's main: `quilbex-render DPI TEXT MEMORY SECONDS` reads the
// page's single-page PDF from standard input and hands the result to
// standard output; MEMORY is what the rendering may take beyond the program
// itself, SECONDS the processor time it may use.
int RenderChildMain(int argc, char** argv);

}  // namespace xdw
