// Making a window's widgets, menus and toolbar from its description; the pages of a
// sheet's later tabs are made as they first show.
#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <functional>
#include <utility>

#include "runtime/ui/ControlAdapter.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowInternal.h"

namespace rt {
using detail::clipped;

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
  if (onlyShows(d)) {
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

}  // namespace rt
