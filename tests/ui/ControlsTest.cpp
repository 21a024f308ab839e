// Controls bound to variables, pictures on input, properties, sheets, and the base
// behaviour of OK, Cancel and rejected input.
#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>

#include "UiFixture.h"
#include "runtime/text/FixedString.h"

namespace uitest {
namespace {

using rt::ControlKind;
using rt::EventKind;
using rt::Flow;

TEST(BindingTest, TextIsCutAndPadded) {
  rt::Str<5> s;
  rt::Binding b(s);
  EXPECT_TRUE(b.set(std::string("abcdefgh")));
  EXPECT_EQ(s.raw(), "abcde");
  EXPECT_TRUE(b.set(std::string("ab")));
  EXPECT_EQ(s.raw(), "ab   ");
  EXPECT_EQ(std::get<std::string>(b.get()), "ab");
}

TEST(BindingTest, ZeroTerminatedTextKeepsItsTerminatorAndWholeCharacters) {
  char buf[6];
  std::memset(buf, 'x', sizeof buf);
  rt::Binding b(buf, sizeof buf, true);
  EXPECT_TRUE(b.set(std::string("abcd\xC3\xA9z")));  // "é" would straddle the end
  EXPECT_STREQ(buf, "abcd");
  EXPECT_TRUE(b.set(std::string("a b ")));
  EXPECT_STREQ(buf, "a b ");
}

TEST(BindingTest, NumbersThatDoNotFitAreRefusedNotWrapped) {
  std::int16_t sh = 7;
  std::uint8_t by = 7;
  rt::Decimal dec{123};
  std::int32_t day = 0;
  struct Case {
    rt::Binding b;
    rt::Value v;
    bool ok;
  };
  const Case cases[] = {
      {rt::Binding(sh), 40000.0, false},   {rt::Binding(sh), -32768.0, true},
      {rt::Binding(by), 256.0, false},     {rt::Binding(by), -1.0, false},
      {rt::Binding(dec), 100000.0, false}, {rt::Binding(dec), std::string("x"), false},
      {rt::Binding(dec), -99999.99, true}, {rt::Binding::date(day), rt::DateValue{80000}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(c.b.set(c.v), c.ok) << rt::textOf(c.v);
  EXPECT_EQ(sh, -32768);
  EXPECT_EQ(by, 7);
  EXPECT_EQ(dec.hundredths, -9999999);
  EXPECT_EQ(day, 80000);
}

#pragma pack(push, 1)
struct OddRecord {
  char flag;
  double real;
  rt::Decimal money;
  std::int32_t day;
  std::int16_t count;
};
#pragma pack(pop)

TEST(BindingTest, FieldsOfPackedRecordsAtOddOffsetsKeepTheirValues) {
  OddRecord r{'x', 0, {}, 0, 0};
  auto at = [&](std::size_t offset) { return reinterpret_cast<char*>(&r) + offset; };
  const rt::Binding real = rt::Binding::field(rt::FieldType::Real, at(1), 8);
  const rt::Binding money = rt::Binding::field(rt::FieldType::Decimal, at(9), 4);
  const rt::Binding day = rt::Binding::field(rt::FieldType::Date, at(13), 4);
  const rt::Binding count = rt::Binding::field(rt::FieldType::Short, at(17), 2);
  ASSERT_TRUE(real.set(rt::Value(2.5)));
  ASSERT_TRUE(money.set(rt::Value(std::string("1234.56"))));
  ASSERT_TRUE(day.set(rt::Value(rt::DateValue{80000})));
  ASSERT_TRUE(count.set(rt::Value(-7.0)));
  EXPECT_FALSE(count.set(rt::Value(40000.0)));
  EXPECT_EQ(r.flag, 'x');
  EXPECT_EQ(+r.real, 2.5);
  EXPECT_EQ(+r.money.hundredths, 123456);
  EXPECT_EQ(+r.day, 80000);
  EXPECT_EQ(+r.count, -7);
  EXPECT_EQ(std::get<double>(real.get()), 2.5);
  EXPECT_EQ(std::get<rt::DateValue>(day.get()).day, 80000);
  EXPECT_EQ(rt::numberOf(count.get()), -7);
}

// A form with most kinds of control, bound to a small record.
struct Record {
  rt::Str<20> name;
  rt::Decimal cost{};
  rt::Str<1> flag;
  rt::Str<4> kind;
  rt::Str<10> pick;
  rt::Str<200> notes;
  std::int32_t renewal = 0;
};

rt::WindowDesc formDesc() {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::Dialog;
  d.title = "Update Things";
  d.add(ControlKind::Prompt, 10, "&Name:");
  d.entry(11, "@s20");
  d.add(ControlKind::Prompt, 12, "Cost:");
  d.entry(13, "@n10.2");
  d.add(ControlKind::Check, 14, "Flag").trueValue = "Y";
  d.controls.back().falseValue = "N";
  d.add(ControlKind::Option, 15, "Kind");
  d.add(ControlKind::Radio, 16, "Web", 15).value = "WEB";
  d.add(ControlKind::Radio, 17, "Mail", 15).value = "MAIL";
  d.add(ControlKind::DropList, 18).items = "one|two|three";
  d.add(ControlKind::Sheet, 20);
  d.add(ControlKind::Tab, 21, "General", 20);
  d.add(ControlKind::Tab, 22, "Notes", 20);
  d.add(ControlKind::Text, 23, {}, 22);
  d.entry(24, "@d2", 21);
  d.add(ControlKind::Button, 1, "OK").okButton = true;
  d.add(ControlKind::Button, 2, "Cancel").cancelButton = true;
  return d;
}

class FormController : public Recorder {
 public:
  FormController(Record& r) : Recorder(formDesc(), "UpdateThings") {
    bind(11, r.name);
    bind(13, r.cost);
    bind(14, r.flag);
    bind(15, r.kind);
    bind(18, r.pick);
    bind(23, r.notes);
    bind(24, rt::Binding::date(r.renewal));
  }
  int performed = 0;
  int rejected = 0;
  Flow PerformRequest() override {
    ++performed;
    return Flow::Continue;
  }
  Flow OnRejected() override {
    ++rejected;
    return Recorder::OnRejected();
  }
};

class Controls : public UiTest {
 protected:
  // Runs the form on a thread of its own; the record and controller live there.
  rt::Window* openForm(rt::Request request = rt::Request::Change) {
    driver.start([this, request] {
      FormController f(rec);
      f.setRequest(request);
      form = &f;
      response = f.Run();
      form = nullptr;
    });
    return driver.waitForWindow("UpdateThings");
  }
  // The record as the form's thread sees it.
  Record& seen() { return rec; }

  Record rec;
  FormController* form = nullptr;
  int response = 0;
};

TEST_F(Controls, VariablesAreShownThroughTheirPictures) {
  rec.name = "example.com";
  rec.cost = rt::Decimal{123456};
  rec.flag = "Y";
  rec.kind = "MAIL";
  rec.pick = "two";
  rec.notes = "line one";
  rec.renewal = 82000;
  rt::Window* w = openForm();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->text(11), "example.com");
  EXPECT_EQ(w->text(13), "1,234.56");
  EXPECT_TRUE(static_cast<QCheckBox*>(w->control(14))->isChecked());
  EXPECT_EQ(rt::textOf(w->value(15)), "MAIL");
  EXPECT_EQ(w->text(18), "two");
  EXPECT_EQ(w->text(23), "line one");
  EXPECT_EQ(w->text(24), rt::Picture("@d2").format(rt::DateValue{82000}));
}

TEST_F(Controls, AcceptedInputGoesIntoItsVariable) {
  rt::Window* w = openForm();
  ASSERT_NE(w, nullptr);
  driver.type(w, 11, "new name");
  driver.type(w, 13, "2,000.5");
  driver.press(w, 14);
  driver.press(w, 16);
  driver.choose(w, 18, 3);
  driver.type(w, 23, "memo text");
  EXPECT_EQ(seen().name, "new name");
  EXPECT_EQ(seen().cost.hundredths, 200050);
  EXPECT_EQ(seen().flag, "Y");
  EXPECT_EQ(seen().kind, "WEB");
  EXPECT_EQ(seen().pick, "three");
  EXPECT_EQ(seen().notes, "memo text");
  driver.press(w, 14);
  EXPECT_EQ(seen().flag, "N");
}

TEST_F(Controls, InputThePictureCannotTakeIsRejected) {
  rec.cost = rt::Decimal{500};
  rt::Window* w = openForm();
  ASSERT_NE(w, nullptr);
  driver.type(w, 13, "abc");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->rejected, 1);
  EXPECT_EQ(seen().cost.hundredths, 500);
  driver.type(w, 13, "999999");  // beyond DECIMAL's range: refused, not wrapped
  EXPECT_EQ(form->rejected, 2);
  EXPECT_EQ(seen().cost.hundredths, 500);
  // OK with a bad field goes back to it instead of completing.
  driver.press(w, 1);
  EXPECT_TRUE(driver.isOpen(w));
  EXPECT_EQ(form->performed, 0);
  driver.type(w, 13, "12");
  driver.press(w, 1);
  EXPECT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(response, rt::RequestCompleted);
  EXPECT_EQ(seen().cost.hundredths, 1200);
}

TEST_F(Controls, BytesThatAreNotUtf8ShowAsWindows1252AndAnUnchangedFieldKeepsThem) {
  const std::string legacy = "Caf\xE9 \x93q\x94 \x80";
  rec.name = legacy;
  rec.notes = legacy;
  rt::Window* w = openForm();
  ASSERT_NE(w, nullptr);
  const QString shown = QString::fromUtf8("Café “q” €");
  EXPECT_EQ(static_cast<QLineEdit*>(w->control(11))->text(), shown);
  EXPECT_EQ(static_cast<QPlainTextEdit*>(w->control(23))->toPlainText(), shown);
  driver.press(w, 1);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(seen().name.str(), legacy);
  EXPECT_EQ(seen().notes.str(), legacy);
}

TEST_F(Controls, CancelLeavesWithoutPerforming) {
  rt::Window* w = openForm();
  ASSERT_NE(w, nullptr);
  driver.press(w, 2);
  EXPECT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(response, rt::RequestCancelled);
}

TEST_F(Controls, ViewRequestMakesFieldsReadOnly) {
  rt::Window* w = openForm(rt::Request::View);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(static_cast<QLineEdit*>(w->control(11))->isReadOnly());
  EXPECT_TRUE(static_cast<QPlainTextEdit*>(w->control(23))->isReadOnly());
  EXPECT_FALSE(w->enabled(14));
}

TEST_F(Controls, SheetTabsReportChangesAndKeepTheirLook) {
  rt::Window* w = openForm();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->currentTab(20), 1);
  EXPECT_EQ(w->currentTabControl(20), 21);
  EXPECT_EQ(w->tabsOf(20), (std::vector<int>{21, 22}));
  EXPECT_EQ(w->parentOf(23), 22);
  driver.selectTab(w, 20, 2);
  EXPECT_EQ(w->currentTabControl(20), 22);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(countOf(*form->log, EventKind::NewSelection, 20), 1);

  w->setFillColor(21, 0xDEF5F8);
  w->setFontColor(21, 0x0000FF);
  w->setFontStyle(21, 400 | 0x2BC);
  EXPECT_EQ(w->fillColor(21), 0xDEF5F8);
  EXPECT_EQ(w->fontColor(21), 0x0000FF);
  EXPECT_EQ(w->fontStyle(21), 956);
  // A control takes the colour in the red-lowest order.
  w->setFillColor(11, 0x8FDCE7);
  EXPECT_EQ(w->control(11)->palette().color(QPalette::Base), QColor(0xE7, 0xDC, 0x8F));
  w->setFontStyle(11, rt::fontstyle::Bold | rt::fontstyle::Italic);
  EXPECT_EQ(w->control(11)->font().weight(), QFont::Bold);
  EXPECT_TRUE(w->control(11)->font().italic());

  w->setHidden(22, true);
  EXPECT_TRUE(w->hidden(22));
  w->setEnabled(11, false);
  EXPECT_FALSE(w->enabled(11));
  w->setText(21, "Main");
  EXPECT_EQ(w->text(21), "Main");
}

TEST_F(Controls, RecallHistoryRestoresTheOpeningValue) {
  rec.name = "before";
  rt::Window* w = openForm();
  ASSERT_NE(w, nullptr);
  w->setText(11, "after");
  w->selectControl(11);
  driver.activate(w);
  w->control(11)->setFocus();
  ASSERT_EQ(w->focusedControl(), 11);
  form->RecallHistory();
  EXPECT_EQ(w->text(11), "before");
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

rt::WindowDesc gadgetsDesc() {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::MdiChild;
  d.title = "Gadgets";
  d.entry(1, "@s40").link = true;
  rt::ControlDesc& bar = d.add(ControlKind::Progress, 2);
  bar.rangeHigh = 200;
  d.add(ControlKind::List, 3).items = "alpha|beta|gamma";
  rt::ControlDesc& title = d.add(ControlKind::Prompt, 4, "Tarnwick");
  title.font = "Arial Black";
  title.fontSize = 20;
  d.add(ControlKind::Image, 5);
  d.add(ControlKind::List, 6);  // no items: waits for a browse
  return d;
}

class Gadgets : public UiTest {};

TEST_F(Gadgets, LinkProgressListAndFonts) {
  std::int32_t done = 50;
  std::int32_t row = 0;
  auto log = std::make_shared<std::vector<rt::Event>>();
  Recorder* ctl = nullptr;
  driver.start([&] {
    Recorder w(gadgetsDesc(), "Gadgets");
    w.bind(2, done);
    w.bind(3, row);
    log = w.log;
    ctl = &w;
    w.Run();
    ctl = nullptr;
  });
  rt::Window* w = driver.waitForWindow("Gadgets");
  ASSERT_NE(w, nullptr);

  driver.click(w, 1, rt::key::MouseLeft);
  EXPECT_EQ(countOf(*log, EventKind::Accepted, 1), 1);
  EXPECT_EQ(w->control(1)->cursor().shape(), Qt::PointingHandCursor);

  EXPECT_EQ(rt::numberOf(w->value(2)), 50);
  done = 260;  // beyond the bar's range: shown full, not wrapped
  ASSERT_NE(ctl, nullptr);
  ctl->RefreshItems();
  EXPECT_EQ(rt::numberOf(w->value(2)), 200);

  EXPECT_EQ(driver.rowCount(w, 3), 3);
  EXPECT_EQ(driver.cell(w, 3, 2), "beta");
  driver.choose(w, 3, 3);
  EXPECT_EQ(countOf(*log, EventKind::NewSelection, 3), 1);
  EXPECT_EQ(countOf(*log, EventKind::Accepted, 3), 1);
  EXPECT_EQ(row, 3);
  EXPECT_EQ(driver.rowCount(w, 6), 0);
  EXPECT_FALSE(driver.choose(w, 6, 1));
  EXPECT_EQ(countOf(*log, EventKind::Accepted, 6), 0);

  const QFont f = w->control(4)->font();
  EXPECT_EQ(f.family(), "Liberation Sans");
  EXPECT_EQ(f.pointSize(), 20);
  EXPECT_GE(f.weight(), QFont::Bold);

  w->setImage(5, "no such picture.jpg");  // missing: shows nothing, says nothing
  EXPECT_TRUE(static_cast<QLabel*>(w->control(5))->pixmap().isNull());
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(Controls, DropListKeepsAValueThatIsNoneOfItsItems) {
  rec.pick = "zzz";
  rt::Window* w = openForm();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->text(18), "");
  ASSERT_NE(form, nullptr);
  form->UpdateItemValues();
  EXPECT_EQ(seen().pick, "zzz");  // neither blanked nor replaced by the first item
  driver.choose(w, 18, 1);
  EXPECT_EQ(seen().pick, "one");
}

TEST_F(Controls, PrintableKeysCanBeAlertKeys) {
  auto log = std::make_shared<std::vector<rt::Event>>();
  driver.start([&] {
    Recorder w(simpleWindow("Keys"), "Keys");
    w.addAlertKey('a');
    log = w.log;
    w.Run();
  });
  rt::Window* w = driver.waitForWindow("Keys");
  ASSERT_NE(w, nullptr);
  driver.pressKey(w, 3, 'b');
  driver.pressKey(w, 3, 'a');
  driver.pressKey(w, 3, rt::key::F1 + 1);  // F2: not registered, and not 'q'
  ASSERT_EQ(countOf(*log, EventKind::AlertKey), 1);
  for (const rt::Event& e : *log) {
    if (e.kind == EventKind::AlertKey) {
      EXPECT_EQ(e.key, 'a');
    }
  }
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(Controls, WizardSheetIsTurnedByTheProgramOnly) {
  std::int16_t page = 2;
  driver.start([&] {
    rt::WindowDesc d = simpleWindow("Wizard");
    d.add(ControlKind::Sheet, 20).wizard = true;
    d.add(ControlKind::Tab, 21, "Step 1", 20);
    d.add(ControlKind::Tab, 22, "Step 2", 20);
    d.add(ControlKind::Tab, 23, "Step 3", 20);
    d.entry(24, "@s10", 23);
    Recorder w(d, "Wizard");
    w.bind(20, page);
    w.Run();
  });
  rt::Window* w = driver.waitForWindow("Wizard");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->wizard(20));
  EXPECT_FALSE(static_cast<QTabWidget*>(w->control(20))->tabBar()->isVisible());
  EXPECT_EQ(w->currentTab(20), 2);  // shown from its variable
  w->setCurrentTab(20, 9);          // no such tab: stays
  EXPECT_EQ(w->currentTab(20), 2);
  w->selectControl(24);  // a control on another tab brings its tab forward
  EXPECT_EQ(w->currentTabControl(20), 23);
  EXPECT_TRUE(w->updateValues());
  EXPECT_EQ(page, 3);
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(Controls, PlacesGivenInTheDescriptionAreKept) {
  driver.start([] {
    rt::WindowDesc d;
    d.kind = rt::WindowKind::Plain;
    rt::ControlDesc& name = d.add(ControlKind::Prompt, 1, "Tarnwick");
    name.x = 10, name.y = 8, name.width = 200, name.height = 30;
    rt::ControlDesc& line = d.add(ControlKind::Prompt, 2, "Version 1.0");
    line.x = 10, line.y = 44, line.width = 150, line.height = 16;
    Recorder w(d, "placed");
    w.Run();
  });
  rt::Window* w = driver.waitForWindow("placed");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->control(1)->geometry(), QRect(10, 8, 200, 30));
  EXPECT_EQ(w->control(2)->geometry(), QRect(10, 44, 150, 16));
  EXPECT_GE(w->widget()->width(), 210);
  EXPECT_GE(w->widget()->height(), 60);
}

}  // namespace
}  // namespace uitest
