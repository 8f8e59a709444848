// Small helpers on file names and files shared by the run logic. Paths use
// "/" between folders; extensions start at the last dot of the file name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilbex {

inline constexpr char kPathDelimiter = '/';

// The file name without its folder.
std::string ExtractFileName(const std::string& path);
// The extension including its dot (".pdf"), or empty when the file name has no dot.
std::string ExtractFileExt(const std::string& path);
// path with its extension (from the last dot of the file name) replaced by ext.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// Letter case is ignored for the letters A to Z only.
std::string UpperCase(std::string text);
bool SameText(std::string_view a, std::string_view b);
// True when text holds a byte below 0x20 (NUL included) or DEL; no code page
// 932 character has such a byte.
bool HasControlCharacter(std::string_view text);

// A file whose permission bits allow nobody to write it counts as read-only:
// the settings file and the log file are not replaced then, whoever runs the
// program.
bool IsReadOnlyFile(const std::string& path);

enum class WriteResult { kWritten, kCannotCreate, kWriteFailed };
// Replaces the file at path with one holding content (through a temporary
// file in the same folder, renamed into place), keeping its permissions (a
// new file gets 0666 less the umask). A
// read-only file, or a folder where no file can be made, gives kCannotCreate.
WriteResult ReplaceFileContent(const std::string& path, const std::string& content);

// The file may be changed by this process: it has a write permission bit
// and the process (root included) is granted write access.
bool IsWritableBySelf(const std::string& path);

// What tells one file from another at the same path, or a file from itself
// changed: device, inode, size, modification time and status-change time
// (which no one can set back), as stat gives them for path (links followed).
struct FileIdentity {
    unsigned long long device = 0, inode = 0;
    long long size = 0, mtimeSeconds = 0, mtimeNanoseconds = 0;
    long long ctimeSeconds = 0, ctimeNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};
// Nothing when the file cannot be looked at.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Deletes the source after its conversion, for good (not into the desktop's
// trash); false when the file is
// read-only (IsWritableBySelf is false) or the system refuses.
bool DeleteSourceFile(const std::string& path);

}  // namespace quilbex
