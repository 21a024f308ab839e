#include "runtime/ui/Window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <algorithm>
#include <cmath>
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

void Window::build() {
  // A frame's client area holds the MDI children; its commands are menus and tools.
  const bool frame = desc_.kind == WindowKind::MdiFrame;
  for (const ControlDesc& d : frame ? std::vector<ControlDesc>{} : desc_.controls) {
    auto c = std::make_unique<Control>();
    c->desc = d;
    c->adapter = &detail::ControlAdapter::of(d.kind);
    if (!d.picture.empty()) {
      Picture p(d.picture);
      if (p.valid()) c->picture = p;
    }
    order_.push_back(d.number);
    controls_[d.number] = std::move(c);
  }

  if (desc_.kind == WindowKind::MdiFrame) {
    main_ = new QMainWindow;
    area_ = new QMdiArea;
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    main_->setCentralWidget(area_);
    body_ = main_;
    buildMenus();
    if (!desc_.background.empty()) setBackground(desc_.background);
  } else {
    body_ = new QWidget;
    if (desc_.kind == WindowKind::Dialog) body_->setWindowFlag(Qt::Dialog);
    if (desc_.kind == WindowKind::Plain && desc_.title.empty())
      body_->setWindowFlag(Qt::FramelessWindowHint);
    buildContainer(body_, 0);
    if (desc_.statusBar) {
      auto* bar = new QStatusBar(body_);
      bar->setObjectName("status");
      if (auto* lay = body_->layout()) static_cast<QFormLayout*>(lay)->addRow(bar);
    }
  }
  body_->setAttribute(Qt::WA_DeleteOnClose, false);
  body_->setWindowTitle(qtText(desc_.title));
  if (const QString fam = fontFamily(desc_.font); !fam.isEmpty()) {
    QFont f = body_->font();
    f.setFamily(fam);
    if (clipped(desc_.font) == "Arial Black") f.setWeight(QFont::Bold);
    body_->setFont(f);
  }
  if (desc_.width > 0 && desc_.height > 0) body_->resize(desc_.width, desc_.height);
  watch(body_);
  if (!desc_.icon.empty()) setIcon(desc_.icon);
  for (int n : order_) {
    Control& c = *controls_[n];
    if (c.desc.disabled) setEnabled(n, false);
    if (c.desc.hidden) setHidden(n, true);
  }
}

std::vector<int> Window::kidsOf(int parent) const {
  std::vector<int> kids;
  for (int n : order_)
    if (controls_.at(n)->desc.parent == parent && controls_.at(n)->desc.kind != ControlKind::Tab)
      kids.push_back(n);
  return kids;
}

// A description that places every control itself (sizes for all, places beyond the
// corner for some) is followed as it stands; sizes alone only set minimum sizes.
bool Window::placed(const std::vector<int>& kids) const {
  const auto desc = [this](int n) -> const ControlDesc& { return controls_.at(n)->desc; };
  return !kids.empty() && std::all_of(kids.begin(), kids.end(), [&](int n) {
    return desc(n).width > 0 && desc(n).height > 0;
  }) && std::any_of(kids.begin(), kids.end(), [&](int n) {
    return desc(n).x > 0 || desc(n).y > 0;
  });
}

bool Window::deferContainer(QWidget* host, int parent) {
  const std::vector<int> kids = kidsOf(parent);
  if (!placed(kids)) return false;
  std::vector<int> all = kids;  // and the members of groups on it, and theirs
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (const ControlKind k = controls_[all[i]]->desc.kind;
        k == ControlKind::Sheet || k == ControlKind::Tab)
      return false;
    for (int n : order_)
      if (controls_[n]->desc.parent == all[i]) all.push_back(n);
  }
  QRect bounds;
  for (int n : kids) {
    const ControlDesc& d = controls_[n]->desc;
    bounds |= QRect(d.x, d.y, d.width, d.height);
  }
  host->setMinimumSize(bounds.right() + 1, bounds.bottom() + 1);
  return true;
}

void Window::buildContainer(QWidget* host, int parent) {
  std::vector<int> kids = kidsOf(parent);
  if (placed(kids)) {
    // Widgets join the focus chain as they are parented: in the order they are seen, so
    // Tab goes row by row and left to right whatever order the description lists them in.
    std::stable_sort(kids.begin(), kids.end(), [this](int a, int b) {
      const ControlDesc& da = controls_[a]->desc;
      const ControlDesc& db = controls_[b]->desc;
      return std::pair(da.y, da.x) < std::pair(db.y, db.x);
    });
    QRect bounds;
    for (int n : kids) {
      const ControlDesc& d = controls_[n]->desc;
      QWidget* w = makeWidget(*controls_[n]);
      w->setParent(host);
      w->setGeometry(d.x, d.y, d.width, d.height);
      bounds |= w->geometry();
    }
    host->setMinimumSize(bounds.right() + 1, bounds.bottom() + 1);
    return;
  }
  auto* form = new QFormLayout(host);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  QHBoxLayout* buttons = nullptr;
  for (std::size_t i = 0; i < kids.size(); ++i) {
    Control& c = *controls_[kids[i]];
    QWidget* w = makeWidget(c);
    if (c.desc.kind == ControlKind::Button) {
      if (!buttons) {
        buttons = new QHBoxLayout;
        buttons->addStretch(1);
        form->addRow(buttons);
      }
      buttons->addWidget(w);
      continue;
    }
    buttons = nullptr;
    if (c.desc.kind == ControlKind::Prompt && i + 1 < kids.size() &&
        controls_[kids[i + 1]]->adapter->labelled()) {
      Control& field = *controls_[kids[++i]];
      QWidget* fw = makeWidget(field);
      static_cast<QLabel*>(w)->setBuddy(fw);
      form->addRow(w, fw);
      continue;
    }
    form->addRow(w);
  }
}

QWidget* Window::makeWidget(Control& c) {
  const ControlDesc& d = c.desc;
  QWidget* w = c.adapter->make(*this, c);
  c.widget = w;
  if (!d.font.empty() || d.fontSize > 0) {
    QFont f = w->font();
    if (const QString fam = fontFamily(d.font); !fam.isEmpty()) f.setFamily(fam);
    if (clipped(d.font) == "Arial Black") f.setWeight(QFont::Black);
    if (d.fontSize > 0) f.setPointSize(d.fontSize);
    w->setFont(f);
  }
  if (!d.tip.empty()) w->setToolTip(qtText(d.tip));
  if (d.width > 0) w->setMinimumWidth(d.width);
  if (d.height > 0) w->setMinimumHeight(d.height);
  // A field the program only shows is no stop for Tab, and is drawn as not for typing in.
  if (d.readOnly && (d.kind == ControlKind::Entry || d.kind == ControlKind::Text)) {
    w->setFocusPolicy(Qt::ClickFocus);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    w->setPalette(pal);
  }
  madeWidgets_[w] = d.number;
  connect(w, &QObject::destroyed, this, [this](QObject* o) { madeWidgets_.erase(o); });
  watch(w);
  c.adapter->attach(*this, c);
  return w;
}

// A page left until it shows is made as it would have been at first: its controls in the
// focus chain right after the page, in their Tab order, with the states, looks and values
// the window gave them meanwhile.
void Window::makePage(Control& tab) {
  if (!tab.deferred) return;
  tab.deferred = false;
  QWidget* host = static_cast<QScrollArea*>(tab.page)->widget();
  buildContainer(host, tab.desc.number);
  const auto onPage = [&](const Control& c) {
    for (int p = c.desc.parent; p != 0; p = controls_.at(p)->desc.parent)
      if (p == tab.desc.number) return true;
    return false;
  };
  std::vector<int> made;
  for (int n : order_)
    if (Control& c = *controls_[n]; c.widget && onPage(c)) made.push_back(n);
  for (int n : made) {
    Control& c = *controls_[n];
    if (c.enabledSet) c.adapter->setEnabled(c, *c.enabledSet);
    if (c.hiddenSet) c.adapter->setHidden(c, *c.hiddenSet);
    c.enabledSet.reset();
    c.hiddenSet.reset();
    if (c.looked) c.adapter->applyLook(c);
  }
  // Widgets made under a shown parent wait to be shown.
  for (QWidget* w : host->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!w->testAttribute(Qt::WA_WState_ExplicitShowHide)) w->show();
  // Made last, they joined the focus chain at its end.
  std::vector<QWidget*> chain;
  for (QWidget* w = body_->nextInFocusChain(); w && w != body_; w = w->nextInFocusChain())
    if (host->isAncestorOf(w) && w->focusPolicy() != Qt::NoFocus && !w->focusProxy())
      chain.push_back(w);
  QWidget* previous = tab.page;
  for (QWidget* w : chain) {
    QWidget::setTabOrder(previous, w);
    previous = w;
  }
  for (int n : made) display(n);
}

// The control, its widget made first when its page has not been.
Window::Control* Window::made(int control) const {
  auto* self = const_cast<Window*>(this);
  Control* c = self->find(control);
  if (!c || c->widget) return c;
  for (int p = c->desc.parent; p != 0;) {
    Control* t = self->find(p);
    if (!t) break;
    if (t->deferred) {
      self->makePage(*t);
      break;
    }
    p = t->desc.parent;
  }
  return c;
}

bool Window::built(int control) const {
  const Control* c = find(control);
  return c && c->widget;
}

void Window::buildMenus() {
  std::function<void(QWidget*, const std::vector<MenuDesc>&)> addItems =
      [&](QWidget* into, const std::vector<MenuDesc>& items) {
        for (const MenuDesc& m : items) {
          if (m.separator) {
            if (auto* menu = qobject_cast<QMenu*>(into)) menu->addSeparator();
            continue;
          }
          if (!m.items.empty()) {
            QMenu* sub = nullptr;
            if (auto* bar = qobject_cast<QMenuBar*>(into))
              sub = bar->addMenu(qtText(m.text));
            else
              sub = static_cast<QMenu*>(into)->addMenu(qtText(m.text));
            addItems(sub, m.items);
            continue;
          }
          auto* a = new QAction(qtText(m.text), into);
          into->addAction(a);
          if (!m.tip.empty()) {
            a->setStatusTip(qtText(m.tip));
            a->setToolTip(qtText(m.tip));
          }
          if (!m.shortcut.empty()) a->setShortcut(QKeySequence(qtText(m.shortcut)));
          a->setCheckable(m.check);
          a->setChecked(m.checked);
          a->setEnabled(!m.disabled);
          const int number = m.number;
          if (number != 0) actions_[number] = a;
          connect(a, &QAction::triggered, this,
                  [this, number] { post(EventKind::Accepted, number); });
        }
      };
  addItems(main_->menuBar(), desc_.menus);
  if (!desc_.tools.empty()) {
    QToolBar* bar = main_->addToolBar(QStringLiteral("Tools"));
    bar->setObjectName("toolbar");
    for (const ToolDesc& t : desc_.tools) {
      auto* a = bar->addAction(qtText(t.text));
      if (!t.icon.empty()) {
        QIcon icon(qtText(":/" + t.icon));
        if (!icon.isNull()) a->setIcon(icon);
      }
      a->setToolTip(qtText(t.tip.empty() ? t.text : t.tip));
      a->setStatusTip(qtText(t.tip));
      const int number = t.number;
      actions_[number] = a;
      connect(a, &QAction::triggered, this, [this, number] { post(EventKind::Accepted, number); });
    }
  }
  main_->statusBar();
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
