// Running without a display. Scripts and file-manager actions may start the
// program where there is no screen: it then draws offscreen, writes message
// boxes to standard error and refuses starts that need someone at the screen.
#pragma once

namespace quilbex {

// DISPLAY or WAYLAND_DISPLAY names a display.
bool DisplayAvailable();

// Before the application object exists: choose the offscreen platform when
// there is no display and no platform was asked for explicitly.
void UseOffscreenWithoutDisplay();

// The running application draws nowhere a user can see (offscreen or minimal).
bool RunningHeadless();

// Drops the offscreen platform's notes about window features it lacks, which
// would otherwise fill standard error where the program's own messages go.
void QuietenOffscreenNotes();

}  // namespace quilbex
