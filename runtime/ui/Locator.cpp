#include "runtime/ui/Locator.h"

#include <algorithm>

namespace rt {

namespace {

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Where a character falls among the steps: the step at or below it.
int stepOf(char c) {
  const std::string_view steps = StringScrollStep::kSteps;
  const char u = upper(c);
  int at = 0;
  for (std::size_t i = 0; i < steps.size(); ++i)
    if (static_cast<unsigned char>(steps[i]) <= static_cast<unsigned char>(u))
      at = static_cast<int>(i);
  return at;
}

}  // namespace

std::optional<std::string> StepLocator::typed(char c) {
  if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
  return std::string(1, c);
}

int StringScrollStep::position(std::string_view key) const {
  const int n = static_cast<int>(kSteps.size());
  double p = 0;
  double scale = 1.0 / n;
  for (std::size_t i = 0; i < 2 && i < key.size(); ++i) {
    p += stepOf(key[i]) * scale;
    scale /= n;
  }
  return std::clamp(static_cast<int>(p * 100.0 + 0.5), 0, 100);
}

std::string StringScrollStep::text(int position) const {
  const int n = static_cast<int>(kSteps.size());
  const int step = std::clamp(position, 0, 100) * n / 101;
  const char c = kSteps[static_cast<std::size_t>(step)];
  return c == ' ' ? std::string() : std::string(1, c);
}

}  // namespace rt
