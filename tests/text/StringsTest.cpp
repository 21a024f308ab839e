#include "runtime/text/Strings.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(Strings, ClipDropsOnlyTrailingBlanks) {
  EXPECT_EQ(CLIP("  abc   "), "  abc");
  EXPECT_EQ(CLIP("    "), "");
  EXPECT_EQ(CLIP(""), "");
  EXPECT_EQ(CLIP("a\tb\t"), "a\tb\t");
}

TEST(Strings, SubBoundaries) {
  EXPECT_EQ(SUB("abcdef", 2, 3), "bcd");
  EXPECT_EQ(SUB("abcdef", 0, 2), "ab");  // start 0 is taken as 1
  EXPECT_EQ(SUB("abcdef", -5, 2), "ab");
  EXPECT_EQ(SUB("abcdef", 3, -1), "cdef");  // negative length: to the end
  EXPECT_EQ(SUB("abcdef", 3, 0), "");
  EXPECT_EQ(SUB("abcdef", 5, 10), "ef");
  EXPECT_EQ(SUB("abcdef", 6, 1), "f");
  EXPECT_EQ(SUB("abcdef", 7, 1), "");
  EXPECT_EQ(SUB("", 1, 1), "");
}

TEST(Strings, InstringFindsFirstPositionFromStart) {
  EXPECT_EQ(INSTRING("cd", "abcdefcd"), 3);
  EXPECT_EQ(INSTRING("cd", "abcdefcd", 1, 4), 7);
  EXPECT_EQ(INSTRING("cd", "abcdefcd", 1, 8), 0);
  EXPECT_EQ(INSTRING("xy", "abcdef"), 0);
  EXPECT_EQ(INSTRING("abc", "ab"), 0);
  EXPECT_EQ(INSTRING("", "abc"), 0);
  EXPECT_EQ(INSTRING("a", "abc", 1, 0), 1);
}

TEST(Strings, InstringStartBeyondEndIsNotFound) {
  EXPECT_EQ(INSTRING("c", "abc", 1, 3), 3);
  EXPECT_EQ(INSTRING("c", "abc", 1, 4), 0);
  EXPECT_EQ(INSTRING("c", "abc", 1, 1000), 0);
}

TEST(Strings, InstringStepsOverPositions) {
  // Stepping by 2 from 1 looks at positions 1, 3, 5, ...: "cd" at 3 is seen, at 4 is not.
  EXPECT_EQ(INSTRING("cd", "abcdef", 2, 1), 3);
  EXPECT_EQ(INSTRING("de", "abcdef", 2, 1), 0);
  EXPECT_EQ(INSTRING("de", "abcdef", 2, 2), 4);
  EXPECT_EQ(INSTRING("b", "abab", 0, 1), 2);  // a step below 1 searches every position
}

TEST(Strings, UpperLowerChangeAsciiOnly) {
  EXPECT_EQ(UPPER("abc xyz [`{@] Äö"), "ABC XYZ [`{@] Äö");
  EXPECT_EQ(LOWER("ABC XYZ [`{@] Äö"), "abc xyz [`{@] Äö");
  EXPECT_EQ(UPPER("Grüße"), "GRüßE");
}

TEST(Strings, LeftMovesLeadingBlanksToTheEnd) {
  EXPECT_EQ(LEFT("  ab c"), "ab c  ");
  EXPECT_EQ(LEFT("abc"), "abc");
  EXPECT_EQ(LEFT("   "), "   ");
  EXPECT_EQ(LEFT("  abc", 4), "abc ");
  EXPECT_EQ(LEFT("  abcdef", 4), "abcd");
  EXPECT_EQ(LEFT("abc", 0), "");
  EXPECT_EQ(LEFT("é", 1), " ");  // never half a character
}

TEST(Strings, LenCountsBytes) {
  EXPECT_EQ(LEN(""), 0);
  EXPECT_EQ(LEN("ab  "), 4);
  EXPECT_EQ(LEN("é"), 2);
}

TEST(Strings, CenterPlacesTextInTheMiddle) {
  EXPECT_EQ(CENTER("ab", 6), "  ab  ");
  EXPECT_EQ(CENTER("ab", 5), " ab  ");
  EXPECT_EQ(CENTER("   ab   ", 6), "  ab  ");
  EXPECT_EQ(CENTER("abcdef", 4), "abcd");
  EXPECT_EQ(CENTER("", 3), "   ");
  EXPECT_EQ(CENTER("ab", -1), "");
}

TEST(Strings, NoCaseHelpersFoldAsciiOnly) {
  EXPECT_TRUE(equalsNoCase("Tarnwick.INI", "tarnwick.ini"));
  EXPECT_FALSE(equalsNoCase("tarnwick.ini", "tarnwick.in"));
  EXPECT_FALSE(equalsNoCase("É", "é"));
  EXPECT_FALSE(equalsNoCase("[", "{"));  // only letters differ by 32
  EXPECT_TRUE(startsWithNoCase("September", "SEP"));
  EXPECT_FALSE(startsWithNoCase("Se", "Sep"));
  EXPECT_EQ(trimBlanks(" \t a b \t "), "a b");
  EXPECT_EQ(trimBlanks(" \t "), "");
}

}  // namespace
}  // namespace rt
