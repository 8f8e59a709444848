// Where the settings file and the log file live.
#pragma once

#include <string>

namespace quilbex {

// An installed program's folder: one named bin without the engine beside it
// (the engine lies in the install prefix's library folder).
bool InstalledFolder(const std::string& exeDir);

// exeDir (the executable's folder, ending with "/") when it is a program
// folder of its own (a build tree, a copied folder) that the user may write;
// for an installed program, whoever runs it (root too), and for a folder the
// user may not write, the user's configuration folder for the program,
// $XDG_CONFIG_HOME/Quilbex/ (by default ~/.config/Quilbex/), created when
// missing. The result always ends with "/".
std::string ProgramFolder(const std::string& exeDir);

// When a settings file lies in exeDir but the program keeps its files in
// folder (another one, since exeDir cannot be written): the message that
// says which file is used; "" otherwise.
std::string UnusedSettingsNote(const std::string& exeDir, const std::string& folder);

}  // namespace quilbex
