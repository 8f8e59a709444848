// Quilbex.ini: private-profile reads and writes, key by key (the file is
// opened and closed on every access). Values are UTF-8 in memory and code
// page 932 on disk.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "run/SettingKeys.h"

namespace quilbex {

// A write the system refused, or a value that cannot be stored in code page
// 932. what() is "<path> に書き込めません".
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const std::string& path);
};

// One value to be written.
struct SettingValue {
    std::string section;
    std::string key;
    std::string value;
};

class SettingsFile {
public:
    explicit SettingsFile(std::string path);

    // At most 2047 code page 932 bytes of the value, never splitting a
    // double-byte character; a missing key gives def.
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& def) const;
    // A folder's value names the folder on disk that code page 932 writes the
    // same way (MatchCp932Path), the user's own characters.
    std::string Read(const SettingKey& key) const;
    // Creates the file, the section or the key as needed; throws SettingsWriteError.
    void Write(const std::string& section, const std::string& key, const std::string& value);
    // Every value in one replacement of the file: all are written or none,
    // and the file is never seen half-written. Throws SettingsWriteError.
    void Write(const std::vector<SettingValue>& values);

    const std::string& Path() const { return path_; }
    // False when something other than a regular file (a FIFO, a device, a
    // folder) stands at the path: it is then neither read nor replaced.
    bool Usable() const;

private:
    std::string path_;
};

std::vector<std::string> CommaList(const std::string& text);   // read
std::string CommaList(const std::vector<std::string>& items);  // write

}  // namespace quilbex
