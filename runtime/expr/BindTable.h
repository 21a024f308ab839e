// Names that filter and order expressions may use: the fields of record buffers, memos
// and program globals. A binding records where the value lives, never the value itself,
// so an expression sees whatever the buffer holds when it is evaluated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "runtime/data/Layout.h"
#include "runtime/text/Decimal.h"
#include "runtime/text/FixedString.h"

namespace rt {

struct BoundName {
  FieldType type = FieldType::String;  // String for every text: fields, memos, text globals
  const char* address = nullptr;       // stable for the life of the buffer
  std::uint32_t size = 0;              // width of a text, bytes of a number
};

class BindTable {
 public:
  // Every field of the file, over the record buffer at `record` (recordSize bytes). The
  // file's memo has a buffer of its own: bind it with bindMemo.
  // Throws std::invalid_argument when a field lies outside the record or a number
  // field's size does not match its type: such a binding would read foreign memory.
  void bindFile(const FileDesc& file, const void* record);
  // A memo or a text global: `size` bytes, blank-padded; a NUL ends the text early.
  void bindText(std::string_view name, const char* buffer, std::size_t size);
  void bindMemo(std::string_view name, const char* buffer, std::size_t size) {
    bindText(name, buffer, size);
  }
  // A number global of a record type (Date, Time, Byte, Short, Long, Real, Decimal).
  void bindNumber(std::string_view name, FieldType type, const void* address);

  template <std::size_t N>
  void bind(std::string_view name, const Str<N>& s) {
    bindText(name, s.data, N);
  }
  template <std::size_t N>
  void bind(std::string_view name, const char (&buffer)[N]) {
    bindText(name, buffer, N);
  }
  void bind(std::string_view name, const std::uint8_t& v) { bindNumber(name, FieldType::Byte, &v); }
  void bind(std::string_view name, const std::int16_t& v) {
    bindNumber(name, FieldType::Short, &v);
  }
  void bind(std::string_view name, const std::int32_t& v) { bindNumber(name, FieldType::Long, &v); }
  void bind(std::string_view name, const double& v) { bindNumber(name, FieldType::Real, &v); }
  void bind(std::string_view name, const Decimal& v) { bindNumber(name, FieldType::Decimal, &v); }

  // Case-insensitive; nullptr when the name is not bound.
  const BoundName* find(std::string_view name) const;
  // The name as it was bound (its own spelling), empty when not bound.
  std::string_view spelling(std::string_view name) const;
  std::size_t size() const { return names_.size(); }

 private:
  struct Entry {
    std::string spelling;
    BoundName binding;
  };
  void add(std::string_view name, const BoundName& b);
  std::unordered_map<std::string, Entry> names_;  // keyed by the upper-cased name
};

// The value of a number binding (a String binding reads as its text converted).
double readNumber(const BoundName& b);
// The text of a String binding: the full width, cut at a NUL.
std::string_view readText(const BoundName& b);
// A text as a number: blanks around an optional sign, digits (grouping commas allowed
// between digits of the integer part) and one decimal point; anything else counts as 0.
double textToNumber(std::string_view s);

}  // namespace rt
