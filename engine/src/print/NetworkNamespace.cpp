#include "print/NetworkNamespace.h"

#include <sys/wait.h>

#include <chrono>

#include "print/ChildProcess.h"
#include "print/OfficeFinder.h"

namespace xdw {

namespace {

bool NetworkNamespaceWorks(const std::string& unshare) {
    ChildSpec probe;
    probe.argv = {unshare, "--net", "--map-current-user", "--", "/bin/true"};
    const auto status = RunBriefly(probe, std::chrono::seconds(5));
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

}  // namespace

std::vector<std::string> NetworkIsolationPrefix() {
    static const std::vector<std::string> prefix = [] {
        const std::string unshare = SearchPath("unshare");
        if (unshare.empty() || !NetworkNamespaceWorks(unshare)) return std::vector<std::string>{};
        return std::vector<std::string>{unshare, "--net", "--map-current-user", "--"};
    }();
    return prefix;
}

}  // namespace xdw
