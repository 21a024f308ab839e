// Changes that span data files, killed at each of their commit points: each real operation
// runs in a child process (this program, re-run in child mode) over real files; the child
// dies by SIGKILL at the k-th point, and the files, opened again through the dictionary, must
// hold every page with all its details as before or as after, and nothing orphaned.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "common/Procedures.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "pages/GlobalChanges.h"
#include "pages/PageMaintenance.h"
#include "pages/ParseHtmlFile.h"
#include "reader/ReadPages.h"
#include "runtime/text/Dates.h"
#include "runtime/ui/MessageBox.h"
#include "tarnfix/Repair.h"
#include "tests/support/CommitHooks.h"
#include "tests/support/TestDriver.h"

namespace {

namespace fs = std::filesystem;

constexpr char kChildMode[] = "--crash-child";
constexpr char kBig[] = "big.example";
constexpr char kOther[] = "other.example";
constexpr char kRead[] = "read.example";
constexpr int kPages = 3;
constexpr int kDetailsEach = 2;  // per page in each detail file
constexpr int kSitePages = 20;
constexpr int kSiteLinks = 1500;

// A page holding one record of every kind of detail.
const char* const kPageLines[] = {
    "<html><head><TITLE>Tarn</TITLE>",
    "<meta name=\"keywords\" content=\"tarn\">",
    "<SCRIPT language=\"javascript\">",
    "var a = 1;",
    "</script></head>",
    "<body><IMG SRC=\"/tarn.jpg\">",
    "<a href=\"walks.htm\">Walks</a>",
    "<form action=\"/cgi-bin/mail\"></form></body></html>",
};

// The page, with `links` more links: a site of such pages takes the reading long enough for
// the clock to cut it into several groups, most runs.
void writePage(const fs::path& file, int links = 0) {
  std::ofstream out(file, std::ios::binary);
  for (const char* l : kPageLines) out << l << "\n";
  for (int i = 0; i < links; ++i) out << "<a href=\"more" << i << ".htm\">More</a>\n";
}

std::string pagePath(const char* domain, int page) {
  return std::string("http://www.") + domain + "/page" + std::to_string(page) + ".htm";
}

std::vector<DictRelation> detailLinks() {
  std::vector<DictRelation> out;
  for (const DictRelation& r : DictionaryRelations())
    if (r.parent == &WebPagesDesc()) out.push_back(r);
  return out;
}

rt::FileManager* managerOf(const rt::FileDesc& desc) {
  for (rt::FileManager* m : {DomainsManager, WebPagesManager, WPMetaManager, WPLinksManager,
                             WPIMGManager, WPFormManager, WPScriptsManager})
    if (&m->keyedFile()->desc() == &desc) return m;
  return nullptr;
}

const std::vector<const rt::FileDesc*>& pageFiles() {
  static const std::vector<const rt::FileDesc*> files = [] {
    std::vector<const rt::FileDesc*> out = {&DomainsDesc(), &WebPagesDesc()};
    for (const DictRelation& r : detailLinks()) out.push_back(r.child);
    return out;
  }();
  return files;
}

// Two domains with their pages and details, a third domain without any; the page files of
// the parser and of the directory reading lie outside the data files' directory.
void makeData(const fs::path& outside) {
  DictionaryInit();
  for (const rt::FileDesc* d : pageFiles()) ASSERT_TRUE(managerOf(*d)->keyedFile()->create());
  for (const rt::FileDesc* d : pageFiles()) ASSERT_EQ(managerOf(*d)->TryOpen(), rt::Status::Ok);
  for (const char* domain : {kBig, kOther, kRead}) {
    DOM.DOMAINNAME = domain;
    ASSERT_TRUE(Domains.add()) << rt::errors().text;
  }
  for (const char* domain : {kBig, kOther})
    for (int p = 0; p < kPages; ++p) {
      WEB.DOMAINNAME = domain;
      WEB.PAGENAME = "page" + std::to_string(p) + ".htm";
      WEB.PAGEPATH = pagePath(domain, p);
      WEB.LOCALPATH = (outside / "parse.htm").string();
      ASSERT_TRUE(WebPages.add()) << rt::errors().text;
      for (const DictRelation& r : detailLinks()) {
        rt::KeyedFile& f = *managerOf(*r.child)->keyedFile();
        const rt::FieldDesc& link = r.child->fields[r.childField];
        for (int i = 0; i < kDetailsEach; ++i) {
          rt::assignPadded(static_cast<char*>(f.record()) + link.offset, link.size,
                           pagePath(domain, p));
          ASSERT_TRUE(f.add()) << rt::errors().text;
        }
      }
    }
  for (const rt::FileDesc* d : pageFiles()) managerOf(*d)->CloseFile();
  DictionaryKill();
  writePage(outside / "parse.htm");
  fs::create_directories(outside / "site");
  for (int p = 0; p < kSitePages; ++p)
    writePage(outside / "site" / ("page" + std::to_string(p) + ".htm"), kSiteLinks);
}

// ---- the child: one operation as a user runs it, every box answered ----

struct Child {
  rt::TestDriver driver;
  std::ofstream shown;

  // Answers each box as it comes (Yes to a question, else OK) and writes it down.
  void answerBoxes() {
    for (;;) {
      driver.pump();
      QMessageBox* box = driver.messageBox();
      if (!box) return;
      shown << driver.messageCaption(box) << ": " << driver.messageText(box) << "\n" << std::flush;
      if (!driver.answer("Yes")) driver.answer("OK");
    }
  }
};

void cascadeDelete(Child& c) {
  c.driver.start([] {
    DomainsRelations->OpenFiles();
    DOM.DOMAINNAME = kBig;
    if (DomainsManager->FetchByKey(DOM_name) == rt::Status::Ok) DomainsRelations->DeleteRecord();
    DomainsRelations->CloseFiles();
  });
  c.answerBoxes();
}

// As the page form's "Auto Read Web Page" runs it, with the form's page in the buffer.
void parsePage(Child& c) {
  c.driver.start([] {
    WebPagesManager->TryOpen();
    WEB.PAGEPATH = pagePath(kBig, 1);
    const bool found = WebPagesManager->FetchByKey(WEB_Path) == rt::Status::Ok;
    WebPagesManager->CloseFile();
    if (found) ParseHtmlFile();
  });
  c.answerBoxes();
}

void readDirectory(Child& c, const std::string& outside) {
  c.driver.start(readpages, 25000, "readpages");
  rt::Window* w = c.driver.waitForWindow("readpages");
  if (!w) return;
  constexpr int cDomain = 5, cLocalDir = 9, cGo = 24, cClose = 26;
  c.driver.type(w, cDomain, kRead);
  c.driver.type(w, cLocalDir, outside + "/site");
  c.driver.press(w, cGo);
  c.answerBoxes();
  c.driver.press(w, cClose);
}

// The deletion window: the domain typed where the focus is, Tab, then the space bar on Run.
void deleteByDomain(Child& c) {
  c.driver.start([] { RunPageDeletion(TarnwickPageDeletion()); });
  if (!c.driver.waitForWindow("delpages")) return;
  c.driver.typeKeys(kBig);
  c.driver.hitKey(Qt::Key_Tab);
  c.driver.hitKey(Qt::Key_Space);
  c.answerBoxes();
  c.driver.hitKey(Qt::Key_Escape);
}

// The page reader, which this program is, does not start the local path change by name.
const ProcedureRegistration localPathProcess{{"ChgLoPath", kSmallStack, &pages::ChgLoPath}};

// The local path window: the domain and the directory typed where the focus is, Tab past
// "Close Window", the space bar on "Process Records Now"; its close box once that has run.
void changeLocalPaths(Child& c) {
  c.driver.start(pages::ChgLoPaWindow, 25000, "ChgLoPaWindow");
  rt::Window* w = c.driver.waitForWindow("ChgLoPaWindow");
  if (!w) return;
  c.driver.typeKeys(kBig);
  c.driver.hitKey(Qt::Key_Tab);
  c.driver.typeKeys("/sites/moved");
  c.driver.hitKey(Qt::Key_Tab);
  c.driver.hitKey(Qt::Key_Tab);
  c.driver.hitKey(Qt::Key_Space);
  c.answerBoxes();
  c.driver.close(w);
}

// Holds the pages file as the page browse does while the file dialog of "Save as PDF" lists
// the working directory and is cancelled; then, told to by the parent, stores a page and
// waits to be killed.
void holdThroughFileDialog(Child& c, const std::string& outside) {
  c.driver.start([] {
    WebPagesManager->TryOpen();
    WebPagesManager->keyedFile()->setRecordOrder();
    WebPagesManager->keyedFile()->next();
    rt::FileDialog({"Save as PDF", "PDF files|*.pdf", "", "report.pdf", true});
  });
  if (!c.driver.waitForFileDialog()) return;
  c.driver.waitUntil([] { return false; }, 1500);  // its model reads the directory meanwhile
  c.driver.hitKey(Qt::Key_Escape);
  if (!c.driver.waitUntil([] { return rt::openFileDialogs().empty(); })) return;
  std::ofstream(outside + "/ready");
  if (!c.driver.waitUntil([&] { return fs::exists(outside + "/go"); }, 20000)) return;
  bool added = false;
  c.driver.start([&added] {
    WEB.DOMAINNAME = kRead;
    WEB.PAGENAME = "stored.htm";
    WEB.PAGEPATH = "http://www.read.example/stored.htm";
    added = WebPagesManager->TryInsert() == rt::Status::Ok;
  });
  c.answerBoxes();
  std::ofstream(outside + "/added") << (added ? "y" : "n");
  for (;;) ::pause();
}

// Opens every page file through the dictionary as a program starting again does (an
// interrupted change is undone or finished here) and closes it, on a procedure thread so
// that whatever it tells the user is answered and written down.
void reopenFiles(Child& c, int& failed) {
  c.driver.start([&c, &failed] {
    for (const rt::FileDesc* d : pageFiles()) {
      if (managerOf(*d)->TryOpen() != rt::Status::Ok) {
        c.shown << d->label << " not opened: " << rt::errors().text << "\n";
        failed = 1;
      }
      managerOf(*d)->CloseFile();
    }
  });
  c.answerBoxes();
}

int runChild(const std::string& operation, const std::string& outside) {
  // A disk that fills: no file may grow past the limit, and a write past it fails as one on
  // a full disk does.
  if (const char* limit = std::getenv("TW_FILE_SIZE_LIMIT")) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlim_t bytes = std::strtoull(limit, nullptr, 10);
    const rlimit r{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &r);
  }
  rt::setClockProvider([] {
    return rt::ClockReading{rt::dateFromYmd(2026, 12, 9), rt::timeFromHms(9, 5)};
  });
  DictionaryInit();
  ProgramErrors.Init();
  int failed = 0;
  {
    Child c;
    c.shown.open(outside + "/shown.txt", std::ios::app);
    if (operation == "cascade") cascadeDelete(c);
    if (operation == "parse") parsePage(c);
    if (operation == "read") readDirectory(c, outside);
    if (operation == "bydomain") deleteByDomain(c);
    if (operation == "localpath") changeLocalPaths(c);
    if (operation == "reopen") reopenFiles(c, failed);
    if (operation == "dialog") holdThroughFileDialog(c, outside);
    c.driver.waitForThreadsToEnd();
  }
  ProgramErrors.Kill();
  DictionaryKill();
  return failed;
}

// ---- the parent ----

struct ChildRun {
  bool killed = false;  // by SIGKILL
  int exitCode = -1;    // when it ended by itself
  std::string shown;    // the boxes it answered
  int points = 0;       // commit points it reached, when counted
};

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The operation started in a child over the data files of `data`, with the hooks given.
pid_t startOperation(const std::string& operation, const fs::path& data, const fs::path& outside,
                     const std::vector<std::string>& hooks) {
  fs::remove(outside / "shown.txt");
  const fs::path points = outside / "points.txt";
  fs::remove(points);
  std::vector<std::string> env = hooks;
  env.push_back("TW_CHANGE_POINTS=" + points.string());
  env.push_back("QT_QPA_PLATFORM=offscreen");
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "TW_", 3) != 0 && std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
      env.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = fs::read_symlink("/proc/self/exe").string();
  std::string mode = kChildMode;
  std::string op = operation;
  std::string where = outside.string();
  char* argv[] = {self.data(), mode.data(), op.data(), where.data(), nullptr};
  const std::string dir = data.string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) == 0) ::execve(self.c_str(), argv, envp.data());
    ::_exit(127);
  }
  return pid;
}

// The operation run to its end (or its kill) in a child.
ChildRun runOperation(const std::string& operation, const fs::path& data, const fs::path& outside,
                      const std::vector<std::string>& hooks) {
  const pid_t pid = startOperation(operation, data, outside, hooks);
  const fs::path points = outside / "points.txt";
  ChildRun r;
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return r;
  r.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  r.shown = readAll(outside / "shown.txt");
  std::ifstream in(points);
  for (std::string line; std::getline(in, line);) ++r.points;
  return r;
}

struct Db {
  explicit Db(const fs::path& file) {
    EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  }
  ~Db() { sqlite3_close_v2(db); }
  // Each row's first column, and the rest joined.
  std::vector<std::pair<std::string, std::string>> rows(const std::string& sql) const {
    std::vector<std::pair<std::string, std::string>> out;
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sql;
    while (sqlite3_step(s) == SQLITE_ROW) {
      auto text = [&](int c) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
        return std::string(t ? t : "<null>");
      };
      std::string rest;
      for (int c = 1; c < sqlite3_column_count(s); ++c) rest += text(c) + "|";
      out.emplace_back(text(0), rest);
    }
    sqlite3_finalize(s);
    return out;
  }
  sqlite3* db = nullptr;
};

std::string columnOf(const rt::FileDesc& desc, int field) {
  const std::string& name = desc.fields[field].name;
  return name.substr(name.find(':') + 1);
}

// The records of the page files by their owners: a domain's own record, and each page's
// record with all its details (a page path's details alone when the page is missing).
using Snapshot = std::map<std::string, std::string>;

Snapshot snapshot(const fs::path& data) {
  Snapshot out;
  const auto file = [&](const rt::FileDesc& d) { return data / (d.diskName + ".db"); };
  for (const auto& [name, row] :
       Db(file(DomainsDesc())).rows("SELECT upper(DOMAINNAME), * FROM Domains"))
    out["domain " + name] += row;
  std::map<std::string, std::vector<std::string>> pages;
  for (const auto& [path, row] :
       Db(file(WebPagesDesc())).rows("SELECT upper(PAGEPATH), * FROM WebPages"))
    pages[path].push_back("page " + row);
  for (const DictRelation& r : detailLinks())
    for (const auto& [path, row] : Db(file(*r.child))
                                       .rows("SELECT upper(" + columnOf(*r.child, r.childField) +
                                             "), * FROM " + r.child->label))
      pages[path].push_back(r.child->label + " " + row);
  for (auto& [path, rows] : pages) {
    std::sort(rows.begin(), rows.end());
    for (const std::string& row : rows) out["page " + path] += row + "\n";
  }
  return out;
}

std::string stateOf(const Snapshot& s, const std::string& owner) {
  const auto it = s.find(owner);
  return it == s.end() ? std::string("<none>") : it->second;
}

std::vector<std::string> ownersOf(const std::vector<const Snapshot*>& snapshots) {
  std::map<std::string, bool> owners;
  for (const Snapshot* s : snapshots)
    for (const auto& [owner, rows] : *s) owners[owner] = true;
  std::vector<std::string> out;
  for (const auto& [owner, unused] : owners) out.push_back(owner);
  return out;
}

// Every file sound, and no record without its parent.
void checkSound(const fs::path& data) {
  for (const auto& e : fs::directory_iterator(data)) {
    if (e.path().extension() != ".db") continue;
    const auto lines = Db(e.path()).rows("PRAGMA integrity_check");
    ASSERT_EQ(lines.size(), 1u) << e.path();
    EXPECT_EQ(lines[0].first, "ok") << e.path();
  }
  {
    const fs::path old = fs::current_path();
    fs::current_path(data);
    for (const rt::FileDesc* d : pageFiles()) {
      std::string why;
      EXPECT_EQ(tarnfix::orphans(*d, false, why), 0) << d->label << " " << why;
    }
    fs::current_path(old);
  }
}

// What must hold after the files are opened again, whatever moment the child died at.
void checkRecovered(const fs::path& data, const Snapshot& before, const Snapshot& after,
                    bool singleChange) {
  checkSound(data);
  const Snapshot now = snapshot(data);
  for (const std::string& owner : ownersOf({&before, &after, &now})) {
    const std::string state = stateOf(now, owner);
    EXPECT_TRUE(state == stateOf(before, owner) || state == stateOf(after, owner))
        << owner << " is neither as before nor as after:\n"
        << state;
  }
  if (singleChange) {
    EXPECT_TRUE(now == before || now == after) << "the change half done";
  }
}

struct Operation {
  const char* name;
  bool singleChange;  // one change across the files, rather than one per page or group
  bool deletionsOnly;
};
void PrintTo(const Operation& op, std::ostream* out) {
  *out << op.name;
}

class CrashTest : public ::testing::TestWithParam<Operation> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/twcrashXXXXXX";
    base_ = ::mkdtemp(tmpl);
    outside_ = base_ / "outside";
    fs::create_directories(base_ / "template");
    fs::create_directories(outside_);
    const fs::path old = fs::current_path();
    fs::current_path(base_ / "template");
    makeData(outside_);
    fs::current_path(old);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  // A fresh copy of the data files.
  fs::path fresh(const std::string& name) {
    const fs::path dir = base_ / name;
    fs::remove_all(dir);
    fs::copy(base_ / "template", dir, fs::copy_options::recursive);
    return dir;
  }
  ChildRun run(const fs::path& data, const std::vector<std::string>& hooks = {}) {
    return runOperation(GetParam().name, data, outside_, hooks);
  }
  // The files opened again by a fresh program, as at its next start; what it showed.
  std::string reopen(const fs::path& data) {
    const ChildRun r = runOperation("reopen", data, outside_, {});
    EXPECT_EQ(r.exitCode, 0) << r.shown;
    return r.shown;
  }

  fs::path base_, outside_;
};

TEST_P(CrashTest, KilledAtEveryCommitPointLeavesEachPageWholeAndNothingOrphaned) {
  const Operation& op = GetParam();
  const Snapshot before = snapshot(base_ / "template");
  const fs::path whole = fresh("whole");
  const ChildRun counted = run(whole);
  ASSERT_EQ(counted.exitCode, 0) << counted.shown;
  ASSERT_GT(counted.points, 0) << "the operation reached no commit point";
  reopen(whole);
  const Snapshot after = snapshot(whole);
  int changed = 0;
  for (const std::string& owner : ownersOf({&before, &after}))
    changed += stateOf(before, owner) != stateOf(after, owner);
  ASSERT_GT(changed, 0) << "the operation changed nothing";
  std::cout << "[ points   ] " << op.name << ": " << counted.points << " points, " << changed
            << " owners changed\n";
  // The pages of a reading or of a deletion by domain are committed in groups that the clock
  // cuts, so another run may reach more or fewer points: k goes on until a run ends first.
  for (int k = 1;; ++k) {
    SCOPED_TRACE("killed at point " + std::to_string(k));
    ASSERT_LE(k, 20 * counted.points) << "the run never ends";
    const fs::path data = fresh("k" + std::to_string(k));
    const ChildRun killed = run(data, {"TW_KILL_AT=" + std::to_string(k)});
    if (!killed.killed) {
      ASSERT_EQ(killed.exitCode, 0) << killed.shown;
      if (op.singleChange) {
        EXPECT_EQ(k, counted.points + 1) << "a run with other commit points";
      }
      reopen(data);
      EXPECT_EQ(snapshot(data), after);
      break;
    }
    const std::string said = reopen(data);
    if (!said.empty()) std::cout << "[ at start ] " << op.name << " k=" << k << ": " << said;
    checkRecovered(data, before, after, op.singleChange);
    fs::remove_all(data);
  }
}

// A change is either carried out whole or reported and taken back: what the user is told
// matches what is stored. A change of additions must fail; one of deletions only retries a
// failed commit once it is decided.
TEST_P(CrashTest, FailedSecondCommitLeavesTheFilesAsTheUserIsTold) {
  const Operation& op = GetParam();
  const Snapshot before = snapshot(base_ / "template");
  const fs::path whole = fresh("whole");
  ASSERT_EQ(run(whole).exitCode, 0);
  reopen(whole);
  const Snapshot after = snapshot(whole);

  const fs::path data = fresh("failed");
  const ChildRun failed = run(data, {"TW_FAIL_COMMIT=2"});
  ASSERT_EQ(failed.exitCode, 0) << failed.shown;
  reopen(data);
  checkRecovered(data, before, after, op.singleChange);
  const Snapshot now = snapshot(data);
  std::size_t asBefore = 0;  // owners the change would have changed, left as they were
  for (const std::string& owner : ownersOf({&before, &after}))
    asBefore += stateOf(before, owner) != stateOf(after, owner) &&
                stateOf(now, owner) == stateOf(before, owner);
  const bool reported = failed.shown.find("Record Was Not") != std::string::npos;
  std::cout << "[ observed ] " << op.name << ": " << (reported ? "reported" : "nothing reported")
            << "; "
            << (now == before  ? "files as before"
                : now == after ? "files as after"
                               : std::to_string(asBefore) + " owners as before, the rest after")
            << "\n";
  if (!op.deletionsOnly) {
    EXPECT_TRUE(reported) << failed.shown;
  }
  if (!reported) {
    EXPECT_EQ(now, after) << "nothing said, yet the change was not carried out";
  } else if (op.singleChange) {
    EXPECT_EQ(now, before) << failed.shown;
  } else {
    EXPECT_GE(asBefore, 1u) << "reported, yet the failed change was kept";
  }
}

// The disk fills during the reading of a directory: what the run stored stays whole, what
// failed is told and taken back, and the files settle, while the disk is still full and again
// once there is room, with no page missing a detail and no detail without its page.
TEST_F(CrashTest, AReadThatFillsTheDiskLeavesEveryPageWholeAndNothingOrphaned) {
  const Snapshot before = snapshot(base_ / "template");
  const fs::path whole = fresh("whole");
  ASSERT_EQ(runOperation("read", whole, outside_, {}).exitCode, 0);
  reopen(whole);
  const Snapshot after = snapshot(whole);
  std::uintmax_t largest = 0;
  for (const auto& e : fs::directory_iterator(whole)) largest = std::max(largest, e.file_size());
  for (const std::uintmax_t limit : {largest / 8, largest / 3}) {
    SCOPED_TRACE("files limited to " + std::to_string(limit) + " bytes");
    const fs::path data = fresh("full" + std::to_string(limit));
    const std::string full = "TW_FILE_SIZE_LIMIT=" + std::to_string(limit);
    const ChildRun r = runOperation("read", data, outside_, {full});
    ASSERT_EQ(r.exitCode, 0) << r.shown;
    std::cout << "[ observed ] limit " << limit << ": " << r.shown;
    EXPECT_NE(r.shown.find("disk is full"), std::string::npos) << r.shown;
    const ChildRun stillFull = runOperation("reopen", data, outside_, {full});
    EXPECT_EQ(stillFull.exitCode, 0) << stillFull.shown;
    checkSound(data);
    reopen(data);
    checkRecovered(data, before, after, false);
    EXPECT_TRUE(Db(data / "CHANGES.db").rows("SELECT file FROM part").empty());
  }
  // Killed with a group's pages and some of their details committed, then started again on
  // a disk with room for taking back a few pages but not their many links.
  constexpr std::uintmax_t kRoomForAFewPages = 64 * 1024;
  for (int k = 1; k <= 4; ++k) {
    SCOPED_TRACE("killed at point " + std::to_string(k));
    const fs::path data = fresh("killed" + std::to_string(k));
    ASSERT_TRUE(runOperation("read", data, outside_, {"TW_KILL_AT=" + std::to_string(k)}).killed);
    runOperation("reopen", data, outside_,
                 {"TW_FILE_SIZE_LIMIT=" + std::to_string(kRoomForAFewPages)});
    {
      // Taken back as far as the room allowed: each record as it was or as it will be.
      SCOPED_TRACE("the disk still full");
      checkSound(data);
    }
    reopen(data);
    SCOPED_TRACE("room again");
    checkRecovered(data, before, after, false);
  }
}

bool waitForFile(const fs::path& file) {
  for (int i = 0; i < 400 && !fs::exists(file); ++i) ::usleep(50'000);
  return fs::exists(file);
}

// Qt's file dialog opens and closes the files it lists: the locks of the files the page
// reader holds must stay, so that the sqlite3 shell leaves their log alone and a page stored
// afterwards survives a kill.
TEST_F(CrashTest, TheFileDialogLeavesTheHeldFilesLocked) {
  const fs::path data = fresh("dialog");
  const pid_t pid = startOperation("dialog", data, outside_, {});
  ASSERT_TRUE(waitForFile(outside_ / "ready")) << readAll(outside_ / "shown.txt");
  const fs::path pages = data / (WebPagesDesc().diskName + ".db");
  const std::string shell = "sqlite3 '" + pages.string() + "' 'SELECT count(*) FROM WebPages'";
  EXPECT_EQ(std::system((shell + " >/dev/null").c_str()), 0);
  EXPECT_TRUE(fs::exists(pages.string() + "-wal"));
  {
    const fs::path old = fs::current_path();
    fs::current_path(data);
    DictionaryInit();
    const tarnfix::FileResult checked = tarnfix::checkFile(WebPagesDesc());
    DictionaryKill();
    fs::current_path(old);
    EXPECT_EQ(checked.outcome, tarnfix::Outcome::Problem) << checked.text;
  }
  std::ofstream(outside_ / "go");
  ASSERT_TRUE(waitForFile(outside_ / "added"));
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  EXPECT_EQ(readAll(outside_ / "added"), "y") << readAll(outside_ / "shown.txt");
  EXPECT_EQ(Db(pages).rows("SELECT PAGENAME FROM WebPages WHERE PAGENAME = 'stored.htm'").size(),
            1u);
}

INSTANTIATE_TEST_SUITE_P(Operations, CrashTest,
                         ::testing::Values(Operation{"cascade", true, true},
                                           Operation{"parse", true, false},
                                           Operation{"read", false, false},
                                           Operation{"bydomain", false, true},
                                           Operation{"localpath", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// The offscreen platform warns about every raise(); the rest is worth seeing.
static void quietHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
  if (msg.startsWith("This plugin does not support") || msg.startsWith("QStandardPaths:")) return;
  qt_message_output(type, ctx, msg);
}

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietHandler);
  QApplication app(argc, argv);
  if (argc >= 4 && std::strcmp(argv[1], kChildMode) == 0) {
    testsupport::installCommitHooks();
    return runChild(argv[2], argv[3]);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
