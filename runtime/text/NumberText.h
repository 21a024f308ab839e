// Splitting typed numbers into their parts, and rendering scaled digits with grouping: shared by
// Decimal and the number pictures so both read and show numbers alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rt {

struct NumberText {
  bool negative = false;
  std::string integer;   // digits without grouping, at least one
  std::string fraction;  // digits after the point, possibly none
};

// "[+|-]digits[,ddd...][.digits]" with blanks around; "," only between digits of the integer
// part. nullopt for anything else, the empty text included.
std::optional<NumberText> splitNumber(std::string_view text);

// The number scaled by 10^places and rounded half away from zero; nullopt when it exceeds
// maxDigits digits.
std::optional<std::uint64_t> scaledMagnitude(const NumberText& n, int places, int maxDigits = 18);

// A scaled magnitude as text with `places` decimals, the integer part grouped with ",".
std::string renderScaled(bool negative, std::uint64_t scaled, int places, bool grouped);

}  // namespace rt
