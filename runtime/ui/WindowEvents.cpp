// What a window does with the user's keys, clicks and focus, and with its timer.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "runtime/ui/Clock.h"
#include "runtime/ui/ControlAdapter.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"
#include "runtime/ui/WindowLayerInternal.h"

namespace rt {

namespace {

int keyCodeOf(const QKeyEvent* e) {
  const int k = e->key();
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return key::F1 + (k - Qt::Key_F1);
  if (k == Qt::Key_Return || k == Qt::Key_Enter) return key::Enter;
  if (k == Qt::Key_Escape) return key::Escape;
  if (k == Qt::Key_Insert) return key::Insert;
  if (k == Qt::Key_Delete) return key::Delete;
  const QString t = e->text();
  if (t.size() == 1 && t[0].unicode() >= 0x20 && t[0].unicode() < 0x7F) return t[0].unicode();
  return 0;
}

int mouseCodeOf(const QEvent* e) {
  const auto* m = static_cast<const QMouseEvent*>(e);
  const bool dbl = e->type() == QEvent::MouseButtonDblClick;
  switch (m->button()) {
    case Qt::LeftButton:
      return dbl ? key::MouseLeft2 : key::MouseLeft;
    case Qt::RightButton:
      return dbl ? key::MouseRight2 : key::MouseRight;
    case Qt::MiddleButton:
      return key::MouseCenter;
    default:
      return 0;
  }
}

}  // namespace

std::string Window::expectedInput(int control) const {
  const Control* c = find(control);
  if (!c) return {};
  if (const auto width = c->binding.textLimit())
    return "Enter at most " + std::to_string(*width) + " characters";
  const std::optional<double> limit = c->binding.limit();
  if (c->picture) return c->picture->expected(limit);
  if (!limit) return {};
  return Picture(std::floor(*limit) == *limit ? "@n-20" : "@n-20.2").expected(limit);
}

void Window::refuse(int control) {
  selectControl(control);
  if (QWidget* field = this->control(control)) {
    for (QWidget* p = field->parentWidget(); p; p = p->parentWidget())
      if (auto* scroll = qobject_cast<QScrollArea*>(p)) scroll->ensureWidgetVisible(field);
  }
  tellExpected(control);
}

void Window::tellExpected(int control) {
  const std::string says = expectedInput(control);
  if (says.empty()) return;
  // A window without a status bar of its own says it in the frame's.
  Window* frame = frameWindow();
  if (!main_ && !body_->findChild<QStatusBar*>("status") && frame)
    frame->showStatus(says);
  else
    showStatus(says);
  QWidget* field = this->control(control);
  if (!field) return;
  // A tip of the window's own: a tool tip would go with the release of the click that
  // left the field.
  if (!refusalTip_) {
    refusalTip_ = new QLabel(body_);
    refusalTip_->setObjectName("refusalTip");
    refusalTip_->setPalette(QToolTip::palette());
    refusalTip_->setAutoFillBackground(true);
    refusalTip_->setFrameShape(QFrame::Box);
    refusalTip_->setMargin(2);
    refusalTip_->setAttribute(Qt::WA_TransparentForMouseEvents);  // the field below stays reachable
  }
  refusalTip_->setText(qtText(says));
  refusalTip_->adjustSize();
  QPoint at = field->mapTo(body_.data(), QPoint(0, field->height() + 2));
  at.setX(std::max(0, std::min(at.x(), body_->width() - refusalTip_->width())));
  refusalTip_->move(at);
  refusalTip_->raise();
  refusalTip_->show();
  refusalTipFor_ = control;
}

void Window::selectControl(int control) {
  Control* c = made(control);
  if (!c) return;
  if (c->page && c->sheet) {
    c->sheet->setCurrentWidget(c->page);
    return;
  }
  // Bring the control's tab forward first, so the focus can go to it.
  for (int p = c->desc.parent; p != 0;) {
    Control* pc = find(p);
    if (!pc) break;
    if (pc->page && pc->sheet) pc->sheet->setCurrentWidget(pc->page);
    p = pc->desc.parent;
  }
  const bool had = c->widget->hasFocus();
  c->widget->setFocus(Qt::OtherFocusReason);
  if (auto* e = qobject_cast<QLineEdit*>(c->widget)) e->selectAll();
  // In a window that is not the active one yet the focus arrives only with its activation,
  // which enters no control: the selection is told of here.
  if (!had && !c->widget->hasFocus()) post(EventKind::Selected, control);
}

int Window::focusedControl() const {
  const QWidget* f = QApplication::focusWidget();
  for (; f; f = f->parentWidget()) {
    for (const auto& [n, c] : controls_)
      if (c->widget == f) return n;
  }
  return 0;
}

void Window::focusFirstControl() {
  QWidget* first = nullptr;
  QWidget* firstButton = nullptr;  // or check box: what to fall back on
  for (QWidget* w = body_->nextInFocusChain(); w && w != body_; w = w->nextInFocusChain()) {
    if (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || !w->isVisibleTo(body_)) continue;
    const int n = controlAt(w);
    if (!n) continue;
    const Control& c = *controls_.at(n);
    switch (c.desc.kind) {
      case ControlKind::Entry:
      case ControlKind::Text:
        if (!w->property("readOnly").toBool()) first = w;
        break;
      case ControlKind::DropList:
      case ControlKind::List:
        first = w;
        break;
      case ControlKind::Button:
      case ControlKind::Check:
      case ControlKind::Radio:
        if (!firstButton && w == c.widget) firstButton = w;
        break;
      default:
        break;
    }
    if (first) break;
  }
  // A window without such controls takes the keys itself (the splash's close keys).
  QWidget* f = first ? first : firstButton ? firstButton : body_.data();
  f->setFocus(Qt::OtherFocusReason);
  if (auto* e = qobject_cast<QLineEdit*>(f)) e->selectAll();  // typing replaces, as after Tab
}

void Window::activate(QWidget* focus) {
  if (!open_) return;
  if (sub_ && sub_->mdiArea()) {
    sub_->mdiArea()->setActiveSubWindow(sub_);
    sub_->window()->activateWindow();
  } else {
    body_->raise();
    body_->activateWindow();
  }
  const bool usable = focus && controlAt(focus) && focus->isEnabled() &&
                      focus->isVisibleTo(body_) && (focus->focusPolicy() & Qt::TabFocus);
  if (usable)
    focus->setFocus(Qt::ActiveWindowFocusReason);
  else
    focusFirstControl();
}

bool Window::keyPressed(const QKeyEvent* e) {
  if (blocked_ || (e->modifiers() & ~Qt::KeypadModifier)) return false;
  auto button = [this](bool ControlDesc::*role) -> QAbstractButton* {
    for (int n : order_) {
      const Control& c = *controls_[n];
      if (c.desc.kind == ControlKind::Button && c.desc.*role && c.widget && c.widget->isEnabled() &&
          c.widget->isVisibleTo(body_))
        return static_cast<QAbstractButton*>(c.widget);
    }
    return nullptr;
  };
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      // From a single-line entry only: a text takes its new line, a button or list acts.
      QWidget* f = QApplication::focusWidget();
      if (!qobject_cast<QLineEdit*>(f) && !qobject_cast<QComboBox*>(f)) return false;
      QAbstractButton* ok = button(&ControlDesc::okButton);
      if (!ok) ok = button(&ControlDesc::defaultButton);
      if (!ok) return false;
      ok->click();
      return true;
    }
    case Qt::Key_Escape:
      if (QAbstractButton* cancel = button(&ControlDesc::cancelButton)) {
        cancel->click();
        return true;
      }
      if (desc_.kind == WindowKind::MdiFrame) return false;
      post(EventKind::CloseWindow);
      return true;
    default:
      return false;
  }
}

// ---- timer and keys ----------------------------------------------------------------

void Window::setTimer(long hundredths) {
  timer_ = std::max(0L, hundredths);
  if (open_) startTimer();
}

void Window::startTimer() {
  qtTimer_.reset();
  detail::forgetTimer(this);
  if (timer_ <= 0) return;
  if (TimerClock* c = timerClock()) {
    c->start(this, timer_);
    return;
  }
  auto* t = new QTimer;
  t->setInterval(static_cast<int>(timer_ * 10));
  connect(t, &QTimer::timeout, this, [this] { post(EventKind::Timer); });
  t->start();
  qtTimer_.reset(t);
}

void Window::addAlertKey(int code) {
  alerts_.insert(code);
}
void Window::removeAlertKey(int code) {
  alerts_.erase(code);
}

bool Window::eventFilter(QObject* watched, QEvent* event) {
  auto controlOf = [this](QObject* o) {
    for (; o; o = o->parent())
      if (const int n = madeControlOf(o)) return n;
    return 0;
  };
  switch (event->type()) {
    case QEvent::Show:
      for (auto& [n, c] : controls_)
        if (c->deferred && c->page == watched) {
          makePage(*c);
          break;
        }
      break;
    case QEvent::Close:
      if (!closing_ && (watched == body_.data() || watched == sub_.data())) {
        event->ignore();
        post(EventKind::CloseWindow);
        return true;
      }
      break;
    case QEvent::WindowDeactivate:
      if (watched == body_.data() && !sub_) post(EventKind::LoseFocus);
      break;
    case QEvent::WindowActivate:
      if (watched == body_.data() && !sub_ && open_) {
        post(EventKind::GainFocus);
        // The active child stays active inside the frame while a window of its own (a box, a
        // dialog) has the keys, so it is told here that the focus came back to it.
        if (Window* child = activeChild()) child->post(EventKind::GainFocus);
      }
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      const int code = mouseCodeOf(event);
      const int n = controlOf(watched);
      if (code && isAlertKey(code) && !blocked_) post(EventKind::AlertKey, n, code);
      // An entry that looks like a link acts on a plain click.
      if (code == key::MouseLeft && n && controls_[n]->desc.link && !blocked_)
        post(EventKind::Accepted, n);
      break;
    }
    case QEvent::KeyPress: {
      const int code = keyCodeOf(static_cast<QKeyEvent*>(event));
      if (code && isAlertKey(code) && !blocked_) {
        post(EventKind::AlertKey, controlOf(watched), code);
        return true;
      }
      if (code == key::F1) {
        showHelp(procedure_);
        return true;
      }
      // Keys the controls leave alone arrive here last.
      if (watched == body_.data() && keyPressed(static_cast<QKeyEvent*>(event))) return true;
      break;
    }
    case QEvent::FocusIn:
      if (const int n = controlOf(watched); n && controls_[n]->widget == watched) {
        const std::string& own = controls_[n]->desc.status;
        if (controls_[n]->refused)
          tellExpected(n);
        else
          showStatus(own.empty() ? statusText_ : own);
        // The window getting the focus back is no entering of the control: a box that a
        // control's entering shows would otherwise come again as it closes.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
          post(EventKind::Selected, n);
      }
      break;
    case QEvent::FocusOut: {
      const int n = controlOf(watched);
      if (n && n == refusalTipFor_ && refusalTip_) refusalTip_->hide();
      if (n && controls_[n]->widget == watched && controls_[n]->desc.kind == ControlKind::Text &&
          controls_[n]->edited) {
        controls_[n]->edited = false;
        post(EventKind::Accepted, n);
      }
      break;
    }
    default:
      break;
  }
  return false;
}

}  // namespace rt
