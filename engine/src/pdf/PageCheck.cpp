#include "pdf/PageCheck.h"

#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <memory>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include "Error.h"
#include "pdf/Renderer.h"

namespace xdw {

namespace {

// Content decoded this far is taken as readable: a page whose stream starts
// decoding cleanly was not lost, and a huge stream must not cost its size.
constexpr size_t kCheckedBytes = 4u << 20;

struct Enough {};

class Limit : public Pipeline {
public:
    Limit() : Pipeline("page check", nullptr) {}
    void write(unsigned char const*, size_t len) override {
        seen_ += len;
        if (seen_ >= kCheckedBytes) throw Enough{};
    }
    void finish() override {}

private:
    size_t seen_ = 0;
};

// Whether the start of the stream decodes without error.
bool Decodes(QPDFObjectHandle stream) {
    Limit limit;
    try {
        return stream.pipeStreamData(&limit, 0, qpdf_dl_generalized, false, false);
    } catch (const Enough&) {
        return true;
    }
}

// Reads every object the page's resources name, so that mending them shows
// as warnings now.
void TouchResources(QPDFObjectHandle page) {
    QPDFObjectHandle resources = page.getKey("/Resources");
    if (!resources.isDictionary()) return;
    for (auto [kind, group] : resources.ditems())
        if (group.isDictionary())
            for (auto [key, value] : group.ditems()) (void)value.isStream();
}

// How much a page shows: letters of its text and dark pixels at a coarse
// resolution.
struct Shown {
    size_t letters = 0;
    size_t ink = 0;
};

Shown Measure(poppler::page* page) {
    Shown shown;
    if (page == nullptr) return shown;
    for (char c : page->text().to_utf8())
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') ++shown.letters;
    poppler::page_renderer renderer;
    renderer.set_image_format(poppler::image::format_gray8);
    renderer.set_paper_color(0xffffffff);
    const poppler::image image = renderer.render_page(page, 24, 24);
    if (!image.is_valid()) return shown;
    const auto* row = reinterpret_cast<const unsigned char*>(image.const_data());
    for (int y = 0; y < image.height(); ++y, row += image.bytes_per_row())
        for (int x = 0; x < image.width(); ++x) shown.ink += row[x] < 160 ? 1 : 0;
    return shown;
}

// Whether the page as it will be written shows as much as the source file's
// page does in poppler.
bool ShowsAsMuchAsTheSource(QPDF& pdf, int number, const poppler::document* source) {
    const std::string copy = SinglePagePdf(pdf, number);
    std::unique_ptr<poppler::document> mended(
        poppler::document::load_from_raw_data(copy.data(), static_cast<int>(copy.size())));
    if (!mended || mended->pages() < 1) return false;
    const Shown now = Measure(std::unique_ptr<poppler::page>(mended->create_page(0)).get());
    if (now.letters == 0 && now.ink == 0) return false;  // nothing left of it
    if (source == nullptr || number > source->pages()) return true;
    const Shown was =
        Measure(std::unique_ptr<poppler::page>(source->create_page(number - 1)).get());
    return now.letters * 10 >= was.letters * 9 && now.ink * 2 >= was.ink;
}

// The first of qpdf's warnings, as a short note.
std::string FirstWarning(const std::vector<QPDFExc>& warnings) {
    if (warnings.empty()) return {};
    const std::string detail = warnings.front().getMessageDetail();
    return detail.empty() ? std::string("damaged") : detail;
}

}  // namespace

std::string CheckEveryPage(QPDF& pdf, const std::string& name) {
    // Those of reading the file as a whole: a mended cross-reference table.
    std::string mended = FirstWarning(pdf.getWarnings());
    std::unique_ptr<poppler::document> source;
    int number = 0;
    for (QPDFObjectHandle page : pdf.getAllPages()) {
        ++number;
        const std::string which = "page " + std::to_string(number) + " of " + name;
        if (!page.isDictionary())
            Bad(XDW_REASON_PAGE_DAMAGED, which + " is damaged beyond repair", pdf.getFilename());
        std::string problem;
        try {
            if (!page.getKey("/Contents").isNull())
                for (QPDFObjectHandle stream : QPDFPageObjectHelper(page).getPageContents())
                    if (!stream.isStream() || !Decodes(stream)) problem = "undecodable stream";
            TouchResources(page);
        } catch (const std::exception& e) {
            problem = e.what();
        }
        if (!problem.empty())
            Bad(XDW_REASON_PAGE_DAMAGED, which + " has unreadable content (" + problem + ")",
                pdf.getFilename());
        const std::string warning = FirstWarning(pdf.getWarnings());
        if (warning.empty()) continue;
        if (mended.empty()) mended = which + ": " + warning;
        // qpdf mended this page: what comes out must show what a viewer
        // shows of the source.
        QuietPoppler();
        if (!source && !pdf.getFilename().empty())
            source.reset(poppler::document::load_from_file(pdf.getFilename()));
        if (!ShowsAsMuchAsTheSource(pdf, number, source.get()))
            Bad(XDW_REASON_PAGE_DAMAGED, which + " is damaged and cannot be repaired",
                pdf.getFilename());
    }
    return mended;
}

}  // namespace xdw
