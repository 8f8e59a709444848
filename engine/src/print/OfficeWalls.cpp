#include "print/OfficeWalls.h"

#include "print/AppPrintSettings.h"
#include "print/NetworkNamespace.h"
#include "print/OfficeSandbox.h"

namespace xdw {

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

}  // namespace xdw
