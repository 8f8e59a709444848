// The recogniser's own reading of the whole page as a floor under the
// layer: the page read region by region should never hold less than the
// recogniser finds by itself. Where the evidence says the regions' reading
// may fall short (ink no word covers, characters read unsurely), the page is
// read whole by the recogniser's own layout, and
// - its sure words where the layer has none are put in (a region the layout
//   missed, or cut so that it read as nothing),
// - a line it reads with clearly more evidence than the layer's line there
//   takes that line's place,
// - a word of the layer read unsurely, on ink too little for a letter, where
//   the whole reading finds nothing, goes.
#pragma once

#include <functional>
#include <vector>

#include "layout/PageLayout.h"
#include "ocr/InkAccount.h"
#include "ocr/OcrTypes.h"

namespace xdw {

// The words of a line whose doubt is settled elsewhere (figures the English
// model reads, see FiguresSettled), by word: no doubt the floor is wanted
// for.
using SettledWords = std::function<std::vector<char>(const OcrLine& line)>;

// The page's image read whole by the recogniser's own layout: its lines,
// boxes in the image's pixels.
using WholeReading = std::function<std::vector<OcrLine>(const RenderedPage& image)>;

// The lines read so unsurely that the recogniser cannot tell them at all
// taken out: what it makes of ink no one could read (a fax's transmission
// line too small for its pixels) is noise in the layer.
void DropUnreadable(std::vector<OcrLine>& lines);

// True when the reading of the page (lines, on the layout's straightened
// page, leaving unreadShare of its ink that may be text unread: see
// InkAccount::UnreadShare) leaves doubt that it holds all the recogniser
// would find alone.
bool FloorWanted(double unreadShare, const std::vector<OcrLine>& lines);

// The page read whole (by readWhole, on the layout's image) laid under
// lines, as above. Given settled, the page is not read where that could
// change no line: when its every doubtful line is a row of cells (read cell
// by cell by the recogniser's own layout, no cell can take the row's place)
// or doubtful only in words settled, with no ink unread and no word to take
// away. Throws what readWhole throws, or std::bad_alloc.
void RaiseToFloor(const PageLayout& layout, const InkAccount& account, std::vector<OcrLine>& lines,
                  const WholeReading& readWhole, const SettledWords& settled = {});

}  // namespace xdw
