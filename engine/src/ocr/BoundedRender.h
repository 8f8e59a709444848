// Rendering a page where it cannot take the process down: in a child process
// whose address space and time are capped, so that a page that declares a
// huge image, nests its drawings or draws millions of lines is refused
// instead of filling memory or running for hours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pdf/Renderer.h"

namespace xdw {

// What one page's rendering may take beyond what the process already holds.
constexpr std::uint64_t kMaxRenderBytes = 768ull << 20;

// The processor time one page's rendering may take at most, within the
// page's own time limit: real pages take a second or two. Time on the wall
// clock does not count: on a busy machine the child is slower, not costlier.
constexpr int kMaxRenderMs = 30000;
// A child that neither uses the processor nor hands anything back for this
// long is stuck (a lock, a pipe), however busy the machine.
constexpr int kStuckRenderMs = 60000;

struct RenderBounds {
    std::uint64_t memoryBytes = kMaxRenderBytes;
    int timeLimitMs = kMaxRenderMs;  // the page's own time left; kMaxRenderMs at most
    // Polled while the child works; true ends it at once.
    bool (*cancel)(void*) = nullptr;
    void* cancelData = nullptr;
    // Receives the processor time the child used, however it ended.
    std::int64_t* cpuMs = nullptr;
};

// RenderSinglePage, done by a child under bounds. Throws EngineError: what
// the rendering threw, XDW_E_CANNOT_READ for a page beyond the memory or the
// time bound or a child stuck (the reason says which), XDW_E_FAIL when
// cancelled.
RenderedPage RenderBounded(const std::string& data, double dpi, std::vector<PixelBox>* text,
                           const RenderBounds& bounds = {});

// The page of pdf rendered by RenderBounded.
RenderedPage RenderPageBounded(QPDF& pdf, int page, double dpi);

}  // namespace xdw
