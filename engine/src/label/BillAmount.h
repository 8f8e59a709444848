// The total of a bill: what is to be paid or was paid, tax included, not a
// line item, a subtotal or the tax.
#pragma once

#include <string>
#include <vector>

#include "label/KeyText.h"

namespace xdw {

// The total in yen as digits ("128000") when the text states it under a
// total's label (合計, ご請求金額, 税込合計…) as ¥128,000, 128,000円 or
// ¥128,000-, and every such statement agrees; "" otherwise. In recognised
// text, where a digit may be misread, the bill must also bear it out: the
// total stated twice, or its subtotal and tax (stated, or 10% or 8% of it)
// adding up to it, or what was handed over less the change, or read again
// as the largest amount of the page. There a comma read as a point still
// states its digits, Y before digits is ¥, and where the labels stand apart
// from every amount (a table read column by column) the largest amount is
// the total when another with its tax comes to it, or on a receipt what was
// handed over less the change, read twice; never where a discount or a
// balance is named. A statement read only in part, or a page whose total's
// label was not read at all, leaves the total to its sums read in full
// (subtotal, tax and total), which the part read must agree with.
std::string BillAmount(const std::vector<TextLine>& lines, bool recognised);

}  // namespace xdw
