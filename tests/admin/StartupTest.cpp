// The start-up thread: the splash and how it closes, renewal and note reminders, the
// launcher before the reminders, and the data files it leaves free when it ends.
#include <QApplication>

#include "admin/Startup.h"
#include "runtime/ini/IniFile.h"
#include "runtime/text/Dates.h"
#include "tests/support/ProgramFixture.h"

namespace admintest {
namespace {

using StartupTest = ProgramTest;

struct DomainRow {
  const char* name;
  std::int32_t renewal;
};

void makeDomains(const std::vector<DomainRow>& rows) {
  DomainsRecord rec;
  rt::KeyedFile f(DomainsDesc(), &rec);
  ASSERT_TRUE(f.create());
  ASSERT_TRUE(f.open());
  for (const DomainRow& r : rows) {
    rec = DomainsRecord{};
    rec.DOMAINNAME = r.name;
    rec.RENEWALDATE = r.renewal;
    ASSERT_TRUE(f.add()) << r.name;
  }
  ASSERT_TRUE(f.close());
}

void makeNotes(const std::vector<const char*>& reminders) {
  DnotesRecord rec;
  rt::KeyedFile f(DnotesDesc(), &rec);
  ASSERT_TRUE(f.create());
  ASSERT_TRUE(f.open());
  int n = 0;
  for (const char* r : reminders) {
    rec = DnotesRecord{};
    rec.TOPIC = "note " + std::to_string(++n);
    rec.REMINDER = r;
    ASSERT_TRUE(f.add());
  }
  ASSERT_TRUE(f.close());
}

// Nobody in this program (or another) holds the file open.
bool released(const rt::FileDesc& desc) {
  DomainsRecord scratch;
  return !rt::KeyedFile(desc, &scratch).inUse();
}

// The reminder notes browse clears the flag when it closes.
void notesStandIn() {
  standIn<kBrowseNotes>();
  ding.clear();
}

TEST(CheckRenewalTest, DueFromTodayToThirtyDaysAhead) {
  const std::int32_t today = rt::TODAY();
  const struct {
    std::int32_t date;
    bool due;
  } cases[] = {{today, true},       {today + 30, true}, {today + 15, true},
               {today + 31, false}, {today - 1, false}, {0, false}};
  for (const auto& c : cases) {
    renewaldue.clear();
    DOM.RENEWALDATE = c.date;
    CheckRenewal();
    EXPECT_EQ(renewaldue.str(), c.due ? "Yes" : "") << c.date - today;
  }
  // A domain that is not due leaves an earlier verdict as it was.
  renewaldue = "Yes";
  DOM.RENEWALDATE = today + 31;
  CheckRenewal();
  EXPECT_EQ(renewaldue.str(), "Yes");
  DOM.RENEWALDATE = 0;
  renewaldue.clear();
}

TEST_F(StartupTest, SplashClosesAfterEightSeconds) {
  ASSERT_NE(startProgram(), nullptr);
  rt::Window* s = driver.waitForWindow("splash");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->thread(), startupThread());
  driver.advanceClock(799);
  EXPECT_TRUE(driver.isOpen(s));
  driver.advanceClock(1);
  EXPECT_TRUE(driver.waitForClose("splash"));
  EXPECT_TRUE(driver.waitUntil([this] { return startupThread() == 0; }));
  exitProgram();
}

TEST_F(StartupTest, SplashClosesOnEachMouseKey) {
  for (int key : {rt::key::MouseLeft, rt::key::MouseLeft2, rt::key::MouseRight}) {
    ASSERT_NE(startProgram(), nullptr);
    rt::Window* s = driver.waitForWindow("splash");
    ASSERT_NE(s, nullptr);
    driver.click(s, 1, key);
    EXPECT_TRUE(driver.waitForClose("splash")) << key;
    exitProgram();
  }
}

TEST_F(StartupTest, SplashIgnoresTheMiddleButton) {
  ASSERT_NE(startProgram(), nullptr);
  rt::Window* s = driver.waitForWindow("splash");
  ASSERT_NE(s, nullptr);
  driver.click(s, 0, rt::key::MouseCenter);
  EXPECT_TRUE(driver.isOpen(s));
  exitProgram();
}

TEST_F(StartupTest, SplashClosesWhenItLosesTheFocus) {
  ASSERT_NE(startProgram(), nullptr);
  rt::Window* s = driver.waitForWindow("splash");
  ASSERT_NE(s, nullptr);
  driver.activate(s);
  ASSERT_TRUE(driver.isOpen(s));
  driver.activate(frame);
  EXPECT_TRUE(driver.waitForClose("splash"));
  exitProgram();
}

// The window manager moves the focus by itself while the first windows come up.
TEST_F(StartupTest, SplashOutlastsAFocusChangeTheUserDidNotMake) {
  for (const bool clickFollows : {false, true}) {
    ASSERT_NE(startProgram(), nullptr);
    rt::Window* s = driver.waitForWindow("splash");
    ASSERT_NE(s, nullptr);
    QApplication::setActiveWindow(s->widget());
    QApplication::setActiveWindow(frame->widget());
    driver.pump();
    if (clickFollows) {
      // The click that moved the focus reaches the program just after the loss.
      driver.click(frame, 0, rt::key::MouseLeft);
      EXPECT_TRUE(driver.waitForClose("splash"));
    } else {
      EXPECT_FALSE(driver.waitUntil([&] { return !driver.isOpen(s); }, 600));
      driver.advanceClock(800);
      EXPECT_TRUE(driver.waitForClose("splash"));
    }
    exitProgram();
  }
}

TEST_F(StartupTest, FirstMenuPickEndsTheWholeStartupThread) {
  const std::int32_t today = rt::TODAY();
  makeDomains({{"due.com", today + 3}});
  SetProcedure("notice", &standIn<kNotice, true>);
  ASSERT_NE(startProgram(), nullptr);
  ASSERT_NE(driver.waitForWindow("splash"), nullptr);
  driver.pickMenu(frame, -43);  // Tile
  EXPECT_TRUE(driver.waitForClose("splash"));
  // The reminder that would have followed the splash never opens.
  EXPECT_TRUE(driver.waitUntil([this] { return startupThread() == 0; }));
  EXPECT_TRUE(calls().empty());
  EXPECT_TRUE(released(DomainsDesc()));
  exitProgram();
}

TEST_F(StartupTest, ReminderOpensOncePerDueDomainInRecordOrder) {
  const std::int32_t today = rt::TODAY();
  makeDomains({{"a.com", today},
               {"b.com", today + 31},
               {"c.com", today - 1},
               {"d.com", 0},
               {"e.com", today + 30},
               {"f.com", today + 10}});
  SetProcedure("notice", &standIn<kNotice, true>);
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  for (const char* expected : {"notice:a.com", "notice:e.com", "notice:f.com"}) {
    rt::Window* n = driver.waitForWindow("notice");
    ASSERT_NE(n, nullptr) << expected;
    EXPECT_EQ(calls().back(), expected);
    // The scan holds the file while the reminder is up.
    EXPECT_FALSE(released(DomainsDesc()));
    driver.close(n);
  }
  EXPECT_TRUE(driver.waitUntil([this] { return startupThread() == 0; }));
  EXPECT_EQ(calls().size(), 3u);
  // Once the scan is over the page reader may write the file again.
  EXPECT_TRUE(released(DomainsDesc()));
  exitProgram();
}

TEST_F(StartupTest, MenuPickDuringAReminderStopsTheScanAndFreesTheFile) {
  const std::int32_t today = rt::TODAY();
  makeDomains({{"a.com", today}, {"b.com", today + 1}, {"c.com", today + 2}});
  makeNotes({"Y"});
  SetProcedure("notice", &standIn<kNotice, true>);
  SetProcedure("BrowseNotes", &notesStandIn);
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  ASSERT_NE(driver.waitForWindow("notice"), nullptr);
  EXPECT_FALSE(released(DomainsDesc()));
  driver.pickMenu(frame, -44);  // Cascade
  EXPECT_TRUE(driver.waitUntil([this] { return startupThread() == 0; }));
  EXPECT_EQ(calls(), (std::vector<std::string>{"notice:a.com"}));
  EXPECT_EQ(driver.find("notice"), nullptr);
  EXPECT_TRUE(released(DomainsDesc()));
  EXPECT_TRUE(released(DnotesDesc()));
  exitProgram();
}

TEST_F(StartupTest, ClosingTheFrameDuringAReminderOpensNoFurtherOne) {
  const std::int32_t today = rt::TODAY();
  makeDomains({{"a.com", today}, {"b.com", today + 1}, {"c.com", today + 2}});
  SetProcedure("notice", &standIn<kNotice, true>);
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  ASSERT_NE(driver.waitForWindow("notice"), nullptr);
  driver.close(frame);  // the close box: no menu pick before it
  EXPECT_TRUE(driver.waitUntil([this] { return !rt::threadRunning(programThread); }));
  frame = nullptr;
  EXPECT_EQ(calls(), (std::vector<std::string>{"notice:a.com"}));
  EXPECT_TRUE(released(DomainsDesc()));
}

TEST_F(StartupTest, LauncherOpensAfterTheSplashAndBeforeTheReminders) {
  makeDomains({{"soon.com", rt::TODAY() + 1}});
  SetProcedure("notice", &standIn<kNotice, true>);
  SetProcedure("cpanel2", &standIn<kLauncher>);
  rt::IniFile("tarnwick.INI").put("Preserved", "cptog", "1");
  ASSERT_NE(startProgram(), nullptr);
  EXPECT_EQ(cptog, 1);
  EXPECT_EQ(driver.find("cpanel2"), nullptr);
  passSplash();
  rt::Window* launcher = driver.waitForWindow("cpanel2");
  ASSERT_NE(launcher, nullptr);
  EXPECT_EQ(driver.find("notice"), nullptr);
  driver.close(launcher);
  rt::Window* n = driver.waitForWindow("notice");
  ASSERT_NE(n, nullptr);
  driver.close(n);
  EXPECT_EQ(calls(), (std::vector<std::string>{"cpanel2", "notice:soon.com"}));
  exitProgram();
}

TEST_F(StartupTest, ReminderNotesOpenTheNotesBrowse) {
  makeNotes({"N", "Y", "N", "Y"});
  SetProcedure("BrowseNotes", &notesStandIn);
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  for (int i = 0; i < 2; ++i) {
    rt::Window* b = driver.waitForWindow("BrowseNotes");
    ASSERT_NE(b, nullptr);
    driver.close(b);
  }
  EXPECT_TRUE(driver.waitUntil([this] { return startupThread() == 0; }));
  EXPECT_EQ(calls().size(), 2u);
  EXPECT_TRUE(released(DnotesDesc()));
  exitProgram();
}

TEST_F(StartupTest, LaterPicksNeverCloseAThreadThatIsNotTheStartupThread) {
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  ASSERT_TRUE(driver.waitUntil([this] { return startupThread() == 0; }));
  driver.pickMenu(frame, frameitem::About);
  rt::Window* about = driver.waitForWindow("splash");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(rt::requestedStack(about->thread()), 25000);
  driver.pickMenu(frame, -43);
  driver.pickMenu(frame, -44);
  EXPECT_TRUE(driver.isOpen(about));
  exitProgram();
}

}  // namespace
}  // namespace admintest
