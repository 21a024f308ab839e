#include "runtime/ui/BrowseModel.h"

#include <QColor>
#include <QIcon>
#include <cstring>
#include <optional>

#include "runtime/text/FixedString.h"
#include "runtime/ui/QtText.h"

namespace rt {

namespace {

template <class T>
T loadAs(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::string trimmed(std::string s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

QColor colourOf(long bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

Qt::Alignment alignmentOf(char a) {
  switch (a) {
    case 'R':
    case 'D':
      return Qt::AlignRight | Qt::AlignVCenter;
    case 'C':
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

}  // namespace

Value recordFieldValue(const FieldDesc& f, const char* record) {
  const char* p = record + f.offset;
  switch (f.type) {
    case FieldType::String:
      return std::string(clipView(p, f.size));
    case FieldType::Date:
      return DateValue{loadAs<std::int32_t>(p)};
    case FieldType::Time:
      return TimeValue{loadAs<std::int32_t>(p)};
    case FieldType::Byte:
      return static_cast<double>(loadAs<std::uint8_t>(p));
    case FieldType::Short:
      return static_cast<double>(loadAs<std::int16_t>(p));
    case FieldType::Long:
      return static_cast<double>(loadAs<std::int32_t>(p));
    case FieldType::Real:
      return loadAs<double>(p);
    case FieldType::Decimal:
      return loadAs<Decimal>(p);
  }
  return std::string();
}

BrowseModel::BrowseModel(View& view, KeyedFile& file, QObject* parent)
    : QAbstractTableModel(parent), view_(view), file_(file), desc_(file.desc()) {}

namespace {

// Filters and the row hook judge rows in the record buffer; whoever reads the list (the
// window's thread, or the list itself while it scrolls) finds the buffer as it left it.
class KeepBuffer {
 public:
  explicit KeepBuffer(KeyedFile& f) : f_(f) {
    record_.assign(static_cast<const char*>(f.record()), f.desc().recordSize);
    for (std::size_t m = 0; m < f.memoBuffers().size() && m < f.desc().memos.size(); ++m)
      memos_.emplace_back(f.memoBuffers()[m], f.desc().memos[m].size);
  }
  ~KeepBuffer() {
    std::memcpy(f_.record(), record_.data(), record_.size());
    for (std::size_t m = 0; m < memos_.size(); ++m)
      std::memcpy(f_.memoBuffers()[m], memos_[m].data(), memos_[m].size());
  }
  KeepBuffer(const KeepBuffer&) = delete;
  KeepBuffer& operator=(const KeepBuffer&) = delete;

 private:
  KeyedFile& f_;
  std::string record_;
  std::vector<std::string> memos_;
};

}  // namespace

void BrowseModel::setFormat(const ColumnFormat& format) {
  const bool sameColumns = format.size() == format_.size();
  if (!sameColumns) beginResetModel();
  format_ = format;
  pictures_.clear();
  for (const ColumnSpec& c : format_.columns()) pictures_.emplace_back(c.picture);
  if (!sameColumns) {
    endResetModel();
  } else {
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(format_.size()) - 1);
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  }
}

void BrowseModel::setFields(std::vector<int> fields) {
  fields_ = std::move(fields);
  if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

BrowseModel::Row BrowseModel::makeRow(RecordImage&& img) {
  Row r{std::move(img), {}};
  if (hook_) {
    r.look.icons.resize(format_.size());
    view_.load(r.image);
    hook_(r.look);
  }
  return r;
}

void BrowseModel::finishRead() {
  if (afterRead_) afterRead_();
}

void BrowseModel::replace(std::vector<RecordImage> rows) {
  beginResetModel();
  rows_.clear();
  rowsRead_ += rows.size();
  for (auto& img : rows) rows_.push_back(makeRow(std::move(img)));
  endResetModel();
}

void BrowseModel::clear() {
  beginResetModel();
  rows_.clear();
  moreBefore_ = moreAfter_ = false;
  endResetModel();
}

int BrowseModel::showFirst() {
  {
    KeepBuffer keep(file_);
    auto rows = view_.first(static_cast<std::size_t>(page_));
    moreBefore_ = false;
    moreAfter_ = rows.size() == static_cast<std::size_t>(page_);
    replace(std::move(rows));
  }
  finishRead();
  return rows_.empty() ? -1 : 0;
}

int BrowseModel::showLast() {
  {
    KeepBuffer keep(file_);
    auto rows = view_.last(static_cast<std::size_t>(page_));
    moreAfter_ = false;
    moreBefore_ = rows.size() == static_cast<std::size_t>(page_);
    replace(std::move(rows));
  }
  finishRead();
  return rows_.empty() ? -1 : rowCount() - 1;
}

int BrowseModel::showAt(std::vector<SqlValue> anchor, std::int64_t rowid) {
  int target = -1;
  {
    KeepBuffer keep(file_);
    RecordImage from;
    from.rowid = rowid;
    from.order = std::move(anchor);
    auto rows = view_.after(from, static_cast<std::size_t>(page_));
    if (!rows.empty()) {
      const bool more = rows.size() == static_cast<std::size_t>(page_);
      // Some rows above the target, so it does not sit on the list's first line.
      const std::size_t above = static_cast<std::size_t>(page_ / 2);
      auto before = view_.before(rows.front(), above);
      moreBefore_ = before.size() == above;
      moreAfter_ = more;
      target = static_cast<int>(before.size());
      for (auto& r : rows) before.push_back(std::move(r));
      replace(std::move(before));
    }
  }
  if (target < 0) return showLast();
  finishRead();
  return target;
}

int BrowseModel::fetchAfter() {
  if (!moreAfter_ || rows_.empty()) return 0;
  std::optional<KeepBuffer> keep(std::in_place, file_);
  auto rows = view_.after(rows_.back().image, static_cast<std::size_t>(page_));
  moreAfter_ = rows.size() == static_cast<std::size_t>(page_);
  rowsRead_ += rows.size();
  if (!rows.empty()) {
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (auto& img : rows) rows_.push_back(makeRow(std::move(img)));
    endInsertRows();
    trimTop();
  }
  keep.reset();
  finishRead();
  return static_cast<int>(rows.size());
}

int BrowseModel::fetchBefore() {
  if (!moreBefore_ || rows_.empty()) return 0;
  std::optional<KeepBuffer> keep(std::in_place, file_);
  auto rows = view_.before(rows_.front().image, static_cast<std::size_t>(page_));
  moreBefore_ = rows.size() == static_cast<std::size_t>(page_);
  rowsRead_ += rows.size();
  const int n = static_cast<int>(rows.size());
  if (n > 0) {
    beginInsertRows({}, 0, n - 1);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
      rows_.push_front(makeRow(std::move(*it)));
    endInsertRows();
    if (topShift_) topShift_(n);
    trimBottom();
  }
  keep.reset();
  finishRead();
  return n;
}

void BrowseModel::trimTop() {
  const int excess = rowCount() - maxRows_;
  if (excess <= 0) return;
  beginRemoveRows({}, 0, excess - 1);
  rows_.erase(rows_.begin(), rows_.begin() + excess);
  endRemoveRows();
  moreBefore_ = true;
  if (topShift_) topShift_(-excess);
}

void BrowseModel::trimBottom() {
  const int excess = rowCount() - maxRows_;
  if (excess <= 0) return;
  beginRemoveRows({}, rowCount() - excess, rowCount() - 1);
  rows_.erase(rows_.end() - excess, rows_.end());
  endRemoveRows();
  moreAfter_ = true;
}

const RecordImage* BrowseModel::row(int i) const {
  if (i < 0 || i >= rowCount()) return nullptr;
  return &rows_[static_cast<std::size_t>(i)].image;
}

int BrowseModel::rowOf(std::int64_t rowid) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].image.rowid == rowid) return static_cast<int>(i);
  return -1;
}

int BrowseModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BrowseModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(format_.size());
}

std::string BrowseModel::cellText(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
  const std::size_t c = static_cast<std::size_t>(column);
  if (c >= fields_.size() || fields_[c] < 0 || fields_[c] >= static_cast<int>(desc_.fields.size()))
    return {};
  const Value v = recordFieldValue(desc_.fields[static_cast<std::size_t>(fields_[c])],
                                   rows_[static_cast<std::size_t>(row)].image.record.data());
  return trimmed(pictures_[c].format(v));
}

QVariant BrowseModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const Row& r = rows_[static_cast<std::size_t>(index.row())];
  const std::size_t c = static_cast<std::size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return qtText(cellText(index.row(), index.column()));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(alignmentOf(format_.column(c).align));
    case Qt::DecorationRole:
      if (c < r.look.icons.size() && !r.look.icons[c].empty())
        return QIcon(qtText(":/" + r.look.icons[c]));
      return {};
    case Qt::ForegroundRole:
      return r.look.fontColor >= 0 ? QVariant(colourOf(r.look.fontColor)) : QVariant();
    case Qt::BackgroundRole:
      return r.look.fillColor >= 0 ? QVariant(colourOf(r.look.fillColor)) : QVariant();
    default:
      return {};
  }
}

QVariant BrowseModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const ColumnSpec& c = format_.column(static_cast<std::size_t>(section));
  if (role == Qt::DisplayRole) return qtText(c.header);
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(alignmentOf(c.headerAlign ? c.headerAlign : c.align));
  return {};
}

bool BrowseModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && moreAfter_;
}

void BrowseModel::fetchMore(const QModelIndex& parent) {
  if (!parent.isValid()) fetchAfter();
}

}  // namespace rt
