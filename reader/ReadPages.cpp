#include "reader/ReadPages.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/Procedures.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "pages/PageReading.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Paths.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/BusyWindow.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/TableWindows.h"
#include "runtime/ui/WindowController.h"

rt::Str<80> localdir;
rt::Str<30> subdir;
std::int32_t filecount = 0;
rt::Str<1> readconfirmed;
rt::Str<80> readdir;
rt::Str<80> webbase;

namespace {

const ProcedureRegistration procedures{{"readpages", kSmallStack, readpages}};

enum Control : int {
  cDomain = 5,
  cLocalDir = 9,
  cSubDir = 13,
  cReading = 19,
  cFileCount = 21,
  cStatus = 22,
  cCount = 23,
  cGo = 24,
  cOk = 25,
  cClose = 26,
  cHelp = 27,
};

const rt::WindowTable& windowTable() {
  using K = rt::ControlKind;
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "readpages",
      .title = "Read Multiple Web Pages",
      .controls =
          {
              {1, K::Prompt, "Do These Simple Steps:"},
              {2, K::Prompt, "Step 1:"},
              {3, K::Prompt, "Enter the Domain Name that you wish to read in:"},
              {4, K::Prompt, "Domain Name:"},
              {cDomain, K::Entry, "", 0, nullptr, "@s50",
               "Enter just the domain name.  An example would be: tarnwalks.example"},
              {6, K::Prompt, "Step 2:"},
              {7, K::Prompt, "Enter the LOCAL directory where the pages are stored:"},
              {8, K::Prompt, "Default Local Dir:"},
              {cLocalDir, K::Entry, "", 0, nullptr, "@s80",
               "Be sure to include drive letter in path."},
              {10, K::Prompt, "Step 3:"},
              {11, K::Prompt,
               "Enter an OPTIONAL sub directory where other html files may be stored:"},
              {12, K::Prompt, "OPTIONAL Sub Directory:"},
              {cSubDir, K::Entry, "", 0, nullptr, "@s30"},
              {14, K::Prompt, "Step 4:"},
              {15, K::Prompt, "(Press the GO button to begin reading in your files.)"},
              {16, K::Prompt,
               "Do steps 1, 2 & 4 for the main directory. Then add the subdirectories (step "
               "3) as needed."},
              {17, K::Prompt,
               "Use this Reader program when reading a site for the first time. Existing "
               "webpage records for the domain will be overwritten!"},
              {18, K::Prompt, "Reading File:"},
              {cReading, K::Entry, "", 0, nullptr, "@s80"},
              {20, K::Prompt, "File Count:"},
              {cFileCount, K::Entry, "", 0, nullptr, "@n-14"},
              {cStatus, K::Entry, "", 0, nullptr, "@s100"},
              {cCount, K::Entry, "", 0, nullptr, "@s20"},
              {cGo, K::Button, "GO!", 0, nullptr, "",
               "Pressing this button will start the process of reading in your pages."},
              {cOk, K::Button, "OK"},
              {cClose, K::Button, "Close"},
              {cHelp, K::Button, "Help"},
          },
      .buttons = {{cOk, rt::ButtonRole::Close},
                  {cClose, rt::ButtonRole::Close},
                  {cHelp, rt::ButtonRole::Help}},
  };
  return t;
}

rt::WindowDesc windowDesc() {
  rt::WindowDesc d = rt::DescribeWindow(windowTable(), rt::WindowKind::MdiChild);
  for (rt::ControlDesc& c : d.controls)
    if (c.number == cReading || c.number == cFileCount || c.number == cStatus || c.number == cCount)
      c.readOnly = true;
  return d;
}

class ReadPagesWindow : public rt::WindowController {
 public:
  ReadPagesWindow() : WindowController(windowDesc(), "readpages") {
    bind(cDomain, domainname);
    bind(cLocalDir, localdir);
    bind(cSubDir, subdir);
    bind(cReading, htmlfilename);
    bind(cFileCount, filecount);
    bind(cStatus, statustext);
    bind(cCount, counttext);
  }

  rt::Flow Setup() override {
    rt::setCurrentProcedure("readpages");
    setRequest(static_cast<rt::Request>(CallRequest));
    CallRequest = 0;
    CallResponse = 0;
    domainname.clear();
    localdir.clear();
    subdir.clear();
    const rt::Flow f = WindowController::Setup();
    if (f == rt::Flow::Fatal) return f;
    window()->setTitle(request() == rt::Request::Insert   ? "Record Will Be Added"
                       : request() == rt::Request::Change ? "Record Will Be Changed"
                                                          : "");
    return f;
  }

  rt::Flow OnAccepted() override {
    const rt::Flow f = WindowController::OnAccepted();
    if (f != rt::Flow::Continue || closing()) return f;
    if (control() == cDomain) {
      defaultDirectory();
      RefreshItems();
    } else if (control() == cGo) {
      UpdateItemValues();
      {
        rt::BusyWindow busy(*window());
        ReadDomainPages();
      }
      RefreshItems();
      window()->selectControl(cClose);
    }
    return f;
  }

  rt::Flow Teardown() override {
    const rt::Flow f = WindowController::Teardown();
    rt::setCurrentProcedure("");
    return f;
  }

 private:
  // The domain's own local directory when the domain is known. Domains is open for the
  // look-up only, so that an idle reader holds no file another program may want to write.
  static void defaultDirectory() {
    pagereading::OpenFile domains(DomainsManager);
    if (!domains.ok()) return;
    DOM.DOMAINNAME = domainname.clip();
    if (DomainsManager->TryFetch(DOM_name) == rt::Status::Ok) localdir = DOM.DEFAULTLOCALDIR;
  }
};

constexpr char kReadCaption[] = "Parse HTML File";
constexpr char kNoDirectory[] = "Cannot find that directory: ";

// The domain of the run, added when it is not in Domains yet.
void addDomain() {
  DOM.DOMAINNAME = domainname.clip();
  if (Domains.get(DOM_name)) return;
  static_cast<DomainsBuffer&>(DOM) = DomainsBuffer{};
  DOM.DOMAINNAME = domainname.clip();
  DOM.DEFAULTLOCALDIR = localdir.clip();
  DOM.DEFAULTWEBPATH = "http://www." + std::string(domainname.clip());
  if (!Domains.add()) {
    DomainsManager->RaiseError(rt::MessageId::RecordNotAdded);
    return;
  }
  rt::ShowMessageBox(
      "Your domain has been added to the Domains file. |Please update the record when "
      "returning to Tarnwick.",
      std::string(domainname.clip()) + " Domain Added");
}

// What a run did with the files it listed, for its closing word.
struct RunTally {
  std::size_t found = 0;
  std::size_t stored = 0;
  std::vector<std::string> missing;  // a line each: the file and why its page is not stored
  // The page paths taken in this run, as their key compares them, and the file of each.
  std::map<std::string, std::string> taken;
  // The files read into the group not committed yet, with their taken paths.
  std::vector<std::pair<std::string, std::string>> pending;
};

std::string counted(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// "HTML file read done." only when every file listed has its page stored.
std::string closingWord(const RunTally& t) {
  if (t.missing.empty() && t.stored == t.found) return "HTML file read done.";
  std::string text = "HTML file read ended: " + counted(t.found, "file") + " found, " +
                     counted(t.stored, "page") + " stored.";
  if (t.missing.empty()) return text;
  text += "|Not stored:";
  // A box of a few lines; the rest are counted.
  constexpr std::size_t kListed = 10;
  for (std::size_t i = 0; i < t.missing.size() && i < kListed; ++i) text += "|" + t.missing[i];
  if (t.missing.size() > kListed)
    text += "|and " + std::to_string(t.missing.size() - kListed) + " more.";
  return text;
}

// One entry of the listing: its page record built, its details replaced. A file that cannot
// be taken is told on the status line and in the tally, and leaves its page as it was.
void readEntry(const rt::DirEntry& entry, pagereading::TempCopy& copy, pagereading::Redraw& redraw,
               RunTally& tally) {
  // The whole name: htmlfilename keeps 80 characters of it.
  const std::string local = rt::joinPath(localdir.clip(), entry.NAME);
  htmlfilename = local;
  ++filecount;
  redraw.page();
  htmllinecount = 1;
  auto notTaken = [&](const std::string& status, const std::string& why) {
    statustext = status;
    tally.missing.push_back(local + ": " + why);
    redraw.page();
    htmlfilename.clear();
  };

  const std::string path = std::string(webbase.clip()) + "/" + entry.NAME;
  const bool cut = path.size() > WEB.PAGEPATH.width();
  // Another file of the run whose page this one would replace: its field keeps the same
  // path, which the key compares without case.
  const std::string key = rt::UPPER(decltype(WEB.PAGEPATH)(path).clip());
  if (const auto other = tally.taken.find(key); other != tally.taken.end()) {
    if (cut)
      notTaken("Not read, another file has its cut page path: " + local,
               "its page path, cut to 80 characters, is that of " + other->second);
    else
      notTaken("Not read, another file has its page path: " + local,
               "its page path is that of " + other->second + " but for case");
    return;
  }

  pagereading::OpenFile page(DOSManager, local);
  if (!page.ok()) {
    const std::string why = rt::errors().text;
    notTaken("Cannot open " + local + ": " + why, "cannot be opened: " + why);
    return;
  }

  WEB.PAGEPATH = path;
  const bool found = WebPages.get(WEB_Path);
  if (!found) {
    static_cast<WebPagesBuffer&>(WEB) = WebPagesBuffer{};
    WEB.PAGEPATH = path;
  }
  WEB.PAGENAME = subdir.blank() ? entry.NAME : std::string(subdir.clip()) + "/" + entry.NAME;
  WEB.DOMAINNAME = domainname.clip();
  WEB.LOCALPATH = local;
  WEB.LOCALDEFAULTDIRECTORY = localdir.clip();
  WEB.FILEDATETIME = pagereading::DateTimeText(entry.DATE, entry.TIME);
  WEB.FILESIZE = static_cast<std::int32_t>(std::min<std::int64_t>(entry.SIZE, INT32_MAX));
  WEB.PAGEREADDATE = pagereading::DateTimeText(rt::TODAY(), rt::CLOCK());

  // The page is written once, after its last line; a page already stored whose file gave
  // no line keeps its record as it was.
  auto store = [found](long lines) {
    if (found && lines == 0) return true;
    return found ? WebPages.put() : WebPages.add();
  };
  pagereading::Progress progress;
  const pagereading::PageResult result =
      pagereading::ReplacePageDetails(page, copy, progress, redraw, store, WebPagesManager);
  counttext.clear();
  if (result.outcome == pagereading::Outcome::Done) {
    statustext = std::string(htmlfilename.clip()) + "  file reading done.";
    tally.taken.emplace(key, local);
    tally.pending.emplace_back(local, key);
    redraw.page();
    htmlfilename.clear();
  } else if (result.outcome == pagereading::Outcome::Stop) {
    notTaken(local + ": " + result.stopText, "not stored: " + result.stopText);
  } else {
    const std::string why = rt::errors().text;
    notTaken("Not stored: " + local + ": " + why, "not stored: " + why);
  }
}

}  // namespace

void readpages() {
  ReadPagesWindow w;
  w.Run();
}

void ReadDomainPages() {
  pagereading::Redraw redraw(true);
  rt::yieldToOthers();
  if (readconfirmed.blank()) {
    const int answer = rt::ShowMessageBox("Are you sure you wish to read in the Web Pages?",
                                          "Reading Confirmation", rt::MessageIcon::Exclamation,
                                          rt::button::Yes | rt::button::No);
    if (answer != rt::button::Yes) {
      readconfirmed.clear();
      return;
    }
    readconfirmed = "Y";
    redraw.now();
  }
  rt::yieldToOthers();
  filecount = 0;
  statustext.clear();
  redraw.now();

  if (domainname.blank() || localdir.blank()) {
    rt::ShowMessageBox("Cannot continue. Need both Domain Name and Local Directory Path.",
                       "ERROR:Need Data");
    readconfirmed.clear();
    return;
  }
  readdir = localdir;
  if (!rt::FileExists(localdir.clip())) {
    rt::ShowMessageBox(std::string(kNoDirectory) + std::string(localdir.raw()), "Huh?");
    return;
  }
  statustext.clear();
  readdir =
      subdir.blank() ? std::string(localdir.clip()) : rt::joinPath(localdir.clip(), subdir.clip());
  localdir = readdir;
  if (!rt::FileExists(readdir.clip())) {
    rt::ShowMessageBox(std::string(kNoDirectory) + std::string(readdir.raw()), "Huh?");
    return;
  }
  statustext.clear();
  webbase = "http://www." + std::string(domainname.clip()) +
            (subdir.blank() ? std::string() : "/" + std::string(subdir.clip()));

  statustext = "Preparing to read pages...";
  redraw.now();
  RunTally tally;
  std::string closing;
  {
    pagereading::OneRunAtATime gate;
    // A file that cannot be written (tarnwick holds it, the disk is full, ...) stops the run
    // with one message before anything is written, rather than a refusal per page.
    const auto& d = pagereading::PageDetailFiles();
    pagereading::OpenedFiles writable({DomainsManager, WebPagesManager, *d[0].manager,
                                       *d[1].manager, *d[2].manager, *d[3].manager, *d[4].manager},
                                      "The pages were not read; nothing was changed.");
    if (!writable.ok()) {
      statustext = "The pages were not read (" + writable.failed() + ").";
      redraw.now();
      return;
    }
    // Every file the run opens is closed again when it ends.
    pagereading::OpenFile domains(DomainsManager);
    pagereading::OpenFile pages(WebPagesManager);
    pagereading::DetailFiles details;
    pagereading::TempCopy copy;
    pagereading::BulkWrites bulk{&WebPages, &WPLinks, &WPScripts, &WPForm, &WPIMG, &WPMeta};
    counttext = "2";
    statustext = pagereading::kClearing;
    redraw.now();
    if (domains.ok()) addDomain();
    if (pages.ok()) {
      const std::vector<rt::DirEntry> entries =
          rt::ListDirectory(rt::joinPath(localdir.clip(), "*.htm"));
      tally.found = entries.size();
      // A group that cannot begin or be committed ends the run with its message.
      pagereading::PageGroup group(WebPagesManager, rt::MessageId::RecordNotAdded);
      bool stored = true;
      auto commit = [&] {
        stored = group.commit();
        if (stored) tally.stored += tally.pending.size();
        for (const auto& [file, key] : tally.pending) {
          if (stored) break;
          tally.missing.push_back(file + ": not stored: " + group.failure());
          tally.taken.erase(key);
        }
        tally.pending.clear();
        return stored;
      };
      bool going = group.begin();
      std::size_t listed = 0;
      for (auto e = entries.rbegin(); going && e != entries.rend(); ++e) {
        if (group.due()) going = commit() && group.begin();
        if (!going) break;
        readEntry(*e, copy, redraw, tally);
        ++listed;
      }
      if (going) commit();
      group.abandon();
      if (listed < entries.size())
        tally.missing.push_back(counted(entries.size() - listed, "more file") + " not read.");
      // The status line said each of the group's pages was read; none of them is kept.
      if (!stored) statustext = "The last pages read were not stored: " + group.failure();
      closing = closingWord(tally);
    } else {
      statustext = "The web pages cannot be opened: " + rt::errors().text;
      closing = "The pages were not read.|" + std::string(statustext.clip());
    }
  }
  redraw.now();
  rt::ShowMessageBox(closing, kReadCaption);
}
