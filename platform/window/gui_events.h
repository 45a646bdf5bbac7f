// Translation of SDL's events into the window layer's events. Internal to
// the window layer.
#pragma once

#include <SDL_events.h>

#include "platform/window/gui_gadgets.h"

namespace gui_internal {

void HandleSDLEvent(const SDL_Event& ev);
void EmitFor(int id, TGadget* source, int data, int x, int y, int mods = 0);

}  // namespace gui_internal
