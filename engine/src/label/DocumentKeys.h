// What a document says it is, and the keys a bill is found by again.
#pragma once

#include <string>
#include <vector>

namespace xdw {

struct DocumentKeys {
    std::string kind;          // 請求書, 議事録… ("" when no page's heading names one)
    std::string date;          // YYYY-MM-DD, of a bill only
    std::string amount;        // its total in yen, digits only
    std::string counterparty;  // its issuer

    bool Empty() const {
        return kind.empty() && date.empty() && amount.empty() && counterparty.empty();
    }
    bool operator==(const DocumentKeys& other) const {
        return kind == other.kind && date == other.date && amount == other.amount &&
               counterparty == other.counterparty;
    }
};

// pages: the text of each page in reading order (UTF-8, see SplitLines);
// recognised when any of it was read by OCR rather than carried by the
// document. The kind is the first that a page's heading names; a bill's keys
// are taken from the text of all its pages, each only where the text leaves
// no doubt about it.
DocumentKeys FindDocumentKeys(const std::vector<std::string>& pages, bool recognised = false);

// The keys that were found, in the order kind, date, amount, counterparty.
std::vector<std::string> KeyList(const DocumentKeys& keys);

}  // namespace xdw
