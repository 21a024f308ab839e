// Helpers shared by the files that make up Window.
#pragma once

#include <string_view>

namespace rt::detail {

inline std::string_view clipped(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace rt::detail
