// Finding LibreOffice and putting together the command line of one
// conversion to PDF.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace xdw {

// Limits and places of application printing. The defaults suit real use;
// tests shorten the limits or point at a stand-in program.
struct AppPrintSettings {
    // Where to look for the program, tried in order before PATH is searched;
    // an entry without a slash is looked up on PATH.
    std::vector<std::string> officeCandidates = {"soffice", "/usr/lib/libreoffice/program/soffice"};
    // The application may take this long in all before it counts as hung.
    std::chrono::milliseconds timeLimit = std::chrono::minutes(10);
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

// The argument vector converting source to PDF into outDir, with the profile
// kept in profileDir so that a LibreOffice the user has open is not touched.
std::vector<std::string> OfficeConvertArgs(const std::string& office, const std::string& source,
                                           const std::string& outDir,
                                           const std::string& profileDir);

}  // namespace xdw
