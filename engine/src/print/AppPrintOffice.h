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

// What the command line is run under so that the application has no network
// at all: a network namespace of its own (unshare), when this system lets an
// unprivileged process make one; empty otherwise (the profile's refusing
// proxy is then what keeps it off the network). Found out once.
std::vector<std::string> NetworkIsolationPrefix();

}  // namespace xdw
