// The window layer: desktop, one top-level window, the canvas gadget that
// fills it, the event loop's wait, a repeating timer, the modal file
// requester and message box, the millisecond clock and the process-wide
// strings. Built on SDL2 (window, events, timer) and GTK 3 (file chooser,
// message box); nothing outside platform/ sees either. This header is the
// layer's whole public face: it declares start-up, the requesters and the
// process-wide things, and brings in the headers of the gadgets, the wait
// and the file filter.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window/events.h"
#include "platform/window/gui_filter.h"
#include "platform/window/gui_gadgets.h"
#include "platform/window/gui_wait.h"

// Brings SDL (and, lazily, GTK) up. Safe to call more than once. Returns
// false when there is no display to talk to.
bool InitGui();
void ShutdownGui();

std::string RequestFile(const std::string& text, const std::string& extensions, int save,
                        const std::string& path);

int Notify(const std::string& text, int serious);

extern std::string AppTitle;
extern std::string AppFile;

// Records AppFile and makes the program's directory the current directory.
void InitAppFile(const char* argv0);

[[noreturn]] void End();

// The busy pointer over the program's windows while long work runs.
void SetBusyCursor(bool busy);

// Termination signals (SIGTERM, SIGINT) end the loop as a WindowClose of the
// main window would: the layer posts WindowClose for every open window.
void InstallTerminationHandlers();
