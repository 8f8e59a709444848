// Where the settings file and the log file live.
#pragma once

#include <string>

namespace quilbex {

// exeDir (the executable's folder, ending with "/") when the user may write
// there; otherwise the user's configuration folder for the program,
// $XDG_CONFIG_HOME/Quilbex/ (by default ~/.config/Quilbex/), created when
// missing. The result always ends with "/".
std::string ProgramFolder(const std::string& exeDir);

}  // namespace quilbex
