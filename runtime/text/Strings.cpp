#include "runtime/text/Strings.h"

#include <algorithm>

#include "runtime/text/FixedString.h"

namespace rt {

namespace {

std::string_view clipped(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

std::string fitted(std::string_view s, long length) {
  if (length <= 0) return {};
  std::string out(static_cast<std::size_t>(length), ' ');
  assignPadded(out.data(), out.size(), s);
  return out;
}

template <char (*Map)(char)>
std::string mapAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Map(c);
  return out;
}

}  // namespace

std::string CLIP(std::string_view s) {
  return std::string(clipped(s));
}

std::string SUB(std::string_view s, long start, long len) {
  if (start < 1) start = 1;
  const auto from = static_cast<std::size_t>(start - 1);
  if (len == 0 || from >= s.size()) return {};
  if (len < 0) return std::string(s.substr(from));
  return std::string(s.substr(from, static_cast<std::size_t>(len)));
}

long INSTRING(std::string_view sub, std::string_view s, long step, long start) {
  if (start < 1) start = 1;
  if (step < 1) step = 1;
  if (sub.empty() || static_cast<std::size_t>(start) > s.size() || sub.size() > s.size()) return 0;
  const std::size_t last = s.size() - sub.size();  // last 0-based position where sub can start
  if (step == 1) {
    const std::size_t at = s.find(sub, static_cast<std::size_t>(start - 1));
    return at == std::string_view::npos ? 0 : static_cast<long>(at + 1);
  }
  for (auto p = static_cast<std::size_t>(start - 1); p <= last; p += static_cast<std::size_t>(step))
    if (s.compare(p, sub.size(), sub) == 0) return static_cast<long>(p + 1);
  return 0;
}

std::string UPPER(std::string_view s) {
  return mapAscii<asciiUpper>(s);
}
std::string LOWER(std::string_view s) {
  return mapAscii<asciiLower>(s);
}

std::string LEFT(std::string_view s) {
  const std::size_t lead = std::min(s.find_first_not_of(' '), s.size());
  std::string out(s.substr(lead));
  out.append(lead, ' ');
  return out;
}

std::string LEFT(std::string_view s, long length) {
  return fitted(LEFT(s), length);
}

long LEN(std::string_view s) {
  return static_cast<long>(s.size());
}

std::string CENTER(std::string_view s, long length) {
  if (length <= 0) return {};
  std::string_view t = clipped(s);
  t.remove_prefix(std::min(t.find_first_not_of(' '), t.size()));
  if (static_cast<long>(t.size()) >= length) return fitted(t, length);
  std::string out(static_cast<std::size_t>(length - static_cast<long>(t.size())) / 2, ' ');
  out.append(t);
  out.resize(static_cast<std::size_t>(length), ' ');
  return out;
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (prefix.size() > s.size()) return false;
  for (std::size_t k = 0; k < prefix.size(); ++k)
    if (asciiUpper(s[k]) != asciiUpper(prefix[k])) return false;
  return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && startsWithNoCase(a, b);
}

}  // namespace rt
