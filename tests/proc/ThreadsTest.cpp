#include "runtime/proc/Threads.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/proc/Events.h"

namespace {

using rt::Event;
using rt::EventKind;

// Waits on the current procedure thread for the next event meant for window.
Event nextEvent(int window) {
  Event ev;
  rt::waitUntil([&] { return rt::takeEvent(window, ev); });
  return ev;
}

class ThreadsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Whatever a test left waiting is closed so the next one starts clean.
    for (int t : rt::runningThreads()) rt::postEvent(t, Event{EventKind::CloseWindow});
    rt::waitForAllThreads();
    EXPECT_EQ(rt::procedureThreadCount(), 0);
  }
};

TEST_F(ThreadsTest, StartDoesNotWaitAndRecordsStack) {
  bool ran = false;
  const int t = rt::START([&] { ran = true; }, 5000, "quick");
  ASSERT_GT(t, 0);
  EXPECT_FALSE(ran);  // the caller goes on first
  EXPECT_EQ(rt::requestedStack(t), rt::kMinimumStack);
  EXPECT_EQ(rt::threadName(t), "quick");
  rt::waitForAllThreads();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(rt::threadRunning(t));
}

TEST_F(ThreadsTest, LargerStackRequestIsKept) {
  const int t = rt::START([] { nextEvent(0); }, 50000);
  EXPECT_EQ(rt::requestedStack(t), 50000);
}

TEST_F(ThreadsTest, TwoCopiesOfOneProcedureInterleave) {
  std::vector<std::string> log;
  auto proc = [&] {
    const int me = rt::currentThread();
    log.push_back("open " + std::to_string(me));
    for (;;) {
      Event ev = nextEvent(0);
      log.push_back("event " + std::to_string(me) + ":" + std::to_string(ev.control));
      if (ev.kind == EventKind::CloseWindow) break;
    }
  };
  const int a = rt::START(proc, 25000);
  const int b = rt::START(proc, 25000);
  rt::runReadyThreads();
  ASSERT_EQ(log.size(), 2u);
  rt::PostEvent(EventKind::Accepted, 7, b);
  rt::runReadyThreads();
  rt::PostEvent(EventKind::Accepted, 8, a);
  rt::runReadyThreads();
  // Closing the first-started one first, then the other.
  rt::PostEvent(EventKind::CloseWindow, 0, a);
  rt::waitUntil([&] { return !rt::threadRunning(a); });
  EXPECT_TRUE(rt::threadRunning(b));
  rt::PostEvent(EventKind::CloseWindow, 0, b);
  rt::waitForAllThreads();
  const std::vector<std::string> want = {
      "open " + std::to_string(a),         "open " + std::to_string(b),
      "event " + std::to_string(b) + ":7", "event " + std::to_string(a) + ":8",
      "event " + std::to_string(a) + ":0", "event " + std::to_string(b) + ":0"};
  EXPECT_EQ(log, want);
}

TEST_F(ThreadsTest, SixtyFourthThreadIsRefusedWithAMessage) {
  std::string shown;
  rt::setRefusalNotifier([&](const std::string& text) { shown = text; });
  std::vector<int> started;
  for (int i = 0; i < rt::kMaxProcedureThreads; ++i) {
    const int t = rt::START([] { nextEvent(0); });
    ASSERT_GT(t, 0) << i;
    started.push_back(t);
  }
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(rt::START([] {}), 0);
  EXPECT_NE(shown.find("too many windows"), std::string::npos);
  // Once one ends, a new thread may start again.
  rt::PostEvent(EventKind::CloseWindow, 0, started.front());
  rt::waitUntil([&] { return !rt::threadRunning(started.front()); });
  EXPECT_GT(rt::START([] {}), 0);
  rt::setRefusalNotifier(nullptr);
}

TEST_F(ThreadsTest, ThreadNumbersAreNotReused) {
  const int a = rt::START([] {});
  rt::waitForAllThreads();
  const int b = rt::START([] { nextEvent(0); });
  EXPECT_NE(a, b);
  // A post to a thread that has ended goes nowhere.
  EXPECT_FALSE(rt::PostEvent(EventKind::CloseWindow, 0, a));
  EXPECT_TRUE(rt::threadRunning(b));
}

TEST_F(ThreadsTest, EventsForAnotherWindowWaitForIt) {
  std::vector<int> order;
  rt::START([&] {
    Event ev = nextEvent(2);  // the inner window takes only its own and untargeted ones
    order.push_back(ev.control);
    ev = nextEvent(1);
    order.push_back(ev.control);
  });
  rt::runReadyThreads();
  const int t = rt::runningThreads().front();
  rt::postEvent(t, Event{EventKind::Accepted, 10, 1});
  rt::postEvent(t, Event{EventKind::Accepted, 20, 2});
  rt::waitForAllThreads();
  EXPECT_EQ(order, (std::vector<int>{20, 10}));
}

TEST_F(ThreadsTest, TimerEventsDoNotPileUp) {
  int timers = 0;
  const int t = rt::START([&] {
    for (;;) {
      Event ev = nextEvent(3);
      if (ev.kind == EventKind::CloseWindow) return;
      ++timers;
    }
  });
  rt::runReadyThreads();
  for (int i = 0; i < 5; ++i) rt::postEvent(t, Event{EventKind::Timer, 0, 3});
  rt::PostEvent(EventKind::CloseWindow, 0, t);
  rt::waitForAllThreads();
  EXPECT_EQ(timers, 1);
}

struct Record {
  char name[20];
  int count;
};
Record gRecord;
char gMemo[64];

TEST_F(ThreadsTest, BuffersAreCopiedAtStartAndIsolatedAfterwards) {
  rt::registerThreadBuffer(&gRecord, sizeof gRecord);
  rt::registerThreadBuffer(gMemo, sizeof gMemo);
  std::strcpy(gRecord.name, "starter");
  gRecord.count = 1;
  std::strcpy(gMemo, "memo of the starter");

  std::string seenAtStart, seenLater, memoAtStart;
  const int t = rt::START([&] {
    seenAtStart = gRecord.name;
    memoAtStart = gMemo;
    std::strcpy(gRecord.name, "worker");
    gRecord.count = 99;
    nextEvent(0);
    seenLater = gRecord.name;  // the starter's later change must not show here
  });
  // The starter changes its buffer after START but before the new thread runs.
  std::strcpy(gRecord.name, "changed");
  rt::runReadyThreads();
  EXPECT_EQ(seenAtStart, "starter");
  EXPECT_EQ(memoAtStart, "memo of the starter");
  EXPECT_STREQ(gRecord.name, "changed");  // the worker's write stayed on its thread
  EXPECT_EQ(gRecord.count, 1);
  std::strcpy(gRecord.name, "again");
  rt::PostEvent(EventKind::Accepted, 1, t);
  rt::waitForAllThreads();
  EXPECT_EQ(seenLater, "worker");
  EXPECT_STREQ(gRecord.name, "again");

  // A child started from the worker copies the worker's buffer, not the main thread's.
  std::string childSaw;
  rt::START([&] {
    std::strcpy(gRecord.name, "parent");
    rt::START([&] { childSaw = gRecord.name; });
  });
  rt::waitForAllThreads();
  EXPECT_EQ(childSaw, "parent");
  EXPECT_STREQ(gRecord.name, "again");
  rt::unregisterThreadBuffer(&gRecord);
  rt::unregisterThreadBuffer(gMemo);
}

TEST_F(ThreadsTest, ThreadSlotsArePerThread) {
  struct State {
    int code = 0;
  };
  rt::threadSlot<State>().code = 5;
  int seenFresh = -1, seenAfterYield = -1;
  const int t = rt::START([&] {
    seenFresh = rt::threadSlot<State>().code;
    rt::threadSlot<State>().code = 7;
    nextEvent(0);
    seenAfterYield = rt::threadSlot<State>().code;
  });
  rt::runReadyThreads();
  EXPECT_EQ(rt::threadSlot<State>().code, 5);
  rt::PostEvent(EventKind::Accepted, 1, t);
  rt::waitForAllThreads();
  EXPECT_EQ(seenFresh, 0);
  EXPECT_EQ(seenAfterYield, 7);
}

TEST_F(ThreadsTest, ExceptionEndsOnlyItsThread) {
  const int t = rt::START([] { throw std::runtime_error("boom"); });
  bool otherRan = false;
  rt::START([&] { otherRan = true; });
  rt::waitForAllThreads();
  EXPECT_FALSE(rt::threadRunning(t));
  EXPECT_TRUE(otherRan);
}

// Frames of these sizes get redzones from the address sanitizer; an exception thrown
// through them must leave the thread's stack clean for code that is not instrumented.
__attribute__((noinline)) void throwFromDepth(int depth) {
  char frame[512];
  std::memset(frame, depth, sizeof frame);
  asm volatile("" : : "r"(frame) : "memory");
  if (depth == 0) throw std::runtime_error("deep");
  throwFromDepth(depth - 1);
}

// Like a library built without the sanitizer (SQLite): its frame is not marked, and only
// calls such as memset look at the stack's shadow.
__attribute__((noinline, no_sanitize_address)) void clearUninstrumentedFrame() {
  char frame[16 * 1024];
  void* (*volatile set)(void*, int, std::size_t) = std::memset;
  set(frame, 0, sizeof frame);
  asm volatile("" : : "r"(frame) : "memory");
}

TEST_F(ThreadsTest, ExceptionCaughtAfterASwitchLeavesTheStackClean) {
  bool caught = false;
  bool cleared = false;
  const int t = rt::START([&] {
    nextEvent(0);  // switched away and back before throwing
    try {
      throwFromDepth(8);
    } catch (const std::runtime_error&) {
      caught = true;
    }
    clearUninstrumentedFrame();
    cleared = true;
  });
  rt::postEvent(t, Event{EventKind::Accepted});
  rt::waitForAllThreads();
  EXPECT_TRUE(caught);
  EXPECT_TRUE(cleared);
  // The main fiber's stack as well, after a thread has thrown and ended.
  clearUninstrumentedFrame();
}

}  // namespace

#include "runtime/data/ErrorReporter.h"
#include "runtime/data/Errors.h"

namespace {

TEST(ThreadErrors, EachThreadKeepsItsOwnErrorState) {
  rt::START([] {});  // the scheduler is in place once a thread has started
  rt::waitForAllThreads();
  rt::setError(rt::ErrorCode::FileNotFound, "Domains");
  rt::ErrorCode seen = rt::ErrorCode::InvalidFile;
  rt::START([&] {
    seen = rt::errorCode();
    rt::setError(rt::ErrorCode::DuplicateKey, "Hosts");
  });
  rt::waitForAllThreads();
  EXPECT_EQ(seen, rt::ErrorCode::NoError);
  EXPECT_EQ(rt::errorCode(), rt::ErrorCode::FileNotFound);
  rt::clearError();
}

TEST(ThreadErrors, EachThreadNamesItsOwnProcedure) {
  rt::START([] {});
  rt::waitForAllThreads();
  rt::setCurrentProcedure("Main");
  std::string seenAtStart = "unset", seenLater;
  const int t = rt::START([&] {
    seenAtStart = rt::currentProcedure();
    rt::setCurrentProcedure("BrowseDomains");
    rt::Event ev;
    rt::waitUntil([&] { return rt::takeEvent(0, ev); });
    seenLater = rt::currentProcedure();
  });
  rt::runReadyThreads();
  EXPECT_EQ(rt::currentProcedure(), "Main");
  rt::setCurrentProcedure("notice");  // another window on the main thread meanwhile
  rt::PostEvent(rt::EventKind::Accepted, 1, t);
  rt::waitForAllThreads();
  EXPECT_EQ(seenAtStart, "");
  EXPECT_EQ(seenLater, "BrowseDomains");
  rt::setCurrentProcedure("");
}

}  // namespace

namespace {

TEST(YieldToOthers, LongWorkLetsOtherThreadsRun) {
  std::vector<std::string> log;
  rt::START([&] {
    for (int i = 0; i < 3; ++i) {
      log.push_back("work " + std::to_string(i));
      rt::yieldToOthers();
    }
  });
  rt::START([&] {
    for (int i = 0; i < 2; ++i) {
      log.push_back("other " + std::to_string(i));
      rt::yieldToOthers();
    }
  });
  rt::waitForAllThreads();
  EXPECT_EQ(log, (std::vector<std::string>{"work 0", "other 0", "work 1", "other 1", "work 2"}));
}

}  // namespace

namespace {

struct Cursor {
  std::string key;
  std::vector<long> seen;
};
Cursor gCursor;

TEST(ThreadValues, ObjectsAreCopiedByTheirOwnType) {
  rt::registerThreadValue(gCursor);
  gCursor.key = "alpha";
  gCursor.seen = {1, 2};
  Cursor atStart;
  const int t = rt::START([&] {
    atStart = gCursor;
    gCursor.key = "a key long enough to live on the heap, not in the string itself";
    gCursor.seen.push_back(3);
    Event ev;
    rt::waitUntil([&] { return rt::takeEvent(0, ev); });
    EXPECT_EQ(gCursor.seen.size(), 3u);  // its own copy came back intact
  });
  rt::runReadyThreads();
  EXPECT_EQ(atStart.key, "alpha");
  EXPECT_EQ(gCursor.key, "alpha");
  EXPECT_EQ(gCursor.seen, (std::vector<long>{1, 2}));
  rt::PostEvent(EventKind::Accepted, 1, t);
  rt::waitForAllThreads();
  EXPECT_EQ(gCursor.key, "alpha");
  rt::unregisterThreadBuffer(&gCursor);
}

}  // namespace
