#include "runtime/ui/ListBrowser.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <cstring>
#include <limits>

#include "runtime/data/Messages.h"
#include "runtime/proc/Threads.h"
#include "runtime/text/Dates.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/Picture.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/Window.h"

namespace rt {

namespace {

// Codes of the alert events a list posts to its own thread: typed characters and moves.
constexpr int kTypedBase = 0x10000;
constexpr int kMoveBase = 0x20000;
// Column widths of the format are dialog units; the list draws them at this scale.
constexpr int kPixelsPerUnit = 2;

constexpr std::int64_t kBeforeAll = std::numeric_limits<std::int64_t>::min();

// The widest text a cell of a fixed-shape picture shows; text pictures are cut by their
// column as designed.
int measurePictureNeed(const QFontMetrics& fm, const Picture& p) {
  switch (p.kind()) {
    case Picture::Kind::Number:
    case Picture::Kind::Pattern:
      return fm.horizontalAdvance(QString(p.width(), QChar('0')));
    case Picture::Kind::Date: {
      int widest = 0;
      for (int month = 1; month <= 12; ++month)
        for (int day = 22; day <= 28; ++day)  // every weekday's name
          widest = std::max(
              widest,
              fm.horizontalAdvance(qtText(p.format(DateValue{dateFromYmd(2026, month, day)}))));
      return widest;
    }
    case Picture::Kind::Time:
      return fm.horizontalAdvance(qtText(p.format(TimeValue{timeFromHms(12, 59)})));
    default:
      return 0;
  }
}

// Measured once per font and picture: a date picture alone shapes 84 texts, and every list
// opening and layout switch asks again. Widgets live on the GUI thread only.
int pictureNeed(const QWidget* w, std::string_view picture) {
  static QHash<QString, int> needs;
  const Picture p{std::string(picture)};
  QString key = w->font().key() + QChar('\n') + qtText(picture);
  if (p.kind() == Picture::Kind::Date) key += QChar('\n') + qtText(shortDatePattern());
  const auto it = needs.constFind(key);
  if (it != needs.constEnd()) return *it;
  const int need = measurePictureNeed(w->fontMetrics(), p);
  needs.insert(key, need);
  return need;
}

// Designed widths were made for another font than the desktop's: a column is drawn at least
// as wide as its heading and its picture need. The layout keeps the designed width.
void applyWidths(QTableView* v, const ColumnFormat& f) {
  const QSignalBlocker quiet(v->horizontalHeader());
  const int margins = 2 * (v->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, v) + 1) +
                      v->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, v);
  for (std::size_t i = 0; i < f.size(); ++i) {
    const int section = static_cast<int>(i);
    const int need = std::max(v->horizontalHeader()->sectionSizeHint(section),
                              pictureNeed(v, f.column(i).picture) + margins);
    v->setColumnWidth(section, std::max(f.column(i).width * kPixelsPerUnit, need));
  }
}

std::int64_t justBefore(std::int64_t rowid) {
  return rowid == kBeforeAll ? rowid : rowid - 1;
}

// Turns the list's keys into events of the window's thread, where the view is read.
class ListKeys : public QObject {
 public:
  ListKeys(Window* w, int list, std::function<bool()> typedKeys, BrowseModel* model,
           std::function<int(int qtKey)> buttonOf)
      : w_(w),
        list_(list),
        typedKeys_(std::move(typedKeys)),
        model_(model),
        buttonOf_(std::move(buttonOf)) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonDblClick) {
      // One accepted event per double click (the view would also report an activation).
      w_->post(EventKind::Accepted, list_);
      return true;
    }
    if (e->type() != QEvent::KeyPress) return QObject::eventFilter(watched, e);
    auto* k = static_cast<QKeyEvent*>(e);
    auto* view = w_->listView(list_);
    const int row = view ? view->currentIndex().row() : -1;
    const int last = model_->rowCount() - 1;
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    int move = 0;
    switch (k->key()) {
      case Qt::Key_Home:
        move = ctrl ? toolbar::First : 0;
        break;
      case Qt::Key_End:
        move = ctrl ? toolbar::Last : 0;
        break;
      case Qt::Key_Up:
        move = row <= 0 && model_->moreBefore() ? toolbar::PriorRecord : 0;
        break;
      case Qt::Key_PageUp:
        move = row <= 0 && model_->moreBefore() ? toolbar::PriorPage : 0;
        break;
      case Qt::Key_Down:
        move = row >= last && model_->moreAfter() ? toolbar::NextRecord : 0;
        break;
      case Qt::Key_PageDown:
        move = row >= last && model_->moreAfter() ? toolbar::NextPage : 0;
        break;
      default:
        break;
    }
    if (move) {
      w_->post(EventKind::AlertKey, list_, kMoveBase + move);
      return true;
    }
    // Insert and Delete act as their buttons do, when those can act.
    if (const int b = k->modifiers() ? 0 : buttonOf_(k->key());
        b && w_->enabled(b) && !w_->hidden(b)) {
      w_->post(EventKind::Accepted, b);
      return true;
    }
    const QString t = k->text();
    if (!ctrl && t.size() == 1 && t[0].unicode() >= 0x20 && t[0].unicode() < 0x7F && typedKeys_()) {
      w_->post(EventKind::AlertKey, list_, kTypedBase + t[0].unicode());
      return true;
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  Window* w_;
  int list_;
  std::function<bool()> typedKeys_;
  BrowseModel* model_;
  std::function<int(int)> buttonOf_;
};

}  // namespace

std::function<std::vector<SqlValue>()> rangeFromBuffer(const FileDesc& desc, const void* record,
                                                       std::vector<int> fields) {
  return [&desc, record, fields = std::move(fields)] {
    std::vector<SqlValue> out;
    for (int f : fields) out.push_back(orderTermValue(desc, f, record));
    return out;
  };
}

std::vector<OrderField> parseOrderText(const FileDesc& desc, std::string_view text) {
  std::vector<OrderField> out;
  while (!text.empty()) {
    const auto comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    OrderField f;
    if (!part.empty() && (part.front() == '-' || part.front() == '+')) {
      f.descending = part.front() == '-';
      part.remove_prefix(1);
    }
    f.field = desc.fieldIndex(part);
    if (f.field >= 0) out.push_back(f);
  }
  return out;
}

// ---------------------------------------------------------------------------------------

ListBrowser::ListBrowser(BrowseController& window, KeyedFile& file, int listControl)
    : window_(window),
      file_(file),
      list_(listControl),
      view_(file),
      model_(std::make_unique<BrowseModel>(view_, file)) {
  model_->setRowHook([this](RowLook& look) { FillRow(look); });
  model_->setAfterRead([this] {
    // Reads run on the main fiber too (the list asking for more rows while it scrolls);
    // only the window's own thread keeps the highlighted row in its buffer.
    if (window_.window() && currentThread() == window_.window()->thread()) loadCurrent();
  });
  window_.attach(*this);
}

ListBrowser::~ListBrowser() {
  if (open_) Close();
  window_.detach(*this);
}

void ListBrowser::SetRangeFrom(SortOrder& o, const FileDesc& from, const void* record,
                               std::vector<int> fromFields) {
  o.range = rangeFromBuffer(from, record, fromFields);
  if (o.key < 0) return;
  o.primeRange = [this, &o, &from, record, fromFields] {
    const FileDesc& to = file_.desc();
    auto* dst = static_cast<char*>(file_.record());
    const auto* src = static_cast<const char*>(record);
    const auto& comps = to.keys[static_cast<std::size_t>(o.key)].components;
    for (std::size_t i = 0; i < fromFields.size() && i < comps.size(); ++i) {
      const FieldDesc& s = from.fields[static_cast<std::size_t>(fromFields[i])];
      const FieldDesc& t = to.fields[static_cast<std::size_t>(comps[i])];
      if (s.type == FieldType::String && t.type == FieldType::String)
        assignPadded(dst + t.offset, t.size, clipView(src + s.offset, s.size));
      else if (s.type == t.type && s.size == t.size)
        std::memcpy(dst + t.offset, src + s.offset, t.size);
    }
  };
}

void ListBrowser::primeInsert() {
  const FileDesc& d = file_.desc();
  auto* rec = static_cast<char*>(file_.record());
  for (const FieldDesc& f : d.fields)
    std::memset(rec + f.offset, f.type == FieldType::String ? ' ' : 0, f.size);
  for (std::size_t m = 0; m < d.memos.size() && m < file_.memoBuffers().size(); ++m)
    std::memset(file_.memoBuffers()[m], ' ', d.memos[m].size);
  orders_[current_]->primeRange();
  setInsertPrimed(true);
}

bool ListBrowser::SetFormat(std::string_view format) {
  auto f = ColumnFormat::parse(format);
  if (!f) return false;
  model_->setFormat(*f);
  if (open_) {
    if (auto* v = qobject_cast<QTableView*>(window_.window()->listView(list_))) {
      applyWidths(v, *f);
      v->doItemsLayout();
    }
  }
  return true;
}

void ListBrowser::AddField(std::string_view name) {
  AddField(file_.desc().fieldIndex(name));
}

void ListBrowser::AddField(int field) {
  fields_.push_back(field);
  model_->setFields(fields_);
}

SortOrder& ListBrowser::AddSortOrder(std::string_view keyName, std::string_view appendedOrder,
                                     int tab) {
  auto o = std::make_unique<SortOrder>();
  o->key = keyName.empty() ? -1 : file_.desc().keyIndex(keyName);
  o->extra = parseOrderText(file_.desc(), appendedOrder);
  o->tab = tab;
  orders_.push_back(std::move(o));
  return *orders_.back();
}

std::size_t ListBrowser::ChooseSortOrder() {
  Window* w = window_.window();
  if (!w) return current_;
  for (std::size_t i = 0; i < orders_.size(); ++i) {
    const int tab = orders_[i]->tab;
    if (tab != 0 && w->has(tab) && w->currentTabControl(w->parentOf(tab)) == tab) return i;
  }
  return current_;
}

void ListBrowser::applyOrder(const SortOrder& o) {
  if (o.key >= 0)
    view_.setKeyOrder(o.key, o.extra);
  else
    view_.setRecordOrder();
  range_ = o.range ? o.range() : std::vector<SqlValue>{};
  if (!range_.empty()) view_.setRange(range_);
  view_.setTextConditions(query_ ? queryConditions_ : std::vector<View::TextCondition>{});
  if (!query_)
    view_.setFilter(o.filter);
  else if (!o.filter)
    view_.setFilter(query_);
  else
    view_.setFilter([own = o.filter, query = query_] { return own() && query(); });
}

void ListBrowser::SetQuery(View::Filter query, std::vector<View::TextCondition> conditions) {
  query_ = std::move(query);
  queryConditions_ = std::move(conditions);
  if (orders_.empty()) AddSortOrder();
  applyOrder(*orders_.at(current_));
  if (open_) show(model_->showFirst());
}

void ListBrowser::SelectSortOrder(std::size_t order) {
  if (orders_.empty()) AddSortOrder();
  if (order >= orders_.size()) order = 0;
  const bool sameOrder = order == current_;
  const auto oldRange = range_;
  current_ = order;
  applyOrder(*orders_[order]);
  if (!open_) return;
  const RecordImage* row = current();
  if (row && sameOrder && oldRange == range_) {
    const RecordImage keep = *row;
    show(model_->showAt(view_.anchorOf(keep.record.data()), justBefore(keep.rowid)));
  } else {
    show(model_->showFirst());
  }
}

bool ListBrowser::editable() const {
  return file_.isOpen() && !file_.isReadOnly() && buttons_.updateProcedure != 0;
}

void ListBrowser::UpdateButtons() {
  Window* w = window_.window();
  if (!w) return;
  const bool has = current() != nullptr;
  const struct {
    int control;
    bool on;
  } states[] = {
      {buttons_.insert, editable()},
      {buttons_.change, has && editable()},
      {buttons_.remove, has && editable()},
      {buttons_.select, has},
      {buttons_.print, buttons_.printProcedure != 0 && has},
  };
  for (const auto& s : states)
    if (s.control && w->has(s.control)) w->setEnabled(s.control, s.on);
}

int ListBrowser::Ask(Request request) {
  const RecordImage* row = current();
  if (request != Request::Insert && !row) return RequestCancelled;
  if (request == Request::Select) {
    if (!file_.getPosition(row->rowid)) return RequestCancelled;
    keepingCallers_ = false;
    window_.CloseWithResponse(RequestCompleted);
    return RequestCompleted;
  }
  if (buttons_.updateProcedure == 0) return RequestCancelled;
  RecordImage before;
  if (row) {
    before = *row;
    // The form works on the file's current record: make it this row, fresh from disk.
    if (request != Request::Insert && !file_.getPosition(row->rowid)) {
      Refresh();
      return RequestCancelled;
    }
  }
  if (request == Request::Insert && current_ < orders_.size() && orders_[current_]->primeRange)
    primeInsert();
  const int response = window_.RunChild(buttons_.updateProcedure, request);
  setInsertPrimed(false);
  if (response == RequestCompleted && request != Request::Delete) {
    ResetFromBuffer();
  } else if (response == RequestCompleted) {
    show(model_->showAt(view_.anchorOf(before.record.data()), justBefore(before.rowid)));
  } else {
    Refresh();
  }
  window_.RefreshItems();
  return response;
}

void ListBrowser::Open() {
  Window* w = window_.window();
  if (!w) return;
  auto* v = qobject_cast<QTableView*>(w->listView(list_));
  if (!v) return;
  open_ = true;
  readErrorReported_ = false;
  if (orders_.empty()) AddSortOrder();
  if (window_.request() == Request::Select) selectMode_ = true;
  if (selectMode_ && !keepingCallers_) {
    // The highlight moves rows through the buffer; closed without a choice, the caller
    // gets its own record back.
    callers_ = file_.bufferImage();
    keepingCallers_ = true;
  }
  // A stretched last column would rewrite the layout's last width at every opening. Before
  // the model: a stretching header lays its new columns out again on a timer, after the
  // rows' first paint.
  v->horizontalHeader()->setStretchLastSection(false);
  v->setModel(model_.get());
  v->horizontalHeader()->show();
  v->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  const ColumnFormat& f = model_->format();
  // Told of each width the view would repaint the column on a timer, after its first
  // paint; the rows are laid out once they are in.
  applyWidths(v, f);
  QObject::connect(v->horizontalHeader(), &QHeaderView::sectionResized, model_.get(),
                   [this](int section, int, int size) {
                     ColumnFormat f = model_->format();
                     if (section < 0 || static_cast<std::size_t>(section) >= f.size()) return;
                     const int width = (size + kPixelsPerUnit / 2) / kPixelsPerUnit;
                     if (f.column(static_cast<std::size_t>(section)).width == width) return;
                     f.setWidth(static_cast<std::size_t>(section), width);
                     model_->setFormat(f);
                   });
  QScrollBar* bar = v->verticalScrollBar();
  model_->setTopShift([bar](int n) { bar->setValue(bar->value() + n); });
  QObject::connect(bar, &QScrollBar::valueChanged, model_.get(), [this, bar](int value) {
    if (value == bar->minimum() && model_->moreBefore()) model_->fetchBefore();
  });
  keys_ = std::make_unique<ListKeys>(
      w, list_,
      [this] {
        return current_ < orders_.size() && orders_[current_]->locator &&
               orders_[current_]->locator->typed('A');
      },
      model_.get(),
      [this](int qtKey) {
        return qtKey == Qt::Key_Insert   ? buttons_.insert
               : qtKey == Qt::Key_Delete ? buttons_.remove
                                         : 0;
      });
  v->installEventFilter(keys_.get());
  v->viewport()->installEventFilter(keys_.get());
  current_ = orders_.size();  // forces the first order to be applied afresh
  SelectSortOrder(ChooseSortOrder() < orders_.size() ? ChooseSortOrder() : 0);
  // Laid out before its first paint rather than on the view's timer after it.
  if (v->isVisible()) v->doItemsLayout();
}

bool ListBrowser::inView() const {
  Window* w = window_.window();
  // A list on a tab that has not shown yet is not made yet either.
  if (w && w->has(list_) && !w->built(list_)) return false;
  QAbstractItemView* v = w ? w->listView(list_) : nullptr;
  if (!v) return true;
  // Only the pages of sheets count: a list hidden on its own is still filled.
  for (QWidget* p = v; p && !p->isWindow(); p = p->parentWidget())
    if (auto* stack = qobject_cast<QStackedWidget*>(p->parentWidget());
        stack && stack->currentWidget() != p)
      return false;
  return true;
}

void ListBrowser::Close() {
  if (keepingCallers_) file_.loadBuffer(callers_);
  keepingCallers_ = false;
  open_ = false;
  keys_.reset();
  model_->setTopShift(nullptr);
  Window* w = window_.window();
  QAbstractItemView* v = w && w->built(list_) ? w->listView(list_) : nullptr;
  if (v && v->model() == model_.get()) v->setModel(nullptr);
}

int ListBrowser::currentRow() const {
  Window* w = window_.window();
  QAbstractItemView* v = w && w->built(list_) ? w->listView(list_) : nullptr;
  if (!v || v->model() != model_.get()) return -1;
  const int r = v->currentIndex().row();
  return r >= 0 && r < model_->rowCount() ? r : -1;
}

const RecordImage* ListBrowser::current() const {
  return model_->row(currentRow());
}

void ListBrowser::loadCurrent() {
  if (const RecordImage* r = current()) view_.load(*r);
}

void ListBrowser::show(int row) {
  Window* w = window_.window();
  QAbstractItemView* v = w ? w->listView(list_) : nullptr;
  if (v && row >= 0 && row < model_->rowCount()) {
    const QModelIndex i = model_->index(row, 0);
    v->setCurrentIndex(i);
    v->scrollTo(i);
  }
  seen_ = file_.generation();
  loadCurrent();
  UpdateButtons();
  reportReadError();
}

void ListBrowser::reportReadError() {
  const ErrorState e = view_.takeReadError();
  // A damaged page fails every read that crosses it: one message per opening is enough.
  if (e.code == ErrorCode::NoError || readErrorReported_) return;
  readErrorReported_ = true;
  const FileDesc& d = file_.desc();
  reportFileFailure(d.label.empty() ? d.diskName : d.label, e);
}

void ListBrowser::RefreshIfChanged() {
  if (open_ && file_.generation() != seen_) Refresh();
}

void ListBrowser::Top() {
  show(model_->showFirst());
}

void ListBrowser::Bottom() {
  show(model_->showLast());
}

void ListBrowser::Up() {
  backward(1);
}

void ListBrowser::Down() {
  forward(1);
}

void ListBrowser::PageUp() {
  backward(model_->pageSize());
}

void ListBrowser::PageDown() {
  forward(model_->pageSize());
}

void ListBrowser::backward(int by) {
  const int r = currentRow();
  if (r < 0) return;
  int target = r - by;
  while (target < 0 && model_->moreBefore()) {
    const int added = model_->fetchBefore();
    if (added == 0) break;
    target += added;
  }
  show(std::max(target, 0));
}

void ListBrowser::forward(int by) {
  const RecordImage* row = current();
  if (!row) return;
  const std::int64_t rowid = row->rowid;
  int target = currentRow() + by;
  while (target >= model_->rowCount() && model_->moreAfter()) {
    const int was = model_->rowOf(rowid);
    if (model_->fetchAfter() == 0) break;
    target -= was - model_->rowOf(rowid);  // rows dropped at the top
  }
  show(std::min(target, model_->rowCount() - 1));
}

void ListBrowser::Locate(const Value& typed) {
  if (current_ >= orders_.size()) return;
  SortOrder& o = *orders_[current_];
  if (o.key < 0) return;
  const int field = o.locator
                        ? o.locator->field()
                        : file_.desc().keys[static_cast<std::size_t>(o.key)].components.front();
  if (o.locator) o.locator->setText(textOf(typed));
  show(model_->showAt(view_.seekAnchor(field, typed), kBeforeAll));
}

void ListBrowser::ResetFromBuffer() {
  const std::int64_t pos = file_.position();
  show(model_->showAt(view_.anchorOf(file_.record()), pos > 0 ? pos - 1 : kBeforeAll));
}

void ListBrowser::Refresh() {
  const RecordImage* row = current();
  if (!row) return show(model_->showFirst());
  const RecordImage keep = *row;
  show(model_->showAt(keep.order, justBefore(keep.rowid)));
}

int ListBrowser::thumb() const {
  const RecordImage* row = current();
  if (!row) return 0;
  for (const SqlValue& v : row->order)
    if (const auto* s = std::get_if<std::string>(&v)) return step_.position(*s);
  return 0;
}

void ListBrowser::ScrollTo(int position) {
  if (position <= 0) return Top();
  if (position >= 100) return Bottom();
  Locate(step_.text(position));
}

void ListBrowser::onKey(int key) {
  if (key >= kMoveBase) {
    bool handled = false;
    TakeEvent(Event{EventKind::Accepted, key - kMoveBase, 0, 0}, handled);
    return;
  }
  if (key < kTypedBase || current_ >= orders_.size() || !orders_[current_]->locator) return;
  if (auto text = orders_[current_]->locator->typed(static_cast<char>(key - kTypedBase)))
    Locate(*text);
}

Flow ListBrowser::TakeEvent(const Event& ev, bool& handled) {
  handled = true;
  Window* w = window_.window();
  if (ev.control == list_) {
    switch (ev.kind) {
      case EventKind::NewSelection:
        loadCurrent();
        UpdateButtons();
        return Flow::Continue;
      case EventKind::Accepted:
        if (selectMode_)
          Ask(Request::Select);
        else if (buttons_.change && w && w->enabled(buttons_.change))
          Ask(Request::Change);
        return Flow::Cycle;
      case EventKind::AlertKey:
        if (ev.key < kTypedBase) break;  // the window's own alert keys (F9, ...)
        onKey(ev.key);
        return Flow::Cycle;
      default:
        handled = false;
        return Flow::Continue;
    }
  }
  if (ev.kind == EventKind::Accepted) {
    const bool locatorControl = current_ < orders_.size() && orders_[current_]->locator &&
                                orders_[current_]->locator->control() == ev.control;
    if (locatorControl && w) {
      Locate(w->value(ev.control));
      return Flow::Cycle;
    }
    using Move = void (ListBrowser::*)();
    static constexpr struct {
      int code;
      Move move;
    } moves[] = {
        {toolbar::First, &ListBrowser::Top},         {toolbar::PriorPage, &ListBrowser::PageUp},
        {toolbar::PriorRecord, &ListBrowser::Up},    {toolbar::NextRecord, &ListBrowser::Down},
        {toolbar::NextPage, &ListBrowser::PageDown}, {toolbar::Last, &ListBrowser::Bottom},
    };
    for (const auto& m : moves)
      if (ev.control == m.code) {
        (this->*m.move)();
        return Flow::Cycle;
      }
    const struct {
      int control;
      Request request;
    } asks[] = {
        {buttons_.insert, Request::Insert}, {toolbar::Insert, Request::Insert},
        {buttons_.change, Request::Change}, {toolbar::Change, Request::Change},
        {buttons_.remove, Request::Delete}, {toolbar::Delete, Request::Delete},
        {buttons_.select, Request::Select}, {toolbar::Select, Request::Select},
    };
    for (const auto& a : asks) {
      if (a.control == 0 || a.control != ev.control) continue;
      const int button = a.control >= toolbar::First ? 0 : a.control;
      if (button == 0 && a.request != Request::Select && !editable()) return Flow::Cycle;
      if (button == 0 || !w || w->enabled(button)) Ask(a.request);
      return Flow::Cycle;
    }
    if (buttons_.print && ev.control == buttons_.print) {
      window_.RunChild(buttons_.printProcedure, Request::None);
      return Flow::Cycle;
    }
    if (ev.control == toolbar::Locate && w && current_ < orders_.size() &&
        orders_[current_]->locator && orders_[current_]->locator->control()) {
      w->selectControl(orders_[current_]->locator->control());
      return Flow::Cycle;
    }
  }
  if (ev.kind == EventKind::NewSelection && w && w->controlKind(ev.control) == ControlKind::Sheet) {
    const std::size_t chosen = ChooseSortOrder();
    if (chosen != current_) SelectSortOrder(chosen);
    handled = false;  // the window may colour its tabs too
    return Flow::Continue;
  }
  handled = false;
  return Flow::Continue;
}

}  // namespace rt
