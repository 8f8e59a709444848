// The limits and places of application printing, process-wide.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace xdw {

// Limits and places of application printing. The defaults suit real use;
// tests shorten the limits or point at a stand-in program.
struct AppPrintSettings {
    // Where to look for the program, tried in order before PATH is searched;
    // an entry without a slash is looked up on PATH.
    std::vector<std::string> officeCandidates = {"soffice", "/usr/lib/libreoffice/program/soffice"};
    // The application may take this long in all before it counts as hung:
    // a minute and a minute more per MiB of input, never more than this.
    std::chrono::milliseconds timeLimit = std::chrono::minutes(10);
    // Address space of each of its processes (a zip bomb stops here).
    std::uint64_t memoryLimit = std::uint64_t{2} << 30;
    // Run it under bubblewrap where this system allows.
    bool sandbox = true;
    // Between SIGTERM and SIGKILL when a conversion is stopped.
    std::chrono::milliseconds grace = std::chrono::seconds(2);
};

AppPrintSettings CurrentAppPrintSettings();
void SetAppPrintSettings(const AppPrintSettings& settings);

// The time limit of printing a file of this many bytes.
std::chrono::milliseconds OfficeTimeLimit(std::uintmax_t bytes, const AppPrintSettings& settings);

}  // namespace xdw
