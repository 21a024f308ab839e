// A window's controls and menu items as the program reads and sets them.
#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTabWidget>

#include "runtime/ui/ControlAdapter.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/Window.h"

namespace rt {

void Window::displayControls() {
  for (int n : order_) display(n);
}

void Window::display(int control) {
  Control* c = find(control);
  // A refused text stays for the user to mend rather than the variable's old value. A
  // control not made yet shows its variable when it is.
  if (!c || !c->widget || !c->binding.bound() || c->refused) return;
  setValue(control, c->binding.get());
  c->edited = false;
}

bool Window::updateValue(int control) {
  Control* c = find(control);
  if (!c || !c->widget || !c->binding.bound()) return true;
  Value v;
  if (c->desc.kind == ControlKind::Entry && c->picture) {
    ParseResult r = c->picture->parse(text(control));
    if (!r) {
      refused_ = control;
      c->refused = true;
      return false;
    }
    v = *r.value;
  } else {
    v = value(control);
  }
  c->refused = !c->binding.set(v);
  if (c->refused) refused_ = control;
  if (!c->refused && refusalTip_ && refusalTipFor_ == control) refusalTip_->hide();
  return !c->refused;
}

bool Window::updateValues() {
  // Every control gives its value, those of the tabs never shown too.
  for (int n : order_)
    if (Control& c = *controls_[n]; c.deferred) makePage(c);
  int first = 0;
  for (int n : order_)
    if (!updateValue(n) && first == 0) first = n;
  refused_ = first;  // the first refusal is the one to go back to
  return first == 0;
}

std::string Window::text(int control) const {
  const Control* c = made(control);
  return c ? c->adapter->text(*this, *c) : std::string();
}

void Window::setText(int control, std::string_view text) {
  Control* c = made(control);
  if (!c) return;
  c->adapter->setText(*this, *c, text);
  c->edited = false;
}

Value Window::value(int control) const {
  const Control* c = find(control);
  // Not made yet, it will show its variable.
  if (c && !c->widget && c->binding.bound()) return c->binding.get();
  c = made(control);
  return c ? c->adapter->value(*this, *c) : Value(std::string());
}

void Window::setValue(int control, const Value& v) {
  if (Control* c = made(control)) c->adapter->setValue(*this, *c, v);
}

bool Window::enabled(int control) const {
  const Control* c = made(control);
  return c && c->adapter->enabled(*this, *c);
}

void Window::setEnabled(int control, bool on) {
  Control* c = find(control);
  if (c && !c->widget)
    c->enabledSet = on;
  else if (c)
    c->adapter->setEnabled(*c, on);
}

bool Window::hidden(int control) const {
  const Control* c = find(control);
  if (c && !c->widget) return c->hiddenSet.value_or(false);
  return !c || c->adapter->hidden(*c);
}

void Window::setHidden(int control, bool on) {
  Control* c = find(control);
  if (c && !c->widget)
    c->hiddenSet = on;
  else if (c)
    c->adapter->setHidden(*c, on);
}

long Window::fillColor(int control) const {
  const Control* c = find(control);
  return c ? c->fill : kColorNone;
}
long Window::fontColor(int control) const {
  const Control* c = find(control);
  return c ? c->font : kColorNone;
}
long Window::fontStyle(int control) const {
  const Control* c = find(control);
  return c ? c->style : 0;
}

void Window::setFillColor(int control, long colour) {
  setLook(control, &Control::fill, colour);
}
void Window::setFontColor(int control, long colour) {
  setLook(control, &Control::font, colour);
}
void Window::setFontStyle(int control, long style) {
  setLook(control, &Control::style, style);
}

// Tab colouring sets the look of every control on every tab at each change of tab: a
// look that stays as it was is not applied again.
void Window::setLook(int control, long Control::*part, long value) {
  Control* c = find(control);
  if (!c || (c->looked && c->*part == value)) return;
  c->*part = value;
  c->looked = true;
  if (c->widget) c->adapter->applyLook(*c);
}

int Window::currentTab(int sheet) const {
  const Control* c = find(sheet);
  if (!c || !c->sheet || c->page) return 0;
  const int i = c->sheet->currentIndex();
  return i < 0 ? 0 : i + 1;
}

int Window::currentTabControl(int sheet) const {
  const Control* c = find(sheet);
  if (!c || !c->sheet || c->page) return 0;
  const QWidget* page = c->sheet->currentWidget();
  for (const auto& [n, t] : controls_)
    if (t->page && t->page == page) return n;
  return 0;
}

void Window::setCurrentTab(int sheet, int position) {
  const Control* c = find(sheet);
  if (!c || !c->sheet || c->page) return;
  if (position >= 1 && position <= c->sheet->count()) c->sheet->setCurrentIndex(position - 1);
}

std::vector<int> Window::tabsOf(int sheet) const {
  std::vector<int> out;
  for (int n : order_) {
    const Control& t = *controls_.at(n);
    if (t.desc.kind == ControlKind::Tab && t.desc.parent == sheet) out.push_back(n);
  }
  return out;
}

bool Window::wizard(int sheet) const {
  const Control* c = find(sheet);
  return c && c->desc.wizard;
}

void Window::setImage(int control, std::string_view file) {
  Control* c = made(control);
  if (c && c->desc.kind == ControlKind::Image) c->adapter->setValue(*this, *c, std::string(file));
}

// ---- menus -------------------------------------------------------------------------

QAction* Window::action(int item) const {
  auto it = actions_.find(item);
  return it == actions_.end() ? nullptr : it->second;
}
bool Window::menuChecked(int item) const {
  QAction* a = action(item);
  return a && a->isChecked();
}
void Window::setMenuChecked(int item, bool on) {
  if (QAction* a = action(item)) a->setChecked(on);
}
bool Window::menuEnabled(int item) const {
  QAction* a = action(item);
  return a && a->isEnabled();
}
void Window::setMenuEnabled(int item, bool on) {
  if (QAction* a = action(item)) a->setEnabled(on);
}

void Window::setStatusText(std::string_view text) {
  statusText_ = std::string(text);
  showStatus(text);
}

void Window::showStatus(std::string_view text) {
  if (main_)
    main_->statusBar()->showMessage(qtText(text));
  else if (auto* bar = body_->findChild<QStatusBar*>("status"))
    bar->showMessage(qtText(text));
}

}  // namespace rt
