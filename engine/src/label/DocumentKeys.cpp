#include "label/DocumentKeys.h"

#include "common/Utf8.h"
#include "label/BillAmount.h"
#include "label/BillDate.h"
#include "label/BillParty.h"
#include "label/DocumentKind.h"

namespace xdw {

DocumentKeys FindDocumentKeys(const std::vector<std::string>& pages, bool recognised) {
    DocumentKeys keys;
    std::vector<TextLine> all, forNames;
    std::u32string kind;
    for (const std::string& page : pages) {
        std::vector<TextLine> lines = SplitLines(page);
        if (kind.empty()) kind = PageKind(lines);
        all.insert(all.end(), lines.begin(), lines.end());
        lines = SplitLines(page, true);
        forNames.insert(forNames.end(), lines.begin(), lines.end());
    }
    // A heading the recogniser did not read: what the first page says else.
    if (kind.empty() && !pages.empty()) kind = KindByEvidence(SplitLines(pages[0]));
    keys.kind = quilbex::EncodeUtf8(kind);
    if (!IsBillKind(kind)) return keys;
    keys.date = BillDate(all, recognised, &forNames);
    keys.amount = BillAmount(all, recognised);
    keys.counterparty = BillParty(forNames, recognised);
    return keys;
}

std::vector<std::string> KeyList(const DocumentKeys& keys) {
    std::vector<std::string> list;
    for (const std::string* key : {&keys.kind, &keys.date, &keys.amount, &keys.counterparty})
        if (!key->empty()) list.push_back(*key);
    return list;
}

}  // namespace xdw
