#include "common/AtomicFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace quilbex {

namespace {

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // the file itself is already durable
    ::fsync(fd);
    ::close(fd);
}

// Moves from into place at to without ever replacing an existing file; 0 or
// the errno, with *step naming what failed.
int MoveNoReplace(const std::string& from, const std::string& to, const char** step) {
    *step = "rename";
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    int err = errno;
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
    // File systems without RENAME_NOREPLACE: link() fails when the name is
    // taken, which gives the same guarantee.
    *step = "link";
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    err = errno;
    if (err != EPERM && err != ENOTSUP && err != ENOSYS && err != EMLINK) return err;
    // No hard links either (FAT and exFAT sticks, some network shares): look
    // just before renaming, the narrowest gap these file systems allow.
    struct stat st;
    *step = "target appeared";
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    *step = "rename";
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

mode_t CurrentUmask() {
    FILE* status = std::fopen("/proc/self/status", "re");
    if (status == nullptr) return 022;
    char line[256];
    unsigned mask = 022;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    }
    std::fclose(status);
    return static_cast<mode_t>(mask);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty() && !committed_) ::unlink(temp_.c_str());
}

int AtomicFile::Fail(const char* step, int err) {
    step_ = step;
    return err;
}

int AtomicFile::Open(const std::string& target) {
    target_ = target;
    folder_ = FolderOf(target);
    // Named with the writer's process id: a file left by a process that was
    // killed can be told from one still being written, and removed later.
    std::string temp = folder_ + "/.quilbex-" + std::to_string(::getpid()) + "-XXXXXX";
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ < 0) return Fail("create temporary file", errno);
    temp_ = temp;
    return 0;
}

int AtomicFile::Write(std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd_, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail("write", errno);
        if (n == 0) return Fail("write", EIO);
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

int AtomicFile::Commit(Mode mode) {
    mode_t permissions = 0666 & ~CurrentUmask();
    struct stat st;
    if (mode == Mode::kReplace && ::stat(target_.c_str(), &st) == 0)
        permissions = st.st_mode & 07777;
    if (::fsync(fd_) != 0) return Fail("fsync", errno);
    ::fchmod(fd_, permissions);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail("close", errno);

    if (mode == Mode::kReplace) {
        if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail("rename", errno);
    } else if (const int err = MoveNoReplace(temp_, target_, &step_); err != 0) {
        return err;
    }
    committed_ = true;
    SyncFolder(folder_);
    return 0;
}

}  // namespace quilbex
