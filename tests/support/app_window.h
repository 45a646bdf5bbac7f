// The opening steps of the program's Main, for tests and benchmarks that
// drive the application without its event loop.
#pragma once

#include <string>

// Makes objWindow (intScreenX x intScreenY at x, y, titled `title`, with
// Main's style) and its full-size objCanvas, then switches the automatic
// centre handle on as Main does. False when either cannot be made.
bool OpenAppWindow(const std::string& title, int x, int y);
