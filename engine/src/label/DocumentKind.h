// What a document says it is, from the heading of one of its pages.
#pragma once

#include <string>
#include <vector>

#include "label/KeyText.h"

namespace xdw {

// The kind a page's first heading names (請求書, 見積書, 議事録, お知らせ…, as
// the list of kinds spells it: 領収証 is 領収書, 御見積書 見積書), or "" when
// none of its first lines is such a heading.
std::u32string PageKind(const std::vector<TextLine>& page);

// The kind of a bill whose heading was not read, from what else the page
// says surely: a heading read in part that one kind only fits, beside a
// total; else the label of its total that one kind only has (ご請求金額,
// 御見積金額; お預り and お釣り). "" when that leaves doubt.
std::u32string KindByEvidence(const std::vector<TextLine>& page);

// Invoices, receipts, estimates, delivery notes and orders: the kinds whose
// date, amount and counterparty are looked for.
bool IsBillKind(const std::u32string& kind);

}  // namespace xdw
