// The keyboard as a user has it, typed into whatever has the focus: the focus at opening,
// Tab in the order the controls are seen, Enter and Escape, and the focus coming back to
// the window shown active when a modal child closes.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "UiFixture.h"

namespace uitest {
namespace {

using rt::ControlKind;
using rt::EventKind;

// Runs a window of its own on a procedure thread; the recorder outlives the test body's
// look at it through the fixture.
struct Opened {
  std::shared_ptr<std::vector<rt::Event>> log;
  int response = -1;
};

class Keyboard : public UiTest {
 protected:
  rt::Window* run(rt::WindowDesc desc, Opened& out) {
    driver.start([desc, &out] {
      Recorder w(desc, "Keys");
      w.setPositionSection({});
      out.log = w.log;
      out.response = w.Run();
    });
    return driver.waitForWindow("Keys");
  }
};

// Entries 10 and 11 with a prompt, a multi-line text 12, OK 1, Cancel 2, Other 3.
rt::WindowDesc entryDialog(rt::WindowKind kind = rt::WindowKind::Dialog) {
  rt::WindowDesc d = simpleWindow("Keys", kind);
  d.add(ControlKind::Prompt, 9, "&Name:");
  d.entry(10, "@s20");
  d.entry(11, "@n6");
  d.add(ControlKind::Text, 12);
  return d;
}

TEST_F(Keyboard, TheFirstEntryOfTheFirstTabHasTheFocusAtOpening) {
  struct Case {
    const char* what;
    std::function<rt::WindowDesc()> desc;
    int focused;
  };
  const std::vector<Case> cases = {
      {"buttons come before the entries", [] { return entryDialog(); }, 10},
      {"a plain window", [] { return entryDialog(rt::WindowKind::Plain); }, 10},
      {"an MDI child without a frame", [] { return entryDialog(rt::WindowKind::MdiChild); }, 10},
      {"only buttons: the first of them", [] { return simpleWindow("Keys"); }, 1},
      {"an entry on the second tab is not the first",
       [] {
         rt::WindowDesc d = simpleWindow("Keys");
         d.add(ControlKind::Sheet, 20);
         d.add(ControlKind::Tab, 21, "One", 20);
         d.add(ControlKind::Tab, 22, "Two", 20);
         d.entry(23, "@s10", 22);
         d.add(ControlKind::Button, 24, "On one", 21);
         d.entry(25, "@s10", 21);
         return d;
       },
       25},
      {"a disabled entry is passed over",
       [] {
         rt::WindowDesc d = entryDialog();
         d.controls[4].disabled = true;  // 10
         return d;
       },
       11},
      {"so is a read-only one",
       [] {
         rt::WindowDesc d = entryDialog();
         d.controls[4].readOnly = true;
         return d;
       },
       11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Opened o;
    rt::Window* w = run(c.desc(), o);
    ASSERT_TRUE(w);
    EXPECT_EQ(driver.focusWindow(), w);
    EXPECT_EQ(driver.focusedControl(), c.focused);
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose("Keys"));
  }
}

// A coloured tab colours the fields typed into; one that only shows keeps its own look.
TEST_F(Keyboard, AFieldThatOnlyShowsLooksApartUnderAFillColour) {
  rt::WindowDesc d = entryDialog();
  d.controls[4].readOnly = true;  // 10
  Opened o;
  rt::Window* w = run(d, o);
  ASSERT_TRUE(w);
  const QColor plain = w->control(10)->palette().color(QPalette::Base);
  EXPECT_NE(plain, w->control(11)->palette().color(QPalette::Base));
  for (int c : {10, 11}) w->setFillColor(c, 0xDEF5F8);
  EXPECT_EQ(w->control(11)->palette().color(QPalette::Base), QColor(0xF8, 0xF5, 0xDE));
  EXPECT_EQ(w->control(10)->palette().color(QPalette::Base), plain);
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("Keys"));
}

TEST_F(Keyboard, TabFollowsTheOrderTheControlsAreSeenIn) {
  // Listed out of their places: the one above comes first, then left to right.
  rt::WindowDesc d;
  d.kind = rt::WindowKind::Dialog;
  d.title = "Keys";
  auto place = [&d](int n, int x, int y) {
    rt::ControlDesc& c = d.entry(n, "@s10");
    c.x = x;
    c.y = y;
    c.width = 80;
    c.height = 20;
  };
  place(1, 100, 40);
  place(2, 10, 40);
  place(3, 10, 10);
  place(4, 100, 10);
  Opened o;
  rt::Window* w = run(d, o);
  ASSERT_TRUE(w);
  std::vector<int> seen{driver.focusedControl()};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    seen.push_back(driver.focusedControl());
  }
  EXPECT_EQ(seen, (std::vector<int>{3, 4, 2, 1, 3}));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Backtab, Qt::ShiftModifier));
  EXPECT_EQ(driver.focusedControl(), 1);
}

// A tab's controls are made as it first shows: they still come in the order they are seen,
// between the tab and what follows the sheet, with the states the window gave them.
TEST_F(Keyboard, ATabShownAfterOpeningHasItsControlsInTabOrder) {
  rt::WindowDesc d = simpleWindow("Keys");
  d.add(ControlKind::Sheet, 20);
  d.add(ControlKind::Tab, 21, "One", 20);
  d.add(ControlKind::Tab, 22, "Two", 20);
  auto place = [&d](int n, int tab, int x, int y) {
    rt::ControlDesc& c = d.entry(n, "@s10", tab);
    c.x = x;
    c.y = y;
    c.width = 80;
    c.height = 20;
  };
  place(25, 21, 10, 10);
  place(23, 22, 100, 10);
  place(24, 22, 10, 10);
  place(26, 22, 10, 40);
  d.controls.back().disabled = true;
  place(27, 22, 100, 40);
  d.entry(30, "@s10");
  Opened o;
  rt::Window* w = run(d, o);
  ASSERT_TRUE(w);
  w->setHidden(27, true);
  ASSERT_TRUE(driver.selectTab(w, 20, 2));
  std::vector<int> seen{driver.focusedControl()};
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    seen.push_back(driver.focusedControl());
  }
  ASSERT_TRUE(driver.hitKey(Qt::Key_Backtab, Qt::ShiftModifier));
  seen.push_back(driver.focusedControl());
  // The page itself, its entries but the disabled and the hidden one, the entry after the
  // sheet, the buttons, the tab bar; and back.
  EXPECT_EQ(seen, (std::vector<int>{22, 24, 23, 30, 1, 2, 3, 20, 22, 20}));
}

TEST_F(Keyboard, TabLeavesAListForTheNextControl) {
  rt::WindowDesc d = simpleWindow("Keys", rt::WindowKind::Dialog);
  d.add(ControlKind::List, 20).items = "one|two|three";
  d.entry(21, "@s10");
  Opened o;
  ASSERT_TRUE(run(d, o));
  ASSERT_EQ(driver.focusedControl(), 20);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  EXPECT_EQ(driver.focusedControl(), 21);
}

TEST_F(Keyboard, EnterPressesOkFromAnyEntryAndEscapeCancels) {
  struct Case {
    const char* what;
    int tabs;  // from the first entry
    Qt::Key key;
    int response;
  };
  const Case cases[] = {
      {"Enter in the first entry", 0, Qt::Key_Return, rt::RequestCompleted},
      {"Enter on the keypad in the second", 1, Qt::Key_Enter, rt::RequestCompleted},
      {"Escape in an entry", 0, Qt::Key_Escape, rt::RequestCancelled},
      {"Escape in the text", 2, Qt::Key_Escape, rt::RequestCancelled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Opened o;
    rt::Window* w = run(entryDialog(), o);
    ASSERT_TRUE(w);
    for (int i = 0; i < c.tabs; ++i) ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    ASSERT_TRUE(driver.typeKeys("42"));
    const int typedInto = driver.focusedControl();
    ASSERT_TRUE(driver.hitKey(c.key));
    ASSERT_TRUE(driver.waitForClose("Keys"));
    EXPECT_EQ(o.response, c.response);
    EXPECT_EQ(countOf(*o.log, EventKind::Accepted, 1), c.response == rt::RequestCompleted);
    if (c.response == rt::RequestCompleted) {
      // The typed value was taken before OK.
      EXPECT_EQ(countOf(*o.log, EventKind::Accepted, typedInto), 1);
    }
  }
}

TEST_F(Keyboard, EnterInTheTextIsANewLineAndEscapeWithoutCancelCloses) {
  Opened o;
  rt::Window* w = run(entryDialog(), o);
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  ASSERT_EQ(driver.focusedControl(), 12);
  ASSERT_TRUE(driver.typeKeys("a"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  ASSERT_TRUE(driver.typeKeys("b"));
  EXPECT_EQ(w->text(12), "a\nb");
  EXPECT_TRUE(driver.isOpen(w));
  EXPECT_EQ(countOf(*o.log, EventKind::Accepted, 1), 0);
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("Keys"));

  rt::WindowDesc plain;
  plain.kind = rt::WindowKind::Dialog;
  plain.title = "Keys";
  plain.add(ControlKind::Button, 3, "&Other");
  w = run(plain, o);
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));  // a button that is not the default
  EXPECT_TRUE(driver.isOpen(w));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  ASSERT_TRUE(driver.waitForClose("Keys"));
  EXPECT_EQ(countOf(*o.log, EventKind::CloseWindow), 1);
}

}  // namespace
}  // namespace uitest
