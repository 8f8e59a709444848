#include "print/OfficeSandbox.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "Error.h"
#include "print/ChildProcess.h"

namespace xdw {

namespace {

// What LibreOffice reads of /etc: the loader's cache, fonts, its own
// registry, the user and time-zone databases. Nothing else there is seen.
constexpr const char* kEtcEntries[] = {
    "ld.so.cache", "ld.so.conf", "ld.so.conf.d",  "fonts",        "libreoffice", "alternatives",
    "localtime",   "timezone",   "nsswitch.conf", "passwd",       "group",       "dconf",
    "gnutls",      "mime.types", "papersize",     "locale.alias", "locale.conf", "default/locale",
};

// Folders of /usr that hold pictures and documents LibreOffice never needs
// to print a file.
constexpr const char* kSystemPictures[] = {
    "/usr/share/pixmaps", "/usr/share/icons", "/usr/share/backgrounds", "/usr/share/wallpapers",
    "/usr/share/images",  "/usr/share/doc",   "/usr/share/help",        "/usr/share/games",
};

// Top-level names that are links into /usr on a merged system and folders
// of their own on others.
constexpr const char* kSystemRoots[] = {"/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"};

bool IsUnder(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

std::string BwrapPath() {
    for (const char* candidate : {"/usr/bin/bwrap", "/bin/bwrap"})
        if (access(candidate, X_OK) == 0) return candidate;
    return {};
}

// The system part of the view, the same for every job.
std::vector<std::string> SystemView(const std::string& bwrap) {
    std::vector<std::string> args = {bwrap,       "--unshare-all", "--die-with-parent",
                                     "--ro-bind", "/usr",          "/usr"};
    for (const char* root : kSystemRoots) {
        std::error_code ec;
        const auto status = std::filesystem::symlink_status(root, ec);
        if (ec || !std::filesystem::exists(status)) continue;
        if (std::filesystem::is_symlink(status)) {
            args.insert(args.end(),
                        {"--symlink", std::filesystem::read_symlink(root, ec).string(), root});
        } else {
            args.insert(args.end(), {"--ro-bind", root, root});
        }
    }
    for (const char* entry : kEtcEntries) {
        const std::string path = std::string("/etc/") + entry;
        args.insert(args.end(), {"--ro-bind-try", path, path});
    }
    // Pictures of the system a document could link are not LibreOffice's to
    // print: they are hidden under empty folders.
    for (const char* pictures : kSystemPictures) {
        std::error_code ec;
        if (std::filesystem::is_directory(pictures, ec))
            args.insert(args.end(), {"--tmpfs", pictures});
    }
    // Without its cache fontconfig would scan every font at each start.
    args.insert(args.end(), {"--ro-bind-try", "/var/cache/fontconfig", "/var/cache/fontconfig",
                             "--proc", "/proc", "--dev", "/dev", "--tmpfs", "/tmp"});
    return args;
}

// Runs a program under the system view alone, once, to see whether this
// system lets bubblewrap make its namespaces.
std::string Probe() {
    const std::string bwrap = BwrapPath();
    if (bwrap.empty()) return "bubblewrap (bwrap) is not installed";
    ChildSpec probe;
    probe.argv = SystemView(bwrap);
    probe.argv.insert(probe.argv.end(), {"--", "/usr/bin/true"});
    const auto status = RunBriefly(probe, std::chrono::seconds(10));
    if (status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) return {};
    return "bwrap cannot make its namespaces here (no user namespaces?)";
}

}  // namespace

std::string SandboxUnavailableReason() {
    static const std::string reason = Probe();
    return reason;
}

std::vector<std::string> SandboxPrefix(const std::string& program, const std::string& jobDir) {
    if (!SandboxUnavailableReason().empty()) return {};
    std::vector<std::string> args = SystemView(BwrapPath());
    // An install outside /usr (a LibreOffice from its own packages in /opt)
    // is shown read-only too: the folder holding program/, or the program's.
    char real[PATH_MAX];
    std::string install = ::realpath(program.c_str(), real) != nullptr ? real : program;
    install = std::filesystem::path(install).parent_path().string();
    if (std::filesystem::path(install).filename() == "program")
        install = std::filesystem::path(install).parent_path().string();
    if (!IsUnder(install, "/usr")) args.insert(args.end(), {"--ro-bind", install, install});
    args.insert(args.end(), {"--bind", jobDir, jobDir, "--chdir", jobDir, "--"});
    return args;
}

}  // namespace xdw
