// The MDI frame: menus, toolbar, children inside it, arrangement and the background.
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWindow>
#include <cstdio>
#include <optional>

extern "C" {
#include <jpeglib.h>
}

#include "UiFixture.h"
#include "runtime/ui/Jpeg.h"
#include "runtime/ui/WindowLayer.h"

namespace uitest {
namespace {

using rt::EventKind;

// A small JPEG made with libjpeg itself: the left half red, the right half blue.
bool writeJpeg(const QString& path, int w, int h) {
  FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
  if (!f) return false;
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = static_cast<JDIMENSION>(w);
  info.image_height = static_cast<JDIMENSION>(h);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3);
  for (int x = 0; x < w; ++x) {
    const bool left = x < w / 2;
    row[x * 3] = left ? 255 : 0;
    row[x * 3 + 1] = 0;
    row[x * 3 + 2] = left ? 0 : 255;
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(f);
  return true;
}

TEST(JpegTest, DecodesWithLibjpegAndRefusesGarbage) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("newtarn 2.jpg");
  ASSERT_TRUE(writeJpeg(path, 64, 32));
  const QImage img = rt::decodeJpeg(path.toStdString());
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.size(), QSize(64, 32));
  EXPECT_GT(qRed(img.pixel(4, 16)), 200);
  EXPECT_GT(qBlue(img.pixel(60, 16)), 200);
  // loadPicture clips the name and accepts "\" separators.
  EXPECT_EQ(rt::loadPicture((dir.path() + "\\newtarn 2.jpg   ").toStdString()).size(),
            QSize(64, 32));
  // A file on disk is read afresh each time; only the program's own resources are kept.
  ASSERT_TRUE(writeJpeg(path, 16, 8));
  EXPECT_EQ(rt::loadPicture(path.toStdString()).size(), QSize(16, 8));

  QFile bad(dir.filePath("bad.jpg"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("\xFF\xD8\xFF\xE0 this is not really a jpeg at all");
  bad.close();
  EXPECT_TRUE(rt::decodeJpeg(bad.fileName().toStdString()).isNull());
  EXPECT_TRUE(rt::decodeJpeg(dir.filePath("missing.jpg").toStdString()).isNull());
  EXPECT_TRUE(rt::decodeJpeg(nullptr, 0).isNull());
}

rt::WindowDesc frameDesc(const std::string& background) {
  rt::WindowDesc d;
  d.kind = rt::WindowKind::MdiFrame;
  d.title = "Tarnwick Main Menu";
  d.background = background;
  using M = rt::MenuDesc;
  M launcher = M::item(-2, "&Launcher");
  launcher.check = true;
  M reader = M::item(-41, "Reader Program");
  reader.disabled = true;
  d.menus = {
      M::menu("&File", {launcher, M::line(), M::item(-4, "E&xit", "Exit this application")}),
      M::menu("&Main Data Files", {M::item(-10, "&By Domain", "Browse the main file", "F5")}),
      M::menu("Utilities", {reader, M::menu("Rebuild Indexes",
                                            {M::item(-35, "&Domains File", "Rebuild Index")})}),
  };
  d.tools = {{2000, "First", "Go to the First Page"}, {2004, "Next", "Go to the Next Record"}};
  return d;
}

class Frame : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(dir.isValid());
  }
  rt::Window* openFrame() {
    const QString bg = dir.filePath("newtarn 2.jpg");
    writeJpeg(bg, 40, 40);
    driver.start([this, bg] {
      Recorder frame(frameDesc(bg.toStdString()), "Main");
      frame.setPositionSection({});
      frameLog = frame.log;
      frame.onAccepted = [](Recorder& r) {
        // Toolbar buttons go on to the active child's thread.
        if (r.control() >= 2000 && r.control() <= 2012) {
          if (rt::Window* child = r.window()->activeChild())
            rt::PostEvent(EventKind::Accepted, r.control(), child->thread());
          return rt::Flow::Cycle;
        }
        if (r.control() == -10) {
          rt::START([] {
            Recorder browse(simpleWindow("Browse Domains", rt::WindowKind::MdiChild),
                            "BrowseDomains");
            browse.setPositionSection({});
            browse.Run();
          });
        }
        return rt::Flow::Continue;
      };
      frame.Run();
    });
    return driver.waitForWindow("Main");
  }

  QTemporaryDir dir;
  std::shared_ptr<std::vector<rt::Event>> frameLog = std::make_shared<std::vector<rt::Event>>();
};

// Across a maximised frame the picture is there once, not as tiles of its own size.
TEST_F(Frame, BackgroundIsDrawnOnceOverTheWholeArea) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  f->topLevel()->showMaximized();
  QWidget* area = f->mdiArea()->viewport();
  ASSERT_TRUE(driver.waitUntil([&] { return area->width() > 200; }));
  driver.pump();
  const QImage shown = area->grab().toImage();
  int changes = 0;  // from red to blue or back, along the middle line
  std::optional<bool> wasRed;
  for (int x = 0, y = shown.height() / 2; x < shown.width(); ++x) {
    const QRgb p = shown.pixel(x, y);
    const bool red = qRed(p) > 150 && qBlue(p)<100, blue = qBlue(p)> 150 && qRed(p) < 100;
    if (!red && !blue) continue;  // the seam between the halves
    if (wasRed && *wasRed != red) ++changes;
    wasRed = red;
  }
  EXPECT_EQ(changes, 1) << "width " << shown.width();
}

TEST_F(Frame, MenusCarryTheirStates) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->hasBackground());
  ASSERT_NE(f->action(-10), nullptr);
  EXPECT_EQ(f->action(-10)->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(f->action(-10)->statusTip(), "Browse the main file");
  EXPECT_FALSE(f->menuEnabled(-41));
  EXPECT_FALSE(f->menuChecked(-2));

  EXPECT_FALSE(driver.pickMenu(f, -41));  // unavailable: nothing happens
  EXPECT_EQ(countOf(*frameLog, EventKind::Accepted, -41), 0);
  f->setMenuEnabled(-41, true);
  driver.pickMenu(f, -41);
  EXPECT_EQ(countOf(*frameLog, EventKind::Accepted, -41), 1);

  driver.pickMenu(f, -2);  // a check item toggles as it is picked
  EXPECT_TRUE(f->menuChecked(-2));
  driver.pickMenu(f, -2);
  EXPECT_FALSE(f->menuChecked(-2));
  EXPECT_EQ(countOf(*frameLog, EventKind::Accepted, -2), 2);

  driver.pickMenu(f, -35);  // items of submenus too
  EXPECT_EQ(countOf(*frameLog, EventKind::Accepted, -35), 1);
}

TEST_F(Frame, ChildrenOpenInsideTheFrameOnTheirOwnThreads) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  driver.pickMenu(f, -10);
  driver.pickMenu(f, -10);
  ASSERT_TRUE(driver.waitUntil([] { return rt::openWindows().size() == 3; }));
  const auto wins = rt::openWindows();
  rt::Window* a = wins[1];
  rt::Window* b = wins[2];
  EXPECT_NE(a->thread(), b->thread());
  EXPECT_NE(a->thread(), f->thread());
  ASSERT_NE(qobject_cast<QMdiSubWindow*>(b->topLevel()), nullptr);
  EXPECT_EQ(f->mdiArea()->subWindowList().size(), 2);

  f->tile();
  const QRect ra = a->topLevel()->geometry(), rb = b->topLevel()->geometry();
  EXPECT_FALSE(ra.intersects(rb));
  f->cascade();
  EXPECT_NE(a->topLevel()->pos(), b->topLevel()->pos());

  // A toolbar button reaches the active child's thread.
  driver.activate(a);
  ASSERT_EQ(f->activeChild(), a);
  driver.pickMenu(f, 2004);
  EXPECT_EQ(countOf(*frameLog, EventKind::Accepted, 2004), 1);

  driver.close(a);
  EXPECT_TRUE(driver.waitUntil([&] { return f->mdiArea()->subWindowList().size() == 1; }));
}

TEST_F(Frame, ModalOnTheFrameThreadLeavesChildrenLive) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  driver.pickMenu(f, -10);
  rt::Window* browse = driver.waitForWindow("BrowseDomains");
  ASSERT_NE(browse, nullptr);
  f->setBlocked(true);
  auto* main = static_cast<QMainWindow*>(f->widget());
  EXPECT_FALSE(main->menuBar()->isEnabled());
  EXPECT_FALSE(driver.pickMenu(f, -10));
  EXPECT_TRUE(f->mdiArea()->isEnabled());
  EXPECT_TRUE(browse->widget()->isEnabledTo(nullptr) || browse->widget()->isEnabled());
  f->setBlocked(false);
  EXPECT_TRUE(main->menuBar()->isEnabled());
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(Frame, ClosingTheFrameClosesItsChildren) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  driver.pickMenu(f, -10);
  ASSERT_NE(driver.waitForWindow("BrowseDomains"), nullptr);
  driver.close(f);
  EXPECT_TRUE(driver.waitForClose("Main"));
  EXPECT_TRUE(driver.waitForClose("BrowseDomains"));
  driver.waitForThreadsToEnd();
  EXPECT_EQ(rt::procedureThreadCount(), 0);
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(Frame, ChildLosingTheFocusIsTold) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  auto first = std::make_shared<std::vector<rt::Event>>();
  driver.start([&] {
    Recorder w(simpleWindow("One", rt::WindowKind::MdiChild), "One");
    w.setPositionSection({});
    first = w.log;
    w.Run();
  });
  driver.start([] {
    Recorder w(simpleWindow("Two", rt::WindowKind::MdiChild), "Two");
    w.setPositionSection({});
    w.Run();
  });
  rt::Window* one = driver.waitForWindow("One");
  rt::Window* two = driver.waitForWindow("Two");
  ASSERT_TRUE(one && two);
  driver.activate(one);
  const int before = countOf(*first, EventKind::LoseFocus);
  driver.activate(two);
  EXPECT_EQ(countOf(*first, EventKind::LoseFocus), before + 1);
}

TEST_F(Frame, ActiveChildIsToldWhenTheFrameGetsTheFocusBack) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  auto log = std::make_shared<std::vector<rt::Event>>();
  driver.start([&] {
    Recorder w(simpleWindow("One", rt::WindowKind::MdiChild), "One");
    w.setPositionSection({});
    log = w.log;
    w.Run();
  });
  ASSERT_TRUE(driver.waitForWindow("One"));
  const int before = countOf(*log, EventKind::GainFocus);
  // A box of its own had the keys and has closed: the frame is activated again.
  QEvent activate(QEvent::WindowActivate);
  QCoreApplication::sendEvent(f->widget(), &activate);
  driver.pump();
  EXPECT_EQ(countOf(*log, EventKind::GainFocus), before + 1);
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(Frame, ArrangeIconsLinesUpMinimizedChildrenAlongTheBottom) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  f->topLevel()->resize(800, 600);
  driver.pickMenu(f, -10);
  driver.pickMenu(f, -10);
  ASSERT_TRUE(driver.waitUntil([] { return rt::openWindows().size() == 3; }));
  const auto wins = rt::openWindows();
  for (int i : {1, 2}) wins[i]->topLevel()->showMinimized();
  driver.pump();
  f->arrangeIcons();
  const QRect a = wins[1]->topLevel()->geometry(), b = wins[2]->topLevel()->geometry();
  const int bottom = f->mdiArea()->viewport()->height();
  EXPECT_EQ(a.bottom() + 1, bottom);
  EXPECT_EQ(b.bottom() + 1, bottom);
  EXPECT_FALSE(a.intersects(b));
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(Frame, ButtonsAndImagesShowTheirPictures) {
  const QString pic = dir.filePath("pic.jpg");
  ASSERT_TRUE(writeJpeg(pic, 30, 20));
  driver.start([pic] {
    rt::WindowDesc d = simpleWindow("Pictures");
    d.add(rt::ControlKind::Button, 7, "Go").icon = pic.toStdString();
    rt::ControlDesc& img = d.add(rt::ControlKind::Image, 8);
    img.icon = pic.toStdString();
    img.width = 60;
    img.height = 60;
    Recorder w(d, "Pictures");
    w.Run();
  });
  rt::Window* w = driver.waitForWindow("Pictures");
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(static_cast<QPushButton*>(w->control(7))->icon().isNull());
  // Scaled into its box, keeping its proportions.
  EXPECT_EQ(static_cast<QLabel*>(w->control(8))->pixmap().size(), QSize(60, 40));
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

// A box or dialog belongs to the window it covers, so the window system keeps it in front of
// that window: for a procedure without a window of its own or in the frame, the frame.
TEST_F(Frame, BoxesAndDialogsStandInFrontOfTheWindowTheUserIsIn) {
  rt::Window* f = openFrame();
  ASSERT_NE(f, nullptr);
  driver.start([] {
    Recorder w(simpleWindow("Child", rt::WindowKind::MdiChild), "Child");
    w.setPositionSection({});
    w.onAccepted = [](Recorder&) {
      rt::ShowMessageBox("From the child", "File Access Error");
      return rt::Flow::Cycle;
    };
    w.Run();
  });
  driver.start([] {
    Recorder w(simpleWindow("Dialog"), "Dialog");
    w.onAccepted = [](Recorder&) {
      rt::ShowMessageBox("From the dialog", "File Access Error");
      return rt::Flow::Cycle;
    };
    w.Run();
  });
  rt::Window* child = driver.waitForWindow("Child");
  rt::Window* dialog = driver.waitForWindow("Dialog");
  ASSERT_TRUE(child && dialog);
  const auto ownerOf = [](QWidget* shown) {
    return shown && shown->windowHandle() ? shown->windowHandle()->transientParent() : nullptr;
  };
  QWindow* frame = f->widget()->windowHandle();
  ASSERT_TRUE(frame);

  driver.activate(f);
  driver.start([] { rt::ShowMessageBox("No HOSTS file", "File Access Error"); });
  EXPECT_EQ(ownerOf(driver.waitForMessageBox()), frame) << "a procedure without a window";
  ASSERT_TRUE(driver.answer(rt::button::Ok));
  driver.start([] { rt::FileDialog({}); });
  EXPECT_EQ(ownerOf(driver.waitForFileDialog()), frame) << "a file dialog";
  ASSERT_TRUE(driver.cancelFileDialog());

  driver.activate(child);
  ASSERT_TRUE(driver.press(child, 3));
  EXPECT_EQ(ownerOf(driver.waitForMessageBox()), frame) << "a child of the frame";
  ASSERT_TRUE(driver.answer(rt::button::Ok));

  driver.activate(dialog);
  ASSERT_TRUE(driver.press(dialog, 3));
  EXPECT_EQ(ownerOf(driver.waitForMessageBox()), dialog->widget()->windowHandle())
      << "a window of its own";
  ASSERT_TRUE(driver.answer(rt::button::Ok));
}

}  // namespace
}  // namespace uitest
