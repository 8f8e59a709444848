// What the steps of a page's reading hand on to each other: the page as
// prepared and laid out, what its regions read, what was read apart from
// them. Here too the two steps that make it (the page prepared, then laid
// out) and the one that reads its regions.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "WorkLimit.h"
#include "layout/PageLayout.h"
#include "ocr/InkAccount.h"
#include "ocr/RegionReading.h"
#include "prepare/PreparePage.h"

namespace xdw {

struct PageReading {
    const RenderedPage* page = nullptr;  // as drawn, and turned when it was
    PreparedPage prepared;
    PageLayout layout;  // of the prepared copy
    // Vertical writing looked for (the recipe has vertical languages).
    bool findVertical = false;
    double most = 1;  // see FinestScale
    Deadline deadline;
    // Each region's reading, by the layout's order; the first regionsRead
    // are read (the way up may have been told by reading the first ones).
    std::vector<std::vector<Block>> read;
    size_t regionsRead = 0;
    // Set when the reading is checked against the ink: the page holds only
    // noise, and the lines read apart from the regions.
    bool noise = false;
    std::vector<OcrLine> apart;
    // The share of the ink that may be text that no word read covers, once
    // checked (see InkAccount::UnreadShare).
    double unreadShare = 0;
    // The page's ink as the check found it, for the floor (see PageFloor):
    // it refers to layout, so the reading stays where it is once checked.
    std::shared_ptr<const InkAccount> account;
};

// The page prepared (see PreparePage), then laid out (see FindLayout) for
// recipe's languages, within work: nothing is read yet. Throws as
// RecognizePage.
PageReading PrepareAndLayOut(const RenderedPage& page, const OcrRecipe& recipe,
                             const WorkLimit& work);

// Reads the regions not read yet, each the way its kind reads best
// (vertical columns by the vertical languages): they depend on nothing but
// the layout, so a thread with nothing else to do may read some of them.
// Throws as PageLines.
void ReadRegions(PageReading& reading, const OcrRecipe& recipe);

}  // namespace xdw
