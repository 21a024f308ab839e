#include "runtime/text/Decimal.h"

#include <cmath>

#include "runtime/text/NumberText.h"

namespace rt {

std::optional<Decimal> Decimal::fromDouble(double v) {
  if (!std::isfinite(v) || std::fabs(v) > 1e9) return std::nullopt;
  return fromHundredths(std::llround(v * 100.0));
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
  const auto n = splitNumber(text);
  if (!n) return std::nullopt;
  const auto scaled = scaledMagnitude(*n, 2, 9);
  if (!scaled) return std::nullopt;
  const auto h = static_cast<std::int64_t>(*scaled);
  return fromHundredths(n->negative ? -h : h);
}

std::string Decimal::toText() const {
  const std::int64_t h = hundredths;
  return renderScaled(h < 0, static_cast<std::uint64_t>(h < 0 ? -h : h), 2, false);
}

}  // namespace rt
