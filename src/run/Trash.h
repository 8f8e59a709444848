// The desktop's trash (the freedesktop.org trash layout): what a file manager
// shows under "Trash" and can put back where it was.
#pragma once

#include <string>

namespace quilbex {

// Moves the file at path into the trash of its file system: the home trash
// ($XDG_DATA_HOME/Trash) when the file lies on the home trash's file system,
// else the trash at the top of its own mount ($topdir/.Trash/$uid, or
// $topdir/.Trash-$uid). Beside it goes its .trashinfo (where it was, when it
// went). False, with nothing moved, where there is no trash to use.
bool MoveToTrash(const std::string& path);

}  // namespace quilbex
