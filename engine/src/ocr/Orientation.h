// Finding which way up a page's text stands.
#pragma once

#include <optional>
#include <string>

#include "ocr/Recognizer.h"
#include "pdf/Renderer.h"

namespace xdw {

// What the letters' shapes (Tesseract's orientation check, on a copy of the
// page at a resolution that shows them well enough) say of the page's way
// up: the clockwise turn (0, 90, 180 or 270 degrees) that brings its text
// upright, and their confidence in it (Tesseract's own units); nothing when
// they give no answer (a blank page, a single line). Throws
// EngineError(XDW_E_NOT_INSTALLED) when the orientation data is missing.
struct ShapesAnswer {
    int turn = 0;
    float confidence = 0;
};
std::optional<ShapesAnswer> TurnByShapes(const RenderedPage& page, const OcrRecipe& recipe);

// The page as it is shown once turned clockwise by turn (90, 180 or 270):
// its pixels and its geometry as rendering it with that much more rotation
// gives them.
RenderedPage TurnedPage(const RenderedPage& page, int turn);
// A box of a width x height image where it lies once the image is turned.
PixelBox TurnedBox(const PixelBox& box, int width, int height, int turn);

}  // namespace xdw
