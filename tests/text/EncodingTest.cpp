#include "runtime/text/Encoding.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(Encoding, WellFormedUtf8StaysAsItIs) {
  for (const char* s : {"", "plain ascii", "café", "Grüße, 東京", "emoji \xF0\x9F\x98\x80",
                        "\xF4\x8F\xBF\xBF", "\xEF\xBF\xBD"}) {
    EXPECT_TRUE(isValidUtf8(s)) << s;
    EXPECT_EQ(displayUtf8(s), s);
  }
}

TEST(Encoding, OtherBytesAreWindows1252) {
  struct Case {
    const char* bytes;
    const char* shown;
  } cases[] = {
      {"caf\xe9", "café"},
      {"\x93quoted\x94", "\u201Cquoted\u201D"},
      {"\x80 5", "\u20AC 5"},
      {"\x81\x8d\x8f\x90\x9d", "\u0081\u008D\u008F\u0090\u009D"},
      {"\x9f\xa0\xff", "\u0178\u00A0\u00FF"},
      {"\xc3", "\u00C3"},                      // a sequence cut short at the end
      {"\xc3(", "\u00C3("},                    // a lead byte without its continuation
      {"\xc0\xaf", "\u00C0\u00AF"},            // overlong form of "/"
      {"\xed\xa0\x80", "\u00ED\u00A0\u20AC"},  // an encoded surrogate
      {"\xf5\x80\x80\x80", "\u00F5\u20AC\u20AC\u20AC"},
      {"\xe9t\xc3\xa9", "\u00E9t\u00E9"},  // mixed: the valid "é" is kept
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(isValidUtf8(c.bytes)) << c.bytes;
    const std::string shown = displayUtf8(c.bytes);
    EXPECT_EQ(shown, c.shown);
    EXPECT_TRUE(isValidUtf8(shown));
  }
}

TEST(Encoding, EveryByteValueGivesValidText) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string shown = displayUtf8(all);
  EXPECT_TRUE(isValidUtf8(shown));
  EXPECT_EQ(shown.substr(0, 128), all.substr(0, 128));
}

}  // namespace
}  // namespace rt
