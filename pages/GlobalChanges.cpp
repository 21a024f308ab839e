#include "pages/GlobalChanges.h"

#include <algorithm>
#include <optional>
#include <string>

#include "common/Frame.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "runtime/data/Transaction.h"
#include "runtime/text/Paths.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/Process.h"
#include "runtime/ui/TableWindows.h"

namespace pages {
namespace {

// ---- the processes ----

enum class Change { LocalPath, InUse };

// The page's file as its old local path names it, with the sub-directories its page name
// has: the page name is cut to its field and would name no file. A path that names no file
// leaves the page name.
std::string pageFileOf(std::string_view oldPath, std::string_view pageName) {
  const std::string path = rt::normalizePath(oldPath);
  const std::string name = rt::normalizePath(pageName);
  if (name.empty()) return name;
  // Where the page name begins in the path, as the page form derived it.
  const auto depth = std::count(name.begin(), name.end(), '/');
  for (std::size_t at = path.size(); at-- > 0;) {
    if (at > 0 && path[at - 1] != '/') continue;
    const std::string tail = path.substr(at);
    if (std::count(tail.begin(), tail.end(), '/') > depth) break;
    if (rt::startsWithNoCase(tail, name)) return tail;
  }
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 == path.size()) return name;
  const std::size_t nameSlash = name.rfind('/');
  const std::string dirs = nameSlash == std::string::npos ? "" : name.substr(0, nameSlash + 1);
  return dirs + path.substr(slash + 1);
}

// The view never meets a page twice: no step changes WEB:DOMAINNAME or WEB:PAGENAME, the
// key it is read in.
class DomainPages : public rt::RecordProcessor {
 public:
  DomainPages(const char* procedure, Change change)
      : RecordProcessor(SystemTables(), procedure,
                        {.file = &WebPages,
                         .key = "WEB:NAMES",
                         .range = {"WEB:DOMAINNAME"},
                         .filter = "web:domainname=clip(domainname)",
                         .progressField = "WEB:PAGENAME"}),
        change_(change) {
    if (change == Change::LocalPath) setStatus("Changing Local Path");
  }

  bool BeginSlice() override {
    if (change_ == Change::LocalPath)
      group_.emplace(std::initializer_list<rt::KeyedFile*>{&WebPages, &Domains});
    else
      group_.emplace(std::initializer_list<rt::KeyedFile*>{&WebPages});
    if (group_->active()) return true;
    managerOf(group_->failedFile())->RaiseError(rt::MessageId::FileAccessError);
    group_.reset();
    return false;
  }

  rt::Flow OnRecord() override {
    if (WEB.DOMAINNAME.clip() == domainname.clip()) {
      if (change_ == Change::LocalPath) {
        WEB.LOCALPATH =
            rt::joinPath(newlocaldir.clip(), pageFileOf(WEB.LOCALPATH.clip(), WEB.PAGENAME.clip()));
        WEB.LOCALDEFAULTDIRECTORY = newlocaldir.clip();
      } else {
        WEB.USENOW = "Y";
      }
      if (WebPagesManager->UpdateRecord() != rt::Status::Ok) return rt::Flow::Fatal;
    }
    if (change_ == Change::LocalPath && !domainDone_) {
      domainDone_ = true;
      DOM.DOMAINNAME = domainname.clip();
      // A domain that has pages but no record of its own gets none.
      const rt::Status found = DomainsManager->TryFetch(DOM_name);
      if (found == rt::Status::Failed) {
        DomainsManager->RaiseError(rt::MessageId::RecordNotUpdated);
        return rt::Flow::Fatal;
      }
      if (found == rt::Status::Ok) {
        DOM.DEFAULTLOCALDIR = newlocaldir.clip();
        if (DomainsManager->UpdateRecord() != rt::Status::Ok) return rt::Flow::Fatal;
      }
    }
    return rt::Flow::Continue;
  }

  bool EndSlice(bool whole) override {
    const bool ok = whole && group_->commit();
    if (whole && !ok) managerOf(group_->failedFile())->RaiseError(rt::MessageId::RecordNotUpdated);
    group_.reset();  // what was not committed is taken back
    return ok;
  }

 private:
  static rt::FileManager* managerOf(const rt::KeyedFile* file) {
    return file == &Domains ? DomainsManager : WebPagesManager;
  }

  const Change change_;
  bool domainDone_ = false;
  std::optional<rt::Transaction> group_;
};

void runDomainPages(const char* procedure, Change change) {
  if (DomainsRelations->OpenFiles() != rt::Status::Ok) return;
  WebPagesRelations->SetDriverOption("QUICKSCAN=on");
  WEB.DOMAINNAME = domainname.clip();
  DomainPages process(procedure, change);
  process.Run();
  DomainsRelations->CloseFiles();
}

// ---- the windows ----

enum WindowControl : int {
  cInstructions = 1,
  cDomainPrompt,
  cDomain,
  cDirPrompt,
  cDir,
  cClose,
  cProcess,
};

using K = rt::ControlKind;

constexpr char kDomainTip[] =
    "Enter the complete domain name that you registered, without the http://www. in front of it.";

rt::ControlRow domainRow() {
  return {cDomain, K::Entry, "", 0, nullptr, "@s50", kDomainTip};
}

std::vector<rt::ControlRow> buttonRows() {
  return {{cClose, K::Button, "Close Window"}, {cProcess, K::Button, "Process Records Now"}};
}

rt::WindowTable changeTable(const char* procedure, const char* title, const char* message,
                            std::vector<rt::ControlRow> controls) {
  for (rt::ControlRow& b : buttonRows()) controls.push_back(b);
  return {.context = &SystemTables(),
          .procedure = procedure,
          .title = title,
          .statusText = message,
          .controls = std::move(controls),
          .buttons = {{cClose, rt::ButtonRole::Cancel}},
          .relations = {&WebPagesRelations}};
}

const rt::WindowTable& localPathTable() {
  static const rt::WindowTable t = changeTable(
      "ChgLoPaWindow", "Change Local Path Name in ALL Web Pages By Domain",
      "Changes the local path of a domain and all of its pages.",
      {{cInstructions, K::Prompt,
        "Enter the Domain Name. Then enter the new local path for the web pages."},
       {cDomainPrompt, K::Prompt, "Domain Name:"},
       domainRow(),
       {cDirPrompt, K::Prompt, "New Local Dir:"},
       {cDir, K::Entry, "", 0, nullptr, "@s80",
        "Enter the complete path, including the drive letter. This path is used in the Web "
        "Pages file.",
        "", "Be sure to include drive letter in path."}});
  return t;
}

const rt::WindowTable& inUseTable() {
  static const rt::WindowTable t = changeTable(
      "chgcurruse", "Change  ALL Web Pages By Domain to Currently Use",
      "Changes all web pages of a domain to currently use=Y",
      {{cInstructions, K::Prompt,
        "Enter the Domain Name.  Then all pages will be marked \"currently use\". You can "
        "later unmark any pages that are not in use."},
       {cDomainPrompt, K::Prompt, "Domain Name:"},
       domainRow()});
  return t;
}

const rt::WindowTableRegistration tables{{"ChgLoPaWindow", &localPathTable},
                                         {"chgcurruse", &inUseTable}};

// Keeps the globals' values when it opens; the process may be started again and again.
class ChangeWindow : public rt::TableBrowse {
 public:
  ChangeWindow(const rt::WindowTable& table, const char* process, bool asksDirectory)
      : TableBrowse(table), process_(process) {
    desc().kind = rt::WindowKind::Plain;
    bind(cDomain, rt::Binding(domainname));
    if (asksDirectory) bind(cDir, rt::Binding(newlocaldir));
  }

  rt::Flow OnAccepted() override {
    if (control() != cProcess) return TableBrowse::OnAccepted();
    UpdateItemValues();
    frame::StartProcedure(process_);
    RefreshItems();
    return rt::Flow::Cycle;
  }

 private:
  const char* process_;
};

}  // namespace

void ChgLoPath() {
  runDomainPages("ChgLoPath", Change::LocalPath);
}

void ChgLoPath1() {
  runDomainPages("ChgLoPath1", Change::InUse);
}

void ChgLoPaWindow() {
  ChangeWindow w(localPathTable(), "ChgLoPath", true);
  w.Run();
}

void chgcurruse() {
  ChangeWindow w(inUseTable(), "ChgLoPath1", false);
  w.Run();
}

}  // namespace pages
