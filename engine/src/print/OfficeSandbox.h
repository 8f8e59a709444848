// The walls LibreOffice runs inside. Under bubblewrap it sees the system
// read-only (its install, /usr, fonts and the few files of /etc it reads),
// the job's own folder as the only place it can write, and nothing else: no
// network, no home folder, no /tmp, so a document linking a file outside
// itself finds nothing there. Where bubblewrap cannot run, the profile's
// settings and a network namespace of its own (where that works) remain.
#pragma once

#include <string>
#include <vector>

namespace xdw {

// The command prefix that runs program sandboxed, with jobDir (an absolute
// path) the only writable folder, seen at its own path; empty when
// bubblewrap cannot run here.
std::vector<std::string> SandboxPrefix(const std::string& program, const std::string& jobDir);

// "" when bubblewrap runs here, else why it does not (found out once).
std::string SandboxUnavailableReason();

}  // namespace xdw
