// The landed windows by keyboard alone: the splash's focus at opening, Tab through each tab,
// and the keys going to the window drawn active after modal children of the same thread
// close. Every table window's focus at opening is checked in WindowConventionsTest.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTabWidget>
#include <utility>

#include "admin/Domains.h"
#include "admin/Registrars.h"
#include "admin/Reminders.h"
#include "common/Splash.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/ProgramFixture.h"

namespace domaintest {
namespace {

using KeyboardTest = WindowsTest;

// The splash window is no table window: it takes the keyboard itself, in no control.
TEST_F(KeyboardTest, TheSplashOpensWithTheFocusInTheWindow) {
  rt::Window* w = open(&splash, "splash");
  ASSERT_TRUE(w);
  EXPECT_EQ(driver.focusWindow(), w);
  EXPECT_EQ(driver.focusedControl(), 0);
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("splash"));
}

TEST_F(KeyboardTest, TabWalksEachTabOfTheFormsInTheOrderItIsSeen) {
  const std::pair<void (*)(), const char*> forms[] = {{&UpdateDomains, "UpdateDomains"},
                                                      {&UpdateRegistrars, "UpdateRegistrars"}};
  constexpr int kSheet = 1;
  for (const auto& [procedure, name] : forms) {
    rt::Window* w = open(procedure, name, rt::Request::Insert);
    ASSERT_TRUE(w);
    auto* sheet = qobject_cast<QTabWidget*>(w->control(kSheet));
    ASSERT_TRUE(sheet);
    for (int tab = 1; tab <= sheet->count(); ++tab) {
      SCOPED_TRACE(std::string(name) + " tab " + std::to_string(tab));
      ASSERT_TRUE(driver.selectTab(w, kSheet, tab));
      sheet->tabBar()->setFocus(Qt::MouseFocusReason);  // where a click on the tab leaves it
      ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
      const QWidget* page = sheet->currentWidget();
      std::vector<QPoint> seen;
      for (QWidget* f = driver.focusWidget(); f && page->isAncestorOf(f);
           f = driver.focusWidget()) {
        seen.push_back(f->mapTo(w->widget(), QPoint(0, 0)));
        ASSERT_LT(seen.size(), 100u);
        ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
      }
      EXPECT_FALSE(seen.empty());
      for (std::size_t i = 1; i < seen.size(); ++i)
        EXPECT_LT(std::pair(seen[i - 1].y(), seen[i - 1].x()), std::pair(seen[i].y(), seen[i].x()))
            << "stop " << i;
    }
    ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
    ASSERT_TRUE(driver.waitForClose(name));
  }
}

}  // namespace
}  // namespace domaintest

namespace admintest {
namespace {

class ModalKeys : public ProgramTest {
 protected:
  // The window drawn active, in front of its frame's other children, takes the keys.
  void expectKeysGoTo(std::string_view name) {
    rt::Window* w = driver.find(name);
    ASSERT_TRUE(w);
    EXPECT_EQ(driver.activeWindow(), w);
    EXPECT_EQ(driver.focusWindow(), w);
    const auto stack = frame->mdiArea()->subWindowList(QMdiArea::StackingOrder);
    ASSERT_FALSE(stack.isEmpty());
    EXPECT_EQ(stack.back(), w->topLevel());
  }
  void addRegistrarByKeys(std::string_view company) {
    ASSERT_TRUE(driver.hitKey(Qt::Key_I, Qt::AltModifier));
    ASSERT_TRUE(driver.waitForWindow("UpdateRegistrars"));
    ASSERT_TRUE(driver.typeKeys(company));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
    ASSERT_TRUE(driver.waitForClose("UpdateRegistrars"));
    driver.activate(frame);  // as the window manager does when the form goes
  }
};

TEST_F(ModalKeys, TheRegistrarsButtonsRoundTripLeavesTheKeysWithTheWindowShownActive) {
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  driver.activate(frame);  // as the window manager does when the splash goes
  ASSERT_TRUE(driver.hitKey(Qt::Key_F5));
  rt::Window* domains = driver.waitForWindow("BrowseDomains");
  ASSERT_TRUE(domains);
  expectKeysGoTo("BrowseDomains");

  ASSERT_TRUE(driver.press(domains, 11));  // "Registrars", on the same thread
  ASSERT_TRUE(driver.waitForWindow("BrowseRegistrars"));
  expectKeysGoTo("BrowseRegistrars");
  addRegistrarByKeys("Names Inc");
  expectKeysGoTo("BrowseRegistrars");
  EXPECT_TRUE(domains->blocked());
  // The frame's next child, chosen when Ctrl goes up: never the greyed browse.
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab, Qt::ControlModifier));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Control));
  expectKeysGoTo("BrowseRegistrars");

  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));  // Close
  ASSERT_TRUE(driver.waitForClose("BrowseRegistrars"));
  expectKeysGoTo("BrowseDomains");
  ASSERT_TRUE(driver.hitKey(Qt::Key_I, Qt::AltModifier));
  ASSERT_TRUE(driver.waitForWindow("UpdateDomains"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  expectKeysGoTo("BrowseDomains");

  // F7 opens the registrars on a thread of their own, beside the live domain browse.
  ASSERT_TRUE(driver.hitKey(Qt::Key_F7));
  ASSERT_TRUE(driver.waitForWindow("BrowseRegistrars"));
  expectKeysGoTo("BrowseRegistrars");
  addRegistrarByKeys("Second Names");
  expectKeysGoTo("BrowseRegistrars");
  ASSERT_TRUE(driver.hitKey(Qt::Key_I, Qt::AltModifier));
  EXPECT_TRUE(driver.waitForWindow("UpdateRegistrars"));
  EXPECT_EQ(driver.find("UpdateDomains"), nullptr);
  exitProgram();
}

}  // namespace
}  // namespace admintest
