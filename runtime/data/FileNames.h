// Kept for callers written against it; the path rules live in runtime/text/Paths.h.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "runtime/text/Paths.h"

namespace rt {

// The path with each component spelled as an existing file or directory is, in any case.
inline std::string resolveExisting(std::string_view path) {
  return resolvePath(path);
}
// Whether exactly this path exists (no case folding).
inline bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace rt
