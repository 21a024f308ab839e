// The launcher: availability from the globals, the notes it opens, and the configured
// programs it starts (a real process records how it was started).
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PanelGlobals.h"
#include "admin/ControlPanel.h"
#include "resources/Resources.h"
#include "tests/support/DomainsTestFixture.h"

namespace {

enum { cBrowser = 1, cMail, cFtp, cGraphics, cHtml, cText, cNotes, cUser1, cUser2, cUser3 };

using paneltest::blankPanelGlobals;

class LauncherTest : public domaintest::WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    blankPanelGlobals();
    mypath = rt::currentDirectory();
  }
  void TearDown() override {
    WindowsTest::TearDown();
    blankPanelGlobals();
    mypath.clear();
    cpanelopen.clear();
  }
  rt::Window* openLauncher() { return open(&cpanel2, "cpanel2"); }

  // The recorder as a program under a folder whose name holds a blank.
  std::filesystem::path installRecorder() {
    const std::filesystem::path programs =
        std::filesystem::path(dir.path().toStdString()) / "my programs";
    std::filesystem::create_directories(programs);
    const std::filesystem::path helper = programs / "recorder";
    std::filesystem::copy_file(TW_ARGV_RECORDER, helper,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(helper, std::filesystem::perms::owner_all);
    log = programs / "argv.txt";
    setenv("TW_ARGV_LOG", log.c_str(), 1);
    return helper;
  }
  // What the recorder wrote: its directory, then its arguments.
  std::vector<std::string> recorded() {
    for (int i = 0; i < 100 && !std::filesystem::exists(log); ++i) QThread::msleep(20);
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    unsetenv("TW_ARGV_LOG");
    return lines;
  }
  std::filesystem::path log;
};

TEST_F(LauncherTest, WithAllGlobalsBlankOnlyNotesIsAvailable) {
  rt::Window* w = openLauncher();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->title(), "RuDerudoz Oridi: Tarnwick");
  EXPECT_EQ(cpanelopen.str(), "Y");
  for (int c = cBrowser; c <= cUser3; ++c) EXPECT_EQ(w->enabled(c), c == cNotes) << c;
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("cpanel2"));
  EXPECT_EQ(cpanelopen.str(), "N");
}

// Wider desktop fonts than the places were made for still show every text whole.
TEST_F(LauncherTest, TwoRowsOfFiveButtonsEachWideEnoughForItsText) {
  const QFont desktop = QApplication::font();
  ubut1 = "Backup";
  ubut2 = "Terminal";
  ubut3 = "Calendar";
  for (const int points : {0, 16}) {
    QFont f = desktop;
    if (points) f.setPointSize(points);
    QApplication::setFont(f);
    rt::Window* w = openLauncher();
    ASSERT_TRUE(w);
    driver.pump();
    for (int c = cBrowser; c <= cUser3; ++c) {
      const auto* b = qobject_cast<const QPushButton*>(w->control(c));
      ASSERT_TRUE(b) << c;
      EXPECT_GE(b->width(), QFontMetrics(b->font()).horizontalAdvance(b->text()) + 8)
          << points << " " << b->text().toStdString();
      const QRect r = b->geometry();
      const QRect above = w->control(c <= cHtml ? c : c - 5)->geometry();
      EXPECT_EQ(r.left(), above.left()) << c;
      if (c > cHtml) {
        EXPECT_GE(r.top(), above.bottom()) << c;
      }
      if (c != cBrowser && c != cText) {
        const QRect before = w->control(c - 1)->geometry();
        EXPECT_EQ(r.top(), before.top()) << c;
        EXPECT_GT(r.left(), before.right()) << c;
      }
    }
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose("cpanel2"));
  }
  QApplication::setFont(desktop);
}

TEST_F(LauncherTest, EachButtonFollowsItsOwnGlobal) {
  const struct {
    int control;
    rt::Str<100>* global;
  } cases[] = {
      {cBrowser, &brwsr}, {cMail, &mail}, {cFtp, &fftp}, {cGraphics, &grphx}, {cText, &txted}};
  for (const auto& c : cases) {
    blankPanelGlobals();
    *c.global = "prog";
    rt::Window* w = openLauncher();
    ASSERT_TRUE(w);
    for (int b = cBrowser; b <= cUser3; ++b)
      EXPECT_EQ(w->enabled(b), b == c.control || b == cNotes) << c.control << " " << b;
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose("cpanel2"));
  }
  blankPanelGlobals();
  html = "editor";
  ubut2 = "Backup";  // a caption without a command is available and starts nothing
  rt::Window* w = openLauncher();
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->enabled(cHtml));
  EXPECT_TRUE(w->enabled(cUser2));
  EXPECT_FALSE(w->enabled(cUser1));
  EXPECT_EQ(w->text(cUser2), "Backup");
  ASSERT_TRUE(driver.press(w, cUser2));
  driver.pump();
  EXPECT_TRUE(driver.isOpen(w));
  driver.close(w);
}

TEST_F(LauncherTest, NotesShowsAllNotes) {
  domaintest::addRecords<DnotesRecord>(DnotesDesc(), {[](DnotesRecord& r) {
                                                        r.TOPIC = "plain";
                                                        r.REMINDER = "N";
                                                      },
                                                      [](DnotesRecord& r) {
                                                        r.TOPIC = "reminder";
                                                        r.REMINDER = "Y";
                                                      }});
  rt::Window* w = openLauncher();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.press(w, cNotes));
  rt::Window* b = driver.waitForWindow("BrowseNotes");
  ASSERT_TRUE(b);
  EXPECT_NE(b->thread(), w->thread());
  EXPECT_EQ(driver.rowCount(b, 1), 2);
  driver.close(b);
  driver.close(w);
}

TEST_F(LauncherTest, AQuotedProgramPathStartsWithItsArgumentsAndTheDirectoryComesBack) {
  const std::filesystem::path helper = installRecorder();
  const std::filesystem::path programs = helper.parent_path();
  usr1 = "\"" + helper.string() + "\" \"two words\" -x;echo";
  ubut1 = "Record";
  rt::Window* w = openLauncher();
  ASSERT_TRUE(w);
  // Something moved the current directory meanwhile; the program starts there.
  const std::string data = rt::currentDirectory();
  ASSERT_TRUE(rt::ChangeDirectory(programs.string()));
  ASSERT_TRUE(driver.press(w, cUser1));
  driver.pump();
  EXPECT_EQ(rt::currentDirectory(), data);
  EXPECT_EQ(recorded(), (std::vector<std::string>{std::filesystem::canonical(programs).string(),
                                                  "two words", "-x;echo"}));
  driver.close(w);
}

// As the set-up's picker may leave it: no quotes, and nothing to split.
TEST_F(LauncherTest, AProgramPathWithABlankStartsAsItStands) {
  const std::filesystem::path helper = installRecorder();
  html = helper.string();
  rt::Window* w = openLauncher();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.press(w, cHtml));
  driver.pump();
  EXPECT_EQ(recorded(), std::vector<std::string>{rt::currentDirectory()});
  EXPECT_EQ(driver.messageBox(), nullptr);
  driver.close(w);
}

TEST_F(LauncherTest, AProgramThatCannotStartIsToldByNameAndWhy) {
  const std::string at = dir.path().toStdString() + "/";
  QFile notes(dir.filePath("notes.txt"));
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.close();
  const struct {
    std::string command;
    std::string program;
    std::string reason;
  } cases[] = {
      {at + "gone/prog -x", at + "gone/prog", "The file does not exist."},
      {at + "notes.txt", at + "notes.txt", "The file is not marked as executable."},
  };
  for (const auto& c : cases) {
    usr2 = c.command;
    ubut2 = "Mine";
    rt::Window* w = openLauncher();
    ASSERT_TRUE(w);
    ASSERT_TRUE(driver.press(w, cUser2));
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_TRUE(box) << c.command;
    EXPECT_EQ(driver.messageText(box),
              "The program could not be started.||" + c.program + "||" + c.reason);
    EXPECT_EQ(driver.messageCaption(box), "RuDerudoz Oridi: Tarnwick");
    ASSERT_TRUE(driver.answer(rt::button::Ok));
    EXPECT_TRUE(driver.isOpen(w));
    EXPECT_EQ(rt::currentDirectory(), mypath.clip());
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose("cpanel2"));
  }
}

TEST_F(LauncherTest, EveryButtonShowsTheGlove) {
  const QImage glove = QImage::fromData(rt::resourceBytes("Glove.cur"), "cur");
  const std::optional<QPoint> hot = rt::cursorHotSpot("Glove.cur");
  ASSERT_FALSE(glove.isNull());
  ASSERT_TRUE(hot);
  rt::Window* w = openLauncher();
  ASSERT_TRUE(w);
  for (int c = cBrowser; c <= cUser3; ++c) {
    const QCursor cursor = w->control(c)->cursor();
    ASSERT_EQ(cursor.shape(), Qt::BitmapCursor) << c;
    EXPECT_EQ(cursor.hotSpot(), *hot) << c;
    EXPECT_EQ(cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              glove.convertToFormat(QImage::Format_ARGB32))
        << c;
  }
  driver.close(w);
}

}  // namespace
