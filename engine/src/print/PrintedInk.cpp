#include "print/PrintedInk.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <array>

namespace xdw {

namespace {

// Operators that put marks on a page: text shown, pictures and forms drawn,
// shadings, paths filled or stroked.
constexpr std::array<std::string_view, 17> kMarking = {
    "Tj", "TJ", "'", "\"", "Do", "sh", "BI", "f", "F", "f*", "B", "B*", "b", "b*", "S", "s", "EI",
};

struct Marked {};

class MarkFinder : public QPDFObjectHandle::ParserCallbacks {
public:
    void handleObject(QPDFObjectHandle object) override {
        if (!object.isOperator()) return;
        const std::string op = object.getOperatorValue();
        if (std::find(kMarking.begin(), kMarking.end(), op) != kMarking.end()) throw Marked{};
    }
    void handleEOF() override {}
};

}  // namespace

bool AnyPageInked(QPDF& printed) {
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(printed).getAllPages()) {
        MarkFinder finder;
        try {
            page.parseContents(&finder);
        } catch (const Marked&) {
            return true;
        } catch (const std::exception&) {
            return true;  // content it cannot follow is not known to be blank
        }
    }
    return false;
}

bool HoldsVisibleText(std::string_view utf8, std::string_view marks) {
    if (utf8.rfind("\xEF\xBB\xBF", 0) == 0) utf8.remove_prefix(3);  // the byte order mark
    return std::any_of(utf8.begin(), utf8.end(), [marks](char c) {
        const auto byte = static_cast<unsigned char>(c);
        if (marks.find(c) != std::string_view::npos) return false;
        // Every character beyond ASCII is taken as visible; so is any ASCII
        // one but blanks and control characters.
        return byte > 0x20 && byte != 0x7F;
    });
}

}  // namespace xdw
