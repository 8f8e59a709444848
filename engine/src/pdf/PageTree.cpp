#include "pdf/PageTree.h"

#include <map>
#include <utility>
#include <vector>

#include "Error.h"

namespace xdw {

void CheckPageTreeDepth(QPDF& pdf) {
    // Each node is kept with the deepest level it was reached at; it is only
    // walked again when reached deeper, so shared subtrees cost at most
    // kMaxPageTreeDepth walks each and loops end at the limit.
    std::map<QPDFObjGen, int> deepest;
    std::vector<std::pair<QPDFObjectHandle, int>> pending{{pdf.getRoot().getKey("/Pages"), 1}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (!node.isDictionary()) continue;
        if (depth > kMaxPageTreeDepth)
            BadLimit(XDW_REASON_PDF_DAMAGED, XDW_LIMIT_LEVELS, kMaxPageTreeDepth,
                     "page tree nested too deeply", pdf.getFilename());
        if (node.isIndirect()) {
            int& seen = deepest[node.getObjGen()];
            if (seen >= depth) continue;
            seen = depth;
        }
        QPDFObjectHandle kids = node.getKey("/Kids");
        if (!kids.isArray()) continue;
        const int n = kids.getArrayNItems();
        for (int i = 0; i < n; ++i) pending.emplace_back(kids.getArrayItem(i), depth + 1);
    }
}

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
