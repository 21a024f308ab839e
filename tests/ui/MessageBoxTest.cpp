// Message boxes, StopProgram and the file dialog as runtime windows a test can answer.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QWidget>

#include "UiFixture.h"
#include "runtime/proc/ProgramLife.h"

namespace uitest {
namespace {

using rt::button::Cancel;
using rt::button::No;
using rt::button::Ok;
using rt::button::Yes;

class MessageBoxes : public UiTest {};

TEST_F(MessageBoxes, ButtonPressedIsReturned) {
  struct Case {
    int buttons, press, want;
  };
  const Case cases[] = {
      {Yes | No, No, No},
      {Yes | No, Yes, Yes},
      {Ok | Cancel, Cancel, Cancel},
      {0, Ok, Ok},  // no buttons given: OK alone
  };
  for (const Case& c : cases) {
    int got = -1;
    driver.start([&] {
      got =
          rt::ShowMessageBox("Line one|Line two", "Question", rt::MessageIcon::Question, c.buttons);
    });
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(driver.messageText(box), "Line one|Line two");
    EXPECT_EQ(box->text().toStdString(), "Line one\nLine two");
    EXPECT_EQ(driver.messageCaption(box), "Question");
    if (c.buttons == 0) {
      EXPECT_EQ(box->buttons().size(), 1);
    }
    EXPECT_TRUE(driver.answer(c.press));
    driver.waitForThreadsToEnd();
    EXPECT_EQ(got, c.want) << c.buttons;
  }
}

TEST_F(MessageBoxes, BoxIsWideEnoughForItsCaption) {
  const std::string caption = "Parse HTML File of a rather long name";
  driver.start([&] { rt::ShowMessageBox("Done.", caption); });
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  const int captionWidth =
      QFontMetrics(box->font()).horizontalAdvance(QString::fromStdString(caption));
  EXPECT_GT(box->width(), captionWidth + 100);
  EXPECT_TRUE(driver.answer(Ok));
  driver.waitForThreadsToEnd();
}

TEST_F(MessageBoxes, TextButtonsReturnTheirNumber) {
  int got = -1;
  driver.start(
      [&] { got = rt::ShowMessageBox("Delete it?", "", rt::MessageIcon::None, "&Yes|&No|Maybe"); });
  ASSERT_NE(driver.waitForMessageBox(), nullptr);
  EXPECT_TRUE(driver.answer("No"));
  driver.waitForThreadsToEnd();
  EXPECT_EQ(got, 2);
}

TEST_F(MessageBoxes, ClosingTheBoxCountsAsCancelOrNo) {
  for (auto [buttons, want] : {std::pair{Yes | No | Cancel, Cancel}, std::pair{Yes | No, No}}) {
    int got = -1;
    driver.start([&, b = buttons] {
      got = rt::ShowMessageBox("Sure?", "Confirm", rt::MessageIcon::Question, b);
    });
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_NE(box, nullptr);
    box->reject();
    driver.waitForThreadsToEnd();
    EXPECT_EQ(got, want);
  }
}

TEST_F(MessageBoxes, BoxIsModalOnlyOnItsThread) {
  int got = 0;
  driver.start([&] {
    Recorder w(simpleWindow("Form"), "UpdateThings");
    w.onAccepted = [&](Recorder&) {
      got = rt::ShowMessageBox("Save?", "Form", rt::MessageIcon::Question, Yes | No);
      return rt::Flow::Cycle;
    };
    w.Run();
  });
  const auto otherLog = startOther();
  rt::Window* form = driver.waitForWindow("UpdateThings");
  rt::Window* other = driver.waitForWindow("Other");
  ASSERT_TRUE(form && other);
  driver.press(form, 3);
  ASSERT_NE(driver.waitForMessageBox(), nullptr);
  EXPECT_FALSE(form->widget()->isEnabled());
  driver.press(other, 3);
  EXPECT_EQ(countOf(*otherLog, rt::EventKind::Accepted, 3), 1);
  EXPECT_TRUE(driver.answer(Yes));
  EXPECT_EQ(got, Yes);
  EXPECT_TRUE(form->widget()->isEnabled());
}

TEST_F(MessageBoxes, StopProgramNoReturnsYesEndsTheProgram) {
  int ended = -1;
  bool tasksRan = false;
  rt::setProgramEnd([&](int code) { ended = code; });
  rt::addShutdownTask([&] { tasksRan = true; });
  bool returned = false;
  driver.start([&] {
    rt::StopProgram("The data files are damaged.");
    returned = true;
    Recorder w(simpleWindow("Still here"), "Still");
    w.onAccepted = [](Recorder&) {
      rt::StopProgram("Again");
      return rt::Flow::Cycle;
    };
    w.Run();
  });
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver.messageCaption(box), "Stop");
  EXPECT_EQ(driver.messageText(box).rfind("The data files are damaged.|", 0), 0u);
  EXPECT_TRUE(driver.answer(No));
  EXPECT_TRUE(returned);
  EXPECT_EQ(ended, -1);
  rt::Window* w = driver.waitForWindow("Still");
  ASSERT_NE(w, nullptr);
  driver.press(w, 3);
  ASSERT_NE(driver.waitForMessageBox(), nullptr);
  EXPECT_TRUE(driver.answer(Yes));
  EXPECT_EQ(ended, 0);
  EXPECT_TRUE(tasksRan);
  EXPECT_TRUE(rt::openWindows().empty());
  rt::setProgramEnd(nullptr);
}

TEST(FileFilter, MasksBecomeQtFilters) {
  EXPECT_EQ(rt::qtFileFilter("HTML files|*.htm;*.html|All files|*.*"),
            "HTML files (*.htm *.html);;All files (*)");
  EXPECT_EQ(rt::qtFileFilter("Pictures|*.jpg   "), "Pictures (*.jpg)");
  EXPECT_EQ(rt::qtFileFilter(""), "");
}

TEST_F(MessageBoxes, FileDialogReturnsTheChosenFileOrNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile f(dir.filePath("page.htm"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  std::vector<std::string> chosen{"unset"};
  rt::FileDialogRequest req;
  req.title = "Pick a Page";
  req.masks = "HTML|*.htm|All files|*.*";
  req.directory = dir.path().toStdString() + "   ";
  driver.start([&] { chosen = rt::FileDialog(req); });
  QFileDialog* d = driver.waitForFileDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "Pick a Page");
  EXPECT_EQ(QDir(d->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
  EXPECT_TRUE(driver.chooseFiles({dir.filePath("page.htm").toStdString()}));
  driver.waitForThreadsToEnd();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(QFileInfo(QString::fromStdString(chosen[0])).fileName(), "page.htm");

  driver.start([&] { chosen = rt::FileDialog(req); });
  ASSERT_NE(driver.waitForFileDialog(), nullptr);
  EXPECT_TRUE(driver.cancelFileDialog());
  driver.waitForThreadsToEnd();
  EXPECT_TRUE(chosen.empty());
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(MessageBoxes, FileDialogCanChooseSeveralFiles) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"a.htm", "b.htm", "c.htm"}) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  std::vector<std::string> chosen;
  rt::FileDialogRequest req;
  req.title = "Pick Pages";
  req.directory = dir.path().toStdString();
  req.multiple = true;
  driver.start([&] { chosen = rt::FileDialog(req); });
  QFileDialog* d = driver.waitForFileDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->fileMode(), QFileDialog::ExistingFiles);
  EXPECT_TRUE(driver.chooseFiles(
      {dir.filePath("a.htm").toStdString(), dir.filePath("c.htm").toStdString()}));
  driver.waitForThreadsToEnd();
  std::vector<std::string> names;
  for (const auto& c : chosen)
    names.push_back(QFileInfo(QString::fromStdString(c)).fileName().toStdString());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.htm", "c.htm"}));
}

}  // namespace
}  // namespace uitest

#include <QPrintDialog>

#include "runtime/ui/Printing.h"
#include "runtime/ui/WindowLayer.h"

namespace uitest {
namespace {

TEST_F(MessageBoxes, PrinterSetupWaitsOnItsThreadOnly) {
  int result = -1;
  driver.start([&] { result = rt::PrinterSetup() ? 1 : 0; });
  ASSERT_TRUE(driver.waitUntil([] { return !rt::runtimeDialogs().empty(); }));
  auto* d = qobject_cast<QPrintDialog*>(rt::runtimeDialogs().back());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->printer(), &rt::programPrinter());
  d->reject();
  driver.waitForThreadsToEnd();
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

TEST_F(MessageBoxes, PostedCloseClosesTheBoxOnTop) {
  int got = -1;
  auto log = std::make_shared<std::vector<rt::Event>>();
  const int t = driver.start([&] {
    Recorder w(simpleWindow("Under"), "Under");
    log = w.log;
    w.onWindowEvent = [&](Recorder& r) {
      if (r.eventKind() == rt::EventKind::OpenWindow)
        got = rt::ShowMessageBox("Renew now?", "Reminder", rt::MessageIcon::Question, Yes | No);
      return rt::Flow::Continue;
    };
    w.Run();
  });
  ASSERT_NE(driver.waitForMessageBox(), nullptr);
  rt::PostEvent(rt::EventKind::CloseWindow, 0, t);
  driver.pump();
  EXPECT_EQ(got, No);
  EXPECT_EQ(driver.messageBox(), nullptr);
  // The close went to the box alone; the window under it stays.
  EXPECT_NE(driver.find("Under"), nullptr);
  EXPECT_EQ(countOf(*log, rt::EventKind::CloseWindow), 0);
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

class Entering : public Recorder {
 public:
  using Recorder::Recorder;
  rt::Flow OnSelected() override {
    if (control() == 5) {
      rt::ShowMessageBox("first");
      rt::ShowMessageBox("second");
    }
    return Recorder::OnSelected();
  }
};

// Two boxes shown as a field is entered come once each, and the keys go back to that field.
TEST_F(MessageBoxes, BoxesShownOnEnteringAFieldComeOnceAndGiveTheFieldBack) {
  std::shared_ptr<std::vector<rt::Event>> log;
  driver.start([&] {
    rt::WindowDesc d = simpleWindow("Entering");
    d.entry(4, "@s10");
    d.entry(5, "@s10");
    Entering w(d, "Entering");
    log = w.log;
    w.Run();
  });
  ASSERT_TRUE(driver.waitForWindow("Entering"));
  ASSERT_EQ(driver.focusedControl(), 4);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  for (const char* text : {"first", "second"}) {
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(driver.messageText(box), text);
    ASSERT_TRUE(driver.answer(Ok));
  }
  driver.pump();
  EXPECT_EQ(driver.messageBox(), nullptr);
  EXPECT_EQ(driver.focusedControl(), 5);
  EXPECT_EQ(countOf(*log, rt::EventKind::Selected, 5), 1);
  EXPECT_GE(countOf(*log, rt::EventKind::GainFocus), 1);
}

}  // namespace
}  // namespace uitest
