#include "runtime/data/Layout.h"

#include <strings.h>

namespace rt {

namespace {
bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}
}  // namespace

int FileDesc::fieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (sameName(fields[i].name, name)) return static_cast<int>(i);
  return -1;
}

int FileDesc::keyIndex(std::string_view name) const {
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (sameName(keys[i].name, name)) return static_cast<int>(i);
  return -1;
}

}  // namespace rt
