#include "runtime/expr/BindTable.h"

#include <charconv>
#include <cstring>
#include <stdexcept>

namespace rt {

namespace {

std::string upperName(std::string_view name) {
  std::string key(name);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}

// Bytes a number of each type takes in a record; 0 for texts (any width).
constexpr std::uint32_t kNumberSize[] = {
    0,  // String
    4,  // Date
    4,  // Time
    1,  // Byte
    2,  // Short
    4,  // Long
    8,  // Real
    4,  // Decimal
};

std::uint32_t numberSize(FieldType t) {
  return kNumberSize[static_cast<std::size_t>(t)];
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

template <class T>
T load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

void BindTable::add(std::string_view name, const BoundName& b) {
  if (name.empty()) throw std::invalid_argument("bind: empty name");
  if (b.address == nullptr)
    throw std::invalid_argument("bind: no address for " + std::string(name));
  names_[upperName(name)] = Entry{std::string(name), b};
}

void BindTable::bindFile(const FileDesc& file, const void* record) {
  const char* base = static_cast<const char*>(record);
  for (const FieldDesc& f : file.fields) {
    const std::uint32_t want = numberSize(f.type);
    if ((want != 0 && f.size != want) || (want == 0 && f.size == 0))
      throw std::invalid_argument("bind: field " + f.name + " has a wrong size");
    if (file.recordSize != 0 && std::uint64_t{f.offset} + f.size > file.recordSize)
      throw std::invalid_argument("bind: field " + f.name + " lies outside the record");
    add(f.name, BoundName{f.type, base + f.offset, f.size});
  }
}

void BindTable::bindText(std::string_view name, const char* buffer, std::size_t size) {
  add(name, BoundName{FieldType::String, buffer, static_cast<std::uint32_t>(size)});
}

void BindTable::bindNumber(std::string_view name, FieldType type, const void* address) {
  if (type == FieldType::String) throw std::invalid_argument("bind: a text is not a number");
  add(name, BoundName{type, static_cast<const char*>(address), numberSize(type)});
}

const BoundName* BindTable::find(std::string_view name) const {
  auto it = names_.find(upperName(name));
  return it == names_.end() ? nullptr : &it->second.binding;
}

std::string_view BindTable::spelling(std::string_view name) const {
  auto it = names_.find(upperName(name));
  return it == names_.end() ? std::string_view{} : std::string_view{it->second.spelling};
}

std::string_view readText(const BoundName& b) {
  const void* nul = std::memchr(b.address, '\0', b.size);
  const std::size_t n = nul ? static_cast<const char*>(nul) - b.address : b.size;
  return {b.address, n};
}

double readNumber(const BoundName& b) {
  switch (b.type) {
    case FieldType::String:
      return textToNumber(readText(b));
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Long:
      return load<std::int32_t>(b.address);
    case FieldType::Byte:
      return load<std::uint8_t>(b.address);
    case FieldType::Short:
      return load<std::int16_t>(b.address);
    case FieldType::Real:
      return load<double>(b.address);
    case FieldType::Decimal:
      return load<std::int32_t>(b.address) / 100.0;
  }
  return 0;
}

double textToNumber(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  // The digits without grouping commas, checked by hand: from_chars alone would also take
  // "inf", "nan" and exponents. A comma only stands between two digits of the integer part.
  char small[64];
  std::string large;
  char* out = small;
  if (s.size() > sizeof small) {
    large.resize(s.size());
    out = large.data();
  }
  std::size_t n = 0;
  bool digit = false, point = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      digit = true;
      out[n++] = c;
    } else if (c == '.' && !point) {
      point = true;
      out[n++] = c;
    } else if (c != ',' || point || i == 0 || i + 1 >= s.size() || !isDigit(s[i - 1]) ||
               !isDigit(s[i + 1])) {
      return 0;
    }
  }
  if (!digit) return 0;
  double v = 0;
  const auto r = std::from_chars(out, out + n, v, std::chars_format::fixed);
  if (r.ec != std::errc{} || r.ptr != out + n) return 0;
  return negative ? -v : v;
}

}  // namespace rt
