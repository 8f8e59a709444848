// Which way up a page stands, judged by reading a sample of its text each
// way: for the pages whose letters' shapes leave the orientation check in
// doubt (small or faded print, a coarse fax, few lines).
#pragma once

#include <optional>

#include "layout/PageLayout.h"
#include "layout/PixelTypes.h"
#include "ocr/Recognizer.h"

namespace xdw {

// The clockwise turn (90, 180 or 270 degrees) under which a few lines of the
// page's text read clearly better than as the page stands, 0 when none does,
// or nothing when the page holds too little text to tell. The lines are
// taken from the prepared copy of the page and read by recipe's languages
// (lines that run top to bottom, turned or not, are tried sideways as well,
// and upright by the vertical languages). layout: the layout of that copy
// with vertical writing looked for, when the caller found it already (it is
// then not found again), or null; prepared: that copy, when the caller made
// it already (it is then not made again), or null; readsFairly: the page's
// first lines, running across, read fairly as it stands (see UprightClues), so
// that it is not tried on its side; clear, when not null, is set to whether
// one way read clearly best (the page as it stands included). Throws
// EngineError(XDW_E_NOT_INSTALLED) when the language data is missing,
// std::bad_alloc.
std::optional<int> TurnByReading(const RenderedPage& page, const OcrRecipe& recipe,
                                 const PageLayout* layout = nullptr,
                                 const RenderedPage* prepared = nullptr, bool readsFairly = false,
                                 bool* clear = nullptr);

}  // namespace xdw
