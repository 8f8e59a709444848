// Any pattern and source name: the name stays within 256 code page 932 bytes
// and is valid UTF-8 when its inputs are.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "FuzzCheck.h"
#include "common/Cp932.h"
#include "run/OutputTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    std::tm time{};
    time.tm_year = data[0] + 70;
    time.tm_mon = data[1] % 12;
    time.tm_mday = data[2] % 31 + 1;
    time.tm_hour = data[3] % 24;
    time.tm_min = data[4] % 60;
    time.tm_sec = data[5] % 60;
    const std::string rest(reinterpret_cast<const char*>(data) + 6, size - 6);
    const auto split = rest.find('\n');
    const std::string pattern = rest.substr(0, split);
    const std::string source = split == std::string::npos ? "report.pdf" : rest.substr(split + 1);

    const std::string formatted = quilbex::FormatDateTime(pattern, time);
    FUZZ_CHECK(quilbex::ToCp932Lossy(formatted).size() <= quilbex::kMaxFormattedBytes);
    if (quilbex::IsUtf8(pattern)) FUZZ_CHECK(quilbex::IsUtf8(formatted));

    const std::string name = quilbex::ComposeOutputName(pattern, source, time);
    const std::string path = quilbex::BuildOutPath("/out", name);
    FUZZ_CHECK(path.rfind("/out/", 0) == 0);
    FUZZ_CHECK(path.size() >= 9 && path.compare(path.size() - 4, 4, ".xdw") == 0);
    return 0;
}
