// A view: a keyed file in an order, with an optional range and filter, read a page at a time
// through keyset positions so that a list over a million records opens at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/data/KeyedFile.h"

namespace rt {

struct OrderField {
  int field = -1;  // index into FileDesc::fields
  bool descending = false;
};

class View {
 public:
  using Filter = std::function<bool()>;  // judges the row loaded into the record buffer
  // Orders two record images (recordSize bytes each): true when a comes before b.
  using Compare = std::function<bool(const char* a, const char* b)>;

  explicit View(KeyedFile& file);
  ~View();
  KeyedFile& file() const { return file_; }

  void setRecordOrder();
  void setKeyOrder(int key, std::vector<OrderField> extra = {});
  // An order expression: the rows that pass the range and filter are read once, sorted with
  // the comparator (ties in record order) and then paged from memory.
  void setCompareOrder(Compare compare);

  // Fixes the first values.size() components of the order's key (needs a key order).
  void setRange(std::vector<SqlValue> values);
  // Fixes the first n key components to their values in the record buffer now.
  void setRangeFromBuffer(int components);
  void clearRange();
  void setFilter(Filter filter);

  // Pages in view order. With a filter, the record buffer holds the last row it judged.
  std::vector<RecordImage> first(std::size_t n);
  std::vector<RecordImage> last(std::size_t n);
  std::vector<RecordImage> after(const RecordImage& row, std::size_t n);
  std::vector<RecordImage> before(const RecordImage& row, std::size_t n);
  // Rows at or after the key value in the record buffer (key orders), or the rowid
  // position (record order).
  std::vector<RecordImage> atOrAfterBuffer(std::size_t n);

  // Loads a row back into the record and memo buffers.
  void load(const RecordImage& row) const;

  // The SQL of the queries a page read runs (for EXPLAIN QUERY PLAN checks).
  std::vector<std::string> querySql() const;

  struct Impl;

 private:
  KeyedFile& file_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace rt
