#include "pdf/PageCheck.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include "Error.h"

namespace xdw {

void CheckEveryPage(QPDF& pdf, const std::string& name) {
    int number = 0;
    for (QPDFObjectHandle page : pdf.getAllPages()) {
        ++number;
        const std::string which = "page " + std::to_string(number) + " of " + name;
        if (!page.isDictionary())
            throw EngineError(XDW_E_CANNOT_READ, which + " is damaged beyond repair");
        QPDFObjectHandle contents = page.getKey("/Contents");
        if (contents.isNull()) continue;  // a blank page
        try {
            Pl_Discard discard;
            QPDFPageObjectHelper(page).pipeContents(&discard);
        } catch (const std::exception& e) {
            throw EngineError(XDW_E_CANNOT_READ,
                              which + " has unreadable content (" + std::string(e.what()) + ")");
        }
    }
}

}  // namespace xdw
