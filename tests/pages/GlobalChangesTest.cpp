// The changes to every page of a domain, as a user makes them: the domain (and directory)
// typed into the window, the process started from it, and the files read afterwards.
#include <sqlite3.h>

#include "admin/Domains.h"
#include "dictionary/Globals.h"
#include "pages/GlobalChanges.h"
#include "runtime/text/Dates.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/ProgramFixture.h"

namespace domaintest {
namespace {

struct Page {
  const char* domain;
  const char* name;
  const char* usenow = "N";
  std::int32_t implemented = 0;
};

bool threadNamed(std::string_view name) {
  for (int t : rt::runningThreads())
    if (rt::threadName(t) == name) return true;
  return false;
}

// a.com's pages between neighbours whose names sort next to it or differ only in case.
const Page kPages[] = {
    {"a.co", "index.htm"},   {"a.com", "index.htm"},
    {"A.COM", "index.htm"},  {"a.com", "about.htm", ""},
    {"a.comm", "index.htm"}, {"a.com", "later.htm", "N", rt::dateFromYmd(2099, 1, 1)},
};

class GlobalChangesTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    for (const Page& p : kPages)
      addRecords<WebPagesRecord>(WebPagesDesc(), {[&](WebPagesRecord& r) {
                                   r.DOMAINNAME = p.domain;
                                   r.PAGENAME = p.name;
                                   r.USENOW = p.usenow;
                                   r.IMPLEMENTDATE = p.implemented;
                                   r.LOCALPATH = "old";
                                   r.LOCALDEFAULTDIRECTORY = "old";
                                 }});
    addRecords<DomainsRecord>(DomainsDesc(), {[](DomainsRecord& r) {
                                                r.DOMAINNAME = "a.com";
                                                r.DEFAULTLOCALDIR = "old";
                                              },
                                              [](DomainsRecord& r) {
                                                r.DOMAINNAME = "a.comm";
                                                r.DEFAULTLOCALDIR = "old";
                                              }});
    domainname.clear();
    newlocaldir.clear();
  }

  // Types each value into the field with the focus and the next, then Tabs on to "Process
  // Records Now" and presses it; closes the window, and waits for the process to end.
  void run(void (*window)(), const char* name, std::initializer_list<const char*> typed) {
    rt::Window* w = open(window, name);
    ASSERT_TRUE(w);
    for (const char* t : typed) {
      ASSERT_TRUE(driver.typeKeys(t));
      ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    }
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));  // past "Close Window"
    ASSERT_EQ(driver.focusedControl(), 7);
    ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
    driver.close(w);  // the process's window has the focus now
    driver.waitForThreadsToEnd();
    EXPECT_FALSE(driver.messageBox());
  }

  // "domain/page" and the fields read, for every page.
  static std::vector<std::string> pages(std::string (*fields)(const WebPagesRecord&)) {
    std::vector<std::string> out;
    for (const WebPagesRecord& r : readRecords<WebPagesRecord>(WebPagesDesc()))
      out.push_back(std::string(r.DOMAINNAME.clip()) + "/" + std::string(r.PAGENAME.clip()) + " " +
                    fields(r));
    return out;
  }
  static std::vector<std::string> domains() {
    std::vector<std::string> out;
    for (const DomainsRecord& r : readRecords<DomainsRecord>(DomainsDesc()))
      out.push_back(std::string(r.DOMAINNAME.clip()) + " " + std::string(r.DEFAULTLOCALDIR.clip()));
    return out;
  }
};

std::string localPaths(const WebPagesRecord& r) {
  return std::string(r.LOCALPATH.clip()) + "|" + std::string(r.LOCALDEFAULTDIRECTORY.clip());
}

TEST_F(GlobalChangesTest, LocalPathChangesTheDomainsPagesAndItsRecordOnly) {
  const struct {
    const char* typed;
    const char* index;  // index.htm's path and directory
    const char* about;
    const char* later;
    const char* domain;
  } cases[] = {
      {"/sites/new", "/sites/new/index.htm|/sites/new", "/sites/new/about.htm|/sites/new",
       "/sites/new/later.htm|/sites/new", "/sites/new"},
      {"/sites/new/", "/sites/new/index.htm|/sites/new/", "/sites/new/about.htm|/sites/new/",
       "/sites/new/later.htm|/sites/new/", "/sites/new/"},
      {"", "index.htm|", "about.htm|", "later.htm|", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    domainname.clear();
    newlocaldir.clear();
    run(&pages::ChgLoPaWindow, "ChgLoPaWindow", {"a.com", c.typed});
    EXPECT_EQ(pages(&localPaths),
              (std::vector<std::string>{
                  "a.co/index.htm old|old", "a.com/index.htm " + std::string(c.index),
                  "A.COM/index.htm old|old", "a.com/about.htm " + std::string(c.about),
                  "a.comm/index.htm old|old", "a.com/later.htm " + std::string(c.later)}));
    EXPECT_EQ(domains(),
              (std::vector<std::string>{"a.com " + std::string(c.domain), "a.comm old"}));
  }
}

// The page name is cut to 20 characters: the new path keeps the file's own name as the old
// path has it, below the page name's sub-directories; a path naming no file takes the name.
TEST_F(GlobalChangesTest, LocalPathKeepsTheFilesOwnNameAndItsSubDirectories) {
  const struct {
    const char* name;
    const char* old;
    const char* changed;
  } cases[] = {
      {"ch04-01-what-is-owne", "/srv/site/ch04-01-what-is-ownership.html",
       "/srv/newsite/ch04-01-what-is-ownership.html"},
      {"tours/fells/day.htm", "/srv/site/tours/fells/day.htm", "/srv/newsite/tours/fells/day.htm"},
      {"walks\\ridge-walk-in-", "C:\\site\\walks\\ridge-walk-in-winter.htm",
       "/srv/newsite/walks/ridge-walk-in-winter.htm"},
      {"notes/about.htm", "/srv/site/notes/about-us.html", "/srv/newsite/notes/about-us.html"},
      {"a", "/srv/site/a-dir/b.htm", "/srv/newsite/b.htm"},
      {"blank.htm", "", "/srv/newsite/blank.htm"},
      {"dir.htm", "/srv/site/", "/srv/newsite/dir.htm"},
  };
  for (const auto& c : cases)
    addRecords<WebPagesRecord>(WebPagesDesc(), {[&](WebPagesRecord& r) {
                                 r.DOMAINNAME = "n.com";
                                 r.PAGENAME = c.name;
                                 r.LOCALPATH = c.old;
                               }});
  run(&pages::ChgLoPaWindow, "ChgLoPaWindow", {"n.com", "/srv/newsite"});
  std::vector<std::string> changed;
  for (const WebPagesRecord& r : readRecords<WebPagesRecord>(WebPagesDesc()))
    if (r.DOMAINNAME == "n.com") changed.push_back(r.LOCALPATH.str());
  std::vector<std::string> want;
  for (const auto& c : cases) want.push_back(c.changed);
  EXPECT_EQ(changed, want);
}

TEST_F(GlobalChangesTest, DomainWithoutItsRecordHasItsPagesChangedAndNoRecordWritten) {
  run(&pages::ChgLoPaWindow, "ChgLoPaWindow", {"a.co", "/x"});
  EXPECT_EQ(pages(&localPaths).front(), "a.co/index.htm /x/index.htm|/x");
  EXPECT_EQ(domains(), (std::vector<std::string>{"a.com old", "a.comm old"}));
}

TEST_F(GlobalChangesTest, CurrentlyUseMarksEveryPageOfTheDomainOnly) {
  run(&pages::chgcurruse, "chgcurruse", {"a.com"});
  EXPECT_EQ(
      pages([](const WebPagesRecord& r) { return std::string(r.USENOW.clip()); }),
      (std::vector<std::string>{"a.co/index.htm N", "a.com/index.htm Y", "A.COM/index.htm N",
                                "a.com/about.htm Y", "a.comm/index.htm N", "a.com/later.htm Y"}));
  EXPECT_EQ(domains(), (std::vector<std::string>{"a.com old", "a.comm old"}));
}

// A file that cannot be read or written under the window (closed behind its manager) is
// told, and no page nor the domain record is changed.
TEST_F(GlobalChangesTest, LocalPathChangeOverAFileItCannotReachIsToldAndChangesNothing) {
  for (rt::KeyedFile* file : {&WebPages, &Domains}) {
    SCOPED_TRACE(file->desc().label);
    rt::defaultReporter().clear();
    rt::Window* w = open(&pages::ChgLoPaWindow, "ChgLoPaWindow");
    ASSERT_TRUE(w);
    ASSERT_TRUE(driver.typeKeys("a.com"));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    ASSERT_TRUE(driver.typeKeys("/new"));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    ASSERT_EQ(DomainsManager->TryOpen(), rt::Status::Ok);  // held by another window
    ASSERT_TRUE(file->close());
    ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
    ASSERT_TRUE(driver.waitUntil([] { return !threadNamed("ChgLoPath"); }));
    const auto& told = rt::defaultReporter().messages;
    ASSERT_FALSE(told.empty());
    EXPECT_NE(told.front().text.find(file->desc().label), std::string::npos) << told.front().text;
    driver.close(w);
    driver.waitForThreadsToEnd();
    DomainsManager->CloseFile();
    EXPECT_EQ(pages(&localPaths)[1], "a.com/index.htm old|old");
    EXPECT_EQ(domains().front(), "a.com old");
  }
}

}  // namespace
}  // namespace domaintest

namespace admintest {
namespace {

using RebuildThenChangeTest = ProgramTest;

// The browses hold the page files while their keys are rebuilt, one of them lost; a change
// made afterwards still reaches the files, and the browses' opens are all still counted.
TEST_F(RebuildThenChangeTest, LocalPathChangeAfterRebuildReachesThePages) {
  domaintest::addRecords<WebPagesRecord>(WebPagesDesc(), {[](WebPagesRecord& r) {
                                           r.DOMAINNAME = "a.com";
                                           r.PAGENAME = "index.htm";
                                           r.LOCALPATH = "old";
                                         }});
  domaintest::addDomain("a.com");
  SetProcedure("BrowseDomains", &BrowseDomains);
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  ASSERT_TRUE(driver.pickMenu(frame, frameitem::BrowseDomains));
  ASSERT_NE(driver.waitForWindow("BrowseDomains"), nullptr);
  driver.activate(frame);
  ASSERT_TRUE(driver.hitKey(Qt::Key_F8));
  rt::Window* quickView = driver.waitForWindow("BrowseWebPages2");
  ASSERT_NE(quickView, nullptr);
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(WebPages.path().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "DROP INDEX \"WebPages_Pages\"", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  const int pagesOpened = WebPagesManager->openCount();
  const int domainsOpened = DomainsManager->openCount();

  ASSERT_TRUE(driver.pickMenu(frame, -38));
  ASSERT_NE(driver.waitForMessageBox(), nullptr);
  ASSERT_TRUE(driver.answer(rt::button::Ok));
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(driver.messageCaption(box), "Finished");
  ASSERT_TRUE(driver.answer(rt::button::Ok));
  ASSERT_TRUE(driver.waitUntil([] { return !domaintest::threadNamed("RebuildIndexes"); }));
  EXPECT_EQ(WebPagesManager->openCount(), pagesOpened);
  EXPECT_EQ(DomainsManager->openCount(), domainsOpened);
  EXPECT_TRUE(WebPages.isOpen() && !WebPages.isReadOnly());
  EXPECT_EQ(driver.rowCount(quickView, 1), 1);

  ASSERT_TRUE(driver.pickMenu(frame, -32));
  rt::Window* w = driver.waitForWindow("ChgLoPaWindow");
  ASSERT_NE(w, nullptr);
  for (const char* typed : {"a.com", "/new"}) {
    ASSERT_TRUE(driver.typeKeys(typed));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  }
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));  // past "Close Window"
  ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
  ASSERT_TRUE(driver.waitUntil([] { return !domaintest::threadNamed("ChgLoPath"); }));
  EXPECT_EQ(driver.messageBox(), nullptr);
  const auto pages = domaintest::readRecords<WebPagesRecord>(WebPagesDesc());
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].LOCALPATH.clip(), "/new/index.htm");
  exitProgram();
}

}  // namespace
}  // namespace admintest
