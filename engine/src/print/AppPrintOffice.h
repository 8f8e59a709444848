// Finding LibreOffice and putting together the command line of one
// conversion to PDF.
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

// The office program exits with this status after making a new profile and
// wants to be started again (its launcher would do that).
inline constexpr int kOfficeRestartStatus = 81;

// The full path of the LibreOffice program (soffice.bin itself when it lies
// beside the launcher found); throws
// EngineError(XDW_E_NOT_INSTALLED) when there is none.
std::string FindOffice(const std::vector<std::string>& candidates);

// The time limit of printing a file of this many bytes.
std::chrono::milliseconds OfficeTimeLimit(std::uintmax_t bytes, const AppPrintSettings& settings);

// The argument vector converting source to PDF into outDir, with the profile
// kept in profileDir so that a LibreOffice the user has open is not touched.
// importFilter ("" lets LibreOffice choose) and exportFilter as LibreOffice
// names them, with their options.
std::vector<std::string> OfficeConvertArgs(const std::string& office, const std::string& source,
                                           const std::string& outDir, const std::string& profileDir,
                                           const std::string& importFilter = {},
                                           const std::string& exportFilter = "pdf");

// Writes the settings of a fresh private profile so that a document cannot
// reach outside itself: linked pictures and files are not loaded, links and
// external data are never updated, formulas are not recalculated on load,
// macros never run, and network access goes to a proxy that refuses.
void WriteOfficeProfile(const std::string& profileDir);

// What the command line is run under: the sandbox (jobDir its only writable
// place) when asked for and possible; else a network namespace of its own
// (unshare) where this system lets a process make one; else nothing, and the
// profile's settings with its refusing proxy are the only walls.
std::vector<std::string> OfficeWalls(const std::string& office, const std::string& jobDir,
                                     bool sandbox);

// Why LibreOffice runs without its sandbox though the settings ask for one;
// "" when it runs in it (or the settings ask for none).
std::string PrintSandboxMissing();

}  // namespace xdw
