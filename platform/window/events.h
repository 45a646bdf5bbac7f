// Event records, the event queue and the emit-event hook chain.
//
// Nothing here touches SDL: the window layer (gui.cpp) translates SDL's
// events into TEvent records and emits them through EmitEvent(), which runs
// the hook chain; the queueing hook at priority -10000 puts them into the
// 256-slot ring that WaitEvent() reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Event codes, with the names EventName() gives them.
enum : int {
  AppSuspend = 0x101,
  AppResume = 0x102,
  AppTerminate = 0x103,
  AppOpenFile = 0x104,
  AppIdle = 0x105,
  KeyDown = 0x201,
  KeyUp = 0x202,
  KeyChar = 0x203,
  KeyRepeat = 0x204,
  MouseDown = 0x401,
  MouseUp = 0x402,
  MouseMove = 0x403,
  MouseWheel = 0x404,
  MouseEnter = 0x405,
  MouseLeave = 0x406,
  TimerTick = 0x801,
  GadgetAction = 0x2001,
  GadgetPaint = 0x2002,
  GadgetSelect = 0x2003,
  GadgetMenu = 0x2004,
  GadgetOpen = 0x2005,
  GadgetClose = 0x2006,
  GadgetDone = 0x2007,
  GadgetLostFocus = 0x2008,
  GadgetShape = 0x2009,
  WindowMove = 0x4001,
  WindowSize = 0x4002,
  WindowClose = 0x4003,
  WindowActivate = 0x4004,
  WindowAccept = 0x4005,
  MenuAction = 0x8001,
  StreamEof = 0x10001,
  StreamAvail = 0x10002,
  ProcessExit = 0x20001,
};

// Bits of TEvent::mods.
enum : int {
  MODIFIER_SHIFT = 1,
  MODIFIER_CONTROL = 2,
  MODIFIER_ALT = 4,
  MODIFIER_SUPER = 8,
};

// The button in the data of MouseDown, MouseUp and a drag's MouseMove (a
// plain move carries 0).
enum : int {
  MOUSE_LEFT = 1,
  MOUSE_RIGHT = 2,
  MOUSE_OTHER = 3,
};

struct TEvent {
  int id = 0;
  void* source = nullptr;  // the gadget or timer the event concerns
  int data = 0;
  int mods = 0;            // MODIFIER_ bits
  int x = 0;
  int y = 0;
  void* extra = nullptr;
};

// "MouseDown", "UserEvent5", "Unknown Event, id=7", ...
std::string EventName(int id);

// ---------------------------------------------------------------------------
// Hook chains. A hook function gets (hook id, data, context) and returns the
// data handed to the next function; returning null hides the event from
// every later function in the chain.
using HookFunction = void* (*)(int hook, void* data, void* context);

int AllocHookId();
// Entries run in descending priority; equal priorities run in the order
// they were added.
void AddHook(int hook, HookFunction fn, void* context, int priority);
void RemoveHook(int hook, HookFunction fn, void* context);
void* RunHooks(int hook, void* data);

// The hook every event goes through.
int EmitEventHook();
void EmitEvent(const TEvent& event);

// ---------------------------------------------------------------------------
// The queue: a fixed ring of 256 slots. WindowMove, WindowSize, TimerTick and
// GadgetAction coalesce with a queued event of the same id and source (the
// queued one keeps its place and takes the new values); any other event is
// appended, or silently dropped while 256 are waiting.
class EventQueue {
 public:
  static constexpr int kCapacity = 256;

  void Post(const TEvent& event);
  bool Empty() const { return count_ == 0; }
  int Size() const { return count_; }
  // Takes the oldest event; the queue must not be empty.
  TEvent Take();
  void Clear();

 private:
  TEvent slots_[kCapacity];
  int read_ = 0;
  int count_ = 0;
};

// The process-wide queue the queueing hook posts into.
EventQueue& GlobalEventQueue();

// The current event: the one the last WaitEvent() took; blank before that.
const TEvent& CurrentEvent();
void SetCurrentEvent(const TEvent& event);
int EventID();
int EventData();
int EventX();
int EventY();
int EventMods();
void* EventSource();
