// A network namespace of its own for a child process, where this system lets
// one be made without privileges.
#pragma once

#include <string>
#include <vector>

namespace xdw {

// The command prefix (unshare) that runs a program without network; empty
// when unshare is missing or cannot make the namespace here (found out once).
std::vector<std::string> NetworkIsolationPrefix();

}  // namespace xdw
