// Page maintenance on real files in a temporary working directory: the deletion by domain
// through its window (as the program starts it by name) and the key rebuild of the six page
// files.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QTimer>

#include <QMessageBox>
#include <QStatusBar>
#include <QWidget>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "pages/PageMaintenance.h"
#include "pages/PageReading.h"
#include "runtime/text/Strings.h"
#include "tests/dictionary/DictTestSupport.h"
#include "tests/support/TestDriver.h"

namespace {

using pagereading::PageDetailFile;
using pagereading::PageDetailFiles;

enum Control { cDomain = 3, cRun = 5, cStatus = 7, cPages = 8, cClose = 9 };

struct Page {
  const char* domain;
  const char* name;
  const char* path;
};

// A statement on a file's database through a connection of its own.
void execOn(const rt::KeyedFile& f, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(f.path().c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

char* fieldAt(const rt::KeyedFile& f, int field) {
  return static_cast<char*>(f.record()) + f.desc().fields[static_cast<std::size_t>(field)].offset;
}
int pathField(const PageDetailFile& d) {
  return d.file->desc().keys[static_cast<std::size_t>(d.key)].components[0];
}

class PageMaintenanceTest : public dicttest::DictionaryTest {
 protected:
  // Each page with `details` records in every detail file.
  static void store(const std::vector<Page>& pages, int details = 2) {
    ASSERT_EQ(WebPagesManager->TryOpen(), rt::Status::Ok);
    for (const Page& p : pages) {
      WEB.DOMAINNAME = p.domain;
      WEB.PAGENAME = p.name;
      WEB.PAGEPATH = p.path;
      ASSERT_TRUE(WebPages.add()) << rt::errors().text;
    }
    WebPagesManager->CloseFile();
    for (const PageDetailFile& d : PageDetailFiles()) {
      ASSERT_EQ((*d.manager)->TryOpen(), rt::Status::Ok);
      const rt::FieldDesc& f = d.file->desc().fields[static_cast<std::size_t>(pathField(d))];
      for (const Page& p : pages)
        for (int i = 0; i < details; ++i) {
          rt::assignPadded(fieldAt(*d.file, pathField(d)), f.size, p.path);
          ASSERT_TRUE(d.file->append()) << rt::errors().text;
        }
      ASSERT_TRUE(d.file->flush());
      (*d.manager)->CloseFile();
    }
  }

  // "domain|name" of every stored page.
  static std::vector<std::string> pages() {
    std::vector<std::string> out;
    EXPECT_EQ(WebPagesManager->TryOpen(), rt::Status::Ok);
    WebPages.setKeyOrder(WEB_NAMES);
    while (WebPages.next()) out.push_back(WEB.DOMAINNAME.str() + "|" + WEB.PAGENAME.str());
    WebPagesManager->CloseFile();
    return out;
  }

  // Detail records per page path, over the five files.
  static std::map<std::string, int> details() {
    std::map<std::string, int> out;
    for (const PageDetailFile& d : PageDetailFiles()) {
      EXPECT_EQ((*d.manager)->TryOpen(), rt::Status::Ok);
      const std::size_t size = d.file->desc().fields[static_cast<std::size_t>(pathField(d))].size;
      d.file->setRecordOrder();
      while (d.file->next()) ++out[std::string(rt::clipView(fieldAt(*d.file, pathField(d)), size))];
      (*d.manager)->CloseFile();
    }
    return out;
  }

  rt::Window* openWindow() {
    driver.start([] { RunPageDeletion(TarnwickPageDeletion()); });
    return driver.waitForWindow("delpages");
  }

  // Types the domain as a user does: the focus is in the entry when the window opens and on
  // the button after a run; Tab leaves the entry.
  void enterDomain(const std::string& domain) {
    if (driver.focusedControl() != cDomain) {
      ASSERT_TRUE(driver.hitKey(Qt::Key_Backtab));
    }
    ASSERT_EQ(driver.focusedControl(), cDomain);
    ASSERT_TRUE(driver.hitKey(Qt::Key_A, Qt::ControlModifier));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Backspace));
    ASSERT_TRUE(driver.typeKeys(domain));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  }

  // Types the domain, presses "Run Deletions" with the space bar and waits until the run has
  // finished.
  void runDeletion(rt::Window* w, const std::string& domain) {
    enterDomain(domain);
    ASSERT_EQ(driver.focusedControl(), cRun);
    statustext.clear();  // the finished run says so here
    ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
    ASSERT_TRUE(driver.waitUntil(
        [&] { return driver.text(w, cStatus) == "Finished. Records deleted."; }, 20000));
  }

  void closeWindow(rt::Window*) {
    ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
    ASSERT_TRUE(driver.waitForClose("delpages"));
    driver.waitForThreadsToEnd();
  }

  rt::TestDriver driver;
};

const std::vector<Page> kTarn = {{"tarn.example", "Alpha", "/tarn/alpha.htm"},
                                 {"tarn.example", "Beta", "/tarn/beta.htm"},
                                 {"tarn.example", "Gamma", "/tarn/gamma.htm"}};
// The same page names under another domain, and the domain in other spellings.
const std::vector<Page> kOthers = {{"fell.example", "Alpha", "/fell/alpha.htm"},
                                   {"fell.example", "Beta", "/fell/beta.htm"},
                                   {"fell.example", "Gamma", "/fell/gamma.htm"},
                                   {"TARN.example", "Alpha", "/caps/alpha.htm"},
                                   {"http://www.tarn.example", "Alpha", "/www/alpha.htm"}};

TEST_F(PageMaintenanceTest, DeletesTheDomainsPagesWithTheirDetailsOnlyOnce) {
  std::vector<Page> all = kOthers;
  all.insert(all.begin() + 2, kTarn.begin(), kTarn.end());
  store(all);
  rt::Window* w = openWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->title(), "Delete Web Pages By Domain Name");

  runDeletion(w, "tarn.example");
  EXPECT_TRUE(shown().messages.empty());
  EXPECT_EQ(pagecount, 3);
  EXPECT_EQ(driver.text(w, cPages), "3");
  EXPECT_EQ(pages(), (std::vector<std::string>{
                         "fell.example|Alpha", "fell.example|Beta", "fell.example|Gamma",
                         "http://www.tarn.example|Alpha", "TARN.example|Alpha"}));
  std::map<std::string, int> kept;
  for (const Page& p : kOthers) kept[p.path] = 10;  // two in each of the five files
  EXPECT_EQ(details(), kept);
  EXPECT_EQ(counttext.str(), std::to_string(1 + 3 + 3 * 10));

  // The button stays: a second run finds nothing. Enter in the entry runs it too.
  enterDomain("tarn.example");
  ASSERT_TRUE(driver.hitKey(Qt::Key_Backtab));
  statustext.clear();
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  ASSERT_TRUE(driver.waitUntil(
      [&] { return driver.text(w, cStatus) == "Finished. Records deleted."; }, 20000));
  EXPECT_EQ(driver.text(w, cPages), "0");
  EXPECT_EQ(pages().size(), kOthers.size());
  EXPECT_EQ(details(), kept);
  closeWindow(w);
}

TEST_F(PageMaintenanceTest, RunDeletionsWaitsForADomainName) {
  store({{"", "Nameless", "/none.htm"}, {"tarn.example", "Alpha", "/tarn/alpha.htm"}});
  domainname = "left over";
  pagecount = 7;
  rt::Window* w = openWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(domainname.blank());
  EXPECT_EQ(driver.text(w, cPages), "0");
  EXPECT_EQ(driver.focusedControl(), cDomain);
  EXPECT_FALSE(w->enabled(cRun));
  enterDomain("   ");
  EXPECT_FALSE(w->enabled(cRun));
  EXPECT_FALSE(driver.press(w, cRun));
  enterDomain("tarn.example");
  EXPECT_TRUE(w->enabled(cRun));
  // Once on, it stays: a blank name deletes the pages without a domain name.
  runDeletion(w, "");
  EXPECT_EQ(pages(), (std::vector<std::string>{"tarn.example|Alpha"}));
  EXPECT_EQ(details().count("/none.htm"), 0u);
  closeWindow(w);
}

// Each program's window: its own tip and entry message, its own counter of pages.
TEST_F(PageMaintenanceTest, EachProgramsWindowCountsInItsOwnCounter) {
  static std::int32_t readerCount = 0;
  struct Case {
    const char* name;
    PageDeletionProgram (*program)();
    const char* tipPart;
    const char* message;
    std::function<long()> counter;
  };
  const Case cases[] = {
      {"tarnwick", &TarnwickPageDeletion, "without the http://www.", "",
       [] { return static_cast<long>(pagecount); }},
      {"sondrel", [] { return ReaderPageDeletion(readerCount); }, "also acceptable",
       "This is the actual domain name that you have registered.",
       [] { return static_cast<long>(readerCount); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pagecount = 0;
    readerCount = 0;
    store(kTarn);
    driver.start([&c] { RunPageDeletion(c.program()); });
    rt::Window* w = driver.waitForWindow("delpages");
    ASSERT_NE(w, nullptr);
    EXPECT_NE(w->control(cDomain)->toolTip().toStdString().find(c.tipPart), std::string::npos);
    auto* bar = w->widget()->findChild<QStatusBar*>();
    ASSERT_NE(bar, nullptr);
    w->control(cDomain)->setFocus();
    driver.pump();
    EXPECT_EQ(bar->currentMessage().toStdString(), c.message);
    runDeletion(w, "tarn.example");
    EXPECT_EQ(c.counter(), 3);
    EXPECT_EQ(pagecount + readerCount, 3);
    closeWindow(w);
  }
}

// Many pages: several groups, each committed on its own, with the other windows let in.
TEST_F(PageMaintenanceTest, LargeDomainGoesInOneRun) {
  std::vector<std::string> paths;
  std::vector<Page> many;
  for (int i = 0; i < 4000; ++i) paths.push_back("/big/" + std::to_string(i) + ".htm");
  for (int i = 0; i < 4000; ++i)
    many.push_back({"big.example", paths[static_cast<std::size_t>(i)].c_str() + 5,
                    paths[static_cast<std::size_t>(i)].c_str()});
  many.push_back({"small.example", "Alpha", "/small/alpha.htm"});
  store(many, 1);
  rt::Window* w = openWindow();
  ASSERT_NE(w, nullptr);
  // The window's thread is busy for the run: what it shows meanwhile takes no input.
  int sampled = 0;
  std::vector<int> live;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const std::string status = driver.text(w, cStatus);
    if (status.empty() || status.starts_with("Finished")) return;
    ++sampled;
    for (int c : {cDomain, cRun, cClose})
      if (w->enabled(c)) live.push_back(c);
  });
  watch.start(0);
  runDeletion(w, "big.example");
  watch.stop();
  EXPECT_GT(sampled, 0);
  EXPECT_TRUE(live.empty()) << "first enabled while deleting: " << (live.empty() ? 0 : live[0]);
  for (int c : {cDomain, cRun, cClose}) EXPECT_TRUE(w->enabled(c)) << c;
  EXPECT_EQ(driver.text(w, cPages), "4,000");
  EXPECT_EQ(pages(), (std::vector<std::string>{"small.example|Alpha"}));
  EXPECT_EQ(details(), (std::map<std::string, int>{{"/small/alpha.htm", 5}}));
  closeWindow(w);
}

// A deletion the database refuses: the pages of the group that failed stay whole.
TEST_F(PageMaintenanceTest, RefusedDeletionLeavesEveryPageWholeOrGone) {
  store(kTarn);
  execOn(WebPages,
         "CREATE TRIGGER refuse BEFORE DELETE ON WebPages WHEN old.PAGENAME = 'Gamma' "
         "BEGIN SELECT RAISE(ABORT, 'no'); END");
  rt::Window* w = openWindow();
  ASSERT_NE(w, nullptr);
  runDeletion(w, "tarn.example");
  EXPECT_TRUE(shown().contains(rt::MessageId::RecordNotDeleted));
  const std::vector<std::string> left = pages();
  const std::map<std::string, int> found = details();
  for (const Page& p : kTarn) {
    const bool whole =
        std::find(left.begin(), left.end(), std::string(p.domain) + "|" + p.name) != left.end();
    EXPECT_EQ(found.count(p.path) ? found.at(p.path) : 0, whole ? 10 : 0) << p.name;
  }
  EXPECT_EQ(driver.text(w, cPages), std::to_string(kTarn.size() - left.size()));
  EXPECT_FALSE(left.empty());
  closeWindow(w);
}

// Another program holding a file open for writing, until it is let go.
class OtherProgram {
 public:
  explicit OtherProgram(const rt::KeyedFile& held) {
    int ready[2], release[2];
    EXPECT_EQ(::pipe(ready), 0);
    EXPECT_EQ(::pipe(release), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      std::vector<char> record(held.desc().recordSize);
      rt::KeyedFile file(held.desc(), record.data());
      const char opened = file.open() ? 'y' : 'n';
      (void)!::write(ready[1], &opened, 1);
      char c;
      (void)!::read(release[0], &c, 1);
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char opened = 'n';
    EXPECT_EQ(::read(ready[0], &opened, 1), 1);
    EXPECT_EQ(opened, 'y');
    ::close(ready[0]);
  }
  ~OtherProgram() {
    ::close(release_);
    ::waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
};

// A file that another program writes to is left alone, with the access message naming it.
TEST_F(PageMaintenanceTest, FilesAnotherProgramHoldsAreLeftAlone) {
  store(kTarn);
  const std::map<std::string, int> before = details();
  const OtherProgram holder(WPLinks);
  auto deniedWPLinks = [this] {
    for (const rt::ReportedMessage& m : shown().messages)
      if (m.id != rt::MessageId::AccessDenied || m.text.find("WPLinks") == std::string::npos)
        return false;
    return !shown().messages.empty();
  };

  rt::Window* w = openWindow();
  ASSERT_NE(w, nullptr);
  runDeletion(w, "tarn.example");
  EXPECT_EQ(driver.text(w, cPages), "0");
  closeWindow(w);
  EXPECT_TRUE(deniedWPLinks());
  EXPECT_EQ(pages().size(), kTarn.size());
  EXPECT_EQ(details(), before);

  shown().clear();
  driver.start(&RebuildIndexes);
  for (int box = 0; box < 2; ++box) {
    ASSERT_NE(driver.waitForMessageBox(), nullptr);
    driver.answer(rt::button::Ok);
    driver.pump();
  }
  driver.waitForThreadsToEnd();
  EXPECT_TRUE(deniedWPLinks());
}

// ---- key rebuild ----

std::vector<std::string> indexesOf(const rt::KeyedFile& f) {
  sqlite3* db = nullptr;
  std::vector<std::string> names;
  EXPECT_EQ(sqlite3_open(f.path().c_str(), &db), SQLITE_OK);
  sqlite3_exec(
      db, "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name",
      [](void* out, int, char** values, char**) {
        static_cast<std::vector<std::string>*>(out)->push_back(values[0]);
        return 0;
      },
      &names, nullptr);
  sqlite3_close(db);
  return names;
}

void dropIndexes(const rt::KeyedFile& f) {
  for (const std::string& name : indexesOf(f)) execOn(f, "DROP INDEX \"" + name + "\"");
}

TEST_F(PageMaintenanceTest, RebuildIndexesRebuildsUnderOpenWindowsAndReportsWhatFailed) {
  store(kTarn);
  std::vector<rt::KeyedFile*> files = {&WebPages};
  for (const PageDetailFile& d : PageDetailFiles()) files.push_back(d.file);
  std::map<rt::KeyedFile*, std::vector<std::string>> designed;
  for (rt::KeyedFile* f : files) designed[f] = indexesOf(*f);
  // Another window holds WebPages open; WPIMG is no data file at all.
  ASSERT_EQ(WebPagesManager->TryOpen(), rt::Status::Ok);
  for (rt::KeyedFile* f : files)
    if (f != &WPIMG) dropIndexes(*f);
  std::ofstream(WPIMG.path(), std::ios::trunc) << "this is not a data file";

  driver.start(&RebuildIndexes);
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver.messageCaption(box), "");
  EXPECT_EQ(driver.messageText(box),
            "This will rebuild indexes for the following files: |Web Pages|Meta Tags|Scripts|"
            "Images|Links|Forms|Press OK To Start");
  box->reject();  // closed without OK: the rebuild goes on all the same
  driver.pump();
  box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver.messageCaption(box), "Finished");
  EXPECT_EQ(driver.messageText(box), "Thanks for Waiting.|Press OK to Continue");
  driver.answer(rt::button::Ok);
  driver.waitForThreadsToEnd();

  ASSERT_EQ(shown().messages.size(), 1u);
  EXPECT_EQ(shown().messages[0].id, rt::MessageId::NotADataFile);
  EXPECT_NE(shown().messages[0].text.find("WPIMG"), std::string::npos) << shown().messages[0].text;
  for (rt::KeyedFile* f : files)
    if (f != &WPIMG) {
      EXPECT_EQ(indexesOf(*f), designed[f]) << f->desc().label;
    }
  EXPECT_TRUE(WebPages.isOpen());
  EXPECT_EQ(WebPagesManager->openCount(), 1);
  WebPages.setKeyOrder(WEB_NAMES);
  EXPECT_TRUE(WebPages.next());
  WebPagesManager->CloseFile();
}

}  // namespace
