#pragma once

namespace corvane::windows {

// The program without arguments: the application, the main window and the
// version window, then the event loop until the main window closes.
// Returns the process exit code: 0 after a run, 1 when there is no display
// to open a window on (a message says so on standard error).
int startWindows(int& argc, char** argv);

// False when nothing tells Qt where to show a window: no platform chosen and
// neither an X nor a Wayland display. Reads the environment only.
bool displayAvailable();

} // namespace corvane::windows
