#include "print/AppPrintOffice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <sstream>

#include "Error.h"

namespace xdw {

namespace {

std::mutex settingsMutex;
AppPrintSettings settings;

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::string SearchPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;  // no implicit current directory
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
    }
    return {};
}

// file:// URL of an absolute path, with everything but unreserved
// characters and '/' percent-encoded.
std::string FileUrl(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0xF];
        }
    }
    return url;
}

}  // namespace

AppPrintSettings CurrentAppPrintSettings() {
    std::lock_guard lock(settingsMutex);
    return settings;
}

void SetAppPrintSettings(const AppPrintSettings& value) {
    std::lock_guard lock(settingsMutex);
    settings = value;
}

// LibreOffice's launcher starts the office program as a child of its own,
// which would outlive us when we are killed; the office program itself is
// started directly where it lies beside the launcher's real file.
std::string OfficeProgram(const std::string& launcher) {
    char real[PATH_MAX];
    if (::realpath(launcher.c_str(), real) == nullptr) return launcher;
    std::string program = real;
    const auto slash = program.rfind('/');
    program = program.substr(0, slash + 1) + "soffice.bin";
    return IsExecutableFile(program) ? program : launcher;
}

std::string FindOffice(const std::vector<std::string>& candidates) {
    for (const auto& candidate : candidates) {
        if (candidate.find('/') == std::string::npos) {
            const std::string found = SearchPath(candidate);
            if (!found.empty()) return OfficeProgram(found);
        } else if (IsExecutableFile(candidate)) {
            return OfficeProgram(candidate);
        }
    }
    throw EngineError(XDW_E_NOT_INSTALLED, "LibreOffice (soffice) is not installed");
}

std::vector<std::string> OfficeConvertArgs(const std::string& office, const std::string& source,
                                           const std::string& outDir,
                                           const std::string& profileDir) {
    return {office,         "-env:UserInstallation=" + FileUrl(profileDir),
            "--headless",   "--invisible",
            "--nodefault",  "--nofirststartwizard",
            "--norestore",  "--nolockcheck",
            "--convert-to", "pdf",
            "--outdir",     outDir,
            source};
}

}  // namespace xdw
