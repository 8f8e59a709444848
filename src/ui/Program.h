// The program: the application, the main window and the event loop.
#pragma once

namespace quilbex {

// Returns the process's exit status.
int RunProgram(int argc, char** argv);

}  // namespace quilbex
