// Window positions kept per procedure in the program's INI file.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMdiArea>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdlib>

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
  rt::Window* openNotice(rt::WindowDesc d = simpleWindow("Reminder")) {
    driver.start([d] {
      Recorder w(d, "notice");
      w.Run();
    });
    return driver.waitForWindow("notice");
  }
  static QRect screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }
  void closeAll(std::initializer_list<rt::Window*> windows) {
    for (rt::Window* w : windows) {
      const std::string name = w->procedure();
      driver.close(w);
      ASSERT_TRUE(driver.waitForClose(name));
    }
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

// A window that is moved after it is shown lands off its place under a window manager,
// which frames it meanwhile: the kept place must be the one it is shown at.
class ShownAt : public QObject {
 public:
  QPoint at;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && o->isWidgetType() &&
        static_cast<QWidget*>(o)->windowTitle() == "Reminder")
      at = static_cast<QWidget*>(o)->pos();
    return false;
  }
};

TEST_F(Positions, KeptPlaceHoldsOverFiveReopenings) {
  ShownAt shown;
  qApp->installEventFilter(&shown);
  for (rt::WindowKind kind : {rt::WindowKind::Dialog, rt::WindowKind::Plain}) {
    rt::Window* w = openNotice(simpleWindow("Reminder", kind));
    ASSERT_NE(w, nullptr);
    const QPoint place = screen().topLeft() + QPoint(137, 91);
    w->topLevel()->move(place);
    w->topLevel()->resize(333, 222);
    for (int round = 1; round <= 5; ++round) {
      driver.close(w);
      ASSERT_TRUE(driver.waitForClose("notice"));
      w = openNotice(simpleWindow("Reminder", kind));
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(shown.at, place) << "round " << round;
      EXPECT_EQ(w->topLevel()->pos(), place) << "round " << round;
      EXPECT_EQ(w->topLevel()->size(), QSize(333, 222)) << "round " << round;
    }
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose("notice"));
  }
  qApp->removeEventFilter(&shown);
}

TEST_F(Positions, TitleBarOffTheScreenIsPulledBack) {
  const QRect s = screen();
  const struct {
    QPoint saved, opened;
  } cases[] = {
      {{s.left() + 40, s.top() - 60}, {s.left() + 40, s.top()}},
      {{s.left() - 290, s.top() + 30}, {s.left() - 200, s.top() + 30}},
      {{s.right() - 20, s.top() + 30}, {s.right() + 1 - 100, s.top() + 30}},
      {{s.left() + 40, s.bottom() - 5}, {s.left() + 40, s.bottom() + 1 - 24}},
      {{s.left() + 40, s.top() + 30}, {s.left() + 40, s.top() + 30}},
  };
  for (const auto& c : cases) {
    rt::iniPut("notice", {{"XPos", std::to_string(c.saved.x())},
                          {"YPos", std::to_string(c.saved.y())},
                          {"Width", "300"},
                          {"Height", "200"}});
    rt::Window* w = openNotice();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->topLevel()->pos(), c.opened) << c.saved.x() << "," << c.saved.y();
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose("notice"));
  }
}

TEST_F(Positions, FirstOpenFitsTheScreen) {
  rt::WindowDesc d = simpleWindow("Reminder");
  d.width = 5000;
  d.height = 4000;
  rt::Window* w = openNotice(d);
  ASSERT_NE(w, nullptr);
  EXPECT_LE(w->topLevel()->width(), screen().width() * 9 / 10);
  EXPECT_LE(w->topLevel()->height(), screen().height() * 9 / 10);
}

TEST_F(Positions, FormTallerThanTheFramesClientAreaFitsIt) {
  driver.start([] {
    rt::WindowDesc d;
    d.kind = rt::WindowKind::MdiFrame;
    d.title = "Frame";
    d.width = 600;
    d.height = 400;
    Recorder frame(d, "Frame");
    frame.setPositionSection({});
    frame.Run();
  });
  rt::Window* frame = driver.waitForWindow("Frame");
  ASSERT_NE(frame, nullptr);
  rt::WindowDesc d = simpleWindow("Reminder");
  d.add(rt::ControlKind::Sheet, 10);
  d.add(rt::ControlKind::Tab, 11, "First", 10);
  rt::ControlDesc& far = d.entry(12, "@s20", 11);
  far.x = 10;
  far.y = 1500;
  far.width = 100;
  far.height = 20;
  rt::Window* w = openNotice(d);
  ASSERT_NE(w, nullptr);
  const QSize room = frame->mdiArea()->size();
  EXPECT_LE(w->topLevel()->height(), room.height());
  EXPECT_LE(w->topLevel()->width(), room.width());
  driver.close(w);
  ASSERT_TRUE(driver.waitForClose("notice"));
  driver.close(frame);
  ASSERT_TRUE(driver.waitForClose("Frame"));
}

TEST_F(Positions, UnkeptWindowOpensCentredOnTheFrameWhollyOnTheScreen) {
  const QRect s = screen();
  const struct {
    const char* what;
    QRect frame;  // empty: no frame open
    QSize size;
  } cases[] = {
      {"over the frame", {s.left() + 60, s.top() + 40, 500, 400}, {300, 200}},
      {"frame low on the left", {s.left() - 150, s.bottom() - 120, 500, 400}, {300, 200}},
      {"without a frame", {}, {300, 200}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    rt::iniPut("notice", {{"XPos", ""}, {"YPos", ""}, {"Width", ""}, {"Height", ""}});
    rt::Window* frame = c.frame.isEmpty() ? nullptr : openFrame(c.frame);
    rt::WindowDesc d = simpleWindow("Reminder", rt::WindowKind::Plain);
    d.width = c.size.width();
    d.height = c.size.height();
    rt::Window* w = openNotice(d);
    ASSERT_NE(w, nullptr);
    const QRect at = w->topLevel()->frameGeometry();
    EXPECT_TRUE(s.contains(at)) << at.x() << "," << at.y();
    const QRect over = frame ? frame->topLevel()->frameGeometry() : s;
    if (s.contains(over)) {  // within the window manager's borders
      EXPECT_LE(std::abs(at.center().x() - over.center().x()), 2);
      EXPECT_LE(std::abs(at.center().y() - over.center().y()), 2);
    }
    if (frame)
      closeAll({w, frame});
    else
      closeAll({w});
  }
}

// The sizes a browse keeps are pulled back into the frame (or the screen), and what is
// written back at closing is the size it had.
TEST_F(Positions, KeptSizeTooLargeIsPulledBackToFit) {
  rt::Window* frame = openFrame({screen().left() + 20, screen().top() + 20, 600, 450});
  ASSERT_NE(frame, nullptr);
  for (rt::WindowKind kind : {rt::WindowKind::MdiChild, rt::WindowKind::Dialog}) {
    rt::iniPut("notice", {{"XPos", "10"}, {"YPos", "10"}, {"Width", "30000"}, {"Height", "30000"}});
    rt::Window* w = openNotice(simpleWindow("Reminder", kind));
    ASSERT_NE(w, nullptr);
    const QSize room =
        kind == rt::WindowKind::MdiChild ? frame->mdiArea()->size() : screen().size();
    EXPECT_LE(w->topLevel()->width(), room.width()) << static_cast<int>(kind);
    EXPECT_LE(w->topLevel()->height(), room.height()) << static_cast<int>(kind);
    closeAll({w});
    EXPECT_EQ(iniText().find("30000"), std::string::npos) << iniText();
  }
  closeAll({frame});
}

// A child with a designed size opens at it, as far as the frame's client area has room.
TEST_F(Positions, ChildOpensAtItsDesignedSizeWithinTheFrame) {
  rt::Window* frame = openFrame({screen().left() + 20, screen().top() + 20, 600, 450});
  ASSERT_NE(frame, nullptr);
  for (const QSize designed : {QSize(450, 300), QSize(900, 700)}) {
    rt::WindowDesc d = simpleWindow("Reminder", rt::WindowKind::MdiChild);
    d.width = designed.width();
    d.height = designed.height();
    rt::Window* w = openNotice(d);
    ASSERT_NE(w, nullptr);
    const QRect room = frame->mdiArea()->viewport()->rect();
    EXPECT_TRUE(room.contains(w->topLevel()->geometry())) << designed.width();
    if (designed.width() < room.width() && designed.height() < room.height()) {
      EXPECT_EQ(w->widget()->size(), designed);
    }
    closeAll({w});
  }
  closeAll({frame});
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
