// Tab colouring on live windows: which tab shows decides every tab's and control's look.
#include <gtest/gtest.h>

#include <QColor>
#include <QPalette>
#include <QWidget>

#include "common/TabColorer.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/WindowController.h"
#include "tests/support/TestDriver.h"

namespace {

using rt::ControlKind;

constexpr long kCream = 0xDEF5F8, kRed = 0x0000FF, kKhaki = 0x8FDCE7, kBlue = 0xFF0000;

// Sheet 10 (tabs 11, 12 with entries 13, 14) and sheet 20 (tabs 21, 22 with entry 23),
// and an entry 30 outside both.
rt::WindowDesc twoSheets(bool wizardSecond = false) {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::Dialog;
  d.title = "Sheets";
  d.add(ControlKind::Sheet, 10);
  d.add(ControlKind::Tab, 11, "General", 10);
  d.add(ControlKind::Tab, 12, "Costs", 10);
  d.entry(13, "@s20", 11);
  d.entry(14, "@s20", 12);
  d.add(ControlKind::Sheet, 20).wizard = wizardSecond;
  d.add(ControlKind::Tab, 21, "Notes", 20);
  d.add(ControlKind::Tab, 22, "Pages", 20);
  d.entry(23, "@s20", 21);
  d.entry(30, "@s20");
  return d;
}

// A window that colours its sheets as the system's browses and forms do.
class Colored : public rt::WindowController {
 public:
  Colored(rt::WindowDesc d, long noWizard)
      : WindowController(std::move(d), ""), noWizard_(noWizard) {
    setPositionSection({});
  }
  TabColorer colorer;
  rt::Flow Setup() override {
    const rt::Flow f = WindowController::Setup();
    colorer.Init(*window(), TabColorer::kSelTab, TabColorer::kSelText, 1, TabColorer::kUnselTab,
                 TabColorer::kUnselText, noWizard_, 1);
    colorer.Refresh();
    return f;
  }
  rt::Flow OnFieldEvent() override {
    if (window()->controlKind(control()) == ControlKind::Sheet) colorer.Refresh();
    return WindowController::OnFieldEvent();
  }
  rt::Flow Teardown() override {
    colorer.Kill();
    return WindowController::Teardown();
  }

 private:
  long noWizard_;
};

struct Look {
  long fill, text, style;
  bool operator==(const Look&) const = default;
};

class TabColorerTest : public ::testing::Test {
 protected:
  void open(rt::WindowDesc d, long noWizard = 0) {
    driver.start([this, d, noWizard] {
      Colored w(d, noWizard);
      colored = &w;
      w.Run();
      colored = nullptr;
    });
    win = driver.waitForWindow(d.title);
    ASSERT_NE(win, nullptr);
  }
  void TearDown() override {
    if (win && driver.isOpen(win)) driver.close(win);
    driver.waitForThreadsToEnd();
    EXPECT_EQ(rt::procedureThreadCount(), 0);
  }
  Look look(int c) const { return {win->fillColor(c), win->fontColor(c), win->fontStyle(c)}; }

  rt::TestDriver driver;
  rt::Window* win = nullptr;
  Colored* colored = nullptr;
};

TEST_F(TabColorerTest, QueuesTabsAndTheControlsOnThem) {
  open(twoSheets());
  ASSERT_NE(colored, nullptr);
  const TabColorerQueue& tabs = *colored->colorer.TABQ;
  ASSERT_EQ(tabs.size(), 4u);
  EXPECT_EQ(tabs[0].FEQ, 11);
  EXPECT_EQ(tabs[0].PARENTFEQ, 10);
  EXPECT_EQ(tabs[0].GRANDPARENTFEQ, 0);
  EXPECT_EQ(tabs[3].FEQ, 22);
  EXPECT_EQ(tabs[3].PARENTFEQ, 20);
  const TabColorerQueue& kids = *colored->colorer.CHILDQ;
  ASSERT_EQ(kids.size(), 3u);  // the entry outside the sheets is not queued
  EXPECT_EQ(kids[1].FEQ, 14);
  EXPECT_EQ(kids[1].PARENTFEQ, 12);
  EXPECT_EQ(kids[1].GRANDPARENTFEQ, 10);
}

TEST_F(TabColorerTest, ShowingTabIsCreamAndBoldOthersKhaki) {
  open(twoSheets());
  EXPECT_EQ(look(11), (Look{kCream, kRed, 956}));  // 400 | 700
  EXPECT_EQ(look(12), (Look{kKhaki, kBlue, 0}));   // 400 & ~1BCh
  // Controls take their tab's colours but never bold.
  EXPECT_EQ(look(13), (Look{kCream, kRed, 400}));
  EXPECT_EQ(look(14), (Look{kKhaki, kBlue, 400}));
  EXPECT_EQ(look(30), (Look{rt::kColorNone, rt::kColorNone, 400}));
}

TEST_F(TabColorerTest, TabChangeRepaintsOldAndNewTab) {
  open(twoSheets());
  driver.selectTab(win, 10, 2);
  EXPECT_EQ(look(11), (Look{kKhaki, kBlue, 512}));  // 956 & ~1BCh
  EXPECT_EQ(look(12), (Look{kCream, kRed, 700}));   // 0 | 700
  EXPECT_EQ(look(13), (Look{kKhaki, kBlue, 400}));
  EXPECT_EQ(look(14), (Look{kCream, kRed, 400}));
  driver.selectTab(win, 10, 1);
  EXPECT_EQ(look(11), (Look{kCream, kRed, 700 | 512}));
  EXPECT_EQ(look(12), (Look{kKhaki, kBlue, 512}));
}

// Every control's look is set again at each change of tab; only the changed ones are
// restyled, and those show their new colours.
TEST_F(TabColorerTest, TabChangeRestylesOnlyTheControlsWhoseLookChanged) {
  open(twoSheets());
  driver.pump();
  const rt::PaintCount changed(win->control(14)), kept(win->control(23));
  driver.selectTab(win, 10, 2);
  driver.pump();
  EXPECT_GE(changed.count(), 1);
  EXPECT_EQ(kept.count(), 0);  // on the other sheet
  const QPalette p = win->control(14)->palette();
  EXPECT_EQ(p.color(QPalette::Base), QColor(0xF8, 0xF5, 0xDE));  // cream, 0BBGGRRh
  EXPECT_EQ(p.color(QPalette::Text), QColor(0xFF, 0, 0));        // red
}

TEST_F(TabColorerTest, TwoSheetsFollowTheirOwnCurrentTab) {
  open(twoSheets());
  driver.selectTab(win, 20, 2);
  EXPECT_EQ(look(21).fill, kKhaki);
  EXPECT_EQ(look(22).fill, kCream);
  EXPECT_EQ(look(23).fill, kKhaki);
  // The first sheet still shows its first tab.
  EXPECT_EQ(look(11).fill, kCream);
  EXPECT_EQ(look(12).fill, kKhaki);
  EXPECT_EQ(look(13).text, kRed);
}

TEST_F(TabColorerTest, WizardSheetLeftAloneWhenAsked) {
  open(twoSheets(true), 1);
  EXPECT_EQ(look(21).fill, rt::kColorNone);
  EXPECT_EQ(look(23).fill, rt::kColorNone);
  EXPECT_EQ(look(11).fill, kCream);
}

TEST_F(TabColorerTest, WindowWithoutSheetQueuesAndPaintsNothing) {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::Dialog;
  d.title = "Plain";
  d.entry(1, "@s10");
  d.add(ControlKind::Button, 2, "OK").okButton = true;
  open(d);
  ASSERT_NE(colored, nullptr);
  EXPECT_TRUE(colored->colorer.TABQ->empty());
  EXPECT_TRUE(colored->colorer.CHILDQ->empty());
  EXPECT_EQ(look(1), (Look{rt::kColorNone, rt::kColorNone, 400}));
}

TEST_F(TabColorerTest, KillDropsTheQueuesAndRefreshThenDoesNothing) {
  open(twoSheets());
  ASSERT_NE(colored, nullptr);
  colored->colorer.Kill();
  EXPECT_EQ(colored->colorer.TABQ, nullptr);
  EXPECT_EQ(colored->colorer.CHILDQ, nullptr);
  driver.selectTab(win, 10, 2);  // the window's handler refreshes a killed colorer
  EXPECT_EQ(look(12).fill, kKhaki);
}

}  // namespace
