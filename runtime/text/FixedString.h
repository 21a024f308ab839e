// Fixed-width, blank-padded byte strings as they live inside record buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace rt {

// Copies src into a width-byte field: cut at the width (backing off to the last whole
// UTF-8 character) and padded with blanks.
void assignPadded(char* dst, std::size_t width, std::string_view src);

// How many leading bytes of src fit in width without cutting a UTF-8 character.
std::size_t utf8CutLength(std::string_view src, std::size_t width);

// The field's text without trailing blanks (and without anything after a NUL).
std::string_view clipView(const char* p, std::size_t width);

template <std::size_t N>
struct Str {
  char data[N];

  Str() { std::memset(data, ' ', N); }
  Str(std::string_view s) { assignPadded(data, N, s); }
  Str& operator=(std::string_view s) {
    assignPadded(data, N, s);
    return *this;
  }
  Str& operator=(const std::string& s) { return *this = std::string_view(s); }
  Str& operator=(const char* s) { return *this = std::string_view(s); }

  static constexpr std::size_t width() { return N; }
  std::string_view clip() const { return clipView(data, N); }
  std::string str() const { return std::string(clip()); }
  std::string_view raw() const { return {data, N}; }
  bool blank() const { return clip().empty(); }
  void clear() { std::memset(data, ' ', N); }

  friend bool operator==(const Str& a, std::string_view b) {
    return a.clip() == clipView(b.data(), b.size());
  }
  friend bool operator==(const Str& a, const Str& b) { return a.clip() == b.clip(); }
};

}  // namespace rt
