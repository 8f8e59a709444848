// A folder of its own for one test, removed with everything in it afterwards,
// and helpers to put bytes into files and read them back.
#pragma once

#include <string>
#include <vector>

namespace quilbex::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending with "/".
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }
    // The folder without its "/", and a file in it; the names in it, sorted.
    const std::string& path() const { return bare_; }
    std::string File(const std::string& name) const { return path_ + name; }
    std::vector<std::string> Entries() const;

private:
    std::string path_;
    std::string bare_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);

}  // namespace quilbex::testing
