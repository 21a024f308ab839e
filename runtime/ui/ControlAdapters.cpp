#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <functional>

#include "runtime/text/FixedString.h"
#include "runtime/ui/ControlAdapter.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/Jpeg.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/Window.h"

namespace rt::detail {
namespace {

std::string_view clipped(std::string_view s) {
  return clipView(s.data(), s.size());
}

QColor colorOf(long c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

void applyStyle(QFont& f, long style) {
  const long weight = style & fontstyle::WeightMask;
  f.setWeight(static_cast<QFont::Weight>(std::clamp<long>(weight == 0 ? 400 : weight, 1, 1000)));
  f.setItalic(style & fontstyle::Italic);
  f.setUnderline(style & fontstyle::Underline);
  f.setStrikeOut(style & fontstyle::Strikeout);
}

std::vector<std::string> splitItems(std::string_view items) {
  std::vector<std::string> out;
  if (items.empty()) return out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = items.find('|', start);
    out.emplace_back(items.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return out;
}

// A tab bar whose tabs each have their own fill, text colour and weight.
class ColorTabBar : public QTabBar {
 public:
  struct Look {
    long fill = kColorNone, text = kColorNone, style = fontstyle::Regular;
  };
  std::vector<Look> looks;

  Look look(int i) const { return i < static_cast<int>(looks.size()) ? looks[i] : Look{}; }

 protected:
  QSize tabSizeHint(int index) const override {
    QSize s = QTabBar::tabSizeHint(index);
    return s + QSize(fontMetrics().averageCharWidth() * 2, 0);  // room for bold text
  }
  void paintEvent(QPaintEvent*) override {
    QStylePainter p(this);
    for (int i = 0; i < count(); ++i) {
      if (!isTabVisible(i)) continue;
      QStyleOptionTab opt;
      initStyleOption(&opt, i);
      const Look l = look(i);
      if (l.fill != kColorNone) {
        opt.palette.setColor(QPalette::Button, colorOf(l.fill));
        opt.palette.setColor(QPalette::Window, colorOf(l.fill));
      }
      p.drawControl(QStyle::CE_TabBarTabShape, opt);
      if (l.fill != kColorNone) p.fillRect(opt.rect.adjusted(2, 2, -2, -1), colorOf(l.fill));
      QFont f = font();
      applyStyle(f, l.style);
      p.setFont(f);
      p.setPen(l.text != kColorNone ? colorOf(l.text) : opt.palette.color(QPalette::WindowText));
      p.drawText(opt.rect, Qt::AlignCenter | Qt::TextShowMnemonic, opt.text);
    }
  }
};

// A list that reports its current row whatever model it is given later.
class ListWidget : public QTableView {
 public:
  std::function<void()> onCurrentChanged;

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
    QTableView::currentChanged(current, previous);
    if (onCurrentChanged && current.row() != previous.row()) onCurrentChanged();
  }
};

class SheetWidget : public QTabWidget {
 public:
  SheetWidget() { setTabBar(new ColorTabBar); }
};

}  // namespace

bool ControlAdapter::enabled(const Window& w, const Control& c) const {
  return c.widget->isEnabledTo(w.widget());
}
void ControlAdapter::setEnabled(Control& c, bool on) const {
  c.widget->setEnabled(on);
}
bool ControlAdapter::hidden(const Control& c) const {
  return c.widget->isHidden();
}
void ControlAdapter::setHidden(Control& c, bool on) const {
  c.widget->setHidden(on);
}

void ControlAdapter::applyLook(Control& c) const {
  QWidget* w = c.widget;
  QPalette pal = w->palette();
  if (c.fill != kColorNone) {
    // A field the program only shows keeps the plain window colour it was given, so that
    // on a coloured tab too it looks apart from the fields the user types into.
    const bool shows = onlyShows(c.desc);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
      if (role != QPalette::Base || !shows) pal.setColor(role, colorOf(c.fill));
    w->setAutoFillBackground(true);
  }
  if (c.font != kColorNone) {
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      pal.setColor(role, colorOf(c.font));
  }
  w->setPalette(pal);
  QFont f = w->font();
  applyStyle(f, c.style);
  w->setFont(f);
  w->update();
}

namespace {

class PromptAdapter : public ControlAdapter {
 public:
  QWidget* make(Window&, Control& c) const override {
    auto* l = new QLabel(qtText(c.desc.text));
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(c.desc.wordWrap);
    return l;
  }
  std::string text(const Window&, const Control& c) const override {
    return storedText(static_cast<QLabel*>(c.widget)->text());
  }
  void setText(Window&, Control& c, std::string_view t) const override {
    static_cast<QLabel*>(c.widget)->setText(qtText(t));
  }
};

class EntryAdapter : public ControlAdapter {
 public:
  bool labelled() const override { return true; }
  QWidget* make(Window&, Control& c) const override {
    auto* e = new QLineEdit;
    e->setReadOnly(c.desc.readOnly);
    const std::optional<Picture>& p = c.picture;
    if (p && p->kind() != Picture::Kind::Text) e->setAlignment(Qt::AlignRight);
    if (p && p->width() > 0) {
      e->setMaxLength(p->kind() == Picture::Kind::Text ? p->width() : 32767);
      const int chars = std::min(p->width(), 60) + 2;
      e->setMinimumWidth(e->fontMetrics().averageCharWidth() * chars);
    }
    if (c.desc.link) {
      e->setCursor(Qt::PointingHandCursor);
      QFont f = e->font();
      f.setUnderline(true);
      e->setFont(f);
    }
    return e;
  }
  void attach(Window& w, Control& c) const override {
    auto* e = static_cast<QLineEdit*>(c.widget);
    const int n = c.desc.number;
    QObject::connect(e, &QLineEdit::textEdited, &w, [&c] { c.edited = true; });
    QObject::connect(e, &QLineEdit::editingFinished, &w, [&w, &c, n] {
      if (!c.edited) return;
      c.edited = false;
      w.post(EventKind::Accepted, n);
    });
  }
  std::string text(const Window&, const Control& c) const override {
    return c.shown.read(static_cast<QLineEdit*>(c.widget)->text());
  }
  void setText(Window&, Control& c, std::string_view t) const override {
    auto* e = static_cast<QLineEdit*>(c.widget);
    // The user's Tab may arrive before the program fills the field (an accepted field
    // before it fills this one): the new text stays selected, so typing replaces it.
    const bool selected =
        e->hasFocus() && !c.edited && (e->text().isEmpty() || e->selectedText() == e->text());
    e->setText(c.shown.show(t));
    if (selected) e->selectAll();
  }
  Value value(const Window& w, const Control& c) const override {
    const std::string t = text(w, c);
    if (c.picture) {
      if (ParseResult r = c.picture->parse(t)) return *r.value;
    }
    return t;
  }
  void setValue(Window& w, Control& c, const Value& v) const override {
    std::string shown = c.picture ? c.picture->format(v) : textOf(v);
    // Pictures pad to their width; the entry aligns the text itself.
    const auto first = shown.find_first_not_of(' ');
    shown = first == std::string::npos ? std::string() : std::string(clipped(shown.substr(first)));
    setText(w, c, shown);
  }
};

class MemoAdapter : public ControlAdapter {
 public:
  bool labelled() const override { return true; }
  QWidget* make(Window&, Control& c) const override {
    auto* t = new QPlainTextEdit;
    t->setReadOnly(c.desc.readOnly);
    return t;
  }
  void attach(Window& w, Control& c) const override {
    QObject::connect(static_cast<QPlainTextEdit*>(c.widget), &QPlainTextEdit::textChanged, &w,
                     [&c] { c.edited = true; });
  }
  std::string text(const Window&, const Control& c) const override {
    return c.shown.read(static_cast<QPlainTextEdit*>(c.widget)->toPlainText());
  }
  void setText(Window&, Control& c, std::string_view t) const override {
    static_cast<QPlainTextEdit*>(c.widget)->setPlainText(c.shown.show(t));
  }
};

// Buttons, check boxes and radios: their caption is the button's text.
class CaptionedAdapter : public ControlAdapter {
 public:
  std::string text(const Window&, const Control& c) const override {
    return storedText(static_cast<QAbstractButton*>(c.widget)->text());
  }
  void setText(Window&, Control& c, std::string_view t) const override {
    static_cast<QAbstractButton*>(c.widget)->setText(qtText(t));
  }

 protected:
  static void acceptOnClick(Window& w, const Control& c) {
    const int n = c.desc.number;
    QObject::connect(static_cast<QAbstractButton*>(c.widget), &QAbstractButton::clicked, &w,
                     [&w, n] { w.post(EventKind::Accepted, n); });
  }
};

class ButtonAdapter : public CaptionedAdapter {
 public:
  QWidget* make(Window&, Control& c) const override {
    const ControlDesc& d = c.desc;
    auto* b = new QPushButton(qtText(d.text));
    b->setAutoDefault(false);
    b->setDefault(d.defaultButton || d.okButton);
    if (!d.icon.empty()) {
      const QImage img = loadPicture(d.icon);
      if (!img.isNull()) b->setIcon(QIcon(QPixmap::fromImage(img)));
    }
    return b;
  }
  void attach(Window& w, Control& c) const override {
    if (!c.desc.helpButton) {
      acceptOnClick(w, c);
      return;
    }
    QObject::connect(static_cast<QAbstractButton*>(c.widget), &QAbstractButton::clicked, &w,
                     [&w] { showHelp(w.procedure()); });
  }
};

class CheckAdapter : public CaptionedAdapter {
 public:
  bool labelled() const override { return true; }
  QWidget* make(Window&, Control& c) const override { return new QCheckBox(qtText(c.desc.text)); }
  void attach(Window& w, Control& c) const override { acceptOnClick(w, c); }
  Value value(const Window&, const Control& c) const override {
    return static_cast<QCheckBox*>(c.widget)->isChecked() ? c.desc.trueValue : c.desc.falseValue;
  }
  void setValue(Window&, Control& c, const Value& v) const override {
    static_cast<QCheckBox*>(c.widget)->setChecked(clipped(textOf(v)) == clipped(c.desc.trueValue));
  }
};

class RadioAdapter : public CaptionedAdapter {
 public:
  QWidget* make(Window& w, Control& c) const override {
    auto* r = new QRadioButton(qtText(c.desc.text));
    if (Control* opt = find(w, c.desc.parent); opt && opt->radios) opt->radios->addButton(r);
    return r;
  }
};

// Groups and option groups: a titled box around the controls that stand on it.
class GroupAdapter : public ControlAdapter {
 public:
  QWidget* make(Window& w, Control& c) const override {
    auto* g = new QGroupBox(qtText(c.desc.text));
    c.widget = g;
    buildChildren(w, g, c.desc.number);
    return g;
  }
  std::string text(const Window&, const Control& c) const override {
    return storedText(static_cast<QGroupBox*>(c.widget)->title());
  }
  void setText(Window&, Control& c, std::string_view t) const override {
    static_cast<QGroupBox*>(c.widget)->setTitle(qtText(t));
  }
};

class OptionAdapter : public GroupAdapter {
 public:
  QWidget* make(Window& w, Control& c) const override {
    // The radios find their group as they are made.
    c.radios = new QButtonGroup;
    QWidget* g = GroupAdapter::make(w, c);
    c.radios->setParent(g);
    return g;
  }
  void attach(Window& w, Control& c) const override {
    const int n = c.desc.number;
    QObject::connect(c.radios, &QButtonGroup::buttonClicked, &w,
                     [&w, n](QAbstractButton*) { w.post(EventKind::Accepted, n); });
  }
  Value value(const Window& w, const Control& c) const override {
    for (const Control* r : children(w, c.desc.number))
      if (r->desc.kind == ControlKind::Radio && static_cast<QRadioButton*>(r->widget)->isChecked())
        return r->desc.value;
    return std::string();
  }
  void setValue(Window& w, Control& c, const Value& v) const override {
    const std::string want(clipped(textOf(v)));
    for (Control* r : children(w, c.desc.number))
      if (r->desc.kind == ControlKind::Radio && clipped(r->desc.value) == want)
        static_cast<QRadioButton*>(r->widget)->setChecked(true);
  }
};

class ListAdapter : public ControlAdapter {
 public:
  bool labelled() const override { return true; }
  QWidget* make(Window&, Control& c) const override {
    auto* v = new ListWidget;
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows are chosen whole: Tab goes on to the next control instead of the next cell.
    v->setTabKeyNavigation(false);
    v->verticalHeader()->hide();
    v->horizontalHeader()->setStretchLastSection(true);
    // A row is one line: a value wider than its column is cut with an ellipsis, not wrapped.
    v->setWordWrap(false);
    // A list without items waits for its browse's model: setting a placeholder first would
    // make the view tear down all its model connections again when the real one comes.
    if (c.desc.items.empty()) return v;
    c.items = new QStandardItemModel(v);
    for (const auto& item : splitItems(c.desc.items))
      c.items->appendRow(new QStandardItem(qtText(item)));
    v->horizontalHeader()->hide();
    v->setModel(c.items);
    return v;
  }
  void attach(Window& w, Control& c) const override {
    auto* v = static_cast<ListWidget*>(c.widget);
    const int n = c.desc.number;
    v->onCurrentChanged = [&w, n] { w.post(EventKind::NewSelection, n); };
    // Enter and the double click both arrive as activated(), once each.
    QObject::connect(v, &QAbstractItemView::activated, &w,
                     [&w, n](const QModelIndex&) { w.post(EventKind::Accepted, n); });
  }
  Value value(const Window&, const Control& c) const override {
    const auto* v = static_cast<QAbstractItemView*>(c.widget);
    return static_cast<double>(v->currentIndex().isValid() ? v->currentIndex().row() + 1 : 0);
  }
  void setValue(Window&, Control& c, const Value& v) const override {
    auto* view = static_cast<QAbstractItemView*>(c.widget);
    const int row = static_cast<int>(numberOf(v)) - 1;
    if (view->model() && row >= 0 && row < view->model()->rowCount())
      view->setCurrentIndex(view->model()->index(row, 0));
  }
};

class DropListAdapter : public ControlAdapter {
 public:
  bool labelled() const override { return true; }
  QWidget* make(Window&, Control& c) const override {
    auto* box = new QComboBox;
    for (const auto& item : splitItems(c.desc.items)) box->addItem(qtText(item));
    box->setEditable(!c.desc.readOnly && c.desc.items.empty());
    return box;
  }
  void attach(Window& w, Control& c) const override {
    const int n = c.desc.number;
    QObject::connect(static_cast<QComboBox*>(c.widget), &QComboBox::activated, &w, [&w, n](int) {
      w.post(EventKind::NewSelection, n);
      w.post(EventKind::Accepted, n);
    });
  }
  std::string text(const Window&, const Control& c) const override {
    return c.shown.read(static_cast<QComboBox*>(c.widget)->currentText());
  }
  void setText(Window&, Control& c, std::string_view text) const override {
    auto* box = static_cast<QComboBox*>(c.widget);
    const QString t = c.shown.show(text);
    const int i = box->findText(t);
    // A value that is not among the items shows as none, so it is not taken back as
    // whichever item happened to be current.
    c.unlisted.clear();
    if (i >= 0) {
      box->setCurrentIndex(i);
    } else if (box->isEditable()) {
      box->setEditText(t);
    } else {
      box->setCurrentIndex(-1);
      c.unlisted = std::string(text);  // kept as it is until the user picks an item
    }
  }
  Value value(const Window& w, const Control& c) const override {
    const auto* box = static_cast<QComboBox*>(c.widget);
    if (box->currentIndex() < 0 && !box->isEditable()) return c.unlisted;
    return text(w, c);
  }
};

class SheetAdapter : public ControlAdapter {
 public:
  QWidget* make(Window& w, Control& c) const override {
    auto* sheet = new SheetWidget;
    c.sheet = sheet;
    if (c.desc.wizard) sheet->tabBar()->hide();
    for (Control* tab : children(w, c.desc.number)) {
      if (tab->desc.kind != ControlKind::Tab) continue;
      tab->sheet = sheet;
      tab->widget = tab->adapter->make(w, *tab);
      sheet->addTab(tab->page, qtText(tab->desc.text));
      if (!tab->desc.tip.empty()) sheet->setTabToolTip(sheet->count() - 1, qtText(tab->desc.tip));
      watch(w, tab->page);
    }
    return sheet;
  }
  void attach(Window& w, Control& c) const override {
    const int n = c.desc.number;
    QObject::connect(c.sheet, &QTabWidget::currentChanged, &w,
                     [&w, n](int) { w.post(EventKind::NewSelection, n); });
  }
  Value value(const Window& w, const Control& c) const override {
    return static_cast<double>(w.currentTab(c.desc.number));
  }
  void setValue(Window& w, Control& c, const Value& v) const override {
    w.setCurrentTab(c.desc.number, static_cast<int>(numberOf(v)));
  }
};

// A tab is a page of its sheet: its state is the sheet's state of that page.
// A tab's page asks for its whole size, but scrolls when its window must be smaller (a
// form over a frame whose client area cannot hold it).
class TabPage : public QScrollArea {
 public:
  TabPage() {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setWidget(new QWidget);
    viewport()->setAutoFillBackground(false);
    widget()->setAutoFillBackground(false);
  }
  QSize sizeHint() const override {
    return widget()->sizeHint().expandedTo(widget()->minimumSize());
  }
  QSize minimumSizeHint() const override { return {kSmallest, kSmallest}; }

 private:
  static constexpr int kSmallest = 80;
};

class TabAdapter : public ControlAdapter {
 public:
  QWidget* make(Window& w, Control& c) const override {
    auto* page = new TabPage;
    c.page = page;
    c.widget = page;
    // The first tab shows with the window; the others make their controls as they show.
    const bool first = c.sheet->count() == 0;
    c.deferred = !first && deferChildren(w, page->widget(), c.desc.number);
    if (!c.deferred) buildChildren(w, page->widget(), c.desc.number);
    return page;
  }
  std::string text(const Window&, const Control& c) const override {
    return storedText(c.sheet->tabText(index(c)));
  }
  void setText(Window&, Control& c, std::string_view t) const override {
    c.sheet->setTabText(index(c), qtText(t));
    c.sheet->tabBar()->update();
  }
  bool enabled(const Window&, const Control& c) const override {
    return c.sheet->isTabEnabled(index(c));
  }
  void setEnabled(Control& c, bool on) const override {
    c.sheet->setTabEnabled(index(c), on);
    c.widget->setEnabled(on);
  }
  bool hidden(const Control& c) const override { return !c.sheet->isTabVisible(index(c)); }
  void setHidden(Control& c, bool on) const override { c.sheet->setTabVisible(index(c), !on); }
  void applyLook(Control& c) const override {
    auto* bar = static_cast<ColorTabBar*>(c.sheet->tabBar());
    const int i = index(c);
    if (i < 0) return;
    if (static_cast<int>(bar->looks.size()) <= i) bar->looks.resize(i + 1);
    bar->looks[i] = {c.fill, c.font, c.style};
    bar->update();
  }

 private:
  static int index(const Control& c) { return c.sheet->indexOf(c.page); }
};

class ImageAdapter : public ControlAdapter {
 public:
  bool labelled() const override { return true; }
  QWidget* make(Window&, Control&) const override {
    auto* l = new QLabel;
    l->setAlignment(Qt::AlignCenter);
    return l;
  }
  void attach(Window& w, Control& c) const override {
    if (!c.desc.icon.empty()) setValue(w, c, c.desc.icon);
  }
  void setValue(Window&, Control& c, const Value& v) const override {
    auto* l = static_cast<QLabel*>(c.widget);
    const QImage img = loadPicture(clipped(textOf(v)));
    if (img.isNull()) {
      l->clear();
      return;
    }
    QSize box(c.desc.width, c.desc.height);
    QPixmap pm = QPixmap::fromImage(img);
    if (box.width() > 0 && box.height() > 0)
      pm = pm.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    l->setPixmap(pm);
  }
};

class ProgressAdapter : public ControlAdapter {
 public:
  bool labelled() const override { return true; }
  QWidget* make(Window&, Control& c) const override {
    auto* p = new QProgressBar;
    p->setRange(c.desc.rangeLow, std::max(c.desc.rangeLow, c.desc.rangeHigh));
    p->setValue(0);
    return p;
  }
  Value value(const Window&, const Control& c) const override {
    return static_cast<double>(static_cast<QProgressBar*>(c.widget)->value());
  }
  void setValue(Window&, Control& c, const Value& v) const override {
    auto* p = static_cast<QProgressBar*>(c.widget);
    p->setValue(std::clamp(static_cast<int>(numberOf(v)), p->minimum(), p->maximum()));
  }
};

// A region only takes clicks: laid over other controls, it must never hide them, whatever
// colours the tabs it stands on give it.
class RegionAdapter : public ControlAdapter {
 public:
  QWidget* make(Window&, Control& c) const override {
    auto* f = new QFrame;
    f->setMinimumSize(std::max(c.desc.width, 1), std::max(c.desc.height, 1));
    return f;
  }
  void applyLook(Control&) const override {}
};

}  // namespace

const ControlAdapter& ControlAdapter::of(ControlKind kind) {
  static const PromptAdapter prompt;
  static const EntryAdapter entry;
  static const MemoAdapter memo;
  static const ButtonAdapter button;
  static const CheckAdapter check;
  static const OptionAdapter option;
  static const RadioAdapter radio;
  static const ListAdapter list;
  static const DropListAdapter dropList;
  static const SheetAdapter sheet;
  static const TabAdapter tab;
  static const ImageAdapter image;
  static const ProgressAdapter progress;
  static const RegionAdapter region;
  static const GroupAdapter group;
  switch (kind) {
    case ControlKind::Prompt:
      return prompt;
    case ControlKind::Entry:
      return entry;
    case ControlKind::Text:
      return memo;
    case ControlKind::Button:
      return button;
    case ControlKind::Check:
      return check;
    case ControlKind::Option:
      return option;
    case ControlKind::Radio:
      return radio;
    case ControlKind::List:
      return list;
    case ControlKind::DropList:
      return dropList;
    case ControlKind::Sheet:
      return sheet;
    case ControlKind::Tab:
      return tab;
    case ControlKind::Image:
      return image;
    case ControlKind::Progress:
      return progress;
    case ControlKind::Region:
      return region;
    case ControlKind::Group:
      return group;
  }
  return region;
}

}  // namespace rt::detail
