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
#include "runtime/text/Value.h"

namespace rt {

// What a field of a record buffer contributes to a key or an order, folded as the keys fold
// it: clipped upper-cased text, DECIMAL in hundredths, dates as day numbers, numbers.
SqlValue orderTermValue(const FileDesc& desc, int field, const void* record);
// A typed value folded as it would be once assigned to the field (text cut at the width,
// numbers rounded); a value beyond the field's range seeks its end.
SqlValue seekValue(const FieldDesc& field, const Value& typed);

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
  // What every row the filter accepts holds, tested by SQLite before a row is read: a text
  // field (upper-cased when `folded`) holds `text` (at its start when `prefix`). It only
  // spares reading rows the filter would refuse; the filter still judges each row.
  struct TextCondition {
    int field = -1;  // index into FileDesc::fields, a text field
    bool folded = false;
    bool prefix = false;
    std::string text;
  };
  void setTextConditions(std::vector<TextCondition> conditions);

  // Pages in view order. With a filter, the record buffer holds the last row it judged.
  std::vector<RecordImage> first(std::size_t n);
  std::vector<RecordImage> last(std::size_t n);
  std::vector<RecordImage> after(const RecordImage& row, std::size_t n);
  std::vector<RecordImage> before(const RecordImage& row, std::size_t n);
  // Rows at or after the key value in the record buffer (key orders), or the rowid
  // position (record order).
  std::vector<RecordImage> atOrAfterBuffer(std::size_t n);

  // The keyset position of a record in the view's order: its order terms (none for record
  // and comparator orders).
  std::vector<SqlValue> anchorOf(const void* record) const;
  // Where a locator seeks a typed value of a key field: the range, the buffer's key
  // components before that field, then the typed value.
  std::vector<SqlValue> seekAnchor(int field, const Value& typed) const;

  // Loads a row back into the record and memo buffers.
  void load(const RecordImage& row) const;

  // The first failed read since the last call; code NoError when every read worked. A
  // failed read gives fewer rows (or none), so a list can tell a damaged file from an
  // empty one.
  ErrorState takeReadError();

  // The SQL of the queries a page read runs (for EXPLAIN QUERY PLAN checks).
  std::vector<std::string> querySql() const;

  struct Impl;

 private:
  KeyedFile& file_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace rt
