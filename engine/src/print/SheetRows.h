// A table printed by LibreOffice lands on one of its sheets, which hold
// 1,048,576 rows (as many as Excel's): the rows past them are dropped without
// a word, and the document would be called complete. Such a table is refused.
#pragma once

#include <cstdint>
#include <string_view>

namespace xdw {

inline constexpr std::uint64_t kSheetRows = 1048576;

// The records of CSV text: its lines, a line break inside a quoted field
// counted as none, the last line counted without a break after it.
std::uint64_t CsvRecords(std::string_view text);

// The rows of an OOXML worksheet: its highest row number, or its rows
// counted, whichever is more (a row may leave its number out).
std::uint64_t WorksheetRows(std::string_view xml);

// Throws the sheet limit (XDW_REASON_SHEET_LIMIT) for more rows than a sheet
// holds.
void RequireSheetRows(std::uint64_t rows);

}  // namespace xdw
