// Window positions kept per procedure in the program's INI file.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include "UiFixture.h"
#include "runtime/ui/IniAccess.h"

namespace uitest {
namespace {

class Positions : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    rt::setProgramIniFile(dir.filePath("tarnwick.INI").toStdString());
  }
  std::string iniText() const {
    QFile f(dir.filePath("tarnwick.INI"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
  }
  rt::Window* openNotice() {
    driver.start([] {
      Recorder w(simpleWindow("Reminder"), "notice");
      w.Run();
    });
    return driver.waitForWindow("notice");
  }

  QTemporaryDir dir;
};

TEST_F(Positions, SavedOnCloseAndRestoredOnOpen) {
  rt::Window* w = openNotice();
  ASSERT_NE(w, nullptr);
  w->topLevel()->move(120, 80);
  w->topLevel()->resize(320, 210);
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("notice"));
  const std::string ini = iniText();
  for (const char* line :
       {"[notice]", "XPos=120", "YPos=80", "Width=320", "Height=210", "Maximize=No"})
    EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;

  w = openNotice();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->topLevel()->pos(), QPoint(120, 80));
  EXPECT_EQ(w->topLevel()->size(), QSize(320, 210));
}

TEST_F(Positions, PositionOffEveryScreenIsIgnored) {
  rt::iniPut("notice", "XPos", "9000");
  rt::iniPut("notice", "YPos", "7000");
  rt::iniPut("notice", "Width", "300");
  rt::iniPut("notice", "Height", "200");
  rt::Window* w = openNotice();
  ASSERT_NE(w, nullptr);
  const QPoint at = w->topLevel()->pos();
  EXPECT_LT(at.x(), 9000);
  EXPECT_LT(at.y(), 7000);
  EXPECT_EQ(w->topLevel()->size(), QSize(300, 200));
}

TEST_F(Positions, MaximizedWindowIsKeptMaximized) {
  rt::Window* w = openNotice();
  ASSERT_NE(w, nullptr);
  w->topLevel()->showMaximized();
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("notice"));
  EXPECT_NE(iniText().find("Maximize=Yes"), std::string::npos);
  w = openNotice();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->topLevel()->isMaximized());
}

TEST_F(Positions, WindowWithoutASectionKeepsNothing) {
  driver.start([] {
    Recorder w(simpleWindow("Quiet"), "quiet");
    w.setPositionSection({});
    w.Run();
  });
  rt::Window* w = driver.waitForWindow("quiet");
  ASSERT_NE(w, nullptr);
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("quiet"));
  EXPECT_EQ(iniText().find("[quiet]"), std::string::npos);
}

}  // namespace
}  // namespace uitest
