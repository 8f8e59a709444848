// Which way up a page stands, decided from what its reading made already:
// its first regions, read as the page stands, show it when they read
// clearly; in doubt the letters' shapes are looked at (see UprightTurn),
// and, when those leave it in doubt too, a sample of the text read each
// way (see TurnByReading, given the page's layout and prepared copy).
#pragma once

#include <exception>
#include <optional>

#include "ocr/PageReading.h"
#include "ocr/Recognizer.h"

namespace xdw {

struct WayUp {
    // The clockwise turn that brings the page upright: 0 when it stands so
    // or its way up is not clear.
    int turn = 0;
    // The way up could not be looked for (the orientation data, though
    // installed, would not load): the page is read as it stands, and this is
    // the failure for whoever asked for the turn.
    std::exception_ptr error;
};

// The clockwise turn (0, 90, 180 or 270 degrees) that brings the rendered
// page's text upright, or nothing when the page holds too little text to
// tell. The letters' shapes decide (see TurnByShapes); a page they leave in
// doubt is decided by reading a sample of its text each way with recipe's
// languages (see TurnByReading, which takes clues' layout and prepared
// copy). So is a page whose first lines read fairly (clues), without the
// letters' shapes. Throws EngineError(XDW_E_NOT_INSTALLED) when the data is
// missing.
std::optional<int> UprightTurn(const RenderedPage& page, const OcrRecipe& recipe,
                               const UprightClues& clues = {});

// The page's way up, asked of the letters' shapes and, in doubt, of its text
// read each way (clues: what its reading found out). Throws EngineError but
// for a missing orientation data (see WayUp::error).
WayUp AskWayUp(const RenderedPage& page, const OcrRecipe& recipe, const UprightClues& clues = {});

// The way up of the page being read: its first regions are read, in order,
// until their reading leaves no doubt that it stands upright; a doubt is
// settled by AskWayUp, once. Upright, what was read stands for those regions
// (reading.regionsRead); turned, it is of no use. Throws as PageLines.
WayUp FindWayUp(PageReading& reading, const OcrRecipe& recipe);

}  // namespace xdw
