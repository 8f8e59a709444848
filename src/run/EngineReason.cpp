#include "run/EngineReason.h"

#include <cstdlib>
#include <string_view>

#include "xdwapi/xdwreason.h"

namespace quilbex {

namespace {

std::string Unescape(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
            out += value[i] == 'n' ? '\n' : value[i];
        } else {
            out += value[i];
        }
    }
    return out;
}

}  // namespace

EngineReason ParseEngineReason(const std::string& text) {
    EngineReason reason;
    std::string_view rest = text;
    size_t end = rest.find('\n');
    reason.prose = std::string(rest.substr(0, end));
    while (end != std::string_view::npos) {
        rest.remove_prefix(end + 1);
        end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, eq);
        const std::string value = Unescape(line.substr(eq + 1));
        if (key == XDW_REASON_KIND) {
            reason.kind = value;
        } else if (key == XDW_REASON_ERRNO) {
            reason.err = std::atoi(value.c_str());
        } else if (key == XDW_REASON_PATH) {
            reason.path = value;
        } else if (key == XDW_REASON_TYPE) {
            reason.type = value;
        }
    }
    return reason;
}

}  // namespace quilbex
