// The reminder window: which renewals it lists, its layout keys, and its opening by the
// start-up thread and the frame.
#include <QAbstractItemView>

#include "admin/Reminders.h"
#include "runtime/text/Dates.h"
#include "runtime/ui/IniAccess.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/ProgramFixture.h"

namespace domaintest {
namespace {

constexpr char kDesign[] =
    "80L(2)|FM~Domain Name~@s50@62R(2)|FM~Reg Date Started~C(0)@D2@60R(2)|FM~Renewal "
    "Date~C(0)@D2@50C(2)|FM~Host Date~C(0)@D2@26L(2)|~Fee Paid~L(0)@n10.2@/";
enum { nList = 2, nClose = 5, nPrint = 7 };

class RemindersTest : public WindowsTest {
 protected:
  rt::Window* openNotice() { return open(&notice, "notice"); }
  void closeNotice(rt::Window* w) {
    ASSERT_TRUE(driver.press(w, nClose));
    ASSERT_TRUE(driver.waitForClose("notice"));
  }
  std::vector<std::string> listed(rt::Window* w) {
    std::vector<std::string> names;
    for (int r = 1; r <= driver.rowCount(w, nList); ++r) names.push_back(driver.cell(w, nList, r));
    return names;
  }
};

TEST_F(RemindersTest, ListsRenewalsFromTodayToThirtyDaysAheadOnly) {
  const std::int32_t today = rt::TODAY();
  addDomain("today.com", today);
  addDomain("in30.com", today + 30);
  addDomain("in31.com", today + 31);
  addDomain("yesterday.com", today - 1);
  addDomain("nodate.com", 0);
  addRecords<DomainsRecord>(DomainsDesc(), {[&](DomainsRecord& r) {
                              r.DOMAINNAME = "hostonly.com";  // the host date takes no part
                              r.HOSTDATE = today;
                            }});
  const ProcedureEntry report = SetProcedure("PrintDomains2", nullptr);
  rt::Window* w = openNotice();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->title(), "Domain Reminders:   Due In 30 Days or Less");
  EXPECT_EQ(listed(w), (std::vector<std::string>{"in30.com", "today.com"}));
  // No editing, and no printing without the report in the program.
  EXPECT_FALSE(w->enabled(nPrint));
  closeNotice(w);
  SetProcedure("PrintDomains2", report);
}

TEST_F(RemindersTest, NoDueDomainOpensAnEmptyList) {
  addDomain("later.com", rt::TODAY() + 100);
  rt::Window* w = openNotice();
  ASSERT_TRUE(w);
  EXPECT_EQ(driver.rowCount(w, nList), 0);
  closeNotice(w);
}

TEST_F(RemindersTest, TheUsersLayoutIsKeptOnlyWithTheDesignItWasStoredWith) {
  // First opening: the design is stored, and the shown layout at the close.
  rt::Window* w = openNotice();
  ASSERT_TRUE(w);
  closeNotice(w);
  EXPECT_EQ(ini("notice", "SRCFOriginal?Browse:1"), kDesign);
  EXPECT_EQ(ini("notice", "SRCF?Browse:1"), kDesign);

  // A layout the user saved with the same design is shown (and written back as shown).
  std::string user = kDesign;
  user.replace(0, 2, "99");
  rt::iniPut("notice", "SRCF?Browse:1", user);
  w = openNotice();
  ASSERT_TRUE(w);
  closeNotice(w);
  EXPECT_EQ(ini("notice", "SRCF?Browse:1"), user);

  // An empty user layout keeps the design.
  rt::iniPut("notice", "SRCF?Browse:1", "");
  w = openNotice();
  ASSERT_TRUE(w);
  closeNotice(w);
  EXPECT_EQ(ini("notice", "SRCF?Browse:1"), kDesign);

  // A stored design that is not this one discards the user's layout.
  rt::iniPut("notice", "SRCF?Browse:1", user);
  rt::iniPut("notice", "SRCFOriginal?Browse:1", "40L(2)|M~Old~@s20@");
  w = openNotice();
  ASSERT_TRUE(w);
  closeNotice(w);
  EXPECT_EQ(ini("notice", "SRCFOriginal?Browse:1"), kDesign);
  EXPECT_EQ(ini("notice", "SRCF?Browse:1"), kDesign);
}

TEST_F(RemindersTest, TypingAnInitialMovesToTheFirstDomainBeginningWithIt) {
  const std::int32_t today = rt::TODAY();
  for (const char* n : {"alpha.com", "bravo.com", "beta.com", "charlie.com"}) addDomain(n, today);
  rt::Window* w = openNotice();
  ASSERT_TRUE(w);
  ASSERT_EQ(driver.rowCount(w, nList), 4);
  driver.pressKey(w, nList, 'C');
  driver.pump();
  EXPECT_EQ(w->listView(nList)->currentIndex().row(), 3);
  driver.pressKey(w, nList, 'b');
  driver.pump();
  EXPECT_EQ(w->listView(nList)->currentIndex().row(), 1);
  closeNotice(w);
}

TEST_F(RemindersTest, PrintRunsTheReportOnTheWindowsThreadOnceItIsInTheProgram) {
  addDomain("due.com", rt::TODAY());
  static int printed = 0;
  static int printThread = 0;
  printed = 0;
  const ProcedureEntry before = SetProcedure("PrintDomains2", [] {
    ++printed;
    printThread = rt::currentThread();
  });
  rt::Window* w = openNotice();
  ASSERT_TRUE(w);
  ASSERT_TRUE(w->enabled(nPrint));
  ASSERT_TRUE(driver.press(w, nPrint));
  EXPECT_EQ(printed, 1);
  EXPECT_EQ(printThread, w->thread());
  closeNotice(w);
  SetProcedure("PrintDomains2", before);
}

}  // namespace
}  // namespace domaintest

namespace admintest {
namespace {

using ReminderStartTest = ProgramTest;

TEST_F(ReminderStartTest, TheStartUpThreadAndTheMenuOpenTheReminderWindow) {
  SetProcedure("notice", &notice);
  {
    DomainsRecord rec{};
    rt::KeyedFile f(DomainsDesc(), &rec);
    ASSERT_TRUE(f.create());
    ASSERT_TRUE(f.open());
    rec.DOMAINNAME = "due.com";
    rec.RENEWALDATE = rt::TODAY() + 3;
    ASSERT_TRUE(f.add());
    ASSERT_TRUE(f.close());
  }
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  rt::Window* n = driver.waitForWindow("notice");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(driver.rowCount(n, 2), 1);
  EXPECT_EQ(driver.cell(n, 2, 1), "due.com");
  driver.press(n, 5);
  ASSERT_TRUE(driver.waitForClose("notice"));

  // "&Reminder Window" starts it on a thread of its own.
  ASSERT_TRUE(frame->menuEnabled(-39));
  ASSERT_TRUE(driver.pickMenu(frame, -39));
  n = driver.waitForWindow("notice");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(rt::requestedStack(n->thread()), 25000);
  EXPECT_EQ(driver.cell(n, 2, 1), "due.com");
  driver.press(n, 5);
  ASSERT_TRUE(driver.waitForClose("notice"));
  exitProgram();
}

}  // namespace
}  // namespace admintest
