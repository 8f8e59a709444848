#include "ocr/PageReading.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "ocr/SharedTasks.h"

namespace xdw {

PageReading PrepareAndLayOut(const RenderedPage& page, const OcrRecipe& recipe,
                             const WorkLimit& work) {
    PageReading reading;
    reading.page = &page;
    reading.deadline.work = &work;
    // The page is read from a prepared copy, region by region, straightened,
    // in the layout's reading order; a cancel or the time limit stops it
    // between regions as well as inside one.
    reading.prepared = PreparePage(page);
    reading.findVertical = !recipe.verticalLanguages.empty();
    reading.layout = FindLayout(reading.prepared.image, reading.findVertical);
    reading.most = FinestScale(page);
    reading.read.resize(reading.layout.regions.size());
    // The last share of the page's progress is kept for a second reading.
    reading.deadline.regions = static_cast<int>(reading.layout.regions.size()) + 1;
    return reading;
}

namespace {

long long Area(const PixelBox& b) {
    return static_cast<long long>(b.right - b.left) * (b.bottom - b.top);
}

}  // namespace

void ReadRegions(PageReading& reading, const OcrRecipe& recipe) {
    const PageLayout& layout = reading.layout;
    Deadline& deadline = reading.deadline;
    const size_t regions = layout.regions.size();
    // The largest first, so that the threads finish together.
    std::vector<size_t> rest;
    for (size_t i = reading.regionsRead; i < regions; ++i) rest.push_back(i);
    std::stable_sort(rest.begin(), rest.end(), [&](size_t a, size_t b) {
        return Area(layout.regions[a].box) > Area(layout.regions[b].box);
    });
    std::atomic<int> done = deadline.regionsDone;
    RunSharedTasks(static_cast<int>(rest.size()), [&](int i) {
        // Each thread follows its own recognition, and its time counts
        // for the page.
        const WorkLimit helper = deadline.work->Helper();
        const WorkLimitScope helperScope(helper);
        Deadline limit = deadline;
        limit.work = &helper;
        limit.regionsDone = done;
        const Region& region = layout.regions[rest[i]];
        const bool down = region.kind == RegionKind::Vertical;
        reading.read[rest[i]] =
            ReadRegion(layout.image, region, layout.textSize, reading.most,
                       down ? recipe.verticalLanguages : recipe.languages, recipe.tessdata, limit);
        ++done;
    });
    deadline.regionsDone = done;
    reading.regionsRead = regions;
}

}  // namespace xdw
