// Builds the events the tests post, emit or hand to the application.
#pragma once

#include "platform/window/events.h"

inline TEvent MakeEvent(int id, void* source, int data = 0, int x = 0, int y = 0) {
  TEvent e;
  e.id = id;
  e.source = source;
  e.data = data;
  e.x = x;
  e.y = y;
  return e;
}
