// Shared set-up of the window tests: a driver, and a clean slate after each test.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMdiArea>
#include <QMessageBox>
#include <QTemporaryDir>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "runtime/ui/IniAccess.h"
#include "runtime/ui/WindowController.h"
#include "runtime/ui/WindowLayer.h"
#include "tests/support/TestDriver.h"

namespace uitest {

// A window with an OK button (1), a Cancel button (2) and a plain button (3).
inline rt::WindowDesc simpleWindow(std::string title,
                                   rt::WindowKind kind = rt::WindowKind::Dialog) {
  rt::WindowDesc d;
  d.kind = kind;
  d.title = std::move(title);
  d.add(rt::ControlKind::Button, 1, "&OK").okButton = true;
  d.add(rt::ControlKind::Button, 2, "Cancel").cancelButton = true;
  d.add(rt::ControlKind::Button, 3, "&Other");
  return d;
}

// A controller that logs the events it takes, and can run a hook on accepted controls.
class Recorder : public rt::WindowController {
 public:
  using WindowController::WindowController;
  std::shared_ptr<std::vector<rt::Event>> log = std::make_shared<std::vector<rt::Event>>();
  std::function<rt::Flow(Recorder&)> onAccepted;
  std::function<rt::Flow(Recorder&)> onWindowEvent;

  rt::Flow OnEvent() override {
    log->push_back(event());
    return WindowController::OnEvent();
  }
  rt::Flow OnAccepted() override {
    if (onAccepted) {
      const rt::Flow f = onAccepted(*this);
      if (f != rt::Flow::Continue) return f;
    }
    return WindowController::OnAccepted();
  }
  rt::Flow OnWindowEvent() override {
    const rt::Flow f = WindowController::OnWindowEvent();
    if (onWindowEvent && f == rt::Flow::Continue) return onWindowEvent(*this);
    return f;
  }
};

// Menu items have negative numbers, so "any control" is spelled kAnyControl.
inline constexpr int kAnyControl = std::numeric_limits<int>::min();
inline int countOf(const std::vector<rt::Event>& log, rt::EventKind kind,
                   int control = kAnyControl) {
  int n = 0;
  for (const rt::Event& e : log)
    if (e.kind == kind && (control == kAnyControl || e.control == control)) ++n;
  return n;
}

class UiTest : public ::testing::Test {
 protected:
  // Window positions go to a scratch INI file, never to the working directory's.
  void SetUp() override {
    ASSERT_TRUE(scratch.isValid());
    rt::setProgramIniFile(scratch.filePath("tarnwick.INI").toStdString());
  }
  void TearDown() override {
    // Whatever a test left open is answered and closed, so the next one starts clean.
    for (int round = 0; round < 50 && rt::procedureThreadCount() > 0; ++round) {
      while (auto* box = driver.messageBox()) {
        if (!rt::pressMessageBoxButton(box, rt::button::Cancel) &&
            !rt::pressMessageBoxButton(box, rt::button::No) &&
            !rt::pressMessageBoxButton(box, rt::button::Ok))
          box->buttons().back()->click();
        driver.pump();
      }
      while (driver.cancelFileDialog()) {
      }
      for (int t : rt::runningThreads()) rt::PostEvent(rt::EventKind::CloseWindow, 0, t);
      driver.pump();
    }
    EXPECT_EQ(rt::procedureThreadCount(), 0);
    EXPECT_TRUE(rt::openWindows().empty());
    rt::setProgramIniFile("tarnwick.INI");
  }
  // A plain window "Other" on a thread of its own, to show what goes on there meanwhile;
  // its events land in the log returned.
  std::shared_ptr<std::vector<rt::Event>> startOther() {
    auto log = std::make_shared<std::shared_ptr<std::vector<rt::Event>>>();
    driver.start([log] {
      Recorder w(simpleWindow("Other"), "Other");
      *log = w.log;
      w.Run();
    });
    return *log;
  }

  // A bare frame with no kept place, set at `at` once its area has taken the new size.
  rt::Window* openFrame(const QRect& at) {
    driver.start([] {
      rt::WindowDesc d;
      d.kind = rt::WindowKind::MdiFrame;
      d.title = "Frame";
      Recorder frame(d, "Frame");
      frame.setPositionSection({});
      frame.Run();
    });
    rt::Window* frame = driver.waitForWindow("Frame");
    if (!frame) return nullptr;
    frame->topLevel()->setGeometry(at);
    driver.waitUntil([&] { return frame->mdiArea()->viewport()->height() < at.height(); });
    return frame;
  }

  QTemporaryDir scratch;
  rt::TestDriver driver;
};

}  // namespace uitest
