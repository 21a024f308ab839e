// The rows of a list: a window of a view's rows, read a page at a time by keyset and
// widened at either end as the user scrolls, so a file of any size opens at once. The
// window never holds more than maxRows rows; rows beyond it are read again when needed.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "runtime/data/View.h"
#include "runtime/text/Picture.h"
#include "runtime/text/Value.h"
#include "runtime/ui/ColumnFormat.h"

namespace rt {

// A field of a record image as a picture shows it.
Value recordFieldValue(const FieldDesc& f, const char* record);

// What the row hook may change about a row as it is read (icons per column, colours).
struct RowLook {
  std::vector<std::string> icons;  // one per column; empty: none
  long fontColor = -1;             // 0BBGGRRh, -1 the default
  long fillColor = -1;
};

class BrowseModel : public QAbstractTableModel {
 public:
  // view reads file; the file's record buffer is left as it was by every read.
  BrowseModel(View& view, KeyedFile& file, QObject* parent = nullptr);

  // Columns from the format; fields[i] is the field index shown in column i (-1: none).
  void setFormat(const ColumnFormat& format);
  void setFields(std::vector<int> fields);
  const ColumnFormat& format() const { return format_; }
  void setPageSize(int rows) { page_ = rows < 4 ? 4 : rows; }
  void setMaxRows(int rows) { maxRows_ = rows < 3 * page_ ? 3 * page_ : rows; }
  int pageSize() const { return page_; }
  // Runs on each row read, with the row loaded in the record buffer.
  void setRowHook(std::function<void(RowLook&)> hook) { hook_ = std::move(hook); }
  // Runs after every read from the view, once the record buffer is back as it was.
  void setAfterRead(std::function<void()> f) { afterRead_ = std::move(f); }
  // Runs when rows at the top are dropped or added, with their count (negative: dropped),
  // so the list can keep its scroll position.
  void setTopShift(std::function<void(int)> f) { topShift_ = std::move(f); }

  // The window starts over; each returns the row to highlight (-1: the view is empty).
  int showFirst();
  int showLast();
  // The first row at or after the order values (a shorter anchor leaves the rest open),
  // the last row when none is; rowid tells rows with equal values apart.
  int showAt(std::vector<SqlValue> anchor, std::int64_t rowid);
  void clear();

  bool moreBefore() const { return moreBefore_; }
  bool moreAfter() const { return moreAfter_; }
  int fetchBefore();  // rows added at the top
  int fetchAfter();   // rows added at the bottom

  const RecordImage* row(int i) const;
  int rowOf(std::int64_t rowid) const;  // -1 when not in the window
  std::size_t rowsRead() const { return rowsRead_; }

  // QAbstractTableModel
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  std::string cellText(int row, int column) const;

 private:
  struct Row {
    RecordImage image;
    RowLook look;
  };
  Row makeRow(RecordImage&& img);
  void replace(std::vector<RecordImage> rows);
  void trimTop();
  void trimBottom();
  void finishRead();

  View& view_;
  KeyedFile& file_;
  const FileDesc& desc_;
  ColumnFormat format_;
  std::vector<Picture> pictures_;
  std::vector<int> fields_;
  std::deque<Row> rows_;
  std::function<void(RowLook&)> hook_;
  std::function<void()> afterRead_;
  std::function<void(int)> topShift_;
  int page_ = 64;
  int maxRows_ = 1024;
  bool moreBefore_ = false;
  bool moreAfter_ = false;
  std::size_t rowsRead_ = 0;
};

}  // namespace rt
