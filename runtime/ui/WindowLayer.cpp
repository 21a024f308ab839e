#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QEvent>
#include <QLocale>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <map>

#include "runtime/ini/IniFile.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/Picture.h"
#include "runtime/ui/Clock.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/IniAccess.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"
#include "runtime/ui/WindowLayerInternal.h"

namespace rt {
namespace {

struct Dialog {
  QPointer<QWidget> widget;
  int thread;
};

struct Layer {
  int lastId = 0;
  std::map<int, Window*> all;
  std::vector<Window*> open;
  std::vector<Dialog> dialogs;
  TimerClock* clock = nullptr;
  std::string iniFile;  // the program names it; until then nothing is kept
  IniAccess ini;
};

Layer& layer() {
  static Layer l;
  return l;
}

// What the user does with keyboard and mouse anywhere in the program, so that a focus
// change of the user's can be told from one the window manager makes by itself.
class InputWatch : public QObject {
 public:
  std::uint64_t count = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    switch (e->type()) {
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::NonClientAreaMouseButtonPress:
        ++count;
        break;
      default:
        break;
    }
    return false;
  }
};

InputWatch& inputWatch() {
  static InputWatch* w = [] {
    auto* watch = new InputWatch;
    watch->setParent(qApp);
    qApp->installEventFilter(watch);
    return watch;
  }();
  return *w;
}

}  // namespace

namespace detail {

int nextWindowId() {
  return ++layer().lastId;
}
void registerWindow(Window* w) {
  inputWatch();
  layer().all[w->id()] = w;
}
void unregisterWindow(Window* w) {
  layer().all.erase(w->id());
  std::erase(layer().open, w);
}
void windowOpened(Window* w) {
  layer().open.push_back(w);
}
void windowClosed(Window* w) {
  std::erase(layer().open, w);
}

void forgetTimer(Window* w) {
  if (TimerClock* c = layer().clock) c->stop(w);
}

}  // namespace detail

Window* findWindow(int id) {
  auto it = layer().all.find(id);
  return it == layer().all.end() ? nullptr : it->second;
}

std::vector<Window*> openWindows() {
  return layer().open;
}

std::vector<Window*> threadWindows(int thread) {
  std::vector<Window*> out;
  for (Window* w : layer().open)
    if (w->thread() == thread) out.push_back(w);
  return out;
}

Window* frameWindow() {
  for (Window* w : layer().open)
    if (w->kind() == WindowKind::MdiFrame) return w;
  return nullptr;
}

Window* windowOf(const QWidget* w) {
  for (; w; w = w->parentWidget()) {
    const QVariant id = w->property("rtWindow");
    if (id.isValid()) return findWindow(id.toInt());
  }
  return nullptr;
}

namespace {
// Where the keys go now. Just after a box has closed, its window may not have the focus back
// yet: the control that window keeps for itself then, so a second box returns there too.
QWidget* keyWidget() {
  if (QWidget* f = QApplication::focusWidget()) return f;
  const std::vector<Window*> windows = threadWindows(currentThread());
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if ((*it)->isOpen() && (*it)->widget())
      if (QWidget* f = (*it)->widget()->focusWidget()) return f;
  return nullptr;
}
}  // namespace

ModalScope::ModalScope() : focus_(keyWidget()) {
  const int me = currentThread();
  for (Window* w : threadWindows(me)) {
    if (w->blocked()) continue;
    w->setBlocked(true);
    blocked_.emplace_back(w);
  }
  for (const Dialog& d : layer().dialogs) {
    if (d.thread != me || !d.widget || !d.widget->isEnabled()) continue;
    d.widget->setEnabled(false);
    blocked_.emplace_back(d.widget.data());
  }
}

ModalScope::~ModalScope() {
  Window* back = nullptr;
  Window* focused = focus_ ? windowOf(focus_) : nullptr;
  for (const QPointer<QObject>& o : blocked_) {
    if (!o) continue;
    if (auto* w = dynamic_cast<Window*>(o.data())) {
      w->setBlocked(false);
      if (w->isOpen() && (!back || back != focused)) back = w;
    } else if (auto* widget = qobject_cast<QWidget*>(o.data())) {
      widget->setEnabled(true);
    }
  }
  // The window the keys went to before takes them again, in front: left to the window
  // system, the keys would go to the first window in the frame's focus chain, which
  // then comes forward over the one drawn active.
  if (back) back->activate(back == focused ? focus_.data() : nullptr);
}

void registerRuntimeDialog(QWidget* dialog, int thread) {
  layer().dialogs.push_back({dialog, thread});
}

void unregisterRuntimeDialog(QWidget* dialog) {
  std::erase_if(layer().dialogs,
                [dialog](const Dialog& d) { return !d.widget || d.widget == dialog; });
}

std::vector<QWidget*> runtimeDialogs() {
  std::vector<QWidget*> out;
  for (const Dialog& d : layer().dialogs)
    if (d.widget) out.push_back(d.widget);
  return out;
}

QWidget* dialogOwner() {
  if (QWidget* active = QApplication::activeWindow(); active && active->isVisible()) return active;
  const std::vector<Window*> windows = threadWindows(currentThread());
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if (QWidget* top = (*it)->widget()->window(); top->isVisible()) return top;
  Window* frame = frameWindow();
  return frame && frame->widget()->isVisible() ? frame->widget()->window() : nullptr;
}

std::uint64_t userInputs() {
  return inputWatch().count;
}
void noteUserInput() {
  ++inputWatch().count;
}

void closeProcedureThreads() {
  const int me = currentThread();
  auto others = [me] {
    std::vector<int> t;
    for (int n : runningThreads())
      if (n != me) t.push_back(n);
    return t;
  };
  while (!others().empty()) {
    for (const Dialog& d : std::vector<Dialog>(layer().dialogs))
      if (d.widget && d.thread != me)
        if (auto* dialog = qobject_cast<QDialog*>(d.widget.data())) dialog->reject();
    // One close waiting per thread: the window (or box) on top takes it, and the one
    // below gets the next, until the procedure returns.
    for (int t : others())
      if (!untargetedPending(t, EventKind::CloseWindow)) PostEvent(EventKind::CloseWindow, 0, t);
    yieldToOthers();
  }
}

void setProgramIniFile(std::string name) {
  layer().iniFile = std::move(name);
}
const std::string& programIniFile() {
  return layer().iniFile;
}
void setIniAccess(IniAccess access) {
  layer().ini = std::move(access);
}

std::string iniGet(std::string_view section, std::string_view key, std::string_view fallback) {
  Layer& l = layer();
  if (l.ini.get) return l.ini.get(section, key, fallback);
  if (l.iniFile.empty()) return std::string(fallback);
  return IniFile(l.iniFile).getString(section, key, fallback);
}

void iniPut(std::string_view section, std::string_view key, std::string_view value) {
  Layer& l = layer();
  if (l.ini.put) {
    l.ini.put(section, key, value);
    return;
  }
  if (!l.iniFile.empty()) IniFile(l.iniFile).put(section, key, value);
}

void iniPut(std::string_view section,
            std::initializer_list<std::pair<std::string_view, std::string_view>> entries) {
  Layer& l = layer();
  if (!l.ini.put) {
    if (!l.iniFile.empty()) IniFile(l.iniFile).put(section, entries);
    return;
  }
  for (const auto& [key, value] : entries) iniPut(section, key, value);
}

void setTimerClock(TimerClock* clock) {
  Layer& l = layer();
  if (l.clock == clock) return;
  for (Window* w : l.open) detail::forgetTimer(w);
  l.clock = clock;
  for (Window* w : l.open)
    if (w->timer() > 0) w->setTimer(w->timer());
}

TimerClock* timerClock() {
  return layer().clock;
}

void finishProgram() {
  for (Window* w : threadWindows(0)) w->close();
  waitForAllThreads();
}

void initWindowLayer() {
  setUrlOpener([](const QUrl& url) { QDesktopServices::openUrl(url); });
  setHelpHandler([](const std::vector<std::string>&) { showHelp(); });
  setRefusalNotifier([](const std::string& text) {
    ShowMessageBox(text, "Too Many Windows", MessageIcon::Exclamation);
  });
  setShortDatePattern(QLocale::system().dateFormat(QLocale::ShortFormat).toStdString());
}

}  // namespace rt
