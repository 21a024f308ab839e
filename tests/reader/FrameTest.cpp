// The page reader as a whole program in a temporary working directory: its frame, its own
// settings file and data files, and the way from the menu to the page browse.
#include <QApplication>
#include <QFile>
#include <filesystem>
#include <functional>

#include "common/Frame.h"
#include "common/Procedures.h"
#include "reader/DomainPrompt.h"
#include "reader/Main.h"
#include "reader/PageWindows.h"
#include "reader/Program.h"
#include "runtime/ini/IniFile.h"
#include "runtime/ui/Help.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/HelpMenuChecks.h"
#include "tests/support/TempHolder.h"

namespace readertest {
namespace {

using domaintest::addRecords;

void addPage(const char* domain, const char* name) {
  addRecords<WebPagesRecord>(WebPagesDesc(), {[&](WebPagesRecord& r) {
                               r.DOMAINNAME = domain;
                               r.PAGENAME = name;
                               r.PAGEPATH = std::string("/") + domain + "/" + name;
                             }});
}

class ReaderProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    domainname.clear();
  }
  void TearDown() override {
    if (programThread && rt::threadRunning(programThread)) {
      while (QMessageBox* box = driver.messageBox()) {
        box->reject();
        driver.pump();
      }
      if (frame && driver.isOpen(frame)) driver.pickMenu(frame, reader::item::Exit);
      driver.waitForThreadsToEnd();
    }
    EXPECT_EQ(rt::procedureThreadCount(), 0);
    if (QWidget* help = rt::helpWindow()) help->close();
    domainname.clear();
    QDir::setCurrent(oldDir);
  }
  rt::Window* startProgram() {
    programThread = driver.start(&ReaderProgramMain, 25000, "ReaderProgramMain");
    frame = driver.waitForWindow("Main");
    return frame;
  }
  void exitProgram() {
    ASSERT_TRUE(driver.pickMenu(frame, reader::item::Exit));
    EXPECT_TRUE(driver.waitUntil([this] { return !rt::threadRunning(programThread); }));
    frame = nullptr;
  }

  QTemporaryDir dir;
  QString oldDir;
  rt::TestDriver driver;
  int programThread = 0;
  rt::Window* frame = nullptr;
};

TEST_F(ReaderProgramTest, FrameOpensWithItsMenusFilesAndSettings) {
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_EQ(frame->title(), "Tarnwick Sondrel Program");
  EXPECT_TRUE(frame->hasBackground());
  const std::pair<int, bool> items[] = {
      {reader::item::BrowsePages, true},
      {reader::item::About, true},
      {reader::item::Contents, true},
      {reader::item::ReadPages, ProcedureAvailable("readpages")},
      {reader::item::DeletePages, ProcedureAvailable("delpages")},
  };
  for (const auto& [item, enabled] : items) EXPECT_EQ(frame->menuEnabled(item), enabled) << item;
  // Its own subset of the data files, and none of tarnwick's others.
  for (rt::FileManager* m :
       {DomainsManager, WebPagesManager, WPMetaManager, WPLinksManager, WPIMGManager, WPFormManager,
        WPScriptsManager, DOSManager, DOS1Manager})
    EXPECT_NE(m, nullptr);
  for (rt::FileManager* m :
       {RegistrarsManager, HostsManager, IntlinkManager, DnotesManager, EditorManager})
    EXPECT_EQ(m, nullptr);
  frame->topLevel()->move(37, 41);
  exitProgram();
  EXPECT_EQ(WebPagesManager, nullptr);
  EXPECT_EQ(rt::IniFile("sondrel.INI").getString("Main", "XPos", "<missing>"), "37");
  EXPECT_FALSE(QFile::exists("tarnwick.INI"));

  ASSERT_NE(startProgram(), nullptr);
  EXPECT_EQ(frame->topLevel()->pos().x(), 37);
  exitProgram();
}

TEST_F(ReaderProgramTest, TempFilesOfAKilledRunAreGoneWhenTheFrameShows) {
  const std::string here = dir.path().toStdString();
  rt::testing::TempHolder killed(here, "sondrel", TW_TEMP_HOLDER);
  killed.stop(SIGKILL);
  ASSERT_TRUE(std::filesystem::exists(here + "/" + killed.name()));
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(here + "/" + killed.name()));
  exitProgram();
}

TEST_F(ReaderProgramTest, BrowseWebPagesAsksForADomainOnlyWhenNoneIsKnown) {
  addPage("site.com", "a.htm");
  const std::pair<const char*, const char*> cases[] = {{"", "getdom"},
                                                       {"site.com", "BrowseWebPages"}};
  ASSERT_NE(startProgram(), nullptr);
  for (const auto& [domain, opens] : cases) {
    SCOPED_TRACE(opens);
    domainname = domain;
    ASSERT_TRUE(driver.pickMenu(frame, reader::item::BrowsePages));
    rt::Window* w = driver.waitForWindow(opens);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(driver.find(opens == std::string("getdom") ? "BrowseWebPages" : "getdom"), nullptr);
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose(opens));
  }
}

TEST_F(ReaderProgramTest, ToolbarButtonsGoToTheActiveBrowse) {
  addPage("site.com", "a.htm");
  domainname = "site.com";
  ASSERT_NE(startProgram(), nullptr);
  ASSERT_TRUE(driver.pickMenu(frame, reader::item::BrowsePages));
  ASSERT_NE(driver.waitForWindow("BrowseWebPages"), nullptr);
  ASSERT_TRUE(driver.pickMenu(frame, frame::FirstRecordButton + 9));  // "Edit This Record"
  rt::Window* form = driver.waitForWindow("UpdateWebPages");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->title(), "Changing a WebPages Record");
  EXPECT_EQ(form->text(6), "a.htm");
}

TEST_F(ReaderProgramTest, HelpAndAboutOpenTheReadersBookAndTheSplash) {
  ASSERT_NE(startProgram(), nullptr);
  ASSERT_TRUE(driver.pickMenu(frame, reader::item::Contents));
  driver.pump();
  ASSERT_NE(rt::helpWindow(), nullptr);
  EXPECT_TRUE(rt::helpBrowser()->toPlainText().contains("Sondrel help"));
  // A window's Help finds its page in the reader's book, not in tarnwick's.
  domainname = "site.com";
  ASSERT_TRUE(driver.pickMenu(frame, reader::item::BrowsePages));
  rt::Window* browse = driver.waitForWindow("BrowseWebPages");
  ASSERT_NE(browse, nullptr);
  ASSERT_TRUE(driver.press(browse, 9));
  EXPECT_TRUE(rt::helpBrowser()->toPlainText().contains("Use Tarnwick for general work."));
  driver.close(browse);
  ASSERT_TRUE(driver.waitForClose("BrowseWebPages"));
  ASSERT_TRUE(driver.pickMenu(frame, reader::item::About));
  EXPECT_NE(driver.waitForWindow("splash"), nullptr);
}

// Contents, Search and How to Use Help of the reader's Help menu, each closed with Escape.
TEST_F(ReaderProgramTest, HelpMenuItemsOpenContentsSearchAndUsingTheHelp) {
  ASSERT_NE(startProgram(), nullptr);
  helpchecks::pickEachHelpItem(driver, frame,
                               {{reader::item::Contents, "sondrel/index.html", false},
                                {-31, "sondrel/index.html", true},
                                {-32, "sondrel/usinghelp.html", false}});
}

// The menu's deletion is the reader's own: its tip, and its counter of the pages deleted.
TEST_F(ReaderProgramTest, DeleteItemRunsTheReadersPageDeletion) {
  enum { cDomain = 3, cRun = 5, cStatus = 7, cPages = 8 };
  addPage("site.com", "a.htm");
  addPage("other.com", "a.htm");
  ASSERT_NE(startProgram(), nullptr);
  ASSERT_TRUE(frame->menuEnabled(reader::item::DeletePages));
  ASSERT_TRUE(driver.pickMenu(frame, reader::item::DeletePages));
  rt::Window* w = driver.waitForWindow("delpages");
  ASSERT_NE(w, nullptr);
  EXPECT_NE(w->control(cDomain)->toolTip().toStdString().find("also acceptable"),
            std::string::npos);
  ASSERT_EQ(driver.focusedControl(), cDomain);
  ASSERT_TRUE(driver.typeKeys("site.com"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  ASSERT_EQ(driver.focusedControl(), cRun);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
  ASSERT_TRUE(driver.waitUntil(
      [&] { return driver.text(w, cStatus) == "Finished. Records deleted."; }, 20000));
  EXPECT_EQ(driver.text(w, cPages), "1");
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  ASSERT_TRUE(driver.waitForClose("delpages"));
}

class DomainPromptTest : public domaintest::WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    domainname.clear();
    addPage("site.com", "a.htm");
    addPage("other.com", "b.htm");
  }
  void TearDown() override {
    WindowsTest::TearDown();
    domainname.clear();
  }
};

// Only the Close button (and Enter, which presses it) takes the typed domain and browses it.
TEST_F(DomainPromptTest, CloseBrowsesTheTypedDomainOtherWaysOutDoNot) {
  struct Case {
    const char* way;
    std::function<void(rt::Window*)> leave;
    bool browses;
  };
  const Case cases[] = {
      {"Close",
       [&](rt::Window*) {
         ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
         ASSERT_EQ(driver.focusedControl(), reader::domainprompt::Close);
         ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
       },
       true},
      {"Enter", [&](rt::Window*) { ASSERT_TRUE(driver.hitKey(Qt::Key_Return)); }, true},
      {"Escape", [&](rt::Window*) { ASSERT_TRUE(driver.hitKey(Qt::Key_Escape)); }, false},
      {"close box", [&](rt::Window* w) { driver.close(w); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.way);
    domainname.clear();
    rt::Window* prompt = open(&reader::BrowseChooser, "getdom");
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(driver.focusedControl(), reader::domainprompt::Entry);
    ASSERT_TRUE(driver.typeKeys("site.com"));
    c.leave(prompt);
    if (c.browses) {
      rt::Window* browse = driver.waitForWindow("BrowseWebPages");
      ASSERT_NE(browse, nullptr);
      ASSERT_EQ(driver.rowCount(browse, reader::pagebrowse::List), 1);
      EXPECT_EQ(driver.cell(browse, reader::pagebrowse::List, 1, 1).substr(0, 5), "a.htm");
      EXPECT_NE(driver.find("getdom"), nullptr);
      ASSERT_TRUE(driver.press(browse, reader::pagebrowse::Close));
    }
    ASSERT_TRUE(driver.waitForClose("getdom"));
    EXPECT_EQ(driver.find("BrowseWebPages"), nullptr);
    EXPECT_TRUE(driver.waitUntil([] { return rt::procedureThreadCount() == 0; }));
    EXPECT_EQ(domainname.str(), c.browses ? "site.com" : "");
  }
}

}  // namespace
}  // namespace readertest
