// The event queue, the hook chain, event names and the requester's filter.

#include <fnmatch.h>
#include <gtest/gtest.h>

#include "platform/window/events.h"
#include "platform/window/gui.h"
#include "platform/window/gui_dialogs.h"
#include "platform/testing/window_probe.h"
#include "support/events_support.h"

namespace {

int a_source, b_source;

TEST(EventQueue, CoalescedKindsKeepTheOldestSlotWithTheLatestValues) {
  EventQueue q;
  q.Post(MakeEvent(TimerTick, &a_source, 1));
  q.Post(MakeEvent(MouseMove, nullptr, 0, 5, 5));
  q.Post(MakeEvent(WindowSize, &a_source, 0, 800, 600));
  q.Post(MakeEvent(TimerTick, &a_source, 2));
  q.Post(MakeEvent(WindowSize, &a_source, 0, 1000, 700));
  q.Post(MakeEvent(TimerTick, &b_source, 7));  // another timer: its own slot
  ASSERT_EQ(q.Size(), 4);
  TEvent first = q.Take();
  EXPECT_EQ(first.id, TimerTick);
  EXPECT_EQ(first.data, 2);
  EXPECT_EQ(q.Take().id, MouseMove);
  TEvent size = q.Take();
  EXPECT_EQ(size.id, WindowSize);
  EXPECT_EQ(size.x, 1000);
  EXPECT_EQ(size.y, 700);
  TEvent other = q.Take();
  EXPECT_EQ(other.source, &b_source);
  EXPECT_EQ(other.data, 7);
  EXPECT_TRUE(q.Empty());
}

TEST(EventQueue, OtherKindsAreNeverMerged) {
  EventQueue q;
  q.Post(MakeEvent(GadgetPaint, &a_source, 0));
  q.Post(MakeEvent(GadgetPaint, &a_source, 0));
  q.Post(MakeEvent(MouseDown, &a_source, 1));
  q.Post(MakeEvent(MouseDown, &a_source, 1));
  EXPECT_EQ(q.Size(), 4);
}

TEST(EventQueue, The257thEventIsDroppedButCoalescingStillWorks) {
  EventQueue q;
  q.Post(MakeEvent(TimerTick, &a_source, 1));
  for (int i = 1; i < EventQueue::kCapacity; ++i) q.Post(MakeEvent(MouseMove, nullptr, 0, i, 0));
  ASSERT_EQ(q.Size(), 256);
  q.Post(MakeEvent(MouseMove, nullptr, 0, 9999, 0));  // dropped
  q.Post(MakeEvent(TimerTick, &a_source, 42));        // needs no new slot
  EXPECT_EQ(q.Size(), 256);
  EXPECT_EQ(q.Take().data, 42);
  int last_x = -1;
  while (!q.Empty()) last_x = q.Take().x;
  EXPECT_EQ(last_x, 255);
}

TEST(EventQueue, RingWrapsAroundInOrder) {
  EventQueue q;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 200; ++i) q.Post(MakeEvent(MouseMove, nullptr, 0, i, round));
    for (int i = 0; i < 200; ++i) {
      TEvent e = q.Take();
      ASSERT_EQ(e.x, i);
      ASSERT_EQ(e.y, round);
    }
  }
}

std::vector<std::string> g_calls;

void* Record(const char* name, void* data) {
  g_calls.push_back(name);
  return data;
}
void* HookA(int, void* d, void*) { return Record("A", d); }
void* HookB(int, void* d, void*) { return Record("B", d); }
void* HookC(int, void* d, void*) { return Record("C", d); }
void* HookSwallow(int, void*, void*) {
  g_calls.push_back("swallow");
  return nullptr;
}
void* HookSeesData(int, void* d, void*) {
  g_calls.push_back(d ? "data" : "null");
  return d;
}

TEST(Hooks, RunInDescendingPriorityAndRegistrationOrderForTies) {
  g_calls.clear();
  const int hook = AllocHookId();
  AddHook(hook, HookA, nullptr, 0);
  AddHook(hook, HookB, nullptr, 100);
  AddHook(hook, HookC, nullptr, 0);
  AddHook(hook, HookB, nullptr, -5);
  int payload = 0;
  EXPECT_EQ(RunHooks(hook, &payload), &payload);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"B", "A", "C", "B"}));
}

TEST(Hooks, NullHidesTheEventFromLaterFunctions) {
  g_calls.clear();
  const int hook = AllocHookId();
  AddHook(hook, HookSwallow, nullptr, 10);
  AddHook(hook, HookSeesData, nullptr, 5);
  int payload = 0;
  EXPECT_EQ(RunHooks(hook, &payload), nullptr);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"swallow", "null"}));
}

TEST(Hooks, EmittedEventsReachTheGlobalQueueThroughTheChain) {
  GlobalEventQueue().Clear();
  g_calls.clear();
  AddHook(EmitEventHook(), HookA, nullptr, 0);  // between wake-up and queueing
  EmitEvent(MakeEvent(GadgetPaint, &a_source, 0));
  RemoveHook(EmitEventHook(), HookA, nullptr);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"A"}));
  ASSERT_EQ(GlobalEventQueue().Size(), 1);
  EXPECT_EQ(GlobalEventQueue().Take().id, GadgetPaint);

  // A hook above the queueing one that returns null keeps the event out.
  AddHook(EmitEventHook(), HookSwallow, nullptr, 0);
  EmitEvent(MakeEvent(GadgetPaint, &a_source, 0));
  RemoveHook(EmitEventHook(), HookSwallow, nullptr);
  EXPECT_TRUE(GlobalEventQueue().Empty());
}

TEST(EventNames, KnownUserAndUnknownCodes) {
  EXPECT_EQ(EventName(0x401), "MouseDown");
  EXPECT_EQ(EventName(0x2002), "GadgetPaint");
  EXPECT_EQ(EventName(0x4003), "WindowClose");
  EXPECT_EQ(EventName(0x103), "AppTerminate");
  EXPECT_EQ(EventName(static_cast<int>(0x80000005u)), "UserEvent5");
  EXPECT_EQ(EventName(0x999), "Unknown Event, id=2457");
}

TEST(CurrentEvent, BlankBeforeTheFirstWait) {
  EXPECT_EQ(EventID(), 0);
  EXPECT_EQ(EventData(), 0);
  EXPECT_EQ(EventX(), 0);
  EXPECT_EQ(EventY(), 0);
  EXPECT_EQ(EventSource(), nullptr);
}

TEST(FileFilter, DescriptionsDroppedAndGroupsMerged) {
  EXPECT_EQ(ParseFileFilter("Image Files:png,jpg,bmp"),
            (std::vector<std::string>{"png", "jpg", "bmp"}));
  EXPECT_EQ(ParseFileFilter("Images:png,jpg;Text:txt"),
            (std::vector<std::string>{"png", "jpg", "txt"}));
  EXPECT_EQ(ParseFileFilter("png,jpg"), (std::vector<std::string>{"png", "jpg"}));
  // A trailing separator leaves no empty type behind.
  EXPECT_EQ(ParseFileFilter("Images:png,"), (std::vector<std::string>{"png"}));
  EXPECT_TRUE(ParseFileFilter("").empty());
}

TEST(FileFilter, AnAsteriskAnywhereMeansNoRestriction) {
  EXPECT_TRUE(ParseFileFilter("All Files:*").empty());
  EXPECT_TRUE(ParseFileFilter("Images:png;All:*").empty());
}

// The patterns the requester's filter is built from, matched the way glob
// patterns match file names.
bool Lists(const std::string& ext, const std::string& name) {
  return fnmatch(CaseFreePattern(ext).c_str(), name.c_str(), 0) == 0;
}

TEST(FileFilter, PatternsMatchTheExtensionInEitherCase) {
  EXPECT_EQ(CaseFreePattern("png"), "*.[pP][nN][gG]");
  EXPECT_TRUE(Lists("png", "walk.png"));
  EXPECT_TRUE(Lists("png", "WALK.PNG"));
  EXPECT_TRUE(Lists("jpg", "run.Jpg"));
  EXPECT_TRUE(Lists("PNG", "walk.png"));
  EXPECT_TRUE(Lists("png", "archive.tar.png"));
  EXPECT_FALSE(Lists("png", "walk.gif"));
  EXPECT_FALSE(Lists("png", "png"));
  EXPECT_FALSE(Lists("png", "walk.png.bak"));
  EXPECT_FALSE(Lists("png", "walk.pn"));
  // Digits and dots stand for themselves; glob characters in an extension
  // are taken literally, not as wildcards.
  EXPECT_TRUE(Lists("mp4", "clip.MP4"));
  EXPECT_TRUE(Lists("tar.gz", "a.TAR.gz"));
  EXPECT_FALSE(Lists("tar.gz", "a.tarxgz"));
  EXPECT_TRUE(Lists("a*", "x.a*"));
  EXPECT_FALSE(Lists("a*", "x.abc"));
  EXPECT_TRUE(Lists("b?", "x.B?"));
  EXPECT_FALSE(Lists("b?", "x.bz"));
  EXPECT_TRUE(Lists("[x]", "y.[X]"));
  EXPECT_FALSE(Lists("[x]", "y.x"));
}

TEST(Clock, TestClockReplacesTheRealOne) {
  SetClockForTesting([] { return 1234; });
  EXPECT_EQ(MilliSecs(), 1234);
  SetClockForTesting(nullptr);
  const int32_t a = MilliSecs();
  const int32_t b = MilliSecs();
  EXPECT_GE(static_cast<int32_t>(b - a), 0);
}

}  // namespace
