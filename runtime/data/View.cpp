#include "runtime/data/View.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <utility>

#include "runtime/data/KeyedFileImpl.h"
#include "runtime/text/FixedString.h"

namespace rt {

namespace {
constexpr std::int64_t kMinRow = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMaxRow = std::numeric_limits<std::int64_t>::max();
constexpr std::size_t kMinBatch = 16;
constexpr std::size_t kMaxBatch = 512;

void upperText(SqlValue& v) {
  if (auto* s = std::get_if<std::string>(&v))
    for (char& c : *s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::int64_t roundedWithin(double v, std::int64_t lowest, std::int64_t highest) {
  if (std::isnan(v)) return 0;
  const double r = std::round(v);
  if (r <= static_cast<double>(lowest)) return lowest;
  if (r >= static_cast<double>(highest)) return highest;
  return static_cast<std::int64_t>(r);
}

template <class T>
std::int64_t roundedTo(double v) {
  return roundedWithin(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
}

bool validField(const FileDesc& desc, int field) {
  return field >= 0 && field < static_cast<int>(desc.fields.size());
}
}  // namespace

SqlValue orderTermValue(const FileDesc& desc, int field, const void* record) {
  return sql::termValue(desc, field, static_cast<const char*>(record));
}

SqlValue seekValue(const FieldDesc& f, const Value& typed) {
  switch (f.type) {
    case FieldType::String: {
      std::string cut(f.size, ' ');
      assignPadded(cut.data(), f.size, textOf(typed));
      SqlValue v = std::string(clipView(cut.data(), f.size));
      upperText(v);
      return v;
    }
    case FieldType::Real:
      return numberOf(typed);
    case FieldType::Decimal:
      if (const auto d = decimalOf(typed)) return std::int64_t{d->hundredths};
      return roundedWithin(numberOf(typed) * 100, -Decimal::kMax, Decimal::kMax);
    case FieldType::Date:
      if (const auto* d = std::get_if<DateValue>(&typed)) return std::int64_t{d->day};
      return roundedTo<std::int32_t>(numberOf(typed));
    case FieldType::Time:
      if (const auto* t = std::get_if<TimeValue>(&typed)) return std::int64_t{t->time};
      return roundedTo<std::int32_t>(numberOf(typed));
    case FieldType::Byte:
      return roundedTo<std::uint8_t>(numberOf(typed));
    case FieldType::Short:
      return roundedTo<std::int16_t>(numberOf(typed));
    case FieldType::Long:
      return roundedTo<std::int32_t>(numberOf(typed));
  }
  return std::int64_t{0};
}

struct View::Impl {
  enum class Kind { Record, Key, Compare };
  Kind kind = Kind::Record;
  int key = -1;
  std::vector<OrderField> extra;
  Compare compare;
  std::vector<SqlValue> range;
  Filter filter;
  std::string conditions;  // SQL of the text conditions, ANDed
  ErrorState readError;

  // The sorted rows of a comparator order, read once per file generation.
  bool sorted = false;
  std::uint64_t sortedGen = 0;
  std::uint64_t sortedSerial = 0;
  std::vector<RecordImage> rows;
  std::unordered_map<std::int64_t, std::size_t> indexOf;

  void reset() {
    sorted = false;
    rows.clear();
    indexOf.clear();
  }
};

View::View(KeyedFile& file) : file_(file), impl_(std::make_unique<Impl>()) {}
View::~View() = default;

void View::setRecordOrder() {
  impl_->kind = Impl::Kind::Record;
  impl_->key = -1;
  impl_->extra.clear();
  impl_->range.clear();
  impl_->reset();
}

void View::setKeyOrder(int key, std::vector<OrderField> extra) {
  if (key < 0 || key >= static_cast<int>(file_.desc().keys.size())) return setRecordOrder();
  impl_->kind = Impl::Kind::Key;
  impl_->key = key;
  impl_->extra = std::move(extra);
  impl_->range.clear();
  impl_->reset();
}

void View::setCompareOrder(Compare compare) {
  impl_->kind = Impl::Kind::Compare;
  impl_->compare = std::move(compare);
  impl_->reset();
}

void View::setRange(std::vector<SqlValue> values) {
  if (impl_->kind == Impl::Kind::Key)
    values.resize(std::min(values.size(), file_.desc().keys[impl_->key].components.size()));
  for (auto& v : values) upperText(v);
  impl_->range = std::move(values);
  impl_->reset();
}

void View::setRangeFromBuffer(int components) {
  if (impl_->kind != Impl::Kind::Key) return;
  auto values = file_.keyValue(impl_->key);
  values.resize(std::min<std::size_t>(values.size(), std::max(components, 0)));
  setRange(std::move(values));
}

void View::clearRange() {
  impl_->range.clear();
  impl_->reset();
}

void View::setFilter(Filter filter) {
  impl_->filter = std::move(filter);
  impl_->reset();
}

void View::setTextConditions(std::vector<TextCondition> conditions) {
  const FileDesc& desc = file_.desc();
  std::string sqlText;
  for (const TextCondition& c : conditions) {
    if (!validField(desc, c.field) || desc.fields[c.field].type != FieldType::String) continue;
    // Stored clipped: a text's trailing blanks may lie in the padding.
    std::string_view text = c.text;
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty() || text.find('\0') != text.npos) continue;
    // Byte for byte, as the filter compares; upper() folds ASCII only, as UPPER does.
    const std::string& column = file_.impl_->schema.columns[static_cast<std::size_t>(c.field)];
    const std::string stored =
        "CAST(" + (c.folded ? "upper(" + column + ")" : column) + " AS BLOB)";
    std::string literal = "CAST('";
    for (char ch : text) literal += ch == '\'' ? std::string("''") : std::string(1, ch);
    literal += "' AS BLOB)";
    if (!sqlText.empty()) sqlText += " AND ";
    sqlText += c.prefix
                   ? "substr(" + stored + ", 1, " + std::to_string(text.size()) + ") = " + literal
                   : "instr(" + stored + ", " + literal + ") > 0";
  }
  impl_->conditions = std::move(sqlText);
  impl_->reset();
}

namespace {

struct Reader {
  KeyedFile& file;
  KeyedFile::Impl& fi;
  View::Impl& v;

  sql::Ordering ordering() const {
    sql::Ordering o = keyOrdering();
    if (!v.conditions.empty())
      o.condition = o.condition.empty() ? v.conditions : o.condition + " AND " + v.conditions;
    return o;
  }

  sql::Ordering keyOrdering() const {
    sql::Ordering o;
    if (v.kind != View::Impl::Kind::Key) return o;
    o = fi.ordering(v.key);
    for (const auto& e : v.extra)
      if (validField(file.desc(), e.field))
        o.terms.push_back({fi.schema.term(file.desc(), e.field), e.descending});
    o.fixed = static_cast<int>(v.range.size());
    return o;
  }

  bool passes(const RecordImage& row) {
    if (!fi.unlisted.empty() && file.unlisted(row.rowid)) return false;
    if (!v.filter) return true;
    fi.load(row);
    return v.filter();
  }

  // Rows strictly beyond (values, rowid) in the direction, filtered, at most n.
  std::vector<RecordImage> read(bool forward, const std::vector<SqlValue>* values,
                                std::int64_t rowid, std::size_t n) {
    std::vector<RecordImage> out;
    if (n == 0) return out;
    if (!fi.db) {
      // Kept like any failed read: an empty page would pass for an empty file.
      fi.fail(ErrorCode::NotOpen, "file not open");
      if (v.readError.code == ErrorCode::NoError) v.readError = errors();
      return out;
    }
    const auto order = ordering();
    std::vector<SqlValue> anchor;
    if (values) anchor = *values;
    bool bounded = values != nullptr;
    std::size_t batchSize = std::clamp(n, kMinBatch, kMaxBatch);
    std::vector<RecordImage> batch;
    for (;;) {
      batch.clear();
      const int rc =
          sql::seek(fi.statementFor(), fi.schema, order, forward, bounded ? &anchor : nullptr,
                    rowid, v.range, static_cast<std::int64_t>(batchSize), file.desc(), batch);
      if (rc != SQLITE_OK) {
        fi.failSql(rc, ErrorCode::FileSystemError, "view cannot be read");
        if (v.readError.code == ErrorCode::NoError) v.readError = errors();
        return out;
      }
      const bool more = batch.size() == batchSize;
      if (more) {
        anchor = batch.back().order;  // before the rows are moved out
        rowid = batch.back().rowid;
        bounded = true;
      }
      for (auto& row : batch) {
        if (passes(row)) {
          out.push_back(std::move(row));
          if (out.size() == n) return out;
        }
      }
      if (!more) return out;
      batchSize = std::min(batchSize * 2, kMaxBatch);
    }
  }

  void sortAll() {
    if (v.sorted && v.sortedGen == fi.gen && v.sortedSerial == fi.serial) return;
    v.rows.clear();
    v.indexOf.clear();
    const auto saveKind = v.kind;
    v.kind = View::Impl::Kind::Record;
    for (std::vector<RecordImage> page = read(true, nullptr, kMinRow, kMaxBatch);;) {
      const std::size_t got = page.size();
      if (got == 0) break;
      const std::int64_t last = page.back().rowid;
      for (auto& r : page) v.rows.push_back(std::move(r));
      page = read(true, &v.rows.back().order, last, kMaxBatch);
    }
    v.kind = saveKind;
    std::stable_sort(v.rows.begin(), v.rows.end(), [&](const RecordImage& a, const RecordImage& b) {
      return v.compare(a.record.data(), b.record.data());
    });
    for (std::size_t i = 0; i < v.rows.size(); ++i) v.indexOf[v.rows[i].rowid] = i;
    v.sorted = true;
    v.sortedGen = fi.gen;
    v.sortedSerial = fi.serial;
  }

  std::vector<RecordImage> slice(std::size_t from, std::size_t to) {
    to = std::min(to, v.rows.size());
    if (from >= to) return {};
    return {v.rows.begin() + static_cast<std::ptrdiff_t>(from),
            v.rows.begin() + static_cast<std::ptrdiff_t>(to)};
  }
};

}  // namespace

std::vector<RecordImage> View::first(std::size_t n) {
  Reader r{file_, *file_.impl_, *impl_};
  if (impl_->kind == Impl::Kind::Compare) {
    r.sortAll();
    return r.slice(0, n);
  }
  return r.read(true, nullptr, kMinRow, n);
}

std::vector<RecordImage> View::last(std::size_t n) {
  Reader r{file_, *file_.impl_, *impl_};
  if (impl_->kind == Impl::Kind::Compare) {
    r.sortAll();
    const std::size_t total = impl_->rows.size();
    return r.slice(total > n ? total - n : 0, total);
  }
  auto rows = r.read(false, nullptr, kMaxRow, n);
  std::reverse(rows.begin(), rows.end());
  return rows;
}

std::vector<RecordImage> View::after(const RecordImage& row, std::size_t n) {
  Reader r{file_, *file_.impl_, *impl_};
  if (impl_->kind == Impl::Kind::Compare) {
    r.sortAll();
    auto it = impl_->indexOf.find(row.rowid);
    return it == impl_->indexOf.end() ? std::vector<RecordImage>{}
                                      : r.slice(it->second + 1, it->second + 1 + n);
  }
  return r.read(true, &row.order, row.rowid, n);
}

std::vector<RecordImage> View::before(const RecordImage& row, std::size_t n) {
  Reader r{file_, *file_.impl_, *impl_};
  if (impl_->kind == Impl::Kind::Compare) {
    r.sortAll();
    auto it = impl_->indexOf.find(row.rowid);
    if (it == impl_->indexOf.end()) return {};
    return r.slice(it->second > n ? it->second - n : 0, it->second);
  }
  auto rows = r.read(false, &row.order, row.rowid, n);
  std::reverse(rows.begin(), rows.end());
  return rows;
}

std::vector<RecordImage> View::atOrAfterBuffer(std::size_t n) {
  Reader r{file_, *file_.impl_, *impl_};
  switch (impl_->kind) {
    case Impl::Kind::Key: {
      auto values = file_.keyValue(impl_->key);
      return r.read(true, &values, kMinRow, n);
    }
    case Impl::Kind::Record:
      return r.read(true, nullptr, file_.position() - 1, n);
    case Impl::Kind::Compare: {
      r.sortAll();
      auto it = impl_->indexOf.find(file_.position());
      const std::size_t from = it == impl_->indexOf.end() ? 0 : it->second;
      return r.slice(from, from + n);
    }
  }
  return {};
}

std::vector<SqlValue> View::anchorOf(const void* record) const {
  std::vector<SqlValue> out;
  if (impl_->kind != Impl::Kind::Key) return out;
  const FileDesc& d = file_.desc();
  for (int f : d.keys[static_cast<std::size_t>(impl_->key)].components)
    out.push_back(orderTermValue(d, f, record));
  for (const OrderField& e : impl_->extra)
    if (validField(d, e.field)) out.push_back(orderTermValue(d, e.field, record));
  return out;
}

std::vector<SqlValue> View::seekAnchor(int field, const Value& typed) const {
  std::vector<SqlValue> out = impl_->range;
  if (impl_->kind != Impl::Kind::Key || !validField(file_.desc(), field)) return out;
  const FileDesc& d = file_.desc();
  const auto& comps = d.keys[static_cast<std::size_t>(impl_->key)].components;
  for (std::size_t c = out.size(); c < comps.size(); ++c) {
    if (comps[c] == field) {
      out.push_back(seekValue(d.fields[static_cast<std::size_t>(field)], typed));
      break;
    }
    out.push_back(orderTermValue(d, comps[c], file_.record()));
  }
  return out;
}

void View::load(const RecordImage& row) const {
  file_.impl_->load(row);
}

ErrorState View::takeReadError() {
  return std::exchange(impl_->readError, ErrorState{});
}

std::vector<std::string> View::querySql() const {
  Reader r{file_, *file_.impl_, *impl_};
  const auto order = r.ordering();
  return sql::allSeekSql(file_.impl_->schema, order);
}

}  // namespace rt
