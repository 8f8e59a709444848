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

// A line of recognised text (as SplitLines gives it, cells joined) that
// holds a date left in doubt, and no due date or sum: worth reading again.
bool DateInDoubt(const std::u32string& line);

// Whether a line holding a date left in doubt (first) may be taken as read
// again (again, twice, each another way): both readings again hold one sure
// date, the same one, and the numbers first read surely stand in it in their
// order (one cut short by an unsure character as the start of one).
bool DateReadAgain(const std::u32string& first, const std::u32string& again,
                   const std::u32string& twice);

}  // namespace xdw
