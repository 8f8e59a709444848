#include "ocr/RenderChild.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <vector>

#include "Error.h"

namespace xdw {

bool WriteAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::uint64_t AddressSpaceNow() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

[[noreturn]] void RenderAsChild(int fd, const std::string& data, double dpi, bool wantText,
                                std::uint64_t addressSpace, int cpuSeconds) {
    // The host's signal handlers are its own business; the child ends with
    // the host, and by the default action of a signal.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGXCPU}) ::signal(sig, SIG_DFL);
    sigset_t all;
    sigemptyset(&all);
    ::sigprocmask(SIG_SETMASK, &all, nullptr);
    // Past the soft limit SIGXCPU ends the child, past the hard one SIGKILL.
    const rlim_t seconds = static_cast<rlim_t>(std::max(cpuSeconds, 1));
    const rlimit cpu{seconds, seconds + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (kCapAddressSpace) {
        const rlimit cap{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_AS, &cap);
    }
    RenderHeader header;
    std::string message;
    RenderedPage page;
    std::vector<PixelBox> boxes;
    try {
        page = RenderSinglePage(data, dpi, wantText ? &boxes : nullptr);
    } catch (const EngineError& e) {
        header.code = e.code() != 0 ? e.code() : XDW_E_FAIL;
        header.kind = e.concern().kind;
        header.limitUnit = e.concern().limitUnit;
        header.limit = e.concern().limit;
        message = e.what();
    } catch (const std::bad_alloc&) {
        ::_exit(kOutOfMemoryExit);
    } catch (...) {
        header.code = XDW_E_FAIL;
        message = "page cannot be rendered";
    }
    header.dpi = page.dpi;
    header.bytesPerLine = page.bytesPerLine;
    header.geometry = page.geometry;
    header.messageBytes = message.size();
    header.pixelBytes = page.pixels.size();
    header.stampBytes = page.stampInk.size();
    header.boxes = boxes.size();
    const bool sent = WriteAll(fd, &header, sizeof header) &&
                      WriteAll(fd, message.data(), message.size()) &&
                      WriteAll(fd, page.pixels.data(), page.pixels.size()) &&
                      WriteAll(fd, page.stampInk.data(), page.stampInk.size()) &&
                      WriteAll(fd, boxes.data(), boxes.size() * sizeof(PixelBox));
    ::_exit(sent ? 0 : 1);
}

int RenderChildMain(int argc, char** argv) {
    if (argc != 5) return 2;
    char* end = nullptr;
    const double dpi = std::strtod(argv[1], &end);
    if (*end != '\0' || !(dpi > 0)) return 2;
    const bool wantText = std::string(argv[2]) == "1";
    const std::uint64_t memory = std::strtoull(argv[3], &end, 10);
    if (*end != '\0') return 2;
    const long cpuSeconds = std::strtol(argv[4], &end, 10);
    if (*end != '\0' || cpuSeconds <= 0) return 2;
    std::string data;
    try {
        std::ifstream in("/dev/stdin", std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::bad_alloc&) {
        return kOutOfMemoryExit;
    }
    RenderAsChild(1, data, dpi, wantText, AddressSpaceNow() + memory,
                  static_cast<int>(std::min(cpuSeconds, 100000L)));
}

}  // namespace xdw
