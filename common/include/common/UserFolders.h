// The user's own folders: home, configuration and the named user folders of
// the XDG base directory and user-dirs rules.
#pragma once

#include <string>

namespace quilbex {

// $HOME when it is an absolute path, else the password database's entry;
// "" when neither gives one.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path (only those count), else the
// ".config" folder in home ("/.config" for an empty home).
std::string ConfigFolder(const std::string& home);

// The value of XDG_<name>_DIR (name as "DOCUMENTS") in the user-dirs.dirs
// file of the configuration folder, without a trailing "/", or "" when it is
// not set there. Values are shell-quoted and may start with $HOME; any other
// relative value is ignored, and the last assignment wins.
std::string UserDirFromConfig(const std::string& home, const std::string& name);

// The documents folder of home: XDG_DOCUMENTS_DIR, else "Documents" in home.
// Only named, never made: whoever writes into it makes it. "" when it is
// neither a folder nor one that can be made under the nearest existing one.
std::string DocumentsFolder(const std::string& home);

}  // namespace quilbex
