// The modal dialogs of the window layer, on GTK 3, and the X11 glue that
// keeps them above the program's window. A termination signal cancels an
// open dialog, so that the program can end. Internal to platform/.
#pragma once

#include <string>
#include <vector>

struct SDL_Window;

// The X11 window id of an SDL window; 0 when not on X11.
unsigned long X11WindowOf(SDL_Window* window);

// A modal open (or save) requester. exts: file types shown (empty: all).
// Returns the chosen absolute path, or "" on cancel, failure, no display, or
// a path of 4,096 bytes or more.
std::string RunFileDialog(const std::string& title, const std::vector<std::string>& exts,
                          bool save, const std::string& path, unsigned long parent_xid);

// The glob pattern the requester's filter lists files of extension `ext`
// by, in either letter case.
std::string CaseFreePattern(const std::string& ext);

// A modal message box with one "OK" button. Does nothing without a display.
void RunMessageDialog(const std::string& title, const std::string& text, bool serious,
                      unsigned long parent_xid);

