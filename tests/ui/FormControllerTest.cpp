// The form behaviour over a real file: requests, reserved auto-numbered records, refused
// stores, OK order, cancel, delete without a window, drop lists, check boxes and memos.
#include <QComboBox>
#include <QLineEdit>

#include "ListBrowserTestHarness.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/ui/Window.h"

namespace browsetest {
namespace {

class FormTest : public BrowseTest {
 protected:
  void SetUp() override { rt::defaultReporter().clear(); }
  void TearDown() override {
    rt::defaultReporter().answer = rt::Answer::Yes;
    BrowseTest::TearDown();
  }
  rt::Window* start(FormRun& form, rt::Request request) {
    rt::setCallRequest(request);
    driver.start([&form] { form(); }, 25000, "UpdateThings");
    return driver.waitForWindow("UpdateThings");
  }
  // Makes the record current, as a browse does before it calls the form.
  static void current(Things& data, std::string_view name) {
    data.rec.name = name;
    ASSERT_TRUE(data.file->get(kByName));
  }
};

TEST_F(FormTest, CancelledInsertsLeaveNoReservedRecordBehind) {
  Things& data = things();
  FormRun& form = formFor(data);
  for (int round = 0; round < 3; ++round) {
    rt::Window* w = start(form, rt::Request::Insert);
    ASSERT_TRUE(w);
    EXPECT_EQ(data.file->records(), 1);  // reserved while the form is open
    driver.press(w, cCancel);
    ASSERT_TRUE(driver.waitForClose("UpdateThings"));
    EXPECT_EQ(data.file->records(), 0) << round;
  }
  rt::Window* w = start(form, rt::Request::Insert);
  ASSERT_TRUE(w);
  driver.close(w);  // the close box cancels too
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(data.file->records(), 0);

  w = start(form, rt::Request::Insert);
  ASSERT_TRUE(w);
  driver.type(w, cName, "Real");
  driver.press(w, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(data.file->records(), 1);
  current(data, "Real");
  EXPECT_EQ(std::int32_t{data.rec.recid}, 1);
  EXPECT_EQ(form.responses,
            (std::vector<int>{rt::RequestCancelled, rt::RequestCancelled, rt::RequestCancelled,
                              rt::RequestCancelled, rt::RequestCompleted}));
}

TEST_F(FormTest, ARefusedDuplicateKeepsTheFormOpenAndWritesNothing) {
  for (bool autoNumber : {true, false}) {
    SCOPED_TRACE(autoNumber ? "auto-numbered" : "plain");
    Things& data = things(autoNumber);
    data.add("Alpha");
    FormRun& form = formFor(data);
    rt::Window* w = start(form, rt::Request::Insert);
    ASSERT_TRUE(w);
    driver.type(w, cName, "ALPHA");  // the unique key ignores case
    driver.press(w, cOk);
    EXPECT_TRUE(driver.isOpen(w));
    EXPECT_TRUE(rt::defaultReporter().contains(rt::MessageId::DuplicateKey) ||
                rt::defaultReporter().contains(rt::MessageId::RecordNotUpdated) ||
                rt::defaultReporter().contains(rt::MessageId::RecordNotAdded));
    EXPECT_EQ(w->title(), "Record Will Be Added");
    driver.press(w, cCancel);
    ASSERT_TRUE(driver.waitForClose("UpdateThings"));
    EXPECT_EQ(data.file->records(), 1);
    current(data, "Alpha");
    EXPECT_EQ(std::int32_t{data.rec.recid}, 1);
    rt::defaultReporter().clear();
  }
}

TEST_F(FormTest, AStoreRefusedOnceCanBeCorrectedAndCompleted) {
  Things& data = things();
  data.add("Alpha");
  FormRun& form = formFor(data);
  rt::Window* w = start(form, rt::Request::Insert);
  ASSERT_TRUE(w);
  driver.type(w, cName, "Alpha");
  driver.press(w, cOk);
  ASSERT_TRUE(driver.isOpen(w));
  driver.type(w, cName, "Beta");
  driver.press(w, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(data.file->records(), 2);
  EXPECT_TRUE(data.has("Beta"));
}

TEST_F(FormTest, TheFormsOwnOkCodeRunsAfterThePendingEditAndBeforeTheStore) {
  Things& data = things();
  data.add("Alpha");
  current(data, "Alpha");
  std::vector<std::string> log;
  FormRun& form = formFor(data);
  form.configure = [&](TestForm& f) {
    f.log = &log;
    f.okCode = [&data] { data.rec.date = 81234; };  // stored with the record
  };
  rt::Window* w = start(form, rt::Request::Change);
  ASSERT_TRUE(w);
  // Typed but not yet left: the entry's accepted event has not come.
  auto* edit = qobject_cast<QLineEdit*>(w->control(cName));
  ASSERT_TRUE(edit);
  w->selectControl(cName);
  edit->setText("Typed");
  edit->setModified(true);
  driver.pump();
  ASSERT_EQ(w->focusedControl(), cName);
  w->post(rt::EventKind::Accepted, cOk);  // OK by the keyboard: the focus stays
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_EQ(log, (std::vector<std::string>{"accepted 1", "ok code"}));
  EXPECT_FALSE(data.has("Alpha"));
  current(data, "Typed");
  EXPECT_EQ(std::int32_t{data.rec.date}, 81234);
}

TEST_F(FormTest, OkCodeWritesToOtherFilesStayWhenTheStoreIsRefused) {
  Things& data = things();
  data.add("Alpha");
  data.add("Beta");
  current(data, "Beta");
  int okRuns = 0;
  FormRun& form = formFor(data);
  form.configure = [&](TestForm& f) { f.okCode = [&okRuns] { ++okRuns; }; };
  rt::Window* w = start(form, rt::Request::Change);
  ASSERT_TRUE(w);
  driver.type(w, cName, "alpha");
  driver.press(w, cOk);
  EXPECT_TRUE(driver.isOpen(w));
  EXPECT_EQ(okRuns, 1);
  driver.press(w, cCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  EXPECT_TRUE(data.has("Beta"));
  EXPECT_EQ(data.rec.name.str(), "Beta");  // the buffer as it was
}

TEST_F(FormTest, DeleteIsCarriedOutWithoutTheWindowAfterTheConfirmation) {
  Things& data = things();
  data.add("Alpha");
  data.add("Beta");
  FormRun& form = formFor(data);

  current(data, "Alpha");
  rt::defaultReporter().answer = rt::Answer::No;
  rt::setCallRequest(rt::Request::Delete);
  driver.start([&form] { form(); }, 25000, "UpdateThings");
  driver.waitForThreadsToEnd();
  EXPECT_TRUE(data.has("Alpha"));
  EXPECT_TRUE(rt::defaultReporter().contains(rt::MessageId::ConfirmDelete));

  current(data, "Alpha");
  rt::defaultReporter().answer = rt::Answer::Yes;
  rt::setCallRequest(rt::Request::Delete);
  driver.start([&form] { form(); }, 25000, "UpdateThings");
  driver.waitForThreadsToEnd();
  EXPECT_FALSE(data.has("Alpha"));
  EXPECT_EQ(data.file->records(), 1);
  EXPECT_EQ(form.responses, (std::vector<int>{rt::RequestCancelled, rt::RequestCompleted}));
}

TEST_F(FormTest, AViewRequestShowsTheRecordAndWritesNothing) {
  Things& data = things();
  data.add("Alpha", "G1");
  current(data, "Alpha");
  FormRun& form = formFor(data);
  form.configure = [](TestForm& f) {
    rt::ActionTexts texts;
    texts.view = "Viewing a Things Record";
    f.SetActionTexts(texts);
  };
  rt::Window* w = start(form, rt::Request::View);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->title(), "Viewing a Things Record");
  EXPECT_EQ(w->text(cGroup), "G1");
  driver.type(w, cGroup, "G2");
  driver.press(w, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  current(data, "Alpha");
  EXPECT_EQ(data.rec.group.str(), "G1");
  EXPECT_EQ(form.responses, std::vector<int>{rt::RequestCompleted});
}

TEST_F(FormTest, ChecksAndMemosAreStoredWithTheRecord) {
  Things& data = things();
  data.add("Alpha");
  current(data, "Alpha");
  FormRun& form = formFor(data);
  rt::Window* w = start(form, rt::Request::Change);
  ASSERT_TRUE(w);
  driver.press(w, cFlag);
  driver.type(w, cNotes, "a note");
  driver.press(w, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  std::memset(data.memo, 'x', sizeof data.memo);
  current(data, "Alpha");
  EXPECT_EQ(data.rec.flag.str(), "Y");
  EXPECT_EQ(rt::clipView(data.memo, sizeof data.memo), "a note");

  w = start(form, rt::Request::Change);
  ASSERT_TRUE(w);
  driver.press(w, cFlag);
  driver.press(w, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  current(data, "Alpha");
  EXPECT_EQ(data.rec.flag.str(), "N");
}

TEST_F(FormTest, PreviousValuePutsTheFocusedFieldBack) {
  Things& data = things();
  data.add("Alpha", "G1");
  current(data, "Alpha");
  FormRun& form = formFor(data);
  rt::Window* w = start(form, rt::Request::Change);
  ASSERT_TRUE(w);
  driver.type(w, cGroup, "G2");
  w->selectControl(cGroup);
  driver.pump();
  w->post(rt::EventKind::Accepted, rt::toolbar::History);
  driver.pump();
  EXPECT_EQ(w->text(cGroup), "G1");
  driver.press(w, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  current(data, "Alpha");
  EXPECT_EQ(data.rec.group.str(), "G1");
}

// A second file whose names fill the drop list.
struct Source {
  Source() {
    std::memset(memo, ' ', sizeof memo);
    file = std::make_unique<rt::KeyedFile>(desc, &rec, std::vector<char*>{memo});
    file->create();
    file->open();
  }
  void add(std::string_view name) {
    rec = Thing{};
    rec.name = name;
    rec.recid = ++id;
    file->add();
  }
  rt::FileDesc desc = [] {
    rt::FileDesc d = thingDesc();
    d.diskName = "SOURCES";
    return d;
  }();
  Thing rec{};
  char memo[60];
  std::unique_ptr<rt::KeyedFile> file;
  int id = 0;
};

TEST_F(FormTest, DropListCopiesTheChosenEntryCutToTheTargetsWidth) {
  Things& data = things();
  data.add("Alpha", "Keep");
  Source source;
  source.add("Short");
  source.add("A name much longer than ten");
  source.add("Another one");
  current(data, "Alpha");
  FormRun& form = formFor(data);
  form.configure = [&](TestForm& f) {
    f.AddDropList(cPick, *source.file, "THI:NAME", data.rec.group);
  };
  rt::Window* w = start(form, rt::Request::Change);
  ASSERT_TRUE(w);
  auto* box = qobject_cast<QComboBox*>(w->control(cPick));
  ASSERT_TRUE(box);
  EXPECT_EQ(box->count(), 3);
  EXPECT_EQ(box->currentIndex(), -1);  // "Keep" is none of them: nothing chosen
  driver.choose(w, cPick, 2);
  EXPECT_EQ(data.rec.group.str(), "A name muc");
  EXPECT_EQ(w->text(cGroup), "A name muc");
  driver.press(w, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  current(data, "Alpha");
  EXPECT_EQ(data.rec.group.str(), "A name muc");

  w = start(form, rt::Request::Change);  // the cut value shows its entry as chosen
  ASSERT_TRUE(w);
  box = qobject_cast<QComboBox*>(w->control(cPick));
  EXPECT_EQ(box->currentIndex(), 1);
  driver.press(w, cCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
}

TEST_F(FormTest, AFormLeftAloneDoesNotChangeAFieldThatIsNotInItsDropList) {
  Things& data = things();
  data.add("Alpha", "Gone");
  Source source;
  source.add("Other");
  current(data, "Alpha");
  FormRun& form = formFor(data);
  form.configure = [&](TestForm& f) {
    f.AddDropList(cPick, *source.file, "THI:NAME", data.rec.group);
  };
  rt::Window* w = start(form, rt::Request::Change);
  ASSERT_TRUE(w);
  driver.press(w, cOk);
  ASSERT_TRUE(driver.waitForClose("UpdateThings"));
  current(data, "Alpha");
  EXPECT_EQ(data.rec.group.str(), "Gone");
}

}  // namespace
}  // namespace browsetest
