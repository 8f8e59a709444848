#include "pdf/DrawingCost.h"

#include <map>
#include <string>
#include <vector>

#include <qpdf/QPDFPageDocumentHelper.hh>

#include "pdf/BoundedSink.h"

namespace xdw {

namespace {

constexpr std::uint64_t kEndless = ~std::uint64_t{0};

// qpdf parses a content stream from its whole decoded text, so a stream that
// decodes to more than a page of dense drawing is counted as too much before
// it is held in memory.
constexpr std::uint64_t kMaxCountedContentBytes = 32ull << 20;

bool DecodesWithin(QPDFObjectHandle content) {
    BoundedSink sink(kMaxCountedContentBytes, false);
    try {
        const std::vector<QPDFObjectHandle> streams =
            content.isArray() ? content.getArrayAsVector() : std::vector<QPDFObjectHandle>{content};
        for (QPDFObjectHandle stream : streams)
            if (stream.isStream()) stream.pipeStreamData(&sink, 0, qpdf_dl_specialized);
    } catch (const std::exception&) {
        // Damaged streams count as far as they decode.
    }
    return !sink.full();
}

// The operators of one content stream and the names of what it draws with Do.
class OperatorCount : public QPDFObjectHandle::ParserCallbacks {
public:
    explicit OperatorCount(std::uint64_t limit) : limit_(limit) {}
    void handleObject(QPDFObjectHandle object, size_t, size_t) override {
        if (object.isOperator()) {
            if (object.getOperatorValue() == "Do" && last_.isName())
                drawn.push_back(last_.getName());
            if (++operators > limit_) terminateParsing();
        }
        last_ = object;
    }
    void handleEOF() override {}

    std::uint64_t operators = 0;
    std::vector<std::string> drawn;

private:
    std::uint64_t limit_;
    QPDFObjectHandle last_;
};

class Cost {
public:
    explicit Cost(std::uint64_t limit) : limit_(limit) {}

    // content: a stream or an array of them; resources: where its names
    // are looked up.
    std::uint64_t Of(QPDFObjectHandle content, QPDFObjectHandle resources) {
        if (!DecodesWithin(content)) return limit_ + 1;
        OperatorCount count(limit_);
        try {
            QPDFObjectHandle::parseContentStream(content, &count);
        } catch (const std::exception&) {
            // What could be read counts.
        }
        std::uint64_t total = count.operators;
        QPDFObjectHandle xobjects =
            resources.isDictionary() ? resources.getKey("/XObject") : QPDFObjectHandle::newNull();
        for (const std::string& name : count.drawn) {
            if (total > limit_) break;
            if (!xobjects.isDictionary()) break;
            QPDFObjectHandle form = xobjects.getKey(name);
            if (!form.isStream() || !form.getDict().getKey("/Subtype").isNameAndEquals("/Form"))
                continue;
            total = Add(total, Form(form, resources));
        }
        return total;
    }

private:
    // A form's cost, worked out once; one still being counted draws itself.
    std::uint64_t Form(QPDFObjectHandle form, QPDFObjectHandle outer) {
        const QPDFObjGen id = form.getObjGen();
        if (auto known = costs_.find(id); known != costs_.end()) return known->second;
        costs_[id] = kEndless;
        QPDFObjectHandle own = form.getDict().getKey("/Resources");
        const std::uint64_t cost = Of(form, own.isDictionary() ? own : outer);
        costs_[id] = cost;
        return cost;
    }
    std::uint64_t Add(std::uint64_t a, std::uint64_t b) const {
        return a > limit_ || b > limit_ - a ? limit_ + 1 : a + b;
    }

    std::uint64_t limit_;
    std::map<QPDFObjGen, std::uint64_t> costs_;
};

}  // namespace

bool DrawingFits(QPDF& pdf, int page, std::uint64_t limit) {
    try {
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        if (page < 1 || page > static_cast<int>(pages.size())) return true;
        QPDFPageObjectHelper& one = pages[page - 1];
        return Cost(limit).Of(one.getObjectHandle().getKey("/Contents"),
                              one.getAttribute("/Resources", false)) <= limit;
    } catch (const std::exception&) {
        return true;  // nothing here to draw; the reader judges the rest
    }
}

}  // namespace xdw
