// Reading one region of a page with Tesseract: the region copied apart with
// blank room around it, scaled to the size text reads best at, read in the
// mode that fits its kind, and its unsure lines looked at again.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <tesseract/ocrclass.h>
#include <tesseract/publictypes.h>

#include "WorkLimit.h"
#include "layout/PageLayout.h"
#include "layout/PixelTypes.h"
#include "ocr/OcrTypes.h"
#include "ocr/Recognizer.h"

namespace xdw {

// How each kind of region is read: a block of lines as one uniform block
// (the recogniser's own layout would cut justified Japanese lines at their
// even gaps), a single line as a line, columns by the vertical model.
tesseract::PageSegMode ModeFor(const Region& region);

// The scale a region whose text is textSize pixels high is best read at:
// text far smaller or larger than the recogniser reads well is brought to
// its size, though never finer than most (see FinestScale).
double ReadScale(int textSize, double most);
// The largest scale worth reading the page at: below 1 for a page drawn from
// a picture coarser than its rendering.
double FinestScale(const RenderedPage& page);

// The lines of one block as recognition found them.
struct Block {
    PixelBox box;
    bool vertical = false;  // written top to bottom
    std::vector<OcrLine> lines;
};

// The page's limit, followed as the recogniser works, and its progress.
struct Deadline {
    const WorkLimit* work = nullptr;
    const tesseract::ETEXT_DESC* monitor = nullptr;
    // The page is read region by region: its progress runs over all of them.
    int regionsDone = 0, regions = 1;
    // Short readings after the page's (its figures read again) note none.
    bool noted = true;
};

// A copy of one region of the page on its own, with blank room around it
// (less above and below a line read alone), so that no stroke of a
// neighbouring region can be read with it; offsetX, offsetY: where the
// copy's origin lies on the page.
RenderedPage RegionImage(const RenderedPage& page, const PixelBox& box, bool lineAlone,
                         int& offsetX, int& offsetY);
// Every box of the lines moved by dx, dy.
void Move(std::vector<OcrLine>& lines, int dx, int dy);
// Every box of the blocks scaled by k, then moved by dx, dy.
void Place(std::vector<Block>& blocks, double k, int dx, int dy);
// The blocks Tesseract reads in image, in mode, with boxes in image's pixels;
// image is scaled by scale first. Throws as PageLines.
std::vector<Block> ReadImage(const RenderedPage& image, double scale, tesseract::PageSegMode mode,
                             const std::string& languages, const std::string& tessdata,
                             Deadline& deadline, double stretch = 1);

size_t Characters(const OcrLine& line);
size_t Characters(const std::vector<OcrLine>& lines);
// How much a reading holds: its characters, each weighed by its word's
// confidence.
double Score(const std::vector<OcrLine>& lines);

// One region's first reading: its blocks, with their boxes on the page, the
// scale it was read at and whether its unsure lines are to be looked at
// again (vertical columns are not).
struct FirstReading {
    std::vector<Block> blocks;
    double scale = 1;
    bool lookAgain = true;
    // A short line read on its own, read again as one word if it reads
    // nothing as a line.
    std::optional<PixelBox> shortLine;
};
FirstReading ReadOnce(const RenderedPage& page, const Region& region, int textSize, double most,
                      const std::string& languages, const std::string& tessdata,
                      Deadline& deadline);
// The first reading's blocks, their unsure lines looked at again.
std::vector<Block> LookAgain(const RenderedPage& page, FirstReading&& first,
                             const std::string& languages, const std::string& tessdata,
                             Deadline& deadline);
// The blocks of one region, with their boxes on the page: ReadOnce, then
// LookAgain.
std::vector<Block> ReadRegion(const RenderedPage& page, const Region& region, int textSize,
                              double most, const std::string& languages,
                              const std::string& tessdata, Deadline& deadline);

// The page read whole, by Tesseract's own page layout.
std::vector<OcrLine> ReadWhole(const RenderedPage& prepared, int textSize, double most,
                               const OcrRecipe& recipe, Deadline& deadline);

}  // namespace xdw
