// Windows on procedure threads: several at once, modal only within their thread, closed
// in any order, closed from other threads, and the thread limit.
#include <QWidget>

#include "UiFixture.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/WindowLayer.h"

namespace uitest {
namespace {

using rt::EventKind;
using rt::Flow;

class ThreadWindows : public UiTest {};

TEST_F(ThreadWindows, TwoCopiesOfOneProcedureRunAtOnce) {
  auto logs = std::make_shared<std::vector<std::shared_ptr<std::vector<rt::Event>>>>();
  auto proc = [logs] {
    Recorder w(simpleWindow("Reminder"), "notice");
    logs->push_back(w.log);
    w.Run();
  };
  const int a = driver.start(proc, 25000, "notice");
  const int b = driver.start(proc, 25000, "notice");
  ASSERT_TRUE(driver.waitUntil([] { return rt::openWindows().size() == 2; }));
  const auto wins = rt::openWindows();
  EXPECT_EQ(wins[0]->thread(), a);
  EXPECT_EQ(wins[1]->thread(), b);
  driver.press(wins[1], 3);
  driver.press(wins[0], 3);
  driver.press(wins[0], 3);
  ASSERT_EQ(logs->size(), 2u);
  EXPECT_EQ(countOf(*(*logs)[0], EventKind::Accepted, 3), 2);
  EXPECT_EQ(countOf(*(*logs)[1], EventKind::Accepted, 3), 1);
  EXPECT_EQ(countOf(*(*logs)[0], EventKind::OpenWindow), 1);
}

TEST_F(ThreadWindows, ClosingOutOfOrderEndsEachThread) {
  auto proc = [](std::string title) {
    return [title] {
      Recorder w(simpleWindow(title), title);
      w.Run();
    };
  };
  const int a = driver.start(proc("First"));
  const int b = driver.start(proc("Second"));
  const int c = driver.start(proc("Third"));
  ASSERT_NE(driver.waitForWindow("Third"), nullptr);
  driver.close(driver.find("Second"));
  EXPECT_TRUE(driver.waitUntil([&] { return !rt::threadRunning(b); }));
  EXPECT_TRUE(rt::threadRunning(a));
  EXPECT_TRUE(rt::threadRunning(c));
  driver.close(driver.find("First"));
  driver.close(driver.find("Third"));
  driver.waitForThreadsToEnd();
  EXPECT_EQ(rt::procedureThreadCount(), 0);
}

TEST_F(ThreadWindows, ModalChildBlocksOnlyItsOwnThread) {
  auto childLog = std::make_shared<std::vector<rt::Event>>();
  bool childReturned = false;
  driver.start([&] {
    Recorder browse(simpleWindow("Browse"), "BrowseThings");
    browse.onAccepted = [&](Recorder&) {
      Recorder form(simpleWindow("Form"), "UpdateThings");
      childLog = form.log;
      form.Run();  // on the same thread, modal over the browse
      childReturned = true;
      return Flow::Cycle;
    };
    browse.Run();
  });
  const auto otherLog = startOther();
  rt::Window* browse = driver.waitForWindow("BrowseThings");
  rt::Window* other = driver.waitForWindow("Other");
  ASSERT_TRUE(browse && other);
  driver.press(browse, 3);
  rt::Window* form = driver.waitForWindow("UpdateThings");
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(browse->widget()->isEnabled());
  EXPECT_FALSE(driver.press(browse, 3));  // out of the user's reach meanwhile
  EXPECT_TRUE(other->widget()->isEnabled());
  EXPECT_TRUE(form->widget()->isEnabled());

  // The other thread's window still takes events while the form waits.
  driver.press(other, 3);
  EXPECT_EQ(countOf(*otherLog, EventKind::Accepted, 3), 1);
  // Closing the other thread's window first does not disturb the form.
  driver.close(other);
  EXPECT_TRUE(driver.waitForClose("Other"));
  EXPECT_TRUE(driver.isOpen(form));

  driver.press(form, 2);  // Cancel
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_TRUE(childReturned);
  EXPECT_TRUE(browse->widget()->isEnabled());
}

TEST_F(ThreadWindows, PostedCloseEndsAnotherThreadsWindow) {
  bool after = false;
  const int t = driver.start([&] {
    Recorder w(simpleWindow("Splash"), "splash");
    w.Run();
    after = true;
  });
  ASSERT_NE(driver.waitForWindow("splash"), nullptr);
  // Posted from yet another thread, as the frame does.
  driver.start([t] { rt::PostEvent(EventKind::CloseWindow, 0, t); });
  EXPECT_TRUE(driver.waitForClose("splash"));
  EXPECT_TRUE(after);
  EXPECT_FALSE(rt::threadRunning(t));
}

TEST_F(ThreadWindows, PostedAcceptedReachesTheTopWindow) {
  auto log = std::make_shared<std::vector<rt::Event>>();
  const int t = driver.start([&] {
    Recorder w(simpleWindow("Browse"), "Browse");
    log = w.log;
    w.Run();
  });
  ASSERT_NE(driver.waitForWindow("Browse"), nullptr);
  rt::PostEvent(EventKind::Accepted, 2004, t);
  driver.pump();
  EXPECT_EQ(countOf(*log, EventKind::Accepted, 2004), 1);
}

TEST_F(ThreadWindows, SixtyFourthThreadShowsTooManyWindows) {
  rt::initWindowLayer();
  rt::setUrlOpener(nullptr);
  auto proc = [] {
    Recorder w(simpleWindow("Busy"), "Busy");
    w.Run();
  };
  for (int i = 0; i < rt::kMaxProcedureThreads - 1; ++i) ASSERT_GT(driver.start(proc), 0);
  int refused = -1;
  driver.start([&] {
    refused = rt::START(proc);  // the 64th, asked for from the 63rd
    Recorder w(simpleWindow("Last"), "Last");
    w.Run();
  });
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_NE(driver.messageText(box).find("too many windows"), std::string::npos);
  EXPECT_TRUE(driver.answer(rt::button::Ok));
  EXPECT_EQ(refused, 0);
  EXPECT_NE(driver.waitForWindow("Last"), nullptr);
  EXPECT_EQ(rt::procedureThreadCount(), rt::kMaxProcedureThreads);
  rt::setRefusalNotifier(nullptr);
}

TEST_F(ThreadWindows, TimerRunsOnTheDriverClock) {
  driver.start([] {
    Recorder w(simpleWindow("Splash", rt::WindowKind::Plain), "splash");
    w.setTimer(800);
    w.onWindowEvent = [](Recorder& r) {
      if (r.eventKind() == EventKind::Timer) r.CloseWithResponse(rt::RequestCompleted);
      return Flow::Continue;
    };
    w.Run();
  });
  ASSERT_NE(driver.waitForWindow("splash"), nullptr);
  driver.advanceClock(799);
  EXPECT_NE(driver.find("splash"), nullptr);
  driver.advanceClock(1);
  EXPECT_TRUE(driver.waitForClose("splash", 500));
}

TEST_F(ThreadWindows, AlertKeysAndFocusLossReachTheWindow) {
  auto log = std::make_shared<std::vector<rt::Event>>();
  driver.start([&] {
    Recorder w(simpleWindow("Splash"), "splash");
    log = w.log;
    for (int k : {rt::key::MouseLeft, rt::key::MouseLeft2, rt::key::MouseRight, rt::key::F9})
      w.addAlertKey(k);
    w.Run();
  });
  driver.start([] {
    Recorder w(simpleWindow("Elsewhere"), "Elsewhere");
    w.Run();
  });
  rt::Window* splash = driver.waitForWindow("splash");
  rt::Window* elsewhere = driver.waitForWindow("Elsewhere");
  ASSERT_TRUE(splash && elsewhere);
  driver.click(splash, 0, rt::key::MouseRight);
  driver.click(splash, 3, rt::key::MouseLeft2);
  driver.pressKey(splash, 0, rt::key::F9);
  driver.click(splash, 0, rt::key::MouseCenter);  // not registered
  ASSERT_EQ(countOf(*log, EventKind::AlertKey), 3);
  std::vector<int> keys;
  for (const rt::Event& e : *log)
    if (e.kind == EventKind::AlertKey) keys.push_back(e.key);
  EXPECT_EQ(keys, (std::vector<int>{rt::key::MouseRight, rt::key::MouseLeft2, rt::key::F9}));

  driver.activate(splash);
  driver.activate(elsewhere);
  EXPECT_GE(countOf(*log, EventKind::LoseFocus), 1);
}

}  // namespace
}  // namespace uitest

#include <QTimer>

namespace uitest {
namespace {

TEST_F(ThreadWindows, FinishProgramWaitsForEveryThread) {
  bool ended = false;
  const int t = driver.start([&] {
    Recorder w(simpleWindow("Late"), "Late");
    w.Run();
    ended = true;
  });
  ASSERT_NE(driver.waitForWindow("Late"), nullptr);
  // The user closes the last window a little later, while the program is finishing.
  QTimer::singleShot(20, [t] { rt::PostEvent(EventKind::CloseWindow, 0, t); });
  rt::finishProgram();
  EXPECT_TRUE(ended);
  EXPECT_EQ(rt::procedureThreadCount(), 0);
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(ThreadWindows, CloseProcedureThreadsEndsEveryOtherThread) {
  int closedForms = 0;
  // A thread with a form over its browse, one with a message box, one with a plain window.
  driver.start([&] {
    Recorder browse(simpleWindow("Browse"), "Browse");
    browse.onWindowEvent = [&](Recorder&) {
      if (browse.eventKind() == EventKind::OpenWindow) {
        Recorder form(simpleWindow("Form"), "Form");
        form.Run();
        ++closedForms;
      }
      return Flow::Continue;
    };
    browse.Run();
  });
  driver.start([] { rt::ShowMessageBox("Waiting", "Box", rt::MessageIcon::None, rt::button::Ok); });
  driver.start([] {
    Recorder w(simpleWindow("Plain"), "Plain");
    w.Run();
  });
  ASSERT_NE(driver.waitForWindow("Form"), nullptr);
  ASSERT_NE(driver.waitForMessageBox(), nullptr);
  bool done = false;
  driver.start([&] {
    Recorder frame(simpleWindow("Frame"), "Frame");
    frame.onWindowEvent = [&](Recorder& r) {
      if (r.eventKind() == EventKind::OpenWindow) {
        rt::closeProcedureThreads();
        done = true;
        r.CloseWithResponse(rt::RequestCompleted);
      }
      return Flow::Continue;
    };
    frame.Run();
  });
  EXPECT_TRUE(driver.waitUntil([&] { return done; }));
  driver.waitForThreadsToEnd();
  EXPECT_EQ(closedForms, 1);
  EXPECT_EQ(rt::procedureThreadCount(), 0);
  EXPECT_TRUE(rt::openMessageBoxes().empty());
}

}  // namespace
}  // namespace uitest
