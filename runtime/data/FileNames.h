// File names of the data layer: clipped, "\" read as "/", matched case-insensitively.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// Clips trailing blanks and turns "\" into "/".
std::string normalizePath(std::string_view name);
// An existing file whose name equals the last part of path in any letter case (the exact name
// first), else the normalized path as written.
std::string resolveExisting(std::string_view path);
bool fileExists(const std::string& path);

}  // namespace rt
