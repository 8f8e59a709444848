#include "pdf/OutputFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFWriter.hh>

#include "Convert.h"
#include "Error.h"

namespace xdw {

namespace {

thread_local int32_t g_writeFailure = 0;

// The process's umask, read without changing it (umask() would, briefly, for
// every thread).
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

[[noreturn]] void ThrowErrno(int err, const std::string& what) {
    throw EngineError(CodeFromErrno(err), what + ": " + std::to_string(err));
}

// The folder part of a path ("." for a bare name) and the last component.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// Writes straight to a file descriptor; a failed write keeps its errno so the
// caller learns "disk full" rather than a generic failure.
class FdPipeline : public Pipeline {
public:
    explicit FdPipeline(int fd) : Pipeline("output file", nullptr), fd_(fd) {}

    void write(unsigned char const* data, size_t len) override {
        while (len > 0) {
            const ssize_t n = ::write(fd_, data, len);
            if (n < 0) {
                if (errno == EINTR) continue;
                ThrowErrno(errno, "write");
            }
            data += n;
            len -= static_cast<size_t>(n);
        }
    }
    void finish() override {}

private:
    int fd_;
};

// Removes the temporary file unless it was moved into place.
class TempFile {
public:
    // Named with the writer's process id: a file left by a process that was
    // killed can be told from one still being written, and removed later.
    explicit TempFile(const std::string& folder)
        : path_(folder + "/.quilbex-" + std::to_string(::getpid()) + "-XXXXXX") {
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0) ThrowErrno(errno, "create temporary file");
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!kept_) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) ThrowErrno(errno, "close");
    }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // the file itself is already durable
    ::fsync(fd);
    ::close(fd);
}

// Moves from into place at to without ever replacing an existing file.
void MoveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    int err = errno;
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP) ThrowErrno(err, "rename");
    // File systems without RENAME_NOREPLACE: link() fails when the name is
    // taken, which gives the same guarantee.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return;
    }
    err = errno;
    if (err != EPERM && err != ENOTSUP && err != ENOSYS && err != EMLINK) ThrowErrno(err, "link");
    // No hard links either (FAT and exFAT sticks, some network shares): look
    // just before renaming, the narrowest gap these file systems allow.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) ThrowErrno(EEXIST, "target appeared");
    if (::rename(from.c_str(), to.c_str()) != 0) ThrowErrno(errno, "rename");
}

bool IsDocumentsFolder(const std::string& folder) {
    try {
        return folder == DefaultOutputFolder();
    } catch (const std::exception&) {
        return false;  // there is none
    }
}

}  // namespace

void NoteWriteFailure(int32_t code) {
    if (g_writeFailure == 0) g_writeFailure = code;
}

void CheckTargetFree(const std::string& target) {
    if (target.empty() || target.back() == '/') throw EngineError(XDW_E_INVALID_NAME, "no name");
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) throw EngineError(XDW_E_FILE_EXISTS, "target exists");
    if (errno != ENOENT) ThrowErrno(errno, "target");
    std::string folder, name;
    SplitPath(target, folder, name);
    if (name == "." || name == "..") throw EngineError(XDW_E_INVALID_NAME, "no name");
    // The documents folder is made when the first document goes there, and
    // only then.
    if (::stat(folder.c_str(), &st) != 0 && errno == ENOENT && IsDocumentsFolder(folder)) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) ThrowErrno(error.value(), "documents folder");
    }
    if (::stat(folder.c_str(), &st) != 0) ThrowErrno(errno, "target folder");
    if (!S_ISDIR(st.st_mode)) ThrowErrno(ENOTDIR, "target folder");
    if (::access(folder.c_str(), W_OK | X_OK) != 0) ThrowErrno(errno, "target folder");
}

void CommitPdf(QPDF& pdf, const std::string& target, bool replace) {
    std::string folder, name;
    SplitPath(target, folder, name);
    if (name.empty() || name == "." || name == "..")
        throw EngineError(XDW_E_INVALID_NAME, "no name");
    if (!replace) CheckTargetFree(target);

    // A replaced document keeps its permissions; a new one gets the usual
    // ones rather than mkstemp's owner-only mode.
    mode_t mode = 0666 & ~CurrentUmask();
    struct stat st;
    if (replace && ::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;

    // The writer fills in /Size only where the trailer already has the key;
    // a recovered damaged file may lack it, and readers need it.
    QPDFObjectHandle trailer = pdf.getTrailer();
    if (trailer.isDictionary() && !trailer.hasKey("/Size"))
        trailer.replaceKey("/Size", QPDFObjectHandle::newInteger(0));

    TempFile temp(folder);
    g_writeFailure = 0;
    try {
        FdPipeline out(temp.fd());
        QPDFWriter writer(pdf);
        writer.setOutputPipeline(&out);
        // Streams are copied as they are stored; only new, uncompressed ones
        // get compressed.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.write();
    } catch (const EngineError&) {
        throw;
    } catch (...) {
        // The writer wraps what stream providers throw; recover their code.
        if (g_writeFailure != 0) throw EngineError(g_writeFailure, "stream data");
        throw;
    }
    if (g_writeFailure != 0) throw EngineError(g_writeFailure, "stream data");
    if (::fsync(temp.fd()) != 0) ThrowErrno(errno, "fsync");
    ::fchmod(temp.fd(), mode);
    temp.Close();

    if (replace) {
        if (::rename(temp.path().c_str(), target.c_str()) != 0) ThrowErrno(errno, "rename");
    } else {
        MoveNoReplace(temp.path(), target);
    }
    temp.Keep();
    SyncFolder(folder);
}

}  // namespace xdw
