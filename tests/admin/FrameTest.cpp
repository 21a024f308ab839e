// The frame: first run, settings kept between runs, menu availability, the launcher's check
// item, toolbar forwarding, key rebuilds and the way out.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>

#include "admin/Domains.h"
#include "admin/ProgramIni.h"
#include "common/TabColorer.h"
#include "runtime/ini/IniFile.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/Printing.h"
#include "runtime/ui/WindowLayer.h"
#include "tests/support/HelpMenuChecks.h"
#include "tests/support/ProgramFixture.h"

namespace admintest {
namespace {

std::string ini(const char* section, const char* key) {
  return rt::IniFile("tarnwick.INI").getString(section, key, "<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes, bool executable = false) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  f.close();
  if (executable) f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

using FrameTest = ProgramTest;

TEST_F(FrameTest, FirstRunInEmptyDirectoryWritesPreservedSettings) {
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_EQ(frame->title(), "Tarnwick Main Menu");
  EXPECT_EQ(cptog, 0);
  EXPECT_FALSE(frame->menuChecked(frameitem::Launcher));
  EXPECT_EQ(ubut1.str(), "User 1");
  EXPECT_EQ(ubut2.str(), "User 2");
  EXPECT_EQ(ubut3.str(), "User 3");
  EXPECT_EQ(ubut4.str(), "User 4");
  EXPECT_TRUE(html.blank());
  EXPECT_EQ(mypath.str(), rt::currentDirectory());
  exitProgram();
  EXPECT_EQ(ini("Preserved", "mypath"), rt::currentDirectory());
  EXPECT_EQ(ini("Preserved", "cptog"), "0");
  // The launcher was never asked for, so nothing opened besides the splash.
  EXPECT_TRUE(calls().empty());
}

TEST_F(FrameTest, ControlPanelKeysAreReadAndCutToTheirGlobals) {
  writeFile(dir.filePath("TARNWICK.ini"),
            "[cpanel]\nhtml=edit --new \"my page\"\nubut1=A caption far too long\n"
            "ubut4=Fourth\n");
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_EQ(html.str(), "edit --new \"my page\"");
  EXPECT_EQ(ubut1.str(), "A caption");  // ten characters, the last a blank
  EXPECT_EQ(ubut2.str(), "User 2");
  EXPECT_EQ(ubut4.str(), "Fourth");
  exitProgram();
}

TEST_F(FrameTest, FramePositionIsRestoredAtTheNextRun) {
  ASSERT_NE(startProgram(), nullptr);
  QWidget* top = frame->topLevel();
  top->resize(640, 420);
  top->move(37, 41);
  exitProgram();
  EXPECT_EQ(ini("Main", "XPos"), "37");
  EXPECT_EQ(ini("Main", "Width"), "640");

  ASSERT_NE(startProgram(), nullptr);
  EXPECT_EQ(frame->topLevel()->pos(), QPoint(37, 41));
  EXPECT_EQ(frame->topLevel()->size(), QSize(640, 420));
  exitProgram();
}

TEST_F(FrameTest, PageReaderItemFollowsThePresenceOfThePageReader) {
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_FALSE(frame->menuEnabled(frameitem::PageReader));
  exitProgram();

  writeFile(dir.filePath("sondrel"), "#!/bin/sh\n", true);
  ASSERT_NE(startProgram(), nullptr);
  ASSERT_TRUE(frame->menuEnabled(frameitem::PageReader));
  driver.pickMenu(frame, frameitem::PageReader);
  ASSERT_TRUE(driver.waitUntil([this] { return !launches.empty(); }));
  EXPECT_EQ(launches.front().program, dir.filePath("sondrel").toStdString());
  EXPECT_TRUE(launches.front().arguments.empty());
  exitProgram();
}

TEST_F(FrameTest, PageReaderBesideTheProgramCountsToo) {
  writeFile(programDir.filePath("sondrel"), "#!/bin/sh\n", true);
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_TRUE(frame->menuEnabled(frameitem::PageReader));
  exitProgram();
}

TEST_F(FrameTest, LauncherCheckItemTogglesAndSurvivesRestart) {
  ASSERT_NE(startProgram(), nullptr);
  driver.pickMenu(frame, frameitem::Launcher);
  EXPECT_TRUE(frame->menuChecked(frameitem::Launcher));
  EXPECT_EQ(cptog, 1);
  exitProgram();
  EXPECT_EQ(ini("Preserved", "cptog"), "1");

  resetGlobals();
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_EQ(cptog, 1);
  EXPECT_TRUE(frame->menuChecked(frameitem::Launcher));
  driver.pickMenu(frame, frameitem::Launcher);
  EXPECT_FALSE(frame->menuChecked(frameitem::Launcher));
  EXPECT_EQ(cptog, 0);
  exitProgram();
  EXPECT_EQ(ini("Preserved", "cptog"), "0");
}

TEST_F(FrameTest, LauncherPickOpensTheLauncherWhenTheProgramHasIt) {
  SetProcedure("cpanel2", &standIn<kLauncher>);
  ASSERT_NE(startProgram(), nullptr);
  driver.pickMenu(frame, frameitem::Launcher);
  rt::Window* launcher = driver.waitForWindow("cpanel2");
  ASSERT_NE(launcher, nullptr);
  EXPECT_EQ(rt::requestedStack(launcher->thread()), 25000);
  exitProgram();
}

// Takes a procedure out of the program for a test's lifetime.
class WithoutProcedure {
 public:
  explicit WithoutProcedure(const char* name) : name_(name), entry_(SetProcedure(name, nullptr)) {}
  ~WithoutProcedure() { SetProcedure(name_, entry_); }
  WithoutProcedure(const WithoutProcedure&) = delete;
  WithoutProcedure& operator=(const WithoutProcedure&) = delete;

 private:
  const char* name_;
  ProcedureEntry entry_;
};

TEST_F(FrameTest, ItemsOfAbsentProceduresAreUnavailable) {
  const WithoutProcedure rebuild("RebuildIndexes");
  const WithoutProcedure quickView("BrowseWebPages2");
  const WithoutProcedure configure("ConfigureControlPanel");
  const WithoutProcedure printDomains("PrintDomains");
  const WithoutProcedure images("preimgreport");
  const WithoutProcedure viewImages("viewimages");
  const WithoutProcedure viewScripts("viewscripts");
  const WithoutProcedure inUse("chgcurruse");
  ASSERT_NE(startProgram(), nullptr);
  for (int item : {-13, -15, -19, -21, -27, -29, -33, -38})
    EXPECT_FALSE(frame->menuEnabled(item)) << item;
  for (int item : {-2, -3, -4, -11, -35, -36, -37, -40, -43, -55})
    EXPECT_TRUE(frame->menuEnabled(item)) << item;
  exitProgram();
}

// The page maintenance items start their procedures on threads of their own.
TEST_F(FrameTest, PageMaintenanceItemsStartTheirProcedures) {
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  ASSERT_TRUE(frame->menuEnabled(-30));
  ASSERT_TRUE(frame->menuEnabled(-38));

  ASSERT_TRUE(driver.pickMenu(frame, -38));
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_NE(driver.messageText(box).find("Press OK To Start"), std::string::npos);
  driver.answer(rt::button::Ok);
  box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver.messageCaption(box), "Finished");
  driver.answer(rt::button::Ok);
  ASSERT_TRUE(driver.waitUntil([this] { return driver.messageBox() == nullptr; }));

  ASSERT_TRUE(driver.pickMenu(frame, -30));
  rt::Window* deletion = driver.waitForWindow("delpages");
  ASSERT_NE(deletion, nullptr);
  EXPECT_NE(deletion->thread(), programThread);
  EXPECT_EQ(rt::requestedStack(deletion->thread()), 25000);
  exitProgram();
}

TEST_F(FrameTest, GlobalChangesItemsOpenTheirWindowsOnThreadsOfTheirOwn) {
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  const struct {
    int item;
    const char* procedure;
    const char* title;
  } items[] = {{-32, "ChgLoPaWindow", "Change Local Path Name in ALL Web Pages By Domain"},
               {-33, "chgcurruse", "Change  ALL Web Pages By Domain to Currently Use"}};
  for (const auto& i : items) {
    SCOPED_TRACE(i.procedure);
    ASSERT_TRUE(driver.pickMenu(frame, i.item));
    rt::Window* w = driver.waitForWindow(i.procedure);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->title(), i.title);
    EXPECT_NE(w->thread(), programThread);
    EXPECT_EQ(rt::requestedStack(w->thread()), 25000);
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose(i.procedure));
  }
  exitProgram();
}

TEST_F(FrameTest, PrintSetupOpensThePrinterDialogWithoutBlockingTheFrame) {
  ASSERT_NE(startProgram(), nullptr);
  ASSERT_TRUE(driver.pickMenu(frame, -3));
  ASSERT_TRUE(driver.waitUntil([] { return !rt::runtimeDialogs().empty(); }));
  qobject_cast<QDialog*>(rt::runtimeDialogs().back())->reject();
  ASSERT_TRUE(driver.waitUntil([] { return rt::runtimeDialogs().empty(); }));
  EXPECT_TRUE(frame->menuEnabled(-3));
  exitProgram();
}

TEST_F(FrameTest, MenuItemsCarryTheirTextsTipsAndKeys) {
  ASSERT_NE(startProgram(), nullptr);
  const struct {
    int item;
    const char* text;
    const char* tip;
    const char* key;
  } expected[] = {
      {-10, "&Main Work Area: By Domain", "Browse Main file to house your domain data.", "F5"},
      {-11, "&Hosts File", "Browse ISP hosts file (where the domains are hosted.)", "F6"},
      {-13, "&QuickView Web Page Data", "", "F8"},
      {-33, "Change All Pages to \"Currently Use\" (By domain)", "", ""},
      {-38, "Rebuild Web Page Indexes (ALL)",
       "Rebuilds indexes for web pages, scripts, forms, images, and links.", ""},
  };
  for (const auto& e : expected) {
    QAction* a = frame->action(e.item);
    ASSERT_NE(a, nullptr) << e.item;
    EXPECT_EQ(a->text().toStdString(), e.text);
    EXPECT_EQ(a->statusTip().toStdString(), e.tip);
    EXPECT_EQ(a->shortcut().toString().toStdString(), e.key);
  }
  exitProgram();
}

TEST_F(FrameTest, BrowseStartsOnItsOwnThreadAndGetsTheToolbarButtons) {
  SetProcedure("BrowseDomains", &standIn<kBrowseDomains, false, rt::WindowKind::MdiChild>);
  ASSERT_NE(startProgram(), nullptr);
  ASSERT_TRUE(frame->menuEnabled(-10));
  driver.pickMenu(frame, -10);
  rt::Window* browse = driver.waitForWindow("BrowseDomains");
  ASSERT_NE(browse, nullptr);
  EXPECT_NE(browse->thread(), programThread);
  EXPECT_EQ(rt::requestedStack(browse->thread()), 50000);
  driver.activate(browse);
  driver.pickMenu(frame, 2004);
  driver.pickMenu(frame, 2012);
  EXPECT_EQ(accepted(), (std::vector<int>{2004, 2012}));
  // The way out closes the browse's thread before the frame goes.
  exitProgram();
  EXPECT_EQ(rt::procedureThreadCount(), 0);
  EXPECT_EQ(ini("Preserved", "cptog"), "0");
}

// The program lends its table windows coloured tabs.
TEST_F(FrameTest, TableWindowsWearTheProgramsLook) {
  SetProcedure("BrowseDomains", &BrowseDomains);
  ASSERT_NE(startProgram(), nullptr);
  driver.pickMenu(frame, -10);
  rt::Window* browse = driver.waitForWindow("BrowseDomains");
  ASSERT_NE(browse, nullptr);
  EXPECT_EQ(browse->fillColor(6), TabColorer::kSelTab);
  exitProgram();
}

TEST_F(FrameTest, PickingAnItemTwiceRunsItTwiceOnThreadsOfTheirOwn) {
  SetProcedure("notice", &standIn<kNotice>);
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  driver.pickMenu(frame, -39);
  driver.pickMenu(frame, -39);
  std::vector<int> threads;
  for (rt::Window* w : rt::openWindows())
    if (w->procedure() == "notice") threads.push_back(w->thread());
  ASSERT_EQ(threads.size(), 2u);
  EXPECT_NE(threads[0], threads[1]);
  EXPECT_EQ(calls(), (std::vector<std::string>{"notice", "notice"}));
  exitProgram();
  EXPECT_EQ(rt::procedureThreadCount(), 0);
}

TEST_F(FrameTest, ExitAnswersBoxesLeftOpenOnOtherThreads) {
  ASSERT_NE(startProgram(), nullptr);
  driver.start([] { rt::ShowMessageBox("Still here", "Other thread"); });
  ASSERT_NE(driver.waitForMessageBox(), nullptr);
  exitProgram();
  EXPECT_EQ(rt::procedureThreadCount(), 0);
  EXPECT_EQ(driver.messageBox(), nullptr);
}

TEST_F(FrameTest, SuccessfulKeyRebuildIsSilent) {
  {
    DomainsRecord rec;
    rt::KeyedFile domains(DomainsDesc(), &rec);
    ASSERT_TRUE(domains.create());
  }
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  driver.pickMenu(frame, frameitem::RebuildDomains);
  EXPECT_EQ(driver.messageBox(), nullptr);
  exitProgram();
}

TEST_F(FrameTest, FailingKeyRebuildIsReported) {
  writeFile(dir.filePath("DOMAINS.db"), QByteArray("this is not a data file at all", 30));
  ASSERT_NE(startProgram(), nullptr);
  driver.pickMenu(frame, frameitem::RebuildDomains);
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver.messageCaption(box), "File Access Error");
  EXPECT_NE(driver.messageText(box).find("Domains"), std::string::npos);
  driver.answer(rt::button::Ok);
  // The file is left as it was.
  QFile f(dir.filePath("DOMAINS.db"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("this is not a data file at all", 30));
  exitProgram();
}

TEST_F(FrameTest, ADamagedDomainsFileIsReportedOnceWhenTheBrowseOpens) {
  {
    DomainsRecord rec;
    rt::KeyedFile domains(DomainsDesc(), &rec);
    ASSERT_TRUE(domains.create());
    ASSERT_TRUE(domains.open());
    for (int i = 0; i < 3000; ++i) {
      rec = DomainsRecord{};
      rec.DOMAINNAME = "domain" + std::to_string((i * 7919) % 3000) + ".example.com";
      ASSERT_TRUE(domains.append());
    }
    ASSERT_TRUE(domains.close());
  }
  QFile f(dir.filePath("DOMAINS.db"));
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  const qint64 pages = f.size() / 4096;
  ASSERT_GT(pages, 8);
  f.seek(pages / 2 * 4096);
  f.write(QByteArray(4096, '\x5A'));
  f.close();

  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  driver.pickMenu(frame, -10);
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver.messageCaption(box), "File Access Error");
  const std::string text = driver.messageText(box);
  EXPECT_NE(text.find("Domains"), std::string::npos) << text;
  EXPECT_NE(text.find("File Fixer Utility"), std::string::npos) << text;
  driver.answer(rt::button::Ok);
  rt::Window* browse = driver.waitForWindow("BrowseDomains");
  ASSERT_NE(browse, nullptr);
  driver.activate(browse);
  for (int move : {2006, 2000, 2005}) driver.pickMenu(frame, move);  // last, first, next page
  EXPECT_EQ(driver.messageBox(), nullptr);                           // once, not once per read
  exitProgram();
}

TEST_F(FrameTest, FileFixerRunsTheRepairUtility) {
  writeFile(dir.filePath("tarnfix"), "#!/bin/sh\n", true);
  ASSERT_NE(startProgram(), nullptr);
  driver.pickMenu(frame, frameitem::FileFixer);
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches.front().program, dir.filePath("tarnfix").toStdString());
  exitProgram();
}

TEST_F(FrameTest, HelpMenuOpensTheHelpBooksContents) {
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_EQ(rt::helpWindow(), nullptr);
  driver.pickMenu(frame, -47);
  ASSERT_NE(rt::helpWindow(), nullptr);
  EXPECT_TRUE(rt::helpBrowser()->source().toString().contains("index.html"));
  exitProgram();
}

// Each item of the Help menu opens its own thing; Escape closes the help again.
TEST_F(FrameTest, HelpMenuItemsOpenContentsSearchAndUsingTheHelp) {
  ASSERT_NE(startProgram(), nullptr);
  helpchecks::pickEachHelpItem(driver, frame,
                               {{-47, "tarnwick/index.html", false},
                                {-48, "tarnwick/index.html", true},
                                {-49, "tarnwick/usinghelp.html", false}});
  exitProgram();
}

TEST(ShellOpenTest, CutsLongTargetsAndPassesBlankOnesQuietly) {
  std::vector<QUrl> opened;
  rt::setUrlOpener([&](const QUrl& u) { opened.push_back(u); });
  const std::string longTarget = "http://www.example.com/" + std::string(300, 'a');
  ShellOpen(nullptr, longTarget);
  ShellOpen(nullptr, "   ");
  ShellOpen(nullptr, "mailto:someone@example.org     ");
  rt::setUrlOpener(nullptr);
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0].toString().toStdString(), longTarget.substr(0, 255));
  EXPECT_TRUE(opened[1].isEmpty());
  EXPECT_EQ(opened[2].toString().toStdString(), "mailto:someone@example.org");
}

}  // namespace
}  // namespace admintest
