// Finding which way up a page's text stands.
#pragma once

#include <optional>
#include <string>

#include "ocr/Recognizer.h"
#include "pdf/Renderer.h"

namespace xdw {

// The clockwise turn (0, 90, 180 or 270 degrees) that brings the rendered
// page's text upright, or nothing when the page holds too little text to
// tell. The letters' shapes decide (the orientation data, read from
// recipe's tessdata); a page they leave in doubt is decided by reading a
// sample of its text each way with recipe's languages (see TurnByReading,
// which takes clues' layout). So is a page whose first lines read fairly
// (clues), without the letters' shapes: such pages (a coarse fax, faint
// print) leave the check in doubt, and the sample tells their way up. Throws
// EngineError(XDW_E_NOT_INSTALLED) when the data is missing.
std::optional<int> UprightTurn(const RenderedPage& page, const OcrRecipe& recipe,
                               const UprightClues& clues = {});

// The page as it is shown once turned clockwise by turn (90, 180 or 270):
// its pixels and its geometry as rendering it with that much more rotation
// gives them.
RenderedPage TurnedPage(const RenderedPage& page, int turn);
// A box of a width x height image where it lies once the image is turned.
PixelBox TurnedBox(const PixelBox& box, int width, int height, int turn);

}  // namespace xdw
