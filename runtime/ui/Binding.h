// A control's variable: a fixed-width string, a number, a decimal or a date/time held
// somewhere in a record buffer or a global. The window reads it for DisplayControls and
// writes it for UpdateItemValues.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "runtime/data/Layout.h"
#include "runtime/text/Decimal.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/Value.h"

namespace rt {

class Binding {
 public:
  enum class Type { None, Text, CText, Byte, Short, Long, Real, Decimal, Date, Time };

  Binding() = default;
  template <std::size_t N>
  Binding(Str<N>& s) : type_(Type::Text), ptr_(s.data), width_(N) {}
  Binding(char* text, std::size_t width, bool zeroTerminated = false)
      : type_(zeroTerminated ? Type::CText : Type::Text), ptr_(text), width_(width) {}
  Binding(std::uint8_t& v) : type_(Type::Byte), ptr_(&v) {}
  Binding(std::int16_t& v) : type_(Type::Short), ptr_(&v) {}
  Binding(std::int32_t& v) : type_(Type::Long), ptr_(&v) {}
  Binding(double& v) : type_(Type::Real), ptr_(&v) {}
  Binding(rt::Decimal& v) : type_(Type::Decimal), ptr_(&v) {}
  static Binding date(std::int32_t& day) { return Binding(Type::Date, &day); }
  static Binding time(std::int32_t& t) { return Binding(Type::Time, &t); }
  // A field of a record buffer described by its layout. Packed records put numbers at any
  // offset, so no typed reference to them is ever formed: values are copied byte-wise.
  static Binding field(FieldType type, void* address, std::size_t size);

  // A text longer than its width is refused rather than cut (where a cut one would mislead,
  // as a path naming another file).
  Binding refusingLonger() const {
    Binding b = *this;
    b.whole_ = true;
    return b;
  }
  // The most characters a refusing text takes; nothing when it cuts.
  std::optional<std::size_t> textLimit() const {
    if (whole_ && type_ == Type::Text) return width_;
    return std::nullopt;
  }

  Type type() const { return type_; }
  bool bound() const { return type_ != Type::None; }
  void* address() const { return ptr_; }

  Value get() const;
  // Stores v converted to the variable's type. False (and nothing stored) when the value
  // does not fit, such as a decimal out of range.
  bool set(const Value& v) const;
  // The largest number the variable holds; nothing for text, REAL, dates and times.
  std::optional<double> limit() const;

 private:
  Binding(Type t, void* p) : type_(t), ptr_(p) {}
  Type type_ = Type::None;
  void* ptr_ = nullptr;
  std::size_t width_ = 0;
  bool whole_ = false;
};

}  // namespace rt
