#include "runtime/ui/Report.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include "runtime/data/FileRelations.h"
#include "runtime/expr/Expression.h"
#include "runtime/text/Dates.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/Picture.h"
#include "runtime/ui/FilterConditions.h"
#include "runtime/ui/Jpeg.h"
#include "runtime/ui/ListBrowser.h"
#include "runtime/ui/QtText.h"
#include "runtime/ui/ReportRead.h"

namespace rt {

namespace {

constexpr std::size_t kSlice = 256;  // records read between two progress steps
constexpr double kPointsToThousandths = 1000.0 / 72.0;

[[noreturn]] void bad(std::string_view procedure, std::string_view what, std::string_view name) {
  throw std::logic_error(std::string(procedure) + ": " + std::string(what) + " " +
                         std::string(name));
}

TableFile fileOf(const TableContext& c, std::string_view procedure, std::string_view name) {
  const TableFile f = c.file(name.substr(0, name.find(':')));
  if (!f.desc) bad(procedure, "no file for field", name);
  return f;
}

int fieldOf(std::string_view procedure, const FileDesc& desc, std::string_view name) {
  const int i = desc.fieldIndex(name);
  if (i < 0) bad(procedure, "no such field", name);
  return i;
}

using Condition = std::shared_ptr<Compiled<Expression>>;

Condition condition(const TableContext& c, std::string_view procedure, const std::string& text) {
  if (text.empty()) return nullptr;
  auto e = std::make_shared<Compiled<Expression>>(compile(text, c.names()));
  if (!e->ok()) bad(procedure, "expression " + e->error().message + ":", text);
  return e;
}

QColor qtColor(long bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

QFont qtFont(const ReportFont& f) {
  QFont font;
  if (const QString fam = fontFamily(f.name); !fam.isEmpty()) font.setFamily(fam);
  if (clipView(f.name.data(), f.name.size()) == "Arial Black")
    font.setWeight(QFont::Black);
  else
    font.setWeight(static_cast<QFont::Weight>(f.style & fontstyle::WeightMask));
  font.setItalic(f.style & fontstyle::Italic);
  font.setUnderline(f.style & fontstyle::Underline);
  font.setStrikeOut(f.style & fontstyle::Strikeout);
  // The painter draws in thousandths of an inch, so the size is given in those units.
  font.setPixelSize(std::max(1, static_cast<int>(f.points * kPointsToThousandths + 0.5)));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

// A control with its names resolved.
struct Control {
  const ReportControl* desc;
  Binding binding;
  Condition expression;
  Picture picture;
  QFont font;
  QColor color;
};

struct Band {
  const ReportBand* desc;
  std::vector<Control> controls;
  Condition when;
};

// A detail band placed on a page: the record it prints and which band.
struct Placed {
  std::int64_t rowid;
  std::int32_t band;  // index into the detail bands
};

// Saves the record buffer, memos and file position that drawing a page loads rows into, so a
// page drawn on any thread leaves that thread's buffers as they were.
class BufferKeeper {
 public:
  explicit BufferKeeper(KeyedFile& file)
      : file_(file),
        record_(static_cast<const char*>(file.record()),
                static_cast<const char*>(file.record()) + file.desc().recordSize),
        cursor_(file.cursorState()) {
    for (std::size_t m = 0; m < file.memoBuffers().size(); ++m)
      if (char* b = file.memoBuffers()[m])
        memos_.emplace_back(b, b + file.desc().memos[m].size);
      else
        memos_.emplace_back();
  }
  ~BufferKeeper() {
    std::memcpy(file_.record(), record_.data(), record_.size());
    for (std::size_t m = 0; m < memos_.size(); ++m)
      if (char* b = file_.memoBuffers()[m]) std::memcpy(b, memos_[m].data(), memos_[m].size());
    file_.setCursorState(cursor_);
  }
  BufferKeeper(const BufferKeeper&) = delete;
  BufferKeeper& operator=(const BufferKeeper&) = delete;

 private:
  KeyedFile& file_;
  std::vector<char> record_;
  std::vector<std::vector<char>> memos_;
  KeyedFile::CursorState cursor_;
};

class Document final : public ReportDocument {
 public:
  explicit Document(const ReportTable& table);

  const ReportTable& table() const override { return table_; }
  int pageCount() const override { return static_cast<int>(pageStarts_.size()); }
  std::vector<DrawnControl> layoutPage(int page) const override;
  void drawPage(int page, QPainter& painter) const override;
  bool writePdf(const std::string& path, const std::vector<int>& pages) const override;

  bool read(const std::function<bool(int)>& step);

 private:
  Band resolve(const ReportBand& b) const;
  void place(std::vector<DrawnControl>& out, const Band& band, int x, int y, int page) const;
  std::string shown(const Control& c, int page) const;
  void paint(QPainter& p, const DrawnControl& d, const Control& c) const;
  const Control& controlOf(const DrawnControl& d) const;

  const ReportTable& table_;
  std::string procedure_;
  std::vector<Band> headers_, details_, footers_;
  std::string today_;
  std::vector<Placed> placed_;           // every detail band of every page, in order
  std::vector<std::size_t> pageStarts_;  // the first of placed_ on each page
  std::unordered_map<const ReportControl*, const Control*> controls_;
  mutable std::unique_ptr<View> view_;
};

Document::Document(const ReportTable& t) : table_(t), procedure_(t.procedure) {
  if (!t.context) bad(procedure_, "no context for report", t.title);
  if (!t.view.file) bad(procedure_, "no file for report", t.title);
  view_ = makeReportView(*t.context, procedure_, t.view);
  for (const ReportBand& b : t.bands) {
    auto& into = b.kind == BandKind::PageHeader ? headers_
                 : b.kind == BandKind::Detail   ? details_
                                                : footers_;
    into.push_back(resolve(b));
  }
  for (const auto* group : {&headers_, &details_, &footers_})
    for (const Band& b : *group)
      for (const Control& c : b.controls) controls_[c.desc] = &c;
}

Band Document::resolve(const ReportBand& b) const {
  Band band{&b,
            {},
            b.kind == BandKind::Detail ? condition(*table_.context, procedure_, b.when) : nullptr};
  const ReportFont& bandFont = b.font ? *b.font : table_.font;
  for (const ReportControl& c : b.controls) {
    Control r{&c,
              {},
              condition(*table_.context, procedure_, c.expression),
              Picture(c.picture),
              qtFont(c.font ? *c.font : bandFont),
              Qt::black};
    const long colour = c.font ? c.font->color : bandFont.color;
    if (colour != kColorNone) r.color = qtColor(colour);
    if (!c.field.empty()) {
      const TableFile f = fileOf(*table_.context, procedure_, c.field);
      try {
        r.binding = FieldBinding(f, c.field);
      } catch (const std::logic_error&) {
        bad(procedure_, "no such field", c.field);
      }
    }
    if (!c.picture.empty() && !r.picture.valid()) bad(procedure_, "not a picture", c.picture);
    band.controls.push_back(std::move(r));
  }
  return band;
}

bool Document::read(const std::function<bool(int)>& step) {
  today_.clear();
  placed_.clear();
  pageStarts_.assign(1, 0);
  KeyedFile& file = view_->file();
  BufferKeeper keep(file);
  const ProgressMeasure measure(*table_.context, procedure_, table_.view);
  const int room = table_.page.bodyHeight;
  int used = 0;
  long count = 0;
  auto rows = view_->first(kSlice);
  while (!rows.empty()) {
    for (const RecordImage& row : rows) {
      view_->load(row);
      for (std::size_t i = 0; i < details_.size(); ++i) {
        const Band& d = details_[i];
        if (d.when && !(**d.when).test()) continue;
        const int h = d.desc->height;
        // A band taller than the body still gets a page of its own rather than none.
        if (used > 0 && used + h > room) {
          pageStarts_.push_back(placed_.size());
          used = 0;
        }
        placed_.push_back({row.rowid, static_cast<std::int32_t>(i)});
        used += h;
      }
      ++count;
    }
    if (step && !step(measure.percent(count))) return false;
    rows = view_->after(rows.back(), kSlice);
  }
  // A failed read ends the report with the pages read so far; the file manager has told.
  view_->takeReadError();
  for (const auto* group : {&headers_, &footers_})
    for (const Band& b : *group)
      for (const Control& c : b.controls)
        if (c.desc->kind == ReportControlKind::DateStamp)
          today_ = c.picture.format(DateValue{TODAY()});
  return true;
}

std::string Document::shown(const Control& c, int page) const {
  const ReportControl& d = *c.desc;
  switch (d.kind) {
    case ReportControlKind::PageNumber:
      return c.picture.format(Value(static_cast<double>(page)));
    case ReportControlKind::DateStamp:
      return today_.empty() ? c.picture.format(DateValue{TODAY()}) : today_;
    case ReportControlKind::Text:
      return d.text;
    case ReportControlKind::Box:
    case ReportControlKind::Line:
      return {};
    default:
      break;
  }
  Value v;
  if (c.expression) {
    const Expression& e = **c.expression;
    v = e.isText() ? Value(std::string(e.text())) : Value(e.number());
  } else if (c.binding.bound()) {
    v = c.binding.get();
  } else {
    v = d.text;
  }
  if (d.kind == ReportControlKind::Check) {
    const std::string t = textOf(v);
    const bool on = clipView(t.data(), t.size()) == d.trueValue;
    return (on ? "[X]" : "[ ]") + (d.text.empty() ? "" : " " + d.text);
  }
  if (d.kind == ReportControlKind::String && c.picture.valid()) return c.picture.format(v);
  const std::string t = textOf(v);
  return std::string(clipView(t.data(), t.size()));
}

void Document::place(std::vector<DrawnControl>& out, const Band& band, int x, int y,
                     int page) const {
  for (const Control& c : band.controls) {
    const ReportControl& d = *c.desc;
    out.push_back({&d, x + d.x, y + d.y, d.width, d.height, shown(c, page)});
  }
}

std::vector<DrawnControl> Document::layoutPage(int page) const {
  std::vector<DrawnControl> out;
  if (page < 1 || page > pageCount()) return out;
  for (const Band& b : headers_) place(out, b, b.desc->x, b.desc->y, page);
  const std::size_t from = pageStarts_[static_cast<std::size_t>(page - 1)];
  const std::size_t to =
      page < pageCount() ? pageStarts_[static_cast<std::size_t>(page)] : placed_.size();
  if (from < to) {
    KeyedFile& file = view_->file();
    BufferKeeper keep(file);
    int y = table_.page.bodyY;
    std::int64_t loaded = 0;
    for (std::size_t i = from; i < to; ++i) {
      const Placed& p = placed_[i];
      const Band& b = details_[static_cast<std::size_t>(p.band)];
      if (p.rowid != loaded) loaded = file.getPosition(p.rowid) ? p.rowid : 0;
      // A record deleted since the reading leaves its place empty.
      if (loaded) place(out, b, table_.page.bodyX + b.desc->x, y, page);
      y += b.desc->height;
    }
  }
  for (const Band& b : footers_) place(out, b, b.desc->x, b.desc->y, page);
  return out;
}

const Control& Document::controlOf(const DrawnControl& d) const {
  return *controls_.at(d.control);
}

int alignOf(ReportAlign a) {
  switch (a) {
    case ReportAlign::Center:
      return Qt::AlignHCenter;
    case ReportAlign::Right:
      return Qt::AlignRight;
    default:
      return Qt::AlignLeft;
  }
}

void Document::paint(QPainter& p, const DrawnControl& d, const Control& c) const {
  const ReportControl& rc = *c.desc;
  const QRectF box(d.x, d.y, d.width, d.height);
  const QPen pen(Qt::black, rc.pen);
  switch (rc.kind) {
    case ReportControlKind::Box:
      p.setPen(pen);
      p.setBrush(rc.fill == kColorNone ? QBrush(Qt::NoBrush) : QBrush(qtColor(rc.fill)));
      p.drawRect(box);
      return;
    case ReportControlKind::Line:
      p.setPen(pen);
      p.drawLine(QPointF(d.x, d.y), QPointF(d.x + d.width, d.y + d.height));
      return;
    case ReportControlKind::Image: {
      // As an image control of a window reads it: "\" as a separator, JPEG through libjpeg.
      const QImage img = loadPicture(d.text);
      if (!img.isNull()) {
        const QSizeF size = QSizeF(img.size()).scaled(box.size(), Qt::KeepAspectRatio);
        p.drawImage(QRectF(box.topLeft(), size), img);
        return;
      }
      // A picture that cannot be read leaves its frame with the file's name in it.
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.drawRect(box);
      p.setFont(c.font);
      p.setPen(c.color);
      p.drawText(box.adjusted(30, 30, -30, -30), Qt::AlignCenter | Qt::TextWrapAnywhere,
                 qtText(d.text));
      return;
    }
    case ReportControlKind::Check: {
      const double side = std::min<double>(d.height, 120);
      const QRectF tick(d.x, d.y + (d.height - side) / 2, side, side);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.drawRect(tick);
      if (d.text.compare(0, 3, "[X]") == 0) {
        p.drawLine(tick.topLeft(), tick.bottomRight());
        p.drawLine(tick.topRight(), tick.bottomLeft());
      }
      if (d.text.size() > 4) {
        p.setFont(c.font);
        p.setPen(c.color);
        p.drawText(box.adjusted(side + 40, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   qtText(std::string_view(d.text).substr(4)));
      }
      return;
    }
    default:
      break;
  }
  if (d.text.empty()) return;
  p.setFont(c.font);
  p.setPen(c.color);
  const int flags = rc.kind == ReportControlKind::Memo
                        ? Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap
                        : alignOf(rc.align) | Qt::AlignTop | Qt::TextSingleLine;
  p.drawText(box, flags, qtText(d.text));
}

void Document::drawPage(int page, QPainter& p) const {
  const auto drawn = layoutPage(page);
  p.save();
  const QPaintDevice* dev = p.device();
  p.scale(dev->logicalDpiX() / 1000.0, dev->logicalDpiY() / 1000.0);
  p.setRenderHint(QPainter::Antialiasing);
  for (const DrawnControl& d : drawn) paint(p, d, controlOf(d));
  p.restore();
}

bool Document::writePdf(const std::string& path, const std::vector<int>& pages) const {
  QPdfWriter pdf(qtText(path));
  pdf.setTitle(qtText(table_.title));
  pdf.setResolution(1200);
  const ReportPage& pg = table_.page;
  pdf.setPageSize(QPageSize(QSizeF(pg.width / 1000.0, pg.height / 1000.0), QPageSize::Inch));
  pdf.setPageOrientation(pg.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter p;
  if (!p.begin(&pdf)) return false;
  bool first = true;
  auto one = [&](int n) {
    if (!first) pdf.newPage();
    first = false;
    drawPage(n, p);
  };
  if (pages.empty())
    for (int n = 1; n <= pageCount(); ++n) one(n);
  else
    for (int n : pages) one(n);
  return p.end();
}

}  // namespace

std::unique_ptr<View> makeReportView(const TableContext& context, std::string_view procedure,
                                     const ReportView& v) {
  KeyedFile& file = *v.file;
  const FileDesc& desc = file.desc();
  auto view = std::make_unique<View>(file);
  const int key = *v.key ? desc.keyIndex(v.key) : -1;
  if (*v.key && key < 0) bad(procedure, "no such key", v.key);
  std::vector<OrderField> extra = parseOrderText(desc, v.appended);
  if (key >= 0) {
    view->setKeyOrder(key, std::move(extra));
  } else if (!extra.empty()) {
    view->setCompareOrder([&desc, extra](const char* a, const char* b) {
      for (const OrderField& o : extra) {
        const SqlValue x = orderTermValue(desc, o.field, a);
        const SqlValue y = orderTermValue(desc, o.field, b);
        if (x == y) continue;
        return o.descending ? y < x : x < y;
      }
      return false;
    });
  } else {
    view->setRecordOrder();
  }
  if (!v.range.empty()) {
    if (key < 0) bad(procedure, "a range needs a key:", v.range.front());
    const TableFile from = fileOf(context, procedure, v.range.front());
    std::vector<int> fields;
    for (const char* r : v.range) fields.push_back(fieldOf(procedure, *from.desc, r));
    view->setRange(rangeFromBuffer(*from.desc, from.record, std::move(fields))());
  }
  if (*v.filter) {
    Condition c = condition(context, procedure, v.filter);
    view->setFilter([c] { return (**c).test(); });
    view->setTextConditions(textConditions(**c, view->file()));
  }
  return view;
}

ProgressMeasure::ProgressMeasure(const TableContext& context, std::string_view procedure,
                                 const ReportView& v) {
  if (v.progressField) {
    const TableFile f = fileOf(context, procedure, v.progressField);
    const FieldDesc& fd =
        f.desc->fields[static_cast<std::size_t>(fieldOf(procedure, *f.desc, v.progressField))];
    if (fd.type != FieldType::String) bad(procedure, "not a text field", v.progressField);
    text_ = static_cast<const char*>(f.record) + fd.offset;
    width_ = fd.size;
  } else {
    total_ = v.file->records();
  }
}

int ProgressMeasure::percent(long read) const {
  if (!text_) return total_ > 0 ? static_cast<int>(std::min<long>(100, read * 100 / total_)) : 100;
  // The first two letters as a place between "A" and "Z".
  auto at = [&](std::size_t i) {
    const int c = i < width_ ? std::toupper(static_cast<unsigned char>(text_[i])) : 'A';
    return std::clamp(c - 'A', 0, 25);
  };
  return std::clamp((at(0) * 26 + at(1)) * 100 / (26 * 26), 0, 100);
}

std::unique_ptr<ReportDocument> readReport(const ReportTable& table,
                                           const std::function<bool(int)>& step) {
  auto doc = std::make_unique<Document>(table);
  if (!doc->read(step)) return nullptr;
  return doc;
}

void checkReport(const ReportTable& table) {
  Document doc(table);
}

std::unique_ptr<ReportDocument> ReadReport(const ReportTable& table) {
  return readReport(table, nullptr);
}

std::optional<std::vector<int>> parsePageList(std::string_view text, int pageCount) {
  std::vector<bool> chosen(static_cast<std::size_t>(std::max(pageCount, 0)) + 1, false);
  bool any = false, blank = true;
  auto number = [](std::string_view& s) -> std::optional<int> {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    int n = 0;
    std::size_t i = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
      n = std::min(n * 10 + (s[i] - '0'), 1'000'000);
    if (i == 0) return std::nullopt;
    s.remove_prefix(i);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return n;
  };
  while (!text.empty()) {
    const auto comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (clipView(part.data(), part.size()).find_first_not_of(' ') == std::string_view::npos)
      continue;
    blank = false;
    auto from = number(part);
    int to = from.value_or(1);
    if (!part.empty() && part.front() == '-') {
      part.remove_prefix(1);
      auto end = number(part);
      to = end.value_or(pageCount);
      if (!from) from = 1;
    } else if (!from) {
      return std::nullopt;
    }
    if (!part.empty() || *from < 1 || to < *from) return std::nullopt;
    for (int n = *from; n <= std::min(to, pageCount); ++n) {
      chosen[static_cast<std::size_t>(n)] = true;
      any = true;
    }
  }
  std::vector<int> pages;
  for (int n = 1; n <= pageCount; ++n)
    if (blank || chosen[static_cast<std::size_t>(n)]) pages.push_back(n);
  if (!blank && !any) return std::nullopt;
  return pages;
}

}  // namespace rt
