// A value shown or typed through a picture: what an entry, a list cell or a report field holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "runtime/text/Decimal.h"

namespace rt {

struct DateValue {
  std::int32_t day = 0;  // day number, 0 = no date
  friend bool operator==(DateValue, DateValue) = default;
};

struct TimeValue {
  std::int32_t time = 0;  // hundredths since midnight + 1, 0 = no time
  friend bool operator==(TimeValue, TimeValue) = default;
};

using Value = std::variant<std::string, double, Decimal, DateValue, TimeValue>;

// Conversions between kinds, as an assignment between variables of those types makes them.
double numberOf(const Value& v);                   // text that is not a number gives 0
std::string textOf(const Value& v);                // numbers without trailing zeros: "12.5"
std::optional<Decimal> decimalOf(const Value& v);  // nullopt when out of DECIMAL's range

}  // namespace rt
