// The help window behind F1, Help buttons and the help menu; the Edit menu's actions.
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextBrowser>

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
    write("index.html", "<h1>Contents</h1>");
    write("notice.html", "<h1>Renewals due</h1>");
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
    return rt::helpWindow() ? rt::helpWindow()->toPlainText().toStdString() : std::string();
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
