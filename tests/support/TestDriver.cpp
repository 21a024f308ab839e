#include "tests/support/TestDriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <algorithm>

#include "runtime/ui/Clock.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/WindowLayer.h"

namespace rt {
namespace {

bool isOpenWindow(const Window* w) {
  const auto open = openWindows();
  return std::find(open.begin(), open.end(), w) != open.end();
}

Qt::Key qtKey(int code) {
  if (code >= key::F1 && code <= key::F12)
    return static_cast<Qt::Key>(Qt::Key_F1 + (code - key::F1));
  if (code == key::Enter) return Qt::Key_Return;
  if (code == key::Escape) return Qt::Key_Escape;
  return Qt::Key_unknown;
}

// What a user can reach: an enabled control of a window no modal child blocks.
bool reachable(Window* w, QWidget* control) {
  return w && control && !w->blocked() && control->isEnabled() && isOpenWindow(w);
}

// Window timers that run only as far as the test advances them.
class VirtualClock : public TimerClock {
 public:
  void start(Window* w, long hundredths) override {
    stop(w);
    timers_.push_back({w, hundredths, hundredths});
  }
  void stop(Window* w) override {
    std::erase_if(timers_, [w](const Timer& t) { return t.window == w; });
  }

  void advance(long hundredths) {
    while (hundredths > 0 && !timers_.empty()) {
      long step = hundredths;
      for (const Timer& t : timers_) step = std::min(step, t.remaining);
      hundredths -= step;
      std::vector<Window*> due;
      for (Timer& t : timers_) {
        t.remaining -= step;
        if (t.remaining <= 0) {
          t.remaining = t.period;
          due.push_back(t.window);
        }
      }
      for (Window* w : due) w->fireTimer();
    }
  }

 private:
  struct Timer {
    Window* window;
    long period;
    long remaining;
  };
  std::vector<Timer> timers_;
};

VirtualClock& virtualClock() {
  static VirtualClock c;
  return c;
}

}  // namespace

TestDriver::TestDriver() {
  setTimerClock(&virtualClock());
}
TestDriver::~TestDriver() {
  setTimerClock(nullptr);
}

int TestDriver::start(Procedure proc, long stack, std::string_view name) {
  const int t = START(std::move(proc), stack, name);
  pump();
  return t;
}

void TestDriver::pump() {
  for (int round = 0; round < 1000; ++round) {
    runReadyThreads();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!threadsReady()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (!threadsReady()) return;
    }
  }
}

bool TestDriver::waitUntil(const std::function<bool()>& pred, int maxMs) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    pump();
    if (pred()) return true;
    if (clock.elapsed() > maxMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
}

void TestDriver::waitForThreadsToEnd() {
  waitUntil([] { return procedureThreadCount() == 0; });
}

Window* TestDriver::find(std::string_view name) const {
  const auto open = openWindows();
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if ((*it)->procedure() == name || (*it)->title() == name) return *it;
  return nullptr;
}

Window* TestDriver::waitForWindow(std::string_view name, int maxMs) {
  Window* found = nullptr;
  waitUntil([&] { return (found = find(name)) != nullptr; }, maxMs);
  return found;
}

bool TestDriver::waitForClose(std::string_view name, int maxMs) {
  return waitUntil([&] { return find(name) == nullptr; }, maxMs);
}

bool TestDriver::isOpen(const Window* w) const {
  for (Window* o : openWindows())
    if (o == w) return true;
  return false;
}

int TestDriver::rowCount(Window* w, int list) const {
  QAbstractItemView* v = w->listView(list);
  return v && v->model() ? v->model()->rowCount() : 0;
}

std::string TestDriver::cell(Window* w, int list, int row, int column) const {
  QAbstractItemView* v = w->listView(list);
  if (!v || !v->model()) return {};
  return storedText(v->model()->index(row - 1, column).data(Qt::DisplayRole).toString());
}

bool TestDriver::type(Window* w, int control, std::string_view text) {
  QWidget* widget = w ? w->control(control) : nullptr;
  if (!reachable(w, widget)) return false;
  if (auto* e = qobject_cast<QLineEdit*>(widget)) {
    if (e->isReadOnly()) return false;
    e->setText(qtText(text));
    emit e->textEdited(e->text());
    emit e->editingFinished();
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(widget)) {
    t->setPlainText(qtText(text));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(t, &out);
  } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
    const int i = box->findText(qtText(text));
    if (i >= 0) {
      box->setCurrentIndex(i);
      emit box->activated(i);
    } else if (box->isEditable()) {
      box->setEditText(qtText(text));
      emit box->activated(box->currentIndex());
    }
  }
  pump();
  return true;
}

bool TestDriver::press(Window* w, int control) {
  auto* b = qobject_cast<QAbstractButton*>(w ? w->control(control) : nullptr);
  if (!reachable(w, b)) return false;
  b->click();
  pump();
  return true;
}

bool TestDriver::choose(Window* w, int control, int row) {
  if (!w || !reachable(w, w->control(control))) return false;
  if (QAbstractItemView* v = w->listView(control)) {
    if (!v->model()) return false;  // nothing listed yet
    const QModelIndex i = v->model()->index(row - 1, 0);
    v->setCurrentIndex(i);
    emit v->activated(i);
  } else if (auto* box = qobject_cast<QComboBox*>(w->control(control))) {
    box->setCurrentIndex(row - 1);
    emit box->activated(row - 1);
  }
  pump();
  return true;
}

bool TestDriver::selectTab(Window* w, int sheet, int position) {
  auto* s = qobject_cast<QTabWidget*>(w ? w->control(sheet) : nullptr);
  if (!reachable(w, s)) return false;
  s->setCurrentIndex(position - 1);
  pump();
  return true;
}

bool TestDriver::pickMenu(Window* w, int item) {
  QAction* a = w ? w->action(item) : nullptr;
  if (!a || !a->isEnabled() || w->blocked() || !isOpenWindow(w)) return false;
  a->trigger();
  pump();
  return true;
}

void TestDriver::click(Window* w, int control, int mouseKey) {
  QWidget* target = control ? w->control(control) : w->widget();
  if (!target) return;
  const bool dbl = mouseKey == key::MouseLeft2 || mouseKey == key::MouseRight2;
  const Qt::MouseButton b = (mouseKey == key::MouseRight || mouseKey == key::MouseRight2)
                                ? Qt::RightButton
                            : mouseKey == key::MouseCenter ? Qt::MiddleButton
                                                           : Qt::LeftButton;
  const QPointF at(1, 1);
  QMouseEvent ev(dbl ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, at,
                 target->mapToGlobal(at), b, b, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &ev);
  pump();
}

void TestDriver::pressKey(Window* w, int control, int keyCode) {
  QWidget* target = control ? w->control(control) : w->widget();
  if (!target) return;
  // Printable codes carry their text, as a keyboard's would.
  const bool printable = keyCode >= 0x20 && keyCode < 0x7F;
  const Qt::Key k =
      printable ? static_cast<Qt::Key>(QChar(keyCode).toUpper().unicode()) : qtKey(keyCode);
  QKeyEvent ev(QEvent::KeyPress, k, Qt::NoModifier,
               printable ? QString(QChar(keyCode)) : QString());
  QCoreApplication::sendEvent(target, &ev);
  pump();
}

void TestDriver::close(Window* w) {
  w->topLevel()->close();
  pump();
}

void TestDriver::activate(Window* w) {
  noteUserInput();  // a user activates a window by clicking it
  if (auto* sub = qobject_cast<QMdiSubWindow*>(w->topLevel())) {
    if (QMdiArea* area = sub->mdiArea()) area->setActiveSubWindow(sub);
  } else {
    QApplication::setActiveWindow(w->widget());
  }
  pump();
}

QWidget* TestDriver::focusWidget() const {
  return QApplication::focusWidget();
}

Window* TestDriver::focusWindow() const {
  QWidget* f = QApplication::focusWidget();
  return f ? windowOf(f) : nullptr;
}

int TestDriver::focusedControl() const {
  Window* w = focusWindow();
  return w ? w->focusedControl() : 0;
}

Window* TestDriver::activeWindow() const {
  Window* w = windowOf(QApplication::activeWindow());
  if (w && w->kind() == WindowKind::MdiFrame) {
    if (Window* child = w->activeChild()) return child;
  }
  return w;
}

bool TestDriver::typeKeys(std::string_view text) {
  const QString chars = qtText(text);
  for (const QChar c : chars) {
    QWidget* target = QApplication::focusWidget();
    if (!target) return false;
    const auto k = static_cast<Qt::Key>(c.toUpper().unicode());
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(target, &press);
    if (QApplication::focusWidget() == target) QCoreApplication::sendEvent(target, &release);
    pump();
  }
  return true;
}

bool TestDriver::hitKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget();
  if (!target) return false;
  // Letters carry their text as a keyboard's would (lower case unless shifted).
  QString text;
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z && !(modifiers & Qt::ControlModifier)) {
    const QChar c(qtKey);
    text = modifiers & Qt::ShiftModifier ? QString(c) : QString(c.toLower());
  }
  QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
  QCoreApplication::sendEvent(target, &press);
  if (QWidget* now = QApplication::focusWidget()) {
    QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, text);
    QCoreApplication::sendEvent(now, &release);
  }
  pump();
  return true;
}

QMessageBox* TestDriver::messageBox() const {
  const auto boxes = openMessageBoxes();
  return boxes.empty() ? nullptr : boxes.back();
}

QMessageBox* TestDriver::waitForMessageBox(int maxMs) {
  waitUntil([this] { return messageBox() != nullptr; }, maxMs);
  return messageBox();
}

std::string TestDriver::messageText(QMessageBox* box) const {
  return box ? storedText(box->text().replace('\n', '|')) : std::string();
}

std::string TestDriver::messageCaption(QMessageBox* box) const {
  return box ? storedText(box->windowTitle()) : std::string();
}

bool TestDriver::answer(int buttonValue) {
  QMessageBox* box = messageBox();
  const bool ok = box && pressMessageBoxButton(box, buttonValue);
  pump();
  return ok;
}

bool TestDriver::answer(std::string_view text) {
  QMessageBox* box = messageBox();
  const bool ok = box && pressMessageBoxButton(box, text);
  pump();
  return ok;
}

QFileDialog* TestDriver::waitForFileDialog(int maxMs) {
  waitUntil([] { return !openFileDialogs().empty(); }, maxMs);
  const auto d = openFileDialogs();
  return d.empty() ? nullptr : d.back();
}

bool TestDriver::chooseFiles(const std::vector<std::string>& files) {
  const auto dialogs = openFileDialogs();
  if (dialogs.empty() || files.empty()) return false;
  QFileDialog* d = dialogs.back();
  // Typed into the name field as a user would: the dialog's own model loads directories
  // in the background, so selecting through it is not reliable here.
  const QFileInfo first(qtText(files.front()));
  if (first.isAbsolute()) d->setDirectory(first.absolutePath());
  QStringList names;
  for (const auto& f : files) {
    const QString name =
        QFileInfo(qtText(f)).isAbsolute() ? QFileInfo(qtText(f)).fileName() : qtText(f);
    names << (files.size() == 1 ? name : "\"" + name + "\"");
  }
  auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
  if (!edit) return false;
  edit->setText(names.join(' '));
  static_cast<QDialog*>(d)->accept();  // QFileDialog hides accept(); QDialog has it public
  pump();
  // True once the dialog took the names and closed.
  const auto still = openFileDialogs();
  return std::find(still.begin(), still.end(), d) == still.end();
}

bool TestDriver::cancelFileDialog() {
  const auto dialogs = openFileDialogs();
  if (dialogs.empty()) return false;
  dialogs.back()->reject();
  pump();
  return true;
}

void TestDriver::advanceClock(long hundredths) {
  virtualClock().advance(hundredths);
  pump();
}

PaintCount::PaintCount(QWidget* w) {
  w->installEventFilter(this);
}

bool PaintCount::eventFilter(QObject*, QEvent* e) {
  if (e->type() == QEvent::Paint) ++count_;
  return false;
}

}  // namespace rt
