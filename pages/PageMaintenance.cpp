#include "pages/PageMaintenance.h"

#include <QLabel>
#include <cstdlib>
#include <string>

#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "pages/PageReading.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/BusyWindow.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/TableWindows.h"
#include "runtime/ui/Window.h"

namespace {

using enum pagereading::PageDetail;
using pagereading::PageDetailFile;
using pagereading::PageDetailFiles;
using pagereading::Redraw;

constexpr char kWorking[] = "Working, please be patient.";
constexpr char kFinished[] = "Finished. Records deleted.";
constexpr char kProcessing[] = "Processing: ";

// counttext is a number held as text: each step reads it, adds and stores the sum.
void addToCount(long k = 1) {
  counttext = std::to_string(std::strtol(counttext.str().c_str(), nullptr, 10) + k);
}

// Deletes the domain's pages; the page count ends as the number deleted and committed.
void deleteDomainPages(const rt::Binding& pageCount, Redraw& redraw) {
  long committed = 0, deleted = 0;
  bool cleared = true;
  pagereading::PageGroup group(WebPagesManager, rt::MessageId::RecordNotDeleted);
  auto commit = [&] {
    if (!group.commit()) return false;
    committed = deleted;
    return true;
  };
  const bool done =
      group.begin() &&
      pagereading::DeleteByLeadingKey(WebPages, WEB_NAMES, domainname.clip(), [&](bool matches) {
        if (!matches) return true;
        if (group.due()) {
          if (!commit()) return false;
          redraw.now();
          rt::yieldToOthers();
          if (!group.begin()) return false;
        }
        if (!ClearPageDetails()) return cleared = false;
        ++deleted;
        pageCount.set(static_cast<double>(deleted));
        addToCount();
        statustext = kProcessing + std::string(WEB.PAGENAME.clip());
        redraw.line();
        return true;
      });
  if (done) {
    commit();
  } else {
    // A page read that failed has not been told yet.
    if (cleared && !group.failed()) WebPagesManager->RaiseError(rt::MessageId::RecordNotDeleted);
    group.abandon();  // the pages of the group stay whole
  }
  pageCount.set(static_cast<double>(committed));
}

}  // namespace

bool ClearPageDetails() {
  const std::string path(WEB.PAGEPATH.clip());
  for (const PageDetailFile& d : PageDetailFiles())
    if (!pagereading::ClearDetailRecords(d, path, [] { addToCount(); })) {
      (*d.manager)->RaiseError(rt::MessageId::RecordNotDeleted);
      return false;
    }
  return true;
}

void DeletePagesByDomain(const rt::Binding& pageCount) {
  Redraw redraw;
  counttext = "1";
  pageCount.set(0.0);
  redraw.now();
  statustext = kWorking;
  redraw.now();
  rt::yieldToOthers();
  {
    pagereading::OneRunAtATime gate;
    const auto& d = PageDetailFiles();
    pagereading::OpenedFiles files({WebPagesManager, *d[kLinks].manager, *d[kScripts].manager,
                                    *d[kForms].manager, *d[kImages].manager, *d[kMeta].manager},
                                   "The pages were not deleted; nothing was changed.");
    if (files.ok()) deleteDomainPages(pageCount, redraw);
  }
  statustext.clear();
  redraw.now();
  rt::yieldToOthers();
  statustext = kFinished;
  redraw.now();
}

void RebuildIndexes() {
  rt::ShowMessageBox(
      "This will rebuild indexes for the following files: |Web Pages|Meta Tags|Scripts|Images|"
      "Links|Forms|Press OK To Start");
  {
    pagereading::OneRunAtATime gate;
    const auto& d = PageDetailFiles();
    const std::pair<rt::KeyedFile*, rt::FileManager*> files[] = {
        {&WebPages, WebPagesManager},
        {d[kImages].file, *d[kImages].manager},
        {d[kScripts].file, *d[kScripts].manager},
        {d[kMeta].file, *d[kMeta].manager},
        {d[kForms].file, *d[kForms].manager},
        {d[kLinks].file, *d[kLinks].manager},
    };
    for (const auto& [file, manager] : files) {
      // Opened through its manager: a file another window holds is counted, not closed.
      if (!pagereading::OpenToWrite(*manager)) continue;
      if (!file->build()) manager->RaiseError(rt::MessageId::FileAccessError);
      manager->CloseFile();
    }
  }
  rt::ShowMessageBox("Thanks for Waiting.|Press OK to Continue", "Finished");
}

// ---- the deletion window ----

namespace {

enum DeletionControl : int {
  cInstructions = 1,
  cDomainPrompt,
  cDomain,
  cTabHint,
  cRun,
  cCounter,
  cStatus,
  cPages,
  cClose,
};

using K = rt::ControlKind;

const rt::WindowTable& deletionTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "delpages",
      .title = "Delete Web Pages By Domain Name",
      .controls =
          {
              {cInstructions, K::Prompt,
               "Enter the Domain Name whose web pages you wish to delete. Press the TAB key. "
               "Then press the RUN button. The web pages will then be deleted along with any "
               "records in related files such as meta, scripts, etc. Wait until process is "
               "finished, then CLOSE."},
              {cDomainPrompt, K::Prompt, "Domain Name:"},
              {cDomain, K::Entry, "", 0, nullptr, "@s50"},
              {cTabHint, K::Prompt, "(Press TAB after entry.)"},
              {cRun, K::Button, "Run Deletions"},
              {cCounter, K::Progress},
              {cStatus, K::Entry, "", 0, nullptr, "@s100"},
              {cPages, K::Entry, "", 0, nullptr, "@n-14"},
              {cClose, K::Button, "Close"},
          },
      .buttons = {{cClose, rt::ButtonRole::Close}},
      .relations = {&WebPagesRelations},
      .disabled = {cRun},
  };
  return t;
}

const rt::WindowTableRegistration tables{{"delpages", &deletionTable}};

rt::ControlDesc& described(rt::WindowDesc& d, int number) {
  for (rt::ControlDesc& c : d.controls)
    if (c.number == number) return c;
  throw std::logic_error("delpages: no control " + std::to_string(number));
}

class PageDeletionWindow : public rt::TableBrowse {
 public:
  explicit PageDeletionWindow(const PageDeletionProgram& program)
      : TableBrowse(deletionTable()), program_(program) {
    rt::WindowDesc& d = desc();
    d.kind = rt::WindowKind::Plain;
    rt::ControlDesc& domain = described(d, cDomain);
    domain.tip = program.domainTip;
    domain.status = program.domainMessage;
    described(d, cCounter).rangeHigh = 500;
    for (int n : {cStatus, cPages}) described(d, n).readOnly = true;
    described(d, cRun).defaultButton = true;
    bind(cDomain, rt::Binding(domainname));
    bind(cCounter, rt::Binding(counttext));
    bind(cStatus, rt::Binding(statustext));
    bind(cPages, program.pageCount);
  }

  // The instructions wrap in the width the fields need, before the window takes its size.
  void BeginWork() override {
    if (auto* l = qobject_cast<QLabel*>(window()->control(cInstructions))) l->setWordWrap(true);
    TableBrowse::BeginWork();
  }

  rt::Flow OnAccepted() override {
    switch (control()) {
      case cDomain:
        if (!domainname.blank()) {
          window()->setEnabled(cRun, true);
          // The Tab that accepted the name passed over the button while it was off.
          if (window()->focusedControl() != cDomain) window()->selectControl(cRun);
        }
        return rt::Flow::Cycle;
      case cRun:
        UpdateItemValues();
        {
          rt::BusyWindow busy(*window());
          DeletePagesByDomain(program_.pageCount);
        }
        RefreshItems();
        return rt::Flow::Cycle;
      default:
        return TableBrowse::OnAccepted();
    }
  }

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = TableBrowse::OnWindowEvent();
    if (eventKind() == rt::EventKind::OpenWindow) {
      domainname.clear();
      program_.pageCount.set(0.0);
      statustext.clear();
      RefreshItems();
    }
    return f;
  }

 private:
  const PageDeletionProgram program_;
};

}  // namespace

PageDeletionProgram TarnwickPageDeletion() {
  return {rt::Binding(pagecount),
          "Enter the complete domain name that you registered, without the http://www. in "
          "front of it.",
          ""};
}

PageDeletionProgram ReaderPageDeletion(std::int32_t& pageCount) {
  return {rt::Binding(pageCount),
          "Enter the complete domain name that you registered. The complete address with "
          "http://www. in front of it is also acceptable.",
          "This is the actual domain name that you have registered."};
}

void RunPageDeletion(const PageDeletionProgram& program) {
  PageDeletionWindow w(program);
  w.Run();
}
