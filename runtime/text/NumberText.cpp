#include "runtime/text/NumberText.h"
#include "runtime/text/Strings.h"

#include <cctype>

namespace rt {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::optional<NumberText> splitNumber(std::string_view text) {
  std::string_view s = trimBlanks(text);
  NumberText n;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    n.negative = s.front() == '-';
    s.remove_prefix(1);
  }
  std::size_t i = 0;
  for (; i < s.size() && s[i] != '.'; ++i) {
    if (isDigit(s[i])) {
      n.integer.push_back(s[i]);
    } else if (s[i] != ',' || i == 0 || !isDigit(s[i - 1]) || i + 1 >= s.size() ||
               !isDigit(s[i + 1])) {
      return std::nullopt;
    }
  }
  if (i < s.size()) {
    for (++i; i < s.size(); ++i) {
      if (!isDigit(s[i])) return std::nullopt;
      n.fraction.push_back(s[i]);
    }
  }
  if (n.integer.empty() && n.fraction.empty()) return std::nullopt;
  if (n.integer.empty()) n.integer.push_back('0');
  return n;
}

std::optional<std::uint64_t> scaledMagnitude(const NumberText& n, int places, int maxDigits) {
  std::string digits = n.integer;
  for (int k = 0; k < places; ++k)
    digits.push_back(k < static_cast<int>(n.fraction.size()) ? n.fraction[k] : '0');
  const bool roundUp = static_cast<int>(n.fraction.size()) > places && n.fraction[places] >= '5';
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) first = digits.size();
  if (static_cast<int>(digits.size() - first) > maxDigits || maxDigits > 18) return std::nullopt;
  std::uint64_t v = 0;
  for (std::size_t k = first; k < digits.size(); ++k) v = v * 10 + (digits[k] - '0');
  if (roundUp) ++v;
  std::uint64_t limit = 1;
  for (int k = 0; k < maxDigits; ++k) limit *= 10;
  if (v >= limit) return std::nullopt;
  return v;
}

std::string renderScaled(bool negative, std::uint64_t scaled, int places, bool grouped) {
  std::string digits = std::to_string(scaled);
  if (static_cast<int>(digits.size()) <= places)
    digits.insert(0, static_cast<std::size_t>(places) + 1 - digits.size(), '0');
  const std::size_t intLen = digits.size() - static_cast<std::size_t>(places);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3 + 2);
  if (negative && scaled != 0) out.push_back('-');
  for (std::size_t k = 0; k < intLen; ++k) {
    if (grouped && k > 0 && (intLen - k) % 3 == 0) out.push_back(',');
    out.push_back(digits[k]);
  }
  if (places > 0) {
    out.push_back('.');
    out.append(digits, intLen, std::string::npos);
  }
  return out;
}

}  // namespace rt
