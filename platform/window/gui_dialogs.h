// The modal dialogs of the window layer, on GTK 3, and the X11 glue that
// places them as dialogs of the program's window. A termination signal
// cancels an open dialog, so that the program can end. Internal to
// platform/.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct SDL_Window;

// The X11 window id of an SDL window; 0 when not on X11.
unsigned long X11WindowOf(SDL_Window* window);

// The program's window a dialog belongs to, and what the window layer does
// for it while the dialog is open (the dialog runs the only loop then).
struct DialogParent {
  unsigned long xid = 0;  // X11 window id; 0: none
  // Called often while the dialog is open; true when the window has taken
  // the keyboard focus, which goes back to the dialog.
  std::function<bool()> while_open;
};

// A modal open (or save) requester. exts: file types shown (empty: all).
// Returns the chosen absolute path, or "" on cancel, failure, no display, or
// a path of 4,096 bytes or more.
std::string RunFileDialog(const std::string& title, const std::vector<std::string>& exts,
                          bool save, const std::string& path, const DialogParent& parent);

// A modal message box with one "OK" button. Does nothing without a display.
void RunMessageDialog(const std::string& title, const std::string& text, bool serious,
                      const DialogParent& parent);

