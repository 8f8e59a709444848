#include "print/OfficeFinder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <sstream>

#include "Error.h"

namespace xdw {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
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

}  // namespace

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

std::string FindOffice(const std::vector<std::string>& candidates) {
    for (const auto& candidate : candidates) {
        if (candidate.find('/') == std::string::npos) {
            const std::string found = SearchPath(candidate);
            if (!found.empty()) return OfficeProgram(found);
        } else if (IsExecutableFile(candidate)) {
            return OfficeProgram(candidate);
        }
    }
    Bad(XDW_REASON_MISSING_PROGRAM, "LibreOffice (soffice) is not installed", "soffice");
}

}  // namespace xdw
