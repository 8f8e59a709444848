// Replacing a file of the program's own (the settings file, the log file)
// whole, never half-written.
#pragma once

#include <string>

namespace quilbex {

// A file whose permission bits allow nobody to write it counts as read-only:
// the settings file and the log file are not replaced then, and the source
// is not deleted, whoever runs the program.
bool IsReadOnlyFile(const std::string& path);

enum class WriteResult { kWritten, kCannotCreate, kWriteFailed };
// Replaces the file at path with one holding content (through a temporary
// file in the same folder, renamed into place), keeping its permissions (a
// new file gets 0666 less the umask). A read-only file, or a folder where no
// file can be made, gives kCannotCreate.
WriteResult ReplaceFileContent(const std::string& path, const std::string& content);

}  // namespace quilbex
