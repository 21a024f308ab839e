// Descriptions of record layouts: one table per data file drives the SQL mapping,
// the bind table of expressions, query-by-example and the generic tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rt {

enum class FieldType : std::uint8_t {
  String,   // STRING(n): n bytes, blank-padded
  Date,     // DATE: int32 day number, day 1 = 1 Jan 1800, 0 = none
  Time,     // TIME: int32 hundredths since midnight + 1, 0 = none
  Byte,     // BYTE: uint8
  Short,    // SHORT: int16
  Long,     // LONG: int32
  Real,     // REAL: IEEE double
  Decimal,  // DECIMAL(4 bytes, 2 places): rt::Decimal
};

struct FieldDesc {
  std::string name;  // prefixed name as the system spells it, e.g. "DOM:DOMAINNAME"
  FieldType type;
  std::uint32_t offset;  // byte offset in the record
  std::uint32_t size;    // bytes in the record (the width for strings)
  std::uint8_t places = 0;
};

struct KeyDesc {
  std::string name;             // e.g. "DOM:name"
  std::string description;      // shown by the key messages
  std::vector<int> components;  // indexes into FileDesc::fields, all ascending
  bool duplicates = true;       // false: unique
  int autoNumber = 0;           // 1-based component that is auto-numbered, 0 = none
  // Every key is OPT (all-blank entries left out) and NOCASE.
};

struct MemoDesc {
  std::string name;  // bound name, e.g. "DOM:Notes"
  std::uint32_t size = 0;
};

struct FileDesc {
  std::string label;     // "Domains"
  std::string prefix;    // "DOM"
  std::string diskName;  // "DOMAINS"
  std::uint32_t recordSize = 0;
  std::vector<FieldDesc> fields;
  std::vector<KeyDesc> keys;
  std::vector<MemoDesc> memos;  // zero or one in this system

  int fieldIndex(std::string_view name) const;  // case-insensitive, -1 when absent
  int keyIndex(std::string_view name) const;    // case-insensitive, -1 when absent
};

}  // namespace rt
