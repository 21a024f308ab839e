#include "admin/Startup.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <set>

#include "admin/Procedures.h"
#include "dictionary/Dictionary.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/Dates.h"
#include "runtime/ui/WindowController.h"

namespace {

std::set<int>& stoppedThreads() {
  static std::set<int> s;
  return s;
}

bool stopRequested() {
  return stoppedThreads().count(rt::currentThread()) != 0;
}

// A procedure of the start-up work, on this thread, when the program has it.
void runHere(std::string_view name) {
  if (stopRequested()) return;
  if (ProcedureEntry p = FindProcedure(name)) p();
}

// Reads a data file in record order through a connection of its own: the scan neither
// disturbs the same file opened by a window nor keeps it write-denied once it is over.
class RecordScan {
 public:
  explicit RecordScan(const rt::FileDesc& desc)
      : file_(desc, BufferOf(desc).record, memosOf(desc)) {
    open_ = file_.open({rt::Access::ReadWrite, rt::Share::DenyWrite});
    if (open_) file_.setRecordOrder();
  }
  ~RecordScan() {
    if (open_) file_.close();
  }
  RecordScan(const RecordScan&) = delete;
  RecordScan& operator=(const RecordScan&) = delete;

  bool next() { return open_ && !stopRequested() && file_.next(); }

 private:
  static std::vector<char*> memosOf(const rt::FileDesc& desc) {
    char* m = BufferOf(desc).memo;
    return m ? std::vector<char*>{m} : std::vector<char*>{};
  }
  rt::KeyedFile file_;
  bool open_ = false;
};

rt::WindowDesc splashDesc() {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::Plain;
  d.font = "MS Sans Serif";
  d.icon = "~tw.ico";
  d.resizable = false;
  d.width = 380;
  d.height = 220;
  rt::ControlDesc& name = d.add(rt::ControlKind::Prompt, 1, "Tarnwick");
  name.font = "Arial Black";
  name.fontSize = 28;
  const char* lines[] = {"Version 1.0 for Linux", "All rights reserved, 2026",
                         "The Tarnwick Workshop", "Pellingford"};
  int number = 2;
  for (const char* line : lines) d.add(rt::ControlKind::Prompt, number++, line).font = "Balloon";
  return d;
}

class SplashWindow : public rt::WindowController {
 public:
  SplashWindow() : WindowController(splashDesc(), "splash") {
    setTimer(800);
    for (int code : kCloseKeys) addAlertKey(code);
  }

  rt::Flow Setup() override {
    rt::setCurrentProcedure("splash");
    const rt::Flow f = WindowController::Setup();
    if (f == rt::Flow::Fatal) return f;
    window()->setIcon("~tw.ico");
    return f;
  }

  void BeginWork() override {
    WindowController::BeginWork();
    // Centred on the screen until the user has moved it.
    if (rt::iniGet("splash", "XPos", "").empty()) {
      if (const QScreen* s = QGuiApplication::primaryScreen()) {
        QWidget* top = window()->topLevel();
        top->move(s->availableGeometry().center() - top->rect().center());
      }
    }
  }

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = WindowController::OnWindowEvent();
    if (f != rt::Flow::Continue || closing()) return f;
    const bool closeKey =
        eventKind() == rt::EventKind::AlertKey &&
        std::find(std::begin(kCloseKeys), std::end(kCloseKeys), keyCode()) != std::end(kCloseKeys);
    if (closeKey || eventKind() == rt::EventKind::LoseFocus || eventKind() == rt::EventKind::Timer)
      window()->post(rt::EventKind::CloseWindow);
    return f;
  }

  rt::Flow Teardown() override {
    const rt::Flow f = WindowController::Teardown();
    rt::setCurrentProcedure("");
    return f;
  }

 private:
  static constexpr int kCloseKeys[] = {rt::key::MouseLeft, rt::key::MouseLeft2,
                                       rt::key::MouseRight};
};

}  // namespace

void splash() {
  SplashWindow w;
  w.Run();
}

void CheckRenewal() {
  const std::int32_t today = rt::TODAY();
  if (DOM.RENEWALDATE >= today && DOM.RENEWALDATE <= today + 30) renewaldue = "Yes";
}

void StartupTasks() {
  if (!stopRequested()) splash();
  if (cptog == 1) runHere("cpanel2");
  {
    RecordScan domains(DomainsDesc());
    while (domains.next()) {
      renewaldue.clear();
      CheckRenewal();
      if (renewaldue == "Yes") runHere("notice");
    }
  }
  {
    RecordScan notes(DnotesDesc());
    while (notes.next()) {
      if (DNO.REMINDER == "Y") ding = "Y";
      if (ding == "Y") runHere("BrowseNotes");
    }
  }
  stoppedThreads().erase(rt::currentThread());
}

void StopStartupTasks(int thread) {
  if (thread == 0 || !rt::threadRunning(thread) || rt::threadName(thread) != kStartupThreadName)
    return;
  stoppedThreads().insert(thread);
  rt::PostEvent(rt::EventKind::CloseWindow, 0, thread);
}
