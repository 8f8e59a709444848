// Finding which way up a page's text stands.
#pragma once

#include <optional>

#include "PageRender.h"

namespace xdw {

// Below this orientation confidence (Tesseract's own units) a page is left as
// it is: blank and text-poor pages give low values and random answers.
constexpr float kMinOrientationConfidence = 5.0f;

// The clockwise turn (0, 90, 180 or 270 degrees) that brings the rendered
// page's text upright, or nothing when the detection is not confident.
// Throws EngineError(XDW_E_NOT_INSTALLED) when the orientation data is missing.
std::optional<int> UprightTurn(const RenderedPage& page);

}  // namespace xdw
