// The private temporary folder of one conversion, removed with everything in
// it when the owner goes away.
#pragma once

#include <string>

namespace xdw {

// Temporary folders of this engine are named with this prefix and the
// process id, so leftovers can be told apart from other programs' files.
std::string AppPrintTempPrefix();

class TempFolder {
public:
    TempFolder();  // makes a new folder (mode 0700) under the system's temp dir
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // Makes a sub-folder and returns its path.
    std::string sub(const std::string& name) const;
    // Removes the folder now; later calls do nothing.
    void remove();

private:
    std::string path_;
};

}  // namespace xdw
