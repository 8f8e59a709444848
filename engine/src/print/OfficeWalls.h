// Which walls LibreOffice runs inside: the sandbox, a network namespace, or
// only its profile's settings.
#pragma once

#include <string>
#include <vector>

namespace xdw {

// What the command line is run under: the sandbox (jobDir its only writable
// place) when asked for and possible; else a network namespace of its own
// (unshare) where this system lets a process make one; else nothing, and the
// profile's settings with its refusing proxy are the only walls.
std::vector<std::string> OfficeWalls(const std::string& office, const std::string& jobDir,
                                     bool sandbox);

// Why LibreOffice runs without its sandbox though the settings ask for one;
// "" when it runs in it (or the settings ask for none).
std::string PrintSandboxMissing();

}  // namespace xdw
