// Any text read as a comma list gives items that, written and read again,
// come back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "run/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto items = quilbex::CommaList(text);
    for (const auto& item : items) FUZZ_CHECK(item.find('\0') == std::string::npos);
    const std::string written = quilbex::CommaList(items);
    FUZZ_CHECK(quilbex::CommaList(written) == items);
    return 0;
}
