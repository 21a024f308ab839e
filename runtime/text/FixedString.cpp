#include "runtime/text/FixedString.h"

#include <cstring>

namespace rt {

std::size_t utf8CutLength(std::string_view src, std::size_t width) {
  std::size_t n = src.size();
  if (n > width) {
    n = width;
    // Never leave half a UTF-8 sequence at the end: back off over continuation bytes
    // to the lead byte, and drop it too unless its whole sequence fits.
    std::size_t lead = n;
    while (lead > 0 && (static_cast<unsigned char>(src[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > 0) {
      const unsigned char c = static_cast<unsigned char>(src[lead - 1]);
      std::size_t seq = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      const std::size_t end = (lead - 1) + seq;
      if (c >= 0x80 && end > n) {
        // Only a real sequence is held back: a stray high byte (Windows-1252 text from old
        // files) is a character of its own and fits.
        bool genuine = end <= src.size();
        for (std::size_t k = lead; genuine && k < end; ++k)
          genuine = (static_cast<unsigned char>(src[k]) & 0xC0) == 0x80;
        if (genuine) n = lead - 1;
      }
    }
  }
  return n;
}

void assignPadded(char* dst, std::size_t width, std::string_view src) {
  const std::size_t n = utf8CutLength(src, width);
  if (n > 0) std::memcpy(dst, src.data(), n);
  std::memset(dst + n, ' ', width - n);
}

std::string_view clipView(const char* p, std::size_t width) {
  const void* nul = std::memchr(p, '\0', width);
  std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : width;
  // Wide fields are mostly padding: pass over it a word at a time.
  while (n >= 8 && std::memcmp(p + n - 8, "        ", 8) == 0) n -= 8;
  while (n > 0 && p[n - 1] == ' ') --n;
  return {p, n};
}

}  // namespace rt
