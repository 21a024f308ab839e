// The help window behind F1, Help buttons and the help menu; the Edit menu's actions.
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <cstdlib>

#include "UiFixture.h"
#include "runtime/proc/Programs.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/WindowLayer.h"

namespace uitest {
namespace {

class HelpWindow : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    write("index.html",
          "<h1>Contents</h1><ul><li><a href=\"about.html\">About</a></li>"
          "<li><a href=\"notice.html\">Reminders</a></li></ul>");
    write("notice.html", "<h1>Renewals due</h1>");
    write("about.html", "<h1>The program's version</h1>");
    rt::setHelpBook([this](std::string_view proc) {
      const QString f =
          dir.filePath((proc.empty() ? std::string("index") : std::string(proc)).c_str()) + ".html";
      return QFile::exists(f) ? f : QString();
    });
  }
  void TearDown() override {
    if (rt::helpWindow()) rt::helpWindow()->close();
    rt::setHelpBook(nullptr);
    rt::setHelpHandler(nullptr);
    rt::setUrlOpener(nullptr);
    rt::setRefusalNotifier(nullptr);
    UiTest::TearDown();
  }
  void write(const char* name, const char* html) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(html);
  }
  std::string shown() const {
    return rt::helpWindow() ? rt::helpBrowser()->toPlainText().toStdString() : std::string();
  }
  rt::Window* open(const char* procedure) {
    driver.start([procedure] {
      rt::WindowDesc d = simpleWindow("Help test");
      d.add(rt::ControlKind::Button, 9, "&Help").helpButton = true;
      d.entry(10, "@s20");
      d.entry(11, "@s20");
      Recorder w(d, procedure);
      w.Run();
    });
    return driver.waitForWindow(procedure);
  }
  QTemporaryDir dir;
};

TEST_F(HelpWindow, F1AndHelpButtonShowTheWindowsPage) {
  rt::Window* w = open("notice");
  ASSERT_NE(w, nullptr);
  driver.pressKey(w, 10, rt::key::F1);
  EXPECT_NE(shown().find("Renewals due"), std::string::npos);
  rt::helpWindow()->close();
  driver.pump();
  driver.press(w, 9);
  EXPECT_NE(shown().find("Renewals due"), std::string::npos);
}

TEST_F(HelpWindow, WindowWithoutAPageShowsTheContents) {
  rt::Window* w = open("splash");
  ASSERT_NE(w, nullptr);
  driver.press(w, 9);
  EXPECT_NE(shown().find("Contents"), std::string::npos);
}

TEST_F(HelpWindow, HelpProgramNameOpensTheContents) {
  rt::initWindowLayer();
  rt::RUN("winhelp.exe -i SondrelProgram tarnwick.hlp");
  EXPECT_NE(shown().find("Contents"), std::string::npos);
}

// Like any window that has no kept place, and then gone with Escape as a user expects.
TEST_F(HelpWindow, OpensCentredOnTheFrameAndEscapeClosesIt) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  rt::Window* frame = openFrame({screen.left() + 40, screen.top() + 30, 560, 430});
  ASSERT_NE(frame, nullptr);
  rt::Window* w = open("notice");
  ASSERT_NE(w, nullptr);
  w->topLevel()->move(screen.topLeft());  // over the frame, not the window asking
  driver.pressKey(w, 10, rt::key::F1);
  ASSERT_NE(rt::helpWindow(), nullptr);
  const QRect at = rt::helpWindow()->frameGeometry();
  const QPoint off = at.center() - frame->topLevel()->frameGeometry().center();
  EXPECT_TRUE(screen.contains(at));
  EXPECT_LE(std::abs(off.x()), 2);
  EXPECT_LE(std::abs(off.y()), 2);
  ASSERT_NE(driver.focusWidget(), nullptr);
  EXPECT_EQ(driver.focusWidget()->window(), rt::helpWindow());
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  EXPECT_TRUE(driver.waitUntil([] { return rt::helpWindow() == nullptr; }));
  EXPECT_TRUE(driver.isOpen(w));
  driver.close(frame);
  ASSERT_TRUE(driver.waitForClose("Frame"));
}

// Words typed into the search field narrow the index to the topics holding them, in their
// titles or their texts; Enter opens the first.
TEST_F(HelpWindow, SearchTakesTheKeysAndOpensTheTopicFound) {
  rt::showHelpSearch();
  ASSERT_NE(rt::helpWindow(), nullptr);
  EXPECT_NE(shown().find("Contents"), std::string::npos);
  ASSERT_TRUE(driver.waitUntil([&] { return driver.focusWidget() != nullptr; }));
  auto* field = qobject_cast<QLineEdit*>(driver.focusWidget());
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->window(), rt::helpWindow());
  const struct {
    const char* typed;
    const char* opens;
  } cases[] = {{"renewals", "Renewals due"}, {"about", "version"}, {"VERSION", "version"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    rt::showHelpSearch();  // the field again, its text selected to be typed over
    ASSERT_TRUE(driver.typeKeys(c.typed));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
    EXPECT_NE(shown().find(c.opens), std::string::npos) << shown();
  }
  const std::string before = shown();
  rt::showHelpSearch();
  ASSERT_TRUE(driver.typeKeys("nowhere"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  EXPECT_EQ(shown(), before);  // nothing found, nothing opened
}

TEST_F(HelpWindow, EditActionsWorkOnTheFocusedEntry) {
  rt::Window* w = open("notice");
  ASSERT_NE(w, nullptr);
  driver.activate(w);
  w->setText(10, "copied text");
  w->selectControl(10);
  ASSERT_EQ(w->focusedControl(), 10);
  rt::editAction(rt::EditAction::Copy);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "copied text");
  w->selectControl(11);
  rt::editAction(rt::EditAction::Paste);
  EXPECT_EQ(w->text(11), "copied text");
  w->selectControl(10);
  rt::editAction(rt::EditAction::Cut);
  EXPECT_EQ(w->text(10), "");
}

}  // namespace
}  // namespace uitest
