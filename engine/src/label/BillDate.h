// The date of a bill's transaction: the date the bill stands on, not a due
// date or a delivery date.
#pragma once

#include <string>
#include <vector>

#include "label/KeyText.h"

namespace xdw {

// "YYYY-MM-DD" when the text gives the bill one date alone or under a label
// of its own (発行日, 請求日…), in 2026年12月1日, 令和8年12月1日, 2026/12/01 or
// 2026-12-01; "" when it gives none, or more than one, or one that cannot be
// (a 31st of November, a weekday that does not fit) or that was unsure. In
// recognised text, a date whose digits were unsure or misread is taken where
// its weekday, or the calendar, leaves it one only; faint: the same lines as
// names see them (SplitLines with faintUnsure), where a weekday read faintly
// shows as unsure and settles nothing.
std::string BillDate(const std::vector<TextLine>& lines, bool recognised = false,
                     const std::vector<TextLine>* faint = nullptr);

}  // namespace xdw
