// DECIMAL(7,2): an exact count of hundredths, packed into a record's 4 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rt {

// Byte-aligned, so that it can stand at any offset of a packed record.
#pragma pack(push, 1)
struct Decimal {
  static constexpr std::int32_t kMax = 9'999'999;  // +/-99,999.99

  std::int32_t hundredths = 0;

  static constexpr bool fits(std::int64_t h) { return h >= -kMax && h <= kMax; }
  // Nothing is stored wrapped: a value outside the range gives nullopt.
  static constexpr std::optional<Decimal> fromHundredths(std::int64_t h) {
    if (!fits(h)) return std::nullopt;
    return Decimal{static_cast<std::int32_t>(h)};
  }
  // Rounded half away from zero to hundredths; nullopt when out of range or not finite.
  static std::optional<Decimal> fromDouble(double v);
  // "-1,234.56", "12", ".5", blanks around; more places are rounded half away from zero.
  // nullopt for text that is not a number or a number out of range.
  static std::optional<Decimal> parse(std::string_view text);

  double toDouble() const { return hundredths / 100.0; }
  std::string toText() const;  // "-1234.56": always two places, no grouping
  friend constexpr bool operator==(Decimal a, Decimal b) { return a.hundredths == b.hundredths; }
  friend constexpr auto operator<=>(Decimal a, Decimal b) { return a.hundredths <=> b.hundredths; }
};
#pragma pack(pop)
static_assert(sizeof(Decimal) == 4 && alignof(Decimal) == 1);

// Sums and differences that refuse to leave the range instead of wrapping.
constexpr std::optional<Decimal> checkedAdd(Decimal a, Decimal b) {
  return Decimal::fromHundredths(std::int64_t{a.hundredths} + b.hundredths);
}
constexpr std::optional<Decimal> checkedSub(Decimal a, Decimal b) {
  return Decimal::fromHundredths(std::int64_t{a.hundredths} - b.hundredths);
}

}  // namespace rt
