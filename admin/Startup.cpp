#include "admin/Startup.h"

#include <set>

#include "common/Procedures.h"
#include "common/Splash.h"
#include "dictionary/Dictionary.h"
#include "runtime/proc/Events.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/Dates.h"

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
    // Held by another program: the reminders are still read.
    if (!open_ && rt::errorCode() == rt::ErrorCode::AccessDenied)
      open_ = file_.open({rt::Access::ReadOnly, rt::Share::DenyNone});
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

}  // namespace

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
