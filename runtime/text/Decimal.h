// DECIMAL(7,2): an exact count of hundredths, packed into a record's 4 bytes.
#pragma once

#include <cstdint>
#include <optional>

namespace rt {

struct Decimal {
  static constexpr std::int32_t kMax = 9'999'999;  // +/-99,999.99

  std::int32_t hundredths = 0;

  static constexpr bool fits(std::int64_t h) { return h >= -kMax && h <= kMax; }
  // Nothing is stored wrapped: a value outside the range gives nullopt.
  static constexpr std::optional<Decimal> fromHundredths(std::int64_t h) {
    if (!fits(h)) return std::nullopt;
    return Decimal{static_cast<std::int32_t>(h)};
  }
  double toDouble() const { return hundredths / 100.0; }
  friend constexpr bool operator==(Decimal a, Decimal b) { return a.hundredths == b.hundredths; }
  friend constexpr auto operator<=>(Decimal a, Decimal b) { return a.hundredths <=> b.hundredths; }
};
static_assert(sizeof(Decimal) == 4);

}  // namespace rt
