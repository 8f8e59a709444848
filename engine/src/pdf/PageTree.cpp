#include "pdf/PageTree.h"

#include <vector>

namespace xdw {

void FlattenPageTree(QPDF& pdf) {
    pdf.pushInheritedAttributesToPage();
    const std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
    QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    for (QPDFObjectHandle page : pages) {
        page.replaceKey("/Parent", root);
        kids.appendItem(page);
    }
    root.replaceKey("/Type", QPDFObjectHandle::newName("/Pages"));
    root.replaceKey("/Kids", kids);
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(pages.size())));
    root.removeKey("/Parent");
}

}  // namespace xdw
