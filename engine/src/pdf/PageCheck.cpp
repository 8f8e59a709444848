#include "pdf/PageCheck.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include "Error.h"

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

}  // namespace

void CheckEveryPage(QPDF& pdf, const std::string& name) {
    int number = 0;
    for (QPDFObjectHandle page : pdf.getAllPages()) {
        ++number;
        const std::string which = "page " + std::to_string(number) + " of " + name;
        if (!page.isDictionary())
            throw EngineError(XDW_E_CANNOT_READ, which + " is damaged beyond repair");
        if (page.getKey("/Contents").isNull()) continue;  // a blank page
        std::string problem;
        try {
            for (QPDFObjectHandle stream : QPDFPageObjectHelper(page).getPageContents())
                if (!stream.isStream() || !Decodes(stream)) problem = "undecodable stream";
        } catch (const std::exception& e) {
            problem = e.what();
        }
        if (!problem.empty())
            throw EngineError(XDW_E_CANNOT_READ,
                              which + " has unreadable content (" + problem + ")");
    }
}

}  // namespace xdw
