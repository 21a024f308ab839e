#include "runtime/text/FixedString.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

std::string padded(std::size_t width, std::string_view src) {
  std::string out(width, '\0');
  assignPadded(out.data(), width, src);
  return out;
}

TEST(FixedString, AssignCutsAndPads) {
  EXPECT_EQ(padded(5, "ab"), "ab   ");
  EXPECT_EQ(padded(5, "abcde"), "abcde");
  EXPECT_EQ(padded(5, "abcdefg"), "abcde");
  EXPECT_EQ(padded(3, ""), "   ");
  EXPECT_EQ(padded(0, "abc"), "");
}

TEST(FixedString, AssignNeverCutsAUtf8Character) {
  struct Case {
    std::size_t width;
    const char* src;
    const char* stored;
  } cases[] = {
      {3, "aé", "aé"},  // two-byte character that just fits
      {2, "aé", "a "},
      {2, "abé", "ab"},                  // cut before it
      {3, "abé", "ab "},                 // half of it would fit: dropped
      {3, "a東", "a  "},                 // three-byte character, two bytes room
      {4, "a東", "a東"},                 //
      {4, "a\xF0\x9F\x98\x80", "a   "},  // four-byte character, three bytes room
      {5, "a\xF0\x9F\x98\x80", "a\xF0\x9F\x98\x80"},
      {3, "ab\xE9xyz", "ab\xE9"},    // a stray Windows-1252 byte is a character of its own
      {3, "ab\xE9", "ab\xE9"},       //
      {2, "\xE9\x94x", "\xE9\x94"},  // "é”" in Windows-1252: not a sequence either
      {3, "ab\xE9\xA9\xA9", "ab "},  // the start of a real sequence is held back
  };
  for (const Case& c : cases) EXPECT_EQ(padded(c.width, c.src), c.stored) << c.src;
  EXPECT_EQ(utf8CutLength("abé", 3), 2u);
  EXPECT_EQ(utf8CutLength("abé", 10), 4u);
}

TEST(FixedString, ClipAndCompare) {
  Str<8> s("abc");
  EXPECT_EQ(s.raw(), "abc     ");
  EXPECT_EQ(s.clip(), "abc");
  EXPECT_TRUE(s == "abc   ");
  EXPECT_FALSE(s == "abcd");
  EXPECT_FALSE(s.blank());
  s.clear();
  EXPECT_TRUE(s.blank());
  s = std::string("toolongvalue");
  EXPECT_EQ(s.str(), "toolongv");
  const char withNul[6] = {'a', 'b', '\0', 'x', ' ', ' '};
  EXPECT_EQ(clipView(withNul, 6), "ab");
}

TEST(FixedString, ClippingOverLongPaddingStopsAtTheLastNonBlank) {
  for (std::size_t width : {1u, 7u, 8u, 9u, 16u, 17u, 200u}) {
    for (std::size_t len = 0; len <= width; ++len) {
      std::string field(width, ' ');
      for (std::size_t i = 0; i < len; ++i) field[i] = (i % 3 == 1) ? ' ' : 'x';
      std::string expect = field.substr(0, len);
      while (!expect.empty() && expect.back() == ' ') expect.pop_back();
      EXPECT_EQ(clipView(field.data(), width), expect) << width << "/" << len;
    }
  }
}

}  // namespace
}  // namespace rt
