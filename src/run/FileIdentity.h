// What tells one file from another at the same path, or a file from itself
// changed.
#pragma once

#include <optional>
#include <string>

namespace quilbex {

// Device, inode, size, modification time and status-change time (which no
// one can set back), as stat gives them for a path (links followed).
struct FileIdentity {
    unsigned long long device = 0, inode = 0;
    long long size = 0, mtimeSeconds = 0, mtimeNanoseconds = 0;
    long long ctimeSeconds = 0, ctimeNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
    // The same file (device and inode), whatever its content.
    bool SameFile(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};
// Nothing when the file cannot be looked at.
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace quilbex
