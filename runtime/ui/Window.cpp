#include "runtime/ui/Window.h"

#include <QAbstractItemView>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>
#include <utility>

#include "runtime/proc/Threads.h"
#include "runtime/ui/ControlAdapter.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/WindowInternal.h"
#include "runtime/ui/WindowLayer.h"
#include "runtime/ui/WindowLayerInternal.h"

namespace rt {
using detail::clipped;

Window::Window(WindowDesc desc, std::string procedure)
    : desc_(std::move(desc)),
      procedure_(std::move(procedure)),
      id_(detail::nextWindowId()),
      thread_(currentThread()) {
  detail::registerWindow(this);
  build();
}

Window::~Window() {
  if (open_) close();
  detail::forgetTimer(this);
  detail::unregisterWindow(this);
  if (sub_) delete sub_.data();
  if (body_) delete body_.data();
}

Window::Control* Window::find(int control) {
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : it->second.get();
}
const Window::Control* Window::find(int control) const {
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : it->second.get();
}

namespace detail {

void ControlAdapter::buildChildren(Window& w, QWidget* host, int parent) {
  w.buildContainer(host, parent);
}
bool ControlAdapter::deferChildren(Window& w, QWidget* host, int parent) {
  return w.deferContainer(host, parent);
}
Control* ControlAdapter::find(Window& w, int control) {
  return w.find(control);
}
void ControlAdapter::watch(Window& w, QWidget* widget) {
  w.watch(widget);
}
std::vector<const Control*> ControlAdapter::children(const Window& w, int parent) {
  std::vector<const Control*> out;
  for (int n : w.order_)
    if (const Control& c = *w.controls_.at(n); c.desc.parent == parent) out.push_back(&c);
  return out;
}
std::vector<Control*> ControlAdapter::children(Window& w, int parent) {
  std::vector<Control*> out;
  for (const Control* c : children(std::as_const(w), parent))
    out.push_back(const_cast<Control*>(c));
  return out;
}

}  // namespace detail

void Window::watch(QWidget* w) {
  w->installEventFilter(this);
  w->setProperty("rtWindow", id_);
}

// ---- opening and closing ---------------------------------------------------------

void Window::open(std::string_view positionSection) {
  if (open_) return;
  Window* frame = frameWindow();
  if (desc_.kind == WindowKind::MdiChild && frame && frame != this && frame->area_) {
    sub_ = frame->area_->addSubWindow(body_);
    sub_->setAttribute(Qt::WA_DeleteOnClose, false);
    sub_->setWindowIcon(body_->windowIcon());
    watch(sub_);
    connect(sub_, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
              const bool was = before & Qt::WindowActive, is = now & Qt::WindowActive;
              if (was && !is) post(EventKind::LoseFocus);
              if (!was && is) post(EventKind::GainFocus);
            });
    placeAt(positionSection);
    sub_->show();
    frame->area_->setActiveSubWindow(sub_);
  } else {
    placeAt(positionSection);
    body_->show();
    body_->raise();
    body_->activateWindow();
  }
  open_ = true;
  detail::windowOpened(this);
  if (timer_ > 0) startTimer();
}

void Window::close() {
  if (!open_) return;
  closing_ = true;
  open_ = false;
  detail::forgetTimer(this);
  qtTimer_.reset();
  if (sub_) {
    if (QMdiArea* a = sub_->mdiArea()) a->removeSubWindow(sub_);
    sub_->hide();
  }
  if (area_) {
    // The children belong to their own windows (and threads): take them out of the area
    // before it goes, and ask them to close, since they cannot outlive their frame.
    for (QMdiSubWindow* s : area_->subWindowList()) {
      area_->removeSubWindow(s);
      s->hide();
      if (Window* child = windowOf(s->widget())) child->post(EventKind::CloseWindow);
    }
  }
  if (body_) body_->hide();
  detail::windowClosed(this);
  discardEvents(id_);
  closing_ = false;
}

std::string Window::title() const {
  return storedText(body_->windowTitle());
}

void Window::setTitle(std::string_view title) {
  body_->setWindowTitle(qtText(title));
  if (sub_) sub_->setWindowTitle(qtText(title));
}

void Window::setIcon(std::string_view icon) {
  QIcon i(qtText(":/" + std::string(clipped(icon))));
  if (i.isNull() || i.availableSizes().isEmpty()) i = QIcon(qtText(clipped(icon)));
  body_->setWindowIcon(i);
  if (sub_) sub_->setWindowIcon(i);
}

QWidget* Window::widget() const {
  return body_;
}
QWidget* Window::topLevel() const {
  return sub_ ? static_cast<QWidget*>(sub_) : body_.data();
}
QMdiArea* Window::mdiArea() const {
  return area_;
}

void Window::post(EventKind kind, int control, int keyCode) {
  if (!open_ && kind != EventKind::OpenWindow) return;
  postEvent(thread_, Event{kind, control, id_, keyCode});
}

// ---- controls ----------------------------------------------------------------------

std::vector<int> Window::controls() const {
  return order_;
}

ControlKind Window::controlKind(int control) const {
  const Control* c = find(control);
  return c ? c->desc.kind : ControlKind::Region;
}

int Window::parentOf(int control) const {
  const Control* c = find(control);
  return c ? c->desc.parent : 0;
}

QWidget* Window::control(int control) const {
  const Control* c = made(control);
  return c ? c->widget : nullptr;
}

QAbstractItemView* Window::listView(int control) const {
  const Control* c = made(control);
  return c && c->desc.kind == ControlKind::List ? static_cast<QAbstractItemView*>(c->widget)
                                                : nullptr;
}

void Window::bind(int control, Binding b) {
  if (Control* c = find(control)) c->binding = b;
}

const Binding* Window::binding(int control) const {
  const Control* c = find(control);
  return c && c->binding.bound() ? &c->binding : nullptr;
}

int Window::controlAt(const QWidget* w) const {
  for (; w && w != body_; w = w->parentWidget())
    for (const auto& [n, c] : controls_)
      if (c->widget == w) return n;
  return 0;
}

int Window::madeControlOf(const QObject* o) const {
  auto it = madeWidgets_.find(o);
  if (it == madeWidgets_.end()) return 0;
  const Control* c = find(it->second);
  return c && c->widget == o ? it->second : 0;
}

void Window::setBlocked(bool on) {
  blocked_ = on;
  if (main_) {
    main_->menuBar()->setEnabled(!on);
    for (QToolBar* t : main_->findChildren<QToolBar*>()) t->setEnabled(!on);
    return;
  }
  // The sub-window too: the frame's Ctrl+Tab passes over a disabled one, so it cannot
  // come in front of its modal child.
  topLevel()->setEnabled(!on);
  body_->setEnabled(!on);
}

}  // namespace rt
