#include "print/AppPrintOffice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

#include <sys/wait.h>

#include <fstream>
#include <thread>

#include "Error.h"
#include "print/ChildProcess.h"
#include "print/OfficeSandbox.h"

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
                                           const std::string& outDir, const std::string& profileDir,
                                           const std::string& importFilter,
                                           const std::string& exportFilter) {
    std::vector<std::string> args;
    for (const std::string& arg : {office, "-env:UserInstallation=" + FileUrl(profileDir),
                                   std::string("--headless"), std::string("--invisible"),
                                   std::string("--nodefault"), std::string("--nofirststartwizard"),
                                   std::string("--norestore"), std::string("--nolockcheck")})
        args.push_back(arg);
    if (!importFilter.empty()) args.push_back("--infilter=" + importFilter);
    for (const std::string& arg :
         {std::string("--convert-to"), exportFilter, std::string("--outdir"), outDir, source})
        args.push_back(arg);
    return args;
}

namespace {

// Settings of the private profile, as LibreOffice keeps user settings.
constexpr const char* kProfileSettings[][3] = {
    // Linked pictures, frames and files of a document are not loaded.
    {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
    {"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3"},
    {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true"},
    // Links and external data: never updated. The two modules count
    // differently: Writer 0 never, 1 on request, 2 always; Calc 0 always,
    // 1 never, 2 on request.
    {"/org.openoffice.Office.Writer/Content/Update", "Link", "0"},
    {"/org.openoffice.Office.Calc/Content/Update", "Link", "1"},
    // Stored results are printed; formulas (WEBSERVICE among them) are not
    // worked out again on load.
    {"/org.openoffice.Office.Calc/Formula/Load", "OOXMLRecalcMode", "1"},
    {"/org.openoffice.Office.Calc/Formula/Load", "ODFRecalcMode", "1"},
    // Every connection goes to a proxy port nothing listens on.
    {"/org.openoffice.Inet/Settings", "ooInetProxyType", "2"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPProxyPort", "9"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPSProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPSProxyPort", "9"},
    {"/org.openoffice.Inet/Settings", "ooInetFTPProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetFTPProxyPort", "9"},
    {"/org.openoffice.Inet/Settings", "ooInetNoProxy", ""},
};

bool NetworkNamespaceWorks(const std::string& unshare) {
    ChildSpec probe;
    probe.argv = {unshare, "--net", "--map-current-user", "--", "/bin/true"};
    const auto status = RunBriefly(probe, std::chrono::seconds(5));
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

std::vector<std::string> NetworkIsolationPrefix() {
    static const std::vector<std::string> prefix = [] {
        const std::string unshare = SearchPath("unshare");
        if (unshare.empty() || !NetworkNamespaceWorks(unshare)) return std::vector<std::string>{};
        return std::vector<std::string>{unshare, "--net", "--map-current-user", "--"};
    }();
    return prefix;
}

}  // namespace

void WriteOfficeProfile(const std::string& profileDir) {
    const std::string user = profileDir + "/user";
    std::error_code ec;
    std::filesystem::create_directories(user, ec);
    std::ofstream out(user + "/registrymodifications.xcu", std::ios::binary | std::ios::trunc);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    for (const auto& setting : kProfileSettings) {
        out << "<item oor:path=\"" << setting[0] << "\"><prop oor:name=\"" << setting[1]
            << "\" oor:op=\"fuse\"><value>" << setting[2] << "</value></prop></item>\n";
    }
    out << "</oor:items>\n";
    out.close();
    if (!out) throw EngineError(XDW_E_FAIL, "cannot write the LibreOffice profile");
}

std::vector<std::string> OfficeWalls(const std::string& office, const std::string& jobDir,
                                     bool sandbox) {
    if (sandbox) {
        auto prefix = SandboxPrefix(office, jobDir);
        if (!prefix.empty()) return prefix;
    }
    return NetworkIsolationPrefix();
}

std::string PrintSandboxMissing() {
    return CurrentAppPrintSettings().sandbox ? SandboxUnavailableReason() : std::string();
}

std::chrono::milliseconds OfficeTimeLimit(std::uintmax_t bytes, const AppPrintSettings& settings) {
    const std::chrono::milliseconds scaled =
        std::chrono::minutes(1) +
        std::chrono::milliseconds(static_cast<std::int64_t>(bytes * 60'000 / (1u << 20)));
    return std::min(settings.timeLimit, scaled);
}

}  // namespace xdw
