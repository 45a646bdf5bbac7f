#include "platform/window/events.h"

#include <algorithm>
#include <map>

std::string EventName(int id) {
  switch (id) {
    case AppSuspend: return "AppSuspend";
    case AppResume: return "AppResume";
    case AppTerminate: return "AppTerminate";
    case AppOpenFile: return "AppOpenFile";
    case AppIdle: return "AppIdle";
    case KeyDown: return "KeyDown";
    case KeyUp: return "KeyUp";
    case KeyChar: return "KeyChar";
    case KeyRepeat: return "KeyRepeat";
    case MouseDown: return "MouseDown";
    case MouseUp: return "MouseUp";
    case MouseMove: return "MouseMove";
    case MouseWheel: return "MouseWheel";
    case MouseEnter: return "MouseEnter";
    case MouseLeave: return "MouseLeave";
    case TimerTick: return "TimerTick";
    case GadgetAction: return "GadgetAction";
    case GadgetPaint: return "GadgetPaint";
    case GadgetSelect: return "GadgetSelect";
    case GadgetMenu: return "GadgetMenu";
    case GadgetOpen: return "GadgetOpen";
    case GadgetClose: return "GadgetClose";
    case GadgetDone: return "GadgetDone";
    case GadgetLostFocus: return "GadgetLostFocus";
    case GadgetShape: return "GadgetShape";
    case WindowMove: return "WindowMove";
    case WindowSize: return "WindowSize";
    case WindowClose: return "WindowClose";
    case WindowActivate: return "WindowActivate";
    case WindowAccept: return "WindowAccept";
    case MenuAction: return "MenuAction";
    case StreamEof: return "StreamEof";
    case StreamAvail: return "StreamAvail";
    case ProcessExit: return "ProcessExit";
    default: break;
  }
  // Codes with bit 31 set are the application's own.
  const auto code = static_cast<std::uint32_t>(id);
  if (code & 0x80000000u) return "UserEvent" + std::to_string(code - 0x80000000u);
  return "Unknown Event, id=" + std::to_string(id);
}

// ---------------------------------------------------------------------------
// Hook chains

namespace {

struct HookEntry {
  int priority;
  HookFunction fn;
  void* context;
};

std::map<int, std::vector<HookEntry>>& Hooks() {
  static std::map<int, std::vector<HookEntry>> hooks;
  return hooks;
}

void* QueueingHook(int, void* data, void*) {
  if (data) GlobalEventQueue().Post(*static_cast<TEvent*>(data));
  return data;
}

}  // namespace

int AllocHookId() {
  static int next = 1;
  return next++;
}

void AddHook(int hook, HookFunction fn, void* context, int priority) {
  auto& chain = Hooks()[hook];
  // After every entry of greater or equal priority: equal priorities keep
  // the order in which they were added.
  auto pos = std::find_if(chain.begin(), chain.end(),
                          [priority](const HookEntry& e) { return e.priority < priority; });
  chain.insert(pos, HookEntry{priority, fn, context});
}

void RemoveHook(int hook, HookFunction fn, void* context) {
  auto& chain = Hooks()[hook];
  std::erase_if(chain, [&](const HookEntry& e) { return e.fn == fn && e.context == context; });
}

void* RunHooks(int hook, void* data) {
  auto it = Hooks().find(hook);
  if (it == Hooks().end()) return data;
  // A copy: a hook function may add or remove hooks while the chain runs.
  const std::vector<HookEntry> chain = it->second;
  for (const HookEntry& e : chain) data = e.fn(hook, data, e.context);
  return data;
}

int EmitEventHook() {
  static const int id = [] {
    const int hook = AllocHookId();
    AddHook(hook, QueueingHook, nullptr, -10000);
    return hook;
  }();
  return id;
}

void EmitEvent(const TEvent& event) {
  TEvent copy = event;
  RunHooks(EmitEventHook(), &copy);
}

// ---------------------------------------------------------------------------
// The queue

namespace {
bool Coalesces(int id) {
  return id == WindowMove || id == WindowSize || id == TimerTick || id == GadgetAction;
}
}  // namespace

void EventQueue::Post(const TEvent& event) {
  if (Coalesces(event.id)) {
    for (int i = 0; i < count_; ++i) {
      TEvent& queued = slots_[(read_ + i) % kCapacity];
      if (queued.id == event.id && queued.source == event.source) {
        queued.data = event.data;
        queued.mods = event.mods;
        queued.x = event.x;
        queued.y = event.y;
        queued.extra = event.extra;
        return;
      }
    }
  }
  if (count_ == kCapacity) return;  // full: dropped without notice
  slots_[(read_ + count_) % kCapacity] = event;
  ++count_;
}

TEvent EventQueue::Take() {
  TEvent event = slots_[read_];
  slots_[read_] = TEvent{};
  read_ = (read_ + 1) % kCapacity;
  --count_;
  return event;
}

void EventQueue::Clear() {
  while (count_ > 0) Take();
  read_ = 0;
}

EventQueue& GlobalEventQueue() {
  static EventQueue queue;
  return queue;
}

namespace {
TEvent& Current() {
  static TEvent current;
  return current;
}
}  // namespace

const TEvent& CurrentEvent() { return Current(); }
void SetCurrentEvent(const TEvent& event) { Current() = event; }
int EventID() { return Current().id; }
int EventData() { return Current().data; }
int EventX() { return Current().x; }
int EventY() { return Current().y; }
int EventMods() { return Current().mods; }
void* EventSource() { return Current().source; }
