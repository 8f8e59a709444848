// Writing a file so that nothing half-written is ever seen at its name: the
// content goes to a temporary file in the same folder, is flushed, and then
// takes the name in one step.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace quilbex {

class AtomicFile {
public:
    enum class Mode {
        kNew,      // never replaces an existing file (EEXIST instead)
        kReplace,  // replaces an existing file in one step, keeping its permissions
    };

    AtomicFile() = default;
    // Removes the temporary file unless it was committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside target. These calls return 0 or the
    // errno of the step that failed; step() names that step.
    int Open(const std::string& target);
    int fd() const { return fd_; }
    int Write(std::string_view data);
    // Flushes the content to disk, gives the file its permissions (a replaced
    // file's own, otherwise 0666 less the umask), and moves it to the target.
    int Commit(Mode mode);
    const char* step() const { return step_; }

private:
    int Fail(const char* step, int err);

    std::string target_;
    std::string folder_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
    const char* step_ = "";
};

// The process's umask, read without changing it (umask() would, briefly, for
// every thread).
mode_t CurrentUmask();

// The folder part of path ("." for a bare name, "/" for a name at the root).
std::string FolderOf(const std::string& path);

}  // namespace quilbex
