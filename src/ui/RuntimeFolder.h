// Qt wants a runtime folder of the user's own (XDG_RUNTIME_DIR). Where the
// session gives none (a script, cron, su, a container), Qt would make
// "runtime-<user>" in the temporary folder and leave it there: the program
// makes a private one instead and removes it when it ends.
#pragma once

#include <string>

namespace quilbex {

// XDG_RUNTIME_DIR when it is the session's, a folder of this user's alone,
// and not one a run made for itself; "" otherwise.
std::string SessionRuntimeFolder();

class RuntimeFolder {
public:
    // Sets XDG_RUNTIME_DIR to a new private folder unless it already names a
    // folder of this user's that only the user can enter.
    RuntimeFolder();
    // Removes the folder made, with whatever was put into it.
    ~RuntimeFolder();
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

private:
    std::string made_;
};

}  // namespace quilbex
