// The notes: the reminder-only browse of the start-up, the row icons, the reminder box and
// a new note's date.
#include <QAbstractItemView>

#include "admin/Notes.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Picture.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/ProgramFixture.h"

namespace {

enum { bList = 1, bInsert = 3, bChange = 4, bClose = 9 };
enum { fTopic = 3, fDate = 6, fReminder = 7, fOk = 10 };

struct NoteRow {
  const char* topic;
  const char* reminder;
};

void makeNotes(const std::vector<NoteRow>& rows) {
  std::vector<std::function<void(DnotesRecord&)>> fill;
  for (const NoteRow& n : rows)
    fill.push_back([n](DnotesRecord& r) {
      r.TOPIC = n.topic;
      r.REMINDER = n.reminder;
    });
  domaintest::addRecords<DnotesRecord>(DnotesDesc(), fill);
}

std::vector<std::string> topics(rt::TestDriver& d, rt::Window* w) {
  std::vector<std::string> out;
  for (int r = 1; r <= d.rowCount(w, bList); ++r) out.push_back(d.cell(w, bList, r, 2));
  return out;
}

bool hasIcon(rt::Window* w, int row) {
  const QAbstractItemModel* m = w->listView(bList)->model();
  return !m->data(m->index(row, 0), Qt::DecorationRole).isNull();
}

using StartupNotesTest = admintest::ProgramTest;

TEST_F(StartupNotesTest, EachReminderNoteOpensTheReminderOnlyBrowse) {
  makeNotes({{"plain", "N"}, {"renew a", "Y"}, {"other", "N"}, {"renew b", "Y"}});
  SetProcedure("BrowseNotes", [] {
    admintest::calls().push_back("BrowseNotes");
    BrowseNotes();
  });
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  for (int i = 0; i < 2; ++i) {
    rt::Window* b = driver.waitForWindow("BrowseNotes");
    ASSERT_NE(b, nullptr) << i;
    EXPECT_EQ(b->title(), "Notes File");
    EXPECT_EQ(topics(driver, b), (std::vector<std::string>{"renew a", "renew b"}));
    EXPECT_TRUE(hasIcon(b, 0));
    ASSERT_TRUE(driver.press(b, bClose));
    driver.pump();  // the scan goes on to the next note
  }
  EXPECT_TRUE(driver.waitForClose("BrowseNotes"));
  EXPECT_TRUE(driver.waitUntil([this] { return startupThread() == 0; }));
  EXPECT_EQ(admintest::calls().size(), 2u);
  EXPECT_EQ(ding.str(), "");
  exitProgram();
}

class NotesTest : public domaintest::WindowsTest {};

TEST_F(NotesTest, ClearingTheReminderBoxTakesTheNoteOffTheReminderList) {
  makeNotes({{"renew a", "Y"}, {"renew b", "Y"}});
  ding = "Y";
  rt::Window* b = open(&BrowseNotes, "BrowseNotes");
  ASSERT_TRUE(b);
  ASSERT_EQ(topics(driver, b), (std::vector<std::string>{"renew a", "renew b"}));
  ASSERT_TRUE(driver.press(b, bChange));
  rt::Window* f = driver.waitForWindow("Updatednotes");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->title(), "Changing a Notes Record");
  ASSERT_TRUE(driver.press(f, fReminder));
  ASSERT_TRUE(driver.press(f, fOk));
  ASSERT_TRUE(driver.waitForClose("Updatednotes"));
  EXPECT_TRUE(driver.waitUntil([&] { return driver.rowCount(b, bList) == 1; }));
  EXPECT_EQ(topics(driver, b), (std::vector<std::string>{"renew b"}));
  driver.close(b);  // the close box ends the reminder-only showing too
  ASSERT_TRUE(driver.waitForClose("BrowseNotes"));
  EXPECT_EQ(ding.str(), "");
  // Without the flag every note shows, the reminder alone with its icon.
  b = open(&BrowseNotes, "BrowseNotes");
  ASSERT_TRUE(b);
  ASSERT_EQ(topics(driver, b), (std::vector<std::string>{"renew a", "renew b"}));
  EXPECT_FALSE(hasIcon(b, 0));
  EXPECT_TRUE(hasIcon(b, 1));
  driver.close(b);
}

TEST_F(NotesTest, ANewNoteShowsTodaysDateBeforeAnythingIsTyped) {
  rt::Window* b = open(&BrowseNotes, "BrowseNotes");
  ASSERT_TRUE(b);
  ASSERT_TRUE(driver.press(b, bInsert));
  rt::Window* f = driver.waitForWindow("Updatednotes");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->title(), "Adding a Notes Record");
  const std::int32_t today = rt::TODAY();
  EXPECT_EQ(f->text(fDate), rt::Picture("@d17").format(rt::DateValue{today}));
  EXPECT_EQ(driver.focusedControl(), fTopic);
  ASSERT_TRUE(driver.typeKeys("call the host"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  ASSERT_TRUE(driver.waitForClose("Updatednotes"));
  const auto notes = domaintest::readRecords<DnotesRecord>(DnotesDesc());
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].TOPIC.str(), "call the host");
  EXPECT_EQ(notes[0].DATE, today);
  EXPECT_EQ(notes[0].REMINDER.str(), "N");
  EXPECT_EQ(topics(driver, b), (std::vector<std::string>{"call the host"}));
  driver.close(b);
}

}  // namespace
