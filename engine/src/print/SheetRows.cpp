#include "print/SheetRows.h"

#include <algorithm>
#include <string>

#include "Error.h"

namespace xdw {

std::uint64_t CsvRecords(std::string_view text) {
    std::uint64_t records = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') quoted = !quoted;  // a doubled quote toggles twice
        if (c == '\n' && !quoted) ++records;
    }
    return records + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

std::uint64_t WorksheetRows(std::string_view xml) {
    std::uint64_t counted = 0, highest = 0;
    for (size_t at = xml.find("<row"); at != std::string_view::npos;
         at = xml.find("<row", at + 4)) {
        const char next = at + 4 < xml.size() ? xml[at + 4] : '\0';
        if (next != ' ' && next != '>' && next != '/') continue;  // <rowBreaks>, ...
        ++counted;
        const size_t end = xml.find('>', at);
        const std::string_view tag = xml.substr(at, end == std::string_view::npos ? end : end - at);
        const size_t r = tag.find(" r=\"");
        if (r == std::string_view::npos) continue;
        std::uint64_t number = 0;
        for (size_t i = r + 4; i < tag.size() && tag[i] >= '0' && tag[i] <= '9'; ++i)
            number = std::min<std::uint64_t>(number * 10 + static_cast<unsigned>(tag[i] - '0'),
                                             kSheetRows * 1000);
        highest = std::max(highest, number);
    }
    return std::max(counted, highest);
}

void RequireSheetRows(std::uint64_t rows) {
    if (rows <= kSheetRows) return;
    BadLimit(XDW_REASON_SHEET_LIMIT, XDW_LIMIT_ROWS, kSheetRows,
             "the table has " + std::to_string(rows) + " rows, more than the " +
                 std::to_string(kSheetRows) + " a sheet holds");
}

}  // namespace xdw
