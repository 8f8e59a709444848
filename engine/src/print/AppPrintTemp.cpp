#include "print/AppPrintTemp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "Error.h"

namespace xdw {

std::string AppPrintTempPrefix() { return "quilbex-appprint-" + std::to_string(getpid()) + "-"; }

TempFolder::TempFolder() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / (AppPrintTempPrefix() + "XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw EngineError(CodeFromErrno(errno), "cannot make a temporary folder");
    path_ = buffer.data();
}

TempFolder::~TempFolder() { remove(); }

std::string TempFolder::sub(const std::string& name) const {
    const std::string dir = path_ + "/" + name;
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw EngineError(CodeFromErrno(errno), "cannot make " + dir);
    return dir;
}

void TempFolder::remove() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    path_.clear();
}

}  // namespace xdw
