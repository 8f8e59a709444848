// The fuzz input as a file the engine can open by path (an in-memory file,
// no disk), and a fresh output path in a folder of this process.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) {
        fd_ = ::memfd_create("fuzz-input", MFD_CLOEXEC);
        if (fd_ < 0) std::abort();
        for (size_t done = 0; done < size;) {
            const ssize_t n = ::write(fd_, data + done, size - done);
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~FuzzInput() { ::close(fd_); }
    FuzzInput(const FuzzInput&) = delete;
    FuzzInput& operator=(const FuzzInput&) = delete;
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// The path where a run writes its document; removed again by the caller.
// In memory (/dev/shm) where there is one: documents are synced to disk.
inline const std::string& FuzzOutputPath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = ::access("/dev/shm", W_OK) == 0  ? "/dev/shm"
                                 : tmp != nullptr && *tmp != '\0' ? tmp
                                                                  : "/tmp";
        std::string folder = base + "/quilbex-fuzz-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) std::abort();
        static const struct Remove {
            std::string folder;
            ~Remove() { ::rmdir(folder.c_str()); }
        } remove{folder};
        return folder + "/out.xdw";
    }();
    return path;
}
