// What a Quilbex process that was killed leaves behind: hidden partial
// documents ".quilbex-<pid>-XXXXXX" in an output folder, and temporary folders
// "quilbex-appprint-<pid>-XXXXXX" of application printing. Both names are
// the engine's; the pid is the writer's. Only entries of this user whose
// process no longer exists are removed; nothing else is touched.
#pragma once

#include <string>

namespace quilbex {

// Partial documents in folder.
void RemoveLeftovers(const std::string& folder);
// Temporary folders in the system's temporary folder ($TMPDIR, else /tmp).
void RemoveTemporaryLeftovers();

// The pid in a leftover's name: prefix, decimal pid, "-", six characters;
// 0 when name is not such a name.
long LeftoverOwner(const std::string& name, const std::string& prefix);

}  // namespace quilbex
