// Any bytes as a settings file: reads stay within 2047 bytes and are valid
// UTF-8, and a key written into the file is read back as written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "FuzzCheck.h"
#include "common/Cp932.h"
#include "run/Settings.h"

namespace {

// A settings file of its own, on a memory file system when there is one.
const std::string& IniPath() {
    static const std::string path = [] {
        std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        folder += "/quilbex-fuzz-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) std::abort();
        return folder + "/Quilbex.ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    {
        std::ofstream out(IniPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    quilbex::SettingsFile file(IniPath());
    for (const char* section : {"common", "file"}) {
        for (const char* key : {"ShowSetting", "NoDelExt", "SaveDir", "FileName"}) {
            const std::string value = file.Read(section, key, "-");
            FUZZ_CHECK(quilbex::ToCp932Lossy(value).size() <= 2047);
            FUZZ_CHECK(quilbex::IsUtf8(value));
            quilbex::CommaList(value);
        }
    }

    file.Write("common", "Probe", "日本語 value");
    FUZZ_CHECK(file.Read("common", "Probe", "") == "日本語 value");
    FUZZ_CHECK(file.Read("COMMON", "probe", "") == "日本語 value");
    return 0;
}
