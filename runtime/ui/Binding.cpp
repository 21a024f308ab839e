#include "runtime/ui/Binding.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace rt {
namespace {

// Variables may sit at any offset of a packed record: read and write them byte-wise.
template <class T>
T load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Integers are stored rounded and never wrapped.
template <class T>
bool storeInteger(void* p, const Value& v) {
  const double d = std::round(numberOf(v));
  if (!std::isfinite(d) || d < static_cast<double>(std::numeric_limits<T>::min()) ||
      d > static_cast<double>(std::numeric_limits<T>::max()))
    return false;
  store(p, static_cast<T>(d));
  return true;
}

std::int32_t dayOf(const Value& v) {
  if (const auto* d = std::get_if<DateValue>(&v)) return d->day;
  return static_cast<std::int32_t>(std::lround(numberOf(v)));
}

std::int32_t timeOf(const Value& v) {
  if (const auto* t = std::get_if<TimeValue>(&v)) return t->time;
  return static_cast<std::int32_t>(std::lround(numberOf(v)));
}

}  // namespace

Binding Binding::field(FieldType type, void* address, std::size_t size) {
  switch (type) {
    case FieldType::String:
      return Binding(static_cast<char*>(address), size);
    case FieldType::Date:
      return Binding(Type::Date, address);
    case FieldType::Time:
      return Binding(Type::Time, address);
    case FieldType::Byte:
      return Binding(Type::Byte, address);
    case FieldType::Short:
      return Binding(Type::Short, address);
    case FieldType::Long:
      return Binding(Type::Long, address);
    case FieldType::Real:
      return Binding(Type::Real, address);
    case FieldType::Decimal:
      return Binding(Type::Decimal, address);
  }
  return Binding();
}

Value Binding::get() const {
  switch (type_) {
    case Type::None:
      return std::string();
    case Type::Text:
      return std::string(clipView(static_cast<const char*>(ptr_), width_));
    case Type::CText: {
      const char* p = static_cast<const char*>(ptr_);
      return std::string(p, strnlen(p, width_));
    }
    case Type::Byte:
      return static_cast<double>(load<std::uint8_t>(ptr_));
    case Type::Short:
      return static_cast<double>(load<std::int16_t>(ptr_));
    case Type::Long:
      return static_cast<double>(load<std::int32_t>(ptr_));
    case Type::Real:
      return load<double>(ptr_);
    case Type::Decimal:
      return load<rt::Decimal>(ptr_);
    case Type::Date:
      return DateValue{load<std::int32_t>(ptr_)};
    case Type::Time:
      return TimeValue{load<std::int32_t>(ptr_)};
  }
  return std::string();
}

bool Binding::set(const Value& v) const {
  switch (type_) {
    case Type::None:
      return false;
    case Type::Text: {
      const std::string t = textOf(v);
      if (whole_ && clipView(t.data(), t.size()).size() > width_) return false;
      assignPadded(static_cast<char*>(ptr_), width_, t);
      return true;
    }
    case Type::CText: {
      if (width_ == 0) return false;
      const std::string t = textOf(v);
      // Cut at the width, never inside a UTF-8 sequence, then terminate.
      std::size_t keep = std::min(t.size(), width_ - 1);
      while (keep > 0 && keep < t.size() && (static_cast<unsigned char>(t[keep]) & 0xC0) == 0x80)
        --keep;
      char* p = static_cast<char*>(ptr_);
      std::memcpy(p, t.data(), keep);
      p[keep] = '\0';
      return true;
    }
    case Type::Byte:
      return storeInteger<std::uint8_t>(ptr_, v);
    case Type::Short:
      return storeInteger<std::int16_t>(ptr_, v);
    case Type::Long:
      return storeInteger<std::int32_t>(ptr_, v);
    case Type::Real:
      store(ptr_, numberOf(v));
      return true;
    case Type::Decimal: {
      const auto d = decimalOf(v);
      if (!d) return false;
      store(ptr_, *d);
      return true;
    }
    case Type::Date:
      store(ptr_, dayOf(v));
      return true;
    case Type::Time:
      store(ptr_, timeOf(v));
      return true;
  }
  return false;
}

std::optional<double> Binding::limit() const {
  switch (type_) {
    case Type::Byte:
      return std::numeric_limits<std::uint8_t>::max();
    case Type::Short:
      return std::numeric_limits<std::int16_t>::max();
    case Type::Long:
      return std::numeric_limits<std::int32_t>::max();
    case Type::Decimal:
      return Decimal::kMax / 100.0;
    default:
      return std::nullopt;
  }
}

}  // namespace rt
