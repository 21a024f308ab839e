// Runs the whole program in-process in a temporary working directory and drives it.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QUrl>
#include <string>
#include <vector>

#include "admin/Main.h"
#include "admin/Program.h"
#include "common/Procedures.h"
#include "dictionary/Dictionary.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/WindowController.h"
#include "tests/support/TestDriver.h"

namespace admintest {

// What the stand-in procedures saw, in order: "name" or "name:domain".
inline std::vector<std::string>& calls() {
  static std::vector<std::string> c;
  return c;
}

// Accepted controls that reached a stand-in window.
inline std::vector<int>& accepted() {
  static std::vector<int> a;
  return a;
}

class StandIn : public rt::WindowController {
 public:
  StandIn(const char* name, rt::WindowKind kind) : WindowController(desc(name, kind), name) {
    setPositionSection({});
  }
  rt::Flow OnAccepted() override {
    accepted().push_back(control());
    return WindowController::OnAccepted();
  }

 private:
  static rt::WindowDesc desc(const char* name, rt::WindowKind kind) {
    rt::WindowDesc d;
    d.kind = kind;
    d.title = name;
    d.add(rt::ControlKind::Button, 1, "Close").cancelButton = true;
    return d;
  }
};

// A window procedure that notes its call (with the domain in the record buffer) and stays
// open until closed.
template <const char* Name, bool WithDomain = false, rt::WindowKind Kind = rt::WindowKind::Dialog>
void standIn() {
  calls().push_back(WithDomain ? std::string(Name) + ":" + DOM.DOMAINNAME.str()
                               : std::string(Name));
  StandIn w(Name, Kind);
  w.Run();
}

inline constexpr char kNotice[] = "notice";
inline constexpr char kLauncher[] = "cpanel2";
inline constexpr char kBrowseDomains[] = "BrowseDomains";
inline constexpr char kBrowseNotes[] = "BrowseNotes";

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(programDir.isValid());
    oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    rt::setProgramDirectory(programDir.path().toStdString());
    rt::setLauncher([this](const rt::Launch& l) { launches.push_back(l); });
    calls().clear();
    accepted().clear();
    resetGlobals();
    for (const char* name : kReplaceable) entries.push_back(FindProcedure(name));
  }

  void TearDown() override {
    if (programThread && rt::threadRunning(programThread)) {
      while (QMessageBox* box = driver.messageBox()) {
        box->reject();
        driver.pump();
      }
      if (frame && driver.isOpen(frame)) driver.pickMenu(frame, frameitem::Exit);
      driver.waitForThreadsToEnd();
    }
    EXPECT_EQ(rt::procedureThreadCount(), 0);
    // Stand-ins go; the program's own procedures come back for the next test.
    for (std::size_t i = 0; i < entries.size(); ++i) SetProcedure(kReplaceable[i], entries[i]);
    rt::setLauncher(nullptr);
    rt::setUrlOpener(nullptr);
    rt::setProgramDirectory({});
    QDir::setCurrent(oldDir);
  }

  static void resetGlobals() {
    cptog = 0;
    mypath.clear();
    for (auto* s : {&ubut1, &ubut2, &ubut3}) s->clear();
    ubut4.clear();
    html.clear();
    renewaldue.clear();
    ding.clear();
  }

  // Starts the program main on a thread of its own and waits for its frame.
  rt::Window* startProgram() {
    programThread = driver.start(&ProgramMain, 25000, "ProgramMain");
    frame = driver.waitForWindow("Main");
    // The window layer installs the desktop opener when the program starts.
    rt::setUrlOpener([this](const QUrl& u) { opened.push_back(u); });
    return frame;
  }

  void exitProgram() {
    ASSERT_NE(frame, nullptr);
    driver.pickMenu(frame, frameitem::Exit);
    EXPECT_TRUE(driver.waitUntil([this] { return !rt::threadRunning(programThread); }));
    frame = nullptr;
  }

  // Lets the splash time out.
  void passSplash() {
    ASSERT_NE(driver.waitForWindow("splash"), nullptr);
    driver.advanceClock(800);
    ASSERT_TRUE(driver.waitForClose("splash"));
  }

  int startupThread() const {
    for (int t : rt::runningThreads())
      if (rt::threadName(t) == "StartupTasks") return t;
    return 0;
  }

  static constexpr const char* kReplaceable[] = {"notice", "cpanel2", "BrowseDomains",
                                                 "BrowseNotes"};
  std::vector<ProcedureEntry> entries;
  QTemporaryDir dir;
  QTemporaryDir programDir;
  QString oldDir;
  rt::TestDriver driver;
  int programThread = 0;
  rt::Window* frame = nullptr;
  std::vector<rt::Launch> launches;
  std::vector<QUrl> opened;
};

}  // namespace admintest
