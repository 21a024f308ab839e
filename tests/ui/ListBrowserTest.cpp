// The list browse over a real file: lazy paging, locators, orders by tab, range and filter,
// driven buttons, child forms with CallRequest/CallResponse, select mode, F9 layouts.
#include <QAbstractItemView>
#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

#include "ListBrowserTestHarness.h"
#include "runtime/text/Dates.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/Window.h"

namespace browsetest {
namespace {

using rt::EventKind;

void typeOnList(rt::Window* w, char c) {
  QKeyEvent ev(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(c)));
  QCoreApplication::sendEvent(w->listView(cList), &ev);
}

void highlight(rt::Window* w, int row) {
  QAbstractItemView* v = w->listView(cList);
  v->setCurrentIndex(v->model()->index(row, 0));
}

TEST_F(BrowseTest, AHundredThousandRecordsOpenWithoutBeingRead) {
  Things& data = things();
  data.fill(100000);
  BrowseRun& run = browse(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() > 0; }));
  rt::ListBrowser& l = *run.list;
  EXPECT_LT(l.model().rowsRead(), 500u);
  EXPECT_LT(l.rows(), 500);
  EXPECT_EQ(currentName(l), "Name000001");
  EXPECT_EQ(data.rec.name.str(), "Name000001");  // the highlighted row is in the buffer
  EXPECT_EQ(l.cell(0, 2), "0.01");

  w->post(EventKind::Accepted, rt::toolbar::Last);
  driver.pump();
  EXPECT_EQ(currentName(l), "Name100000");
  w->post(EventKind::Accepted, rt::toolbar::PriorRecord);
  driver.pump();
  EXPECT_EQ(currentName(l), "Name099999");
  EXPECT_EQ(data.rec.name.str(), "Name099999");
  w->post(EventKind::Accepted, rt::toolbar::First);
  driver.pump();
  EXPECT_EQ(currentName(l), "Name000001");
  EXPECT_LT(l.model().rowsRead(), 1000u);
}

TEST_F(BrowseTest, PagingOnKeepsAWindowOfBoundedSize) {
  Things& data = things();
  data.fill(5000);
  BrowseRun& run = browse(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() > 0; }));
  rt::ListBrowser& l = *run.list;
  const int page = l.model().pageSize();
  for (int i = 0; i < 40; ++i) w->post(EventKind::Accepted, rt::toolbar::NextPage);
  w->post(EventKind::Accepted, rt::toolbar::NextRecord);
  driver.pump();
  EXPECT_EQ(currentName(l), Things::numbered(1 + 40 * page + 1));
  EXPECT_LE(l.rows(), 1024);
  for (int i = 0; i < 40; ++i) w->post(EventKind::Accepted, rt::toolbar::PriorPage);
  driver.pump();
  EXPECT_EQ(currentName(l), Things::numbered(2));
  w->post(EventKind::Accepted, rt::toolbar::PriorRecord);
  w->post(EventKind::Accepted, rt::toolbar::PriorRecord);  // nothing above the first
  driver.pump();
  EXPECT_EQ(currentName(l), Things::numbered(1));
}

TEST_F(BrowseTest, EntryLocatorFindsTheFirstKeyAtOrAfterTheTextIgnoringCase) {
  Things& data = things();
  data.fill(1000);
  BrowseRun& run = browse(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() > 0; }));
  const struct {
    const char* typed;
    const char* expected;
  } cases[] = {
      {"name000500", "Name000500"}, {"NAME0005005", "Name000501"}, {"zzz", "Name001000"},
      {"", "Name000001"},           {"Name00099", "Name000990"},   {"a", "Name000001"},
  };
  for (const auto& c : cases) {
    driver.type(w, cLocator, c.typed);
    EXPECT_EQ(currentName(*run.list), c.expected) << c.typed;
    EXPECT_EQ(data.rec.name.str(), c.expected) << c.typed;
  }
}

TEST_F(BrowseTest, EntryLocatorOnADecimalOrDateKeyLandsOnTheTypedValue) {
  Things& data = things(true, thingDescWithValueKeys());
  const struct {
    const char* name;
    int fee;
    int year, month, day;
  } records[] = {{"a", 1000, 2026, 3, 1},
                 {"b", 1250, 2026, 3, 7},
                 {"c", 1275, 2026, 4, 15},
                 {"d", 2000, 2027, 1, 2}};
  for (const auto& r : records) {
    data.set(r.name, "", r.fee, ++data.lastId);
    data.rec.date = rt::dateFromYmd(r.year, r.month, r.day);
    ASSERT_TRUE(data.file->add());
  }
  struct Typed {
    const char* text;
    const char* expected;
  };
  const struct {
    int key, field;
    const char* picture;
    std::vector<Typed> typed;
  } keys[] = {
      {kByFee,
       fFee,
       "@n10.2",
       {{"12.50", "b"}, {"12", "b"}, {"12.51", "c"}, {"10", "a"}, {"20.01", "d"}}},
      {kByDate,
       fDate,
       "@D2",
       {{"03/07/2026", "b"}, {"03/02/2026", "b"}, {"04/15/26", "c"}, {"12/31/2030", "d"}}},
  };
  for (const auto& k : keys) {
    BrowseRun& run = browse(data);
    for (rt::ControlDesc& c : run.window.controls)
      if (c.number == cLocator) c.picture = k.picture;
    run.configure = [&k](rt::ListBrowser& l, TestBrowse&) {
      l.order(0).key = k.key;
      l.order(0).locator = std::make_unique<rt::EntryLocator>(k.field, cLocator);
    };
    rt::Window* w = open(run);
    ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 4; }));
    for (const Typed& t : k.typed) {
      ASSERT_TRUE(driver.type(w, cLocator, t.text));
      EXPECT_EQ(currentName(*run.list), t.expected) << k.picture << " " << t.text;
    }
    ASSERT_TRUE(driver.press(w, cClose));
    ASSERT_TRUE(driver.waitForClose("BrowseThings"));
  }
}

TEST_F(BrowseTest, StepLocatorMovesToTheFirstRowBeginningWithTheTypedCharacter) {
  Things& data = things();
  for (const char* n : {"apple", "Banana", "blueberry", "cherry", "Date"}) data.add(n);
  BrowseRun& run = browse(data);
  run.configure = [](rt::ListBrowser& l, TestBrowse&) {
    l.order(0).locator = std::make_unique<rt::StepLocator>(fName);
  };
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 5; }));
  typeOnList(w, 'b');
  driver.pump();
  EXPECT_EQ(currentName(*run.list), "Banana");
  typeOnList(w, 'D');
  driver.pump();
  EXPECT_EQ(currentName(*run.list), "Date");
  typeOnList(w, 'z');  // beyond every name: the last row
  driver.pump();
  EXPECT_EQ(currentName(*run.list), "Date");
}

TEST_F(BrowseTest, RangeFromAnotherBufferAndFilterLimitTheRows) {
  Things& data = things();
  data.add("a1", "A", 100);
  data.add("b1", "B", 5);
  data.add("b2", "B", 20);
  data.add("b3", "b", 30);  // the range compares without regard to case, like the key
  data.add("c1", "C", 50);
  Thing parent{};
  parent.group = "B";
  BrowseRun& run = browse(data);
  run.configure = [&](rt::ListBrowser& l, TestBrowse&) {
    rt::SortOrder& o = l.order(0);
    o.key = kByGroup;
    o.range = rt::rangeFromBuffer(data.desc, &parent, {fGroup});
    o.filter = [&data] { return data.rec.fee.hundredths > 10; };
  };
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() > 0; }));
  rt::ListBrowser& l = *run.list;
  ASSERT_EQ(l.rows(), 2);
  EXPECT_EQ(l.cell(0, 0), "b2");
  EXPECT_EQ(l.cell(1, 0), "b3");
  driver.type(w, cLocator, "zzz");  // the last row of the range, not of the file
  EXPECT_EQ(currentName(l), "b3");
  driver.type(w, cLocator, "B1");  // filtered out: the next row that passes
  EXPECT_EQ(currentName(l), "b2");
  w->post(EventKind::Accepted, rt::toolbar::Last);
  driver.pump();
  EXPECT_EQ(currentName(l), "b3");
}

TEST_F(BrowseTest, AnInsertUnderARangeStartsWithTheRangesFields) {
  Things& data = things();
  data.add("a1", "Alpha", 100);
  data.add("b1", "Beta", 5);
  Thing parent{};
  parent.group = "Beta";
  auto [run, form] = browseWithForm(data);
  run.configure = [&](rt::ListBrowser& l, TestBrowse&) {
    l.order(0).key = kByGroup;
    l.SetRangeFrom(l.order(0), data.desc, &parent, {fGroup});
  };
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 1; }));
  driver.press(w, cInsert);
  rt::Window* f = driver.waitForWindow("UpdateThings");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->text(cGroup), "Beta");
  EXPECT_EQ(f->text(cName), "");
  driver.type(f, cName, "b2");
  driver.press(f, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(run.list->rows(), 2);
  EXPECT_EQ(currentName(*run.list), "b2");
  EXPECT_EQ(data.rec.group.str(), "Beta");
  EXPECT_EQ(std::int32_t{data.rec.recid}, 3);  // numbered after the others
  EXPECT_FALSE(rt::takeInsertPrimed());        // the hand-over does not outlive the insert
}

TEST_F(BrowseTest, TheSelectedTabChoosesTheOrder) {
  Things& data = things();
  data.add("alpha", "Z");
  data.add("beta", "A");
  data.add("gamma", "M");
  BrowseRun& run = browse(data);
  run.configure = [](rt::ListBrowser& l, TestBrowse&) {
    l.AddSortOrder("THI:group", {}, cTabGroup);
  };
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 3; }));
  EXPECT_EQ(run.list->cell(0, 0), "alpha");
  driver.selectTab(w, cSheet, 2);
  EXPECT_EQ(run.list->currentOrder(), 1u);
  EXPECT_EQ(run.list->cell(0, 0), "beta");
  EXPECT_EQ(run.list->cell(2, 0), "alpha");
  driver.selectTab(w, cSheet, 1);
  EXPECT_EQ(run.list->cell(0, 0), "alpha");
}

TEST_F(BrowseTest, ButtonsThatCannotActAreDisabled) {
  Things& data = things();
  auto [run, form] = browseWithForm(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(w);
  driver.pump();
  EXPECT_TRUE(w->enabled(cInsert));
  EXPECT_FALSE(w->enabled(cChange));
  EXPECT_FALSE(w->enabled(cDelete));
  EXPECT_FALSE(w->enabled(cSelect));
  driver.press(w, cChange);  // a disabled button's event does nothing
  EXPECT_EQ(driver.find("UpdateThings"), nullptr);

  driver.press(w, cInsert);  // an empty list still inserts
  rt::Window* f = driver.waitForWindow("UpdateThings");
  ASSERT_TRUE(f);
  driver.type(f, cName, "First");
  driver.press(f, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(currentName(*run.list), "First");
  EXPECT_TRUE(w->enabled(cChange));
  EXPECT_TRUE(w->enabled(cDelete));
}

TEST_F(BrowseTest, InsertChangeAndDeleteGoThroughTheChildForm) {
  Things& data = things();
  data.add("Alpha");
  data.add("Beta");
  data.add("Gamma");
  auto [run, form] = browseWithForm(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 3; }));
  rt::ListBrowser& l = *run.list;

  driver.press(w, cInsert);
  rt::Window* f = driver.waitForWindow("UpdateThings");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->title(), "Record Will Be Added");
  driver.type(f, cName, "Delta");
  driver.press(f, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_TRUE(data.has("Delta"));
  EXPECT_EQ(l.rows(), 4);
  EXPECT_EQ(currentName(l), "Delta");  // the added record is highlighted

  driver.choose(w, cList, 2);  // Enter or a double click: change
  f = driver.waitForWindow("UpdateThings");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->title(), "Record Will Be Changed");
  EXPECT_EQ(f->text(cName), "Beta");
  driver.type(f, cName, "Zeta");
  driver.press(f, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_TRUE(data.has("Zeta"));
  EXPECT_FALSE(data.has("Beta"));
  EXPECT_EQ(data.file->records(), 4);
  EXPECT_EQ(currentName(l), "Zeta");
  EXPECT_EQ(l.currentRow(), 3);

  highlight(w, 1);  // Delta
  driver.pump();
  EXPECT_EQ(data.rec.name.str(), "Delta");
  driver.press(w, cDelete);
  driver.pump();
  EXPECT_FALSE(data.has("Delta"));
  EXPECT_EQ(l.rows(), 3);
  EXPECT_EQ(currentName(l), "Gamma");  // the row after the deleted one

  using R = rt::Request;
  EXPECT_EQ(form.requests, (std::vector<R>{R::Insert, R::Change, R::Delete}));
  EXPECT_EQ(form.responses,
            (std::vector<int>{rt::RequestCompleted, rt::RequestCompleted, rt::RequestCompleted}));
}

TEST_F(BrowseTest, InsertEnterAndDeleteInTheListActAsTheirButtons) {
  Things& data = things();
  auto [run, form] = browseWithForm(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(w);
  ASSERT_EQ(driver.focusedControl(), cList);
  // Change and Delete cannot act on an empty list: their keys do nothing either.
  for (Qt::Key k : {Qt::Key_Return, Qt::Key_Delete}) ASSERT_TRUE(driver.hitKey(k));
  EXPECT_EQ(driver.find("UpdateThings"), nullptr);

  ASSERT_TRUE(driver.hitKey(Qt::Key_Insert));
  ASSERT_TRUE(driver.waitForWindow("UpdateThings"));
  ASSERT_TRUE(driver.typeKeys("Alpha"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_TRUE(data.has("Alpha"));
  ASSERT_EQ(driver.focusedControl(), cList);  // back where the key was pressed

  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  ASSERT_TRUE(driver.waitForWindow("UpdateThings"));
  ASSERT_TRUE(driver.typeKeys("2"));  // after the selected name: replaces it
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_TRUE(data.has("2"));

  ASSERT_TRUE(driver.hitKey(Qt::Key_Delete));
  driver.pump();
  EXPECT_EQ(data.file->records(), 0);
  using R = rt::Request;
  EXPECT_EQ(form.requests, (std::vector<R>{R::Insert, R::Change, R::Delete}));
}

TEST_F(BrowseTest, ACancelledChangeLeavesListAndBufferOnTheRecordAsItWas) {
  Things& data = things();
  data.add("Alpha");
  data.add("Beta");
  auto [run, form] = browseWithForm(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 2; }));
  driver.choose(w, cList, 2);
  rt::Window* f = driver.waitForWindow("UpdateThings");
  ASSERT_TRUE(f);
  driver.type(f, cName, "Changed");
  driver.press(f, cCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_TRUE(data.has("Beta"));
  EXPECT_FALSE(data.has("Changed"));
  EXPECT_EQ(data.rec.name.str(), "Beta");
  EXPECT_EQ(currentName(*run.list), "Beta");
  EXPECT_EQ(form.responses, std::vector<int>{rt::RequestCancelled});
}

TEST_F(BrowseTest, SelectModeHandsTheChosenRecordBack) {
  Things& data = things();
  data.add("Alpha");
  data.add("Beta");
  BrowseRun& run = browse(data);
  rt::setCallRequest(rt::Request::Select);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 2; }));
  EXPECT_TRUE(run.list->selectMode());
  EXPECT_EQ(rt::callResponse(), 0);  // taken and cleared at set-up
  driver.choose(w, cList, 2);
  ASSERT_TRUE(driver.waitForClose("BrowseThings"));
  EXPECT_EQ(run.response, rt::RequestCompleted);
  EXPECT_EQ(rt::callResponse(), rt::RequestCompleted);
  EXPECT_EQ(data.rec.name.str(), "Beta");
}

// The highlight moves rows through the caller's buffer; closed without a choice, the caller
// has its own record back.
TEST_F(BrowseTest, ASelectWindowClosedWithoutAChoiceLeavesTheCallersRecord) {
  Things& data = things();
  data.add("Alpha");
  data.add("Beta");
  data.rec.name = "Caller";
  BrowseRun& run = browse(data);
  rt::setCallRequest(rt::Request::Select);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 2; }));
  ASSERT_EQ(driver.focusedControl(), cList);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Down));
  driver.pump();
  ASSERT_EQ(data.rec.name.str(), "Beta");
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("BrowseThings"));
  EXPECT_EQ(run.response, rt::RequestCancelled);
  EXPECT_EQ(data.rec.name.str(), "Caller");
}

TEST_F(BrowseTest, ADoubleClickActsOnceOnly) {
  Things& data = things();
  data.add("Alpha");
  auto [run, form] = browseWithForm(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 1; }));
  driver.click(w, cList, rt::key::MouseLeft2);
  rt::Window* f = driver.waitForWindow("UpdateThings");
  ASSERT_TRUE(f);
  driver.press(f, cCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  driver.pump();
  EXPECT_EQ(driver.find("UpdateThings"), nullptr);
  EXPECT_EQ(form.requests.size(), 1u);
}

TEST_F(BrowseTest, TheRowHookSeesEachRowAndTheBufferKeepsTheHighlightedOne) {
  Things& data = things();
  data.fill(300);
  BrowseRun& run = browse(data);
  run.configure = [&data](rt::ListBrowser& l, TestBrowse&) {
    static_cast<TestList&>(l).fill = [&data](rt::RowLook& look) {
      if (data.rec.fee.hundredths % 2 == 0) look.fontColor = 0x0000FF;  // red, as 0BBGGRRh
    };
  };
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() > 0; }));
  rt::BrowseModel& m = run.list->model();
  EXPECT_FALSE(m.data(m.index(0, 0), Qt::ForegroundRole).isValid());  // fee 0.01
  EXPECT_EQ(m.data(m.index(1, 0), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
  // The list asking for more rows as it scrolls reads on the main fiber.
  ASSERT_TRUE(m.canFetchMore({}));
  const int before = m.rowCount();
  m.fetchMore({});
  EXPECT_GT(m.rowCount(), before);
  EXPECT_EQ(data.rec.name.str(), "Name000001");
  EXPECT_EQ(m.data(m.index(before + 1, 0), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
  highlight(w, 5);
  driver.pump();
  EXPECT_EQ(data.rec.name.str(), "Name000006");
}

TEST_F(BrowseTest, PrintRunsItsProcedureOnTheHighlightedRecord) {
  Things& data = things();
  data.add("Alpha");
  data.add("Beta");
  std::vector<std::string> printed;
  BrowseRun& run = browse(data);
  run.print = [&] {
    printed.push_back(data.rec.name.str());
    rt::setCallResponse(rt::RequestCompleted);
  };
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 2; }));
  EXPECT_TRUE(w->enabled(cPrint));
  highlight(w, 1);
  driver.pump();
  driver.press(w, cPrint);
  EXPECT_EQ(printed, std::vector<std::string>{"Beta"});
  EXPECT_EQ(driver.find("UpdateThings"), nullptr);
}

class LayoutTest : public BrowseTest {
 protected:
  static constexpr char kUser[] =
      "200L(2)|M~Name~@s40@40L(2)|M~Group~@s10@44D(12)|M~Fee~C(0)@n10.2@";
  BrowseRun& withLayouts(Things& data) {
    BrowseRun& run = browse(data);
    run.configure = [](rt::ListBrowser& l, TestBrowse& w) {
      w.layouts = std::make_unique<rt::BrowseLayouts>(l, "BrowseThings");
      w.layouts->Load();
      w.addAlertKey(rt::key::F9);
    };
    return run;
  }
};

TEST_F(LayoutTest, F9SwitchesBetweenTheUsersAndTheDesignedLayout) {
  Things& data = things();
  rt::iniPut("BrowseThings", "?Browse:1:USER", kUser);
  BrowseRun& run = withLayouts(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list != nullptr; }));
  EXPECT_EQ(run.list->Format(), kUser);
  driver.pressKey(w, cList, rt::key::F9);
  EXPECT_EQ(run.list->Format(), kDesign);
  driver.pressKey(w, cList, rt::key::F9);
  EXPECT_EQ(run.list->Format(), kUser);
  driver.pressKey(w, cList, rt::key::F9);
  driver.press(w, cClose);
  ASSERT_TRUE(driver.waitForClose("BrowseThings"));
  EXPECT_EQ(rt::iniGet("BrowseThings", "?Browse:1:ORIG", ""), kDesign);
  EXPECT_EQ(rt::iniGet("BrowseThings", "?Browse:1:USER", ""), kDesign);  // shown at close
}

TEST_F(LayoutTest, WithoutASectionBothLayoutsAreTheDesignAndAResizeIsKept) {
  Things& data = things();
  BrowseRun& run = withLayouts(data);
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list != nullptr; }));
  EXPECT_EQ(run.list->Format(), kDesign);
  auto* table = qobject_cast<QTableView*>(w->listView(cList));
  ASSERT_TRUE(table);
  table->horizontalHeader()->resizeSection(1, 100);
  const std::string resized = "120L(2)|M~Name~@s40@50L(2)|M~Group~@s10@44D(12)|M~Fee~C(0)@n10.2@";
  EXPECT_EQ(run.list->Format(), resized);
  driver.pressKey(w, cList, rt::key::F9);
  EXPECT_EQ(run.list->Format(), kDesign);
  driver.pressKey(w, cList, rt::key::F9);
  EXPECT_EQ(run.list->Format(), resized);
  driver.press(w, cClose);
  ASSERT_TRUE(driver.waitForClose("BrowseThings"));
  EXPECT_EQ(rt::iniGet("BrowseThings", "?Browse:1:ORIG", ""), kDesign);
  EXPECT_EQ(rt::iniGet("BrowseThings", "?Browse:1:USER", ""), resized);
}

// Designed for another desktop's font, a column can be too narrow for its heading or its
// values here: it is drawn as wide as they need, and the layout keeps its designed width.
TEST_F(LayoutTest, ColumnsAreAsWideAsTheirHeadingAndTheirPicture) {
  static constexpr char kNarrow[] =
      "120L(2)|M~Name~@s40@4L(2)|M~Group of Things~@s10@10D(12)|M~Fee~C(0)@n10.2@"
      "24L(2)|M~Date Entered~C(0)@d17@";
  Things& data = things();
  data.set("Alpha", "g", 99999999, ++data.lastId);
  data.rec.date = rt::dateFromYmd(2026, 12, 28);
  ASSERT_TRUE(data.file->add());
  BrowseRun& run = browse(data);
  run.configure = [](rt::ListBrowser& l, TestBrowse&) {
    l.SetFormat(kNarrow);
    l.AddField("THI:DATE");
  };
  rt::Window* w = open(run);
  ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 1; }));
  auto* table = qobject_cast<QTableView*>(w->listView(cList));
  ASSERT_TRUE(table);
  for (int column = 1; column <= 3; ++column) {
    SCOPED_TRACE(column);
    EXPECT_GE(table->columnWidth(column), table->horizontalHeader()->sectionSizeHint(column));
    const QString shown = QString::fromStdString(driver.cell(w, cList, 1, column));
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_GT(table->columnWidth(column), table->fontMetrics().horizontalAdvance(shown));
  }
  EXPECT_EQ(run.list->Format(), kNarrow);
}

// A picture's width is measured once per font: a list opened in a bigger font is not drawn
// at the width the smaller one needed.
TEST_F(LayoutTest, APictureIsMeasuredInEachFontItIsDrawnIn) {
  Things& data = things();
  data.set("Alpha", "g", 1, ++data.lastId);
  data.rec.date = rt::dateFromYmd(2026, 12, 28);
  ASSERT_TRUE(data.file->add());
  // Given back however the test ends: the later tests draw in the usual font.
  struct FontKept {
    QFont font = QApplication::font();
    ~FontKept() { QApplication::setFont(font); }
  } kept;
  const QFont& font = kept.font;
  for (const double scale : {1.0, 3.0}) {
    SCOPED_TRACE(scale);
    QFont f = font;
    f.setPointSizeF(font.pointSizeF() * scale);
    QApplication::setFont(f);
    BrowseRun& run = browse(data);
    run.configure = [](rt::ListBrowser& l, TestBrowse&) {
      l.SetFormat(
          "120L(2)|M~Name~@s40@4L(2)|M~G~@s10@10D(12)|M~Fee~C(0)@n10.2@4L(2)|M~D~C(0)@d17@");
      l.AddField("THI:DATE");
    };
    rt::Window* w = open(run);
    ASSERT_TRUE(driver.waitUntil([&] { return run.list && run.list->rows() == 1; }));
    auto* table = qobject_cast<QTableView*>(w->listView(cList));
    ASSERT_TRUE(table);
    const QString shown = QString::fromStdString(driver.cell(w, cList, 1, 3));
    EXPECT_GT(table->columnWidth(3), table->fontMetrics().horizontalAdvance(shown));
    ASSERT_TRUE(driver.press(w, cClose));
    ASSERT_TRUE(driver.waitForClose("BrowseThings"));
  }
}

TEST(BrowseHelpersTest, OrderTextAndScrollStep) {
  const rt::FileDesc d = thingDesc();
  const auto extra = rt::parseOrderText(d, "thi:group, -THI:FEE, nosuch");
  ASSERT_EQ(extra.size(), 2u);
  EXPECT_EQ(extra[0].field, fGroup);
  EXPECT_FALSE(extra[0].descending);
  EXPECT_EQ(extra[1].field, fFee);
  EXPECT_TRUE(extra[1].descending);

  rt::StringScrollStep step;
  EXPECT_EQ(step.position(""), 0);
  EXPECT_LT(step.position("APPLE"), step.position("d"));
  EXPECT_LT(step.position("M"), step.position("ZZ"));
  EXPECT_LE(step.position("ZZZ"), 100);
  for (int p : {10, 50, 90}) EXPECT_NEAR(step.position(step.text(p)), p, 4) << p;
}

}  // namespace
}  // namespace browsetest
