#include "Tuning.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>

namespace xdw {

TuningTable::TuningTable(const char* floor, std::initializer_list<TuningRow> rows,
                         const char* overrides)
    : rows_(rows) {
    if (overrides == nullptr) return;
    const std::string prefix = std::string(floor) + ".";
    std::string_view rest = overrides;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string entry(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        const size_t equals = entry.find('=');
        if (entry.compare(0, prefix.size(), prefix) != 0 || equals == std::string::npos) continue;
        const std::string name = entry.substr(prefix.size(), equals - prefix.size());
        const std::string text = entry.substr(equals + 1);
        // Read as C reads numbers, whatever the locale.
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        TuningRow* row = nullptr;
        for (TuningRow& r : rows_)
            if (name == r.name) row = &r;
        if (row == nullptr || error != std::errc() || end != text.data() + text.size()) {
            std::fprintf(stderr, "QUILBEX_TUNING: %s left out (no such parameter or no number)\n",
                         entry.c_str());
            continue;
        }
        row->value = value;
    }
}

}  // namespace xdw
