#include "runtime/text/Picture.h"

#include <gtest/gtest.h>

#include <optional>

#include "runtime/text/Dates.h"

namespace rt {
namespace {

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override { setShortDatePattern("M/d/yyyy"); }
  void TearDown() override { setShortDatePattern({}); }
};

std::string show(const char* picture, const Value& v) {
  return Picture(picture).format(v);
}

Value parsed(const char* picture, std::string_view text) {
  const ParseResult r = Picture(picture).parse(text);
  EXPECT_TRUE(r) << picture << " refused \"" << text << "\": " << r.error;
  return r ? *r.value : Value{};
}

void expectRefused(const char* picture, std::string_view text) {
  const ParseResult r = Picture(picture).parse(text);
  EXPECT_FALSE(r) << picture << " took \"" << text << "\"";
  if (!r) {
    EXPECT_FALSE(r.error.empty());
  }
}

TEST_F(PictureTest, KindsAndLetterCase) {
  struct Case {
    const char* text;
    Picture::Kind kind;
  } cases[] = {{"@s20", Picture::Kind::Text},
               {"S90", Picture::Kind::Text},
               {"@n10.2", Picture::Kind::Number},
               {"@N14B", Picture::Kind::Number},
               {"@n-10.2", Picture::Kind::Number},
               {"@N-3", Picture::Kind::Number},
               {"@d1", Picture::Kind::Date},
               {"d1", Picture::Kind::Date},
               {"@D2", Picture::Kind::Date},
               {"D17", Picture::Kind::Date},
               {"t3", Picture::Kind::Time},
               {"@T3", Picture::Kind::Time},
               {"@P####PB", Picture::Kind::Pattern},
               {"pPage <<<#p", Picture::Kind::Pattern},
               {"@pPage <<<#p", Picture::Kind::Pattern},
               {"", Picture::Kind::Invalid},
               {"@", Picture::Kind::Invalid},
               {"@s", Picture::Kind::Invalid},
               {"@s0", Picture::Kind::Invalid},
               {"@n", Picture::Kind::Invalid},
               {"@n10.x", Picture::Kind::Invalid},
               {"@n2.2", Picture::Kind::Invalid},
               {"@d99", Picture::Kind::Invalid},
               {"@t9", Picture::Kind::Invalid},
               {"@Pabc", Picture::Kind::Invalid},
               {"@PabcP", Picture::Kind::Invalid},
               {"@P##Px", Picture::Kind::Invalid},
               {"@x5", Picture::Kind::Invalid}};
  for (const Case& c : cases) EXPECT_EQ(Picture(c.text).kind(), c.kind) << c.text;
  EXPECT_EQ(Picture("@s20").width(), 20);
  EXPECT_EQ(Picture("@n-10.2").width(), 10);
}

TEST_F(PictureTest, TextIsCutAtTheWidthOnACharacterBoundary) {
  EXPECT_EQ(show("@s5", std::string("abcdefgh")), "abcde");
  EXPECT_EQ(show("@s5", std::string("ab")), "ab");
  EXPECT_EQ(show("@s3", std::string("aé")), "aé");
  EXPECT_EQ(show("@s2", std::string("aé")), "a");
  EXPECT_EQ(show("@s10", 12.5), "12.5");
  EXPECT_EQ(std::get<std::string>(parsed("@s3", "a|~@b")), "a|~");
  EXPECT_EQ(std::get<std::string>(parsed("@s2", "aé")), "a");
}

TEST_F(PictureTest, NumbersAreGroupedAndRightAligned) {
  struct Case {
    const char* picture;
    Value value;
    const char* shown;
  } cases[] = {
      {"@n10.2", 1234.5, "  1,234.50"},
      {"@n10.2", 0.0, "      0.00"},
      {"@n10.2", -12.0, "    -12.00"},
      {"@n-10.2", -1234567.0, "##########"},
      {"@n10.2", 1234567.0, "##########"},
      {"@n5.2", 99.994, "99.99"},
      {"@n5.2", 99.995, "#####"},
      {"@n5.2", 100.0, "#####"},
      {"@n-7", -1234.0, " -1,234"},
      {"@N-3", 999.0, "999"},
      {"@n-14", 1e10, "10,000,000,000"},
      {"@n-14", -1e9, "-1,000,000,000"},
      {"@N-3", -99.0, "-99"},
      {"@N-3", -100.0, "###"},
      {"@n-14", 1e12, "##############"},
      {"@N14B", 0.0, ""},
      {"@N14B", 0.4, ""},
      {"@N14B", 7.0, "             7"},
      {"@n10.2", -0.001, "      0.00"},
      {"@n8.2", 0.125, "    0.13"},
      {"@n10.2", 1e300, "##########"},
      {"@n7.2", std::string("12.5"), "  12.50"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(show(c.picture, c.value), c.shown) << c.picture << " " << textOf(c.value);
}

TEST_F(PictureTest, DecimalsShowExactly) {
  EXPECT_EQ(show("@n-10.2", Decimal{-Decimal::kMax}), "-99,999.99");
  EXPECT_EQ(show("@n10.2", Decimal{Decimal::kMax}), " 99,999.99");
  EXPECT_EQ(show("@n9.2", Decimal{-Decimal::kMax}), "#########");
  EXPECT_EQ(show("@n7", Decimal{250}), "      3");
  EXPECT_EQ(show("@n7", Decimal{-249}), "     -2");
  EXPECT_EQ(show("@n8.1", Decimal{-5}), "    -0.1");
  EXPECT_EQ(show("@n12.4", Decimal{123456}), "  1,234.5600");
}

TEST_F(PictureTest, NumberInputIsCheckedAgainstThePicture) {
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@n10.2", "1,234.5")), 1234.5);
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@n10.2", " 1234.567 ")), 1234.57);
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@n-10.2", "-99,999.99")), -99999.99);
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@n10.2", "")), 0.0);
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@n10.2", "-0")), 0.0);
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@N-3", "-99")), -99.0);
  expectRefused("@n10.2", "-5");  // no "-" in the picture
  expectRefused("@N-3", "-100");
  expectRefused("@n5.2", "100");
  expectRefused("@n10.2", "12a");
  expectRefused("@n10.2", "1,2,3.4,5");
  expectRefused("@n10.2", "--1");
}

TEST_F(PictureTest, WhatANumberPictureShowsItTakesBack) {
  for (const char* picture : {"@n10.2", "@n-10.2", "@n-14", "@n-7", "@N-3", "@n5.2", "@n8.2"})
    for (double v : {0.0, 1.0, -1.0, 12.34, -999.5, 1234.56, 99999.99, -0.01, 1e9}) {
      const std::string shown = show(picture, v);
      if (shown.find('#') != std::string::npos) continue;
      const ParseResult r = Picture(picture).parse(shown);
      if (v < 0 && picture[2] != '-' && picture[1] != 'N') {
        EXPECT_FALSE(r) << picture << " " << shown;
        continue;
      }
      ASSERT_TRUE(r) << picture << " " << shown << ": " << r.error;
      EXPECT_EQ(show(picture, *r.value), shown) << picture;
    }
}

TEST_F(PictureTest, PatternsFillDigitPlaces) {
  EXPECT_EQ(show("pPage <<<#p", 1.0), "Page 1");
  EXPECT_EQ(show("pPage <<<#p", 12.0), "Page 12");
  EXPECT_EQ(show("pPage <<<#p", 1234.0), "Page 1234");
  EXPECT_EQ(show("pPage <<<#p", 0.0), "Page 0");
  EXPECT_EQ(show("pPage <<<#p", 12345.0), "#########");
  EXPECT_EQ(show("@P####PB", 42.0), "0042");
  EXPECT_EQ(show("@P####PB", 0.0), "");
  EXPECT_EQ(show("@P###-####P", 5551234.0), "555-1234");
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@P####PB", "0042")), 42.0);
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@P####PB", "42")), 42.0);
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("@P###-####P", "555-1234")), 5551234.0);
  EXPECT_DOUBLE_EQ(std::get<double>(parsed("pPage <<<#p", "Page 12")), 12.0);
  expectRefused("@P####PB", "12345");
  expectRefused("@P####PB", "12a4");
  expectRefused("@P###-####P", "555/1234");
}

TEST_F(PictureTest, DatesInEveryStyle) {
  const Value day = DateValue{dateFromYmd(2026, 3, 7)};
  EXPECT_EQ(show("@d1", day), "03/07/26");
  EXPECT_EQ(show("d1", day), "03/07/26");
  EXPECT_EQ(show("@D2", day), "03/07/2026");
  EXPECT_EQ(show("@d17", day), "3/7/2026");
  EXPECT_EQ(show("D17", static_cast<double>(dateFromYmd(1800, 1, 1))), "1/1/1800");
  EXPECT_EQ(show("@d2", DateValue{dateFromYmd(2000, 2, 29)}), "02/29/2000");
  setShortDatePattern("dd.MM.yy");
  EXPECT_EQ(show("@d17", day), "07.03.26");
  setShortDatePattern("dddd, MMMM d, yyyy");
  EXPECT_EQ(show("@d17", DateValue{dateFromYmd(2000, 1, 1)}), "Saturday, January 1, 2000");
  setShortDatePattern("ddd d MMM yyyy 'r'''");
  EXPECT_EQ(show("@d17", DateValue{dateFromYmd(1800, 1, 1)}), "Wed 1 Jan 1800 r'");
}

TEST_F(PictureTest, NoDateAndNoTimeShowBlank) {
  for (const char* picture : {"@d1", "@d2", "@d17", "D17", "d1"}) {
    EXPECT_EQ(show(picture, DateValue{0}), "") << picture;
    EXPECT_EQ(show(picture, 0.0), "") << picture;
    EXPECT_EQ(show(picture, -5.0), "") << picture;
  }
  EXPECT_EQ(show("t3", TimeValue{0}), "");
  EXPECT_EQ(show("@t3", TimeValue{kHundredthsPerDay + 1}), "");
  EXPECT_EQ(std::get<DateValue>(parsed("@d2", "  ")).day, 0);
  EXPECT_EQ(std::get<TimeValue>(parsed("t3", "")).time, 0);
}

TEST_F(PictureTest, DateInputForms) {
  const std::int32_t march7 = dateFromYmd(2026, 3, 7);
  for (const char* picture : {"@d1", "@d2", "@d17"})
    for (const char* text : {"03/07/26", "3/7/26", "03/07/2026", "3/7/2026", " 3-7-2026 "})
      EXPECT_EQ(std::get<DateValue>(parsed(picture, text)).day, march7) << picture << " " << text;
  EXPECT_EQ(std::get<DateValue>(parsed("@d2", "12/31/49")).day, dateFromYmd(2049, 12, 31));
  EXPECT_EQ(std::get<DateValue>(parsed("@d2", "01/01/50")).day, dateFromYmd(1950, 1, 1));
  EXPECT_EQ(std::get<DateValue>(parsed("@d2", "02/29/2000")).day, dateFromYmd(2000, 2, 29));
  expectRefused("@d2", "02/29/2001");
  expectRefused("@d2", "13/01/2026");
  expectRefused("@d2", "03/07");
  expectRefused("@d2", "03/07/2026/1");
  expectRefused("@d2", "03/07/202");
  expectRefused("@d2", "x3/07/2026");
  expectRefused("@d2", "12/31/1799");
  setShortDatePattern("dd.MM.yyyy");
  EXPECT_EQ(std::get<DateValue>(parsed("@d17", "07.03.2026")).day, march7);
  EXPECT_EQ(std::get<DateValue>(parsed("@d17", "03/07/2026")).day, march7);  // mm/dd/yyyy
  setShortDatePattern("d MMM yyyy");
  EXPECT_EQ(std::get<DateValue>(parsed("@d17", "7 mar 2026")).day, march7);
  EXPECT_EQ(std::get<DateValue>(parsed("@d17", "7 March 2026")).day, march7);
  expectRefused("@d17", "7 Marx 2026");
}

TEST_F(PictureTest, WhatADatePictureShowsItTakesBack) {
  const char* patterns[] = {"M/d/yyyy", "dd.MM.yyyy", "yyyy-MM-dd", "d MMMM yyyy", "M/d/yy"};
  for (const char* pattern : patterns) {
    setShortDatePattern(pattern);
    for (const char* picture : {"@d1", "@d2", "@d17"})
      for (std::int32_t day = dateFromYmd(1999, 12, 25); day < dateFromYmd(2000, 3, 5); ++day) {
        const std::string shown = show(picture, DateValue{day});
        EXPECT_EQ(std::get<DateValue>(parsed(picture, shown)).day, day)
            << pattern << " " << picture << " " << shown;
      }
  }
  setShortDatePattern({});
  for (std::int32_t day : {1, dateFromYmd(1850, 6, 1), dateFromYmd(9999, 12, 31)})
    EXPECT_EQ(std::get<DateValue>(parsed("@d2", show("@d2", DateValue{day}))).day, day);
}

TEST_F(PictureTest, TimesOnTwelveHourClock) {
  struct Case {
    int h, m;
    const char* shown;
  } cases[] = {{0, 0, "12:00AM"},  {0, 5, "12:05AM"},  {9, 7, "9:07AM"},
               {12, 0, "12:00PM"}, {17, 30, "5:30PM"}, {23, 59, "11:59PM"}};
  for (const Case& c : cases) {
    const std::int32_t t = timeFromHms(c.h, c.m, 42, 17);
    EXPECT_EQ(show("t3", TimeValue{t}), c.shown);
    EXPECT_EQ(std::get<TimeValue>(parsed("@t3", c.shown)).time, timeFromHms(c.h, c.m));
  }
  EXPECT_EQ(std::get<TimeValue>(parsed("t3", "17:30")).time, timeFromHms(17, 30));
  EXPECT_EQ(std::get<TimeValue>(parsed("t3", "5:30 pm")).time, timeFromHms(17, 30));
  EXPECT_EQ(std::get<TimeValue>(parsed("t3", "5:30p")).time, timeFromHms(17, 30));
  EXPECT_EQ(std::get<TimeValue>(parsed("t3", "00:00")).time, 1);
  EXPECT_EQ(std::get<TimeValue>(parsed("t3", "23:59:59")).time, timeFromHms(23, 59, 59));
  for (const char* text : {"24:00", "13:00PM", "0:30AM", "5:60", "5:30XM", "5:30PMX", "abc", ":30"})
    expectRefused("t3", text);
}

TEST_F(PictureTest, RefusalsSayWhatThePictureTakes) {
  const struct {
    const char* picture;
    const char* refused;
    std::optional<double> limit;
    const char* says;
  } cases[] = {
      {"@n-10.2", "123456789", std::nullopt, "Enter a number up to 999,999.99"},
      {"@n-10.2", "123456789", 99999.99, "Enter a number up to 99,999.99"},
      {"@n-10.2", "abc", 1e12, "Enter a number up to 999,999.99"},
      {"@n10.2", "-5", std::nullopt, "Enter a number from 0 to 999,999.99"},
      {"@n3", "1000", 255, "Enter a number from 0 to 255"},
      {"@P###-####P", "abc", std::nullopt, "Enter a number as ###-####"},
      {"@d2", "02/31/2026", std::nullopt, "Enter a date as MM/DD/YYYY"},
      {"@d1", "00/00/00", std::nullopt, "Enter a date as MM/DD/YY"},
      {"@t3", "25:99", std::nullopt, "Enter a time as 5:30PM or 17:30"},
  };
  for (const auto& c : cases) {
    const Picture p(c.picture);
    EXPECT_EQ(p.expected(c.limit), c.says) << c.picture;
    // The parse gives the picture's own bound; the variable's is the window's to add.
    EXPECT_EQ(p.parse(c.refused).error, p.expected()) << c.picture << " " << c.refused;
  }
  EXPECT_EQ(Picture("@s20").expected(), "");
}

// The locale's short date is shown, mm/dd/yyyy is taken as well: a refusal names both.
TEST_F(PictureTest, LocaleDateRefusalsNameEveryFormTaken) {
  const struct {
    const char* pattern;
    const char* says;
  } cases[] = {
      {"d MMM yyyy", "Enter a date as D MMM YYYY or MM/DD/YYYY"},
      {"dd.MM.yyyy", "Enter a date as DD.MM.YYYY or MM/DD/YYYY"},
      {"yyyy-MM-dd", "Enter a date as YYYY-MM-DD or MM/DD/YYYY"},
      {"M/d/yyyy", "Enter a date as M/D/YYYY"},
      {"M/d/yy", "Enter a date as M/D/YY"},
  };
  for (const auto& c : cases) {
    setShortDatePattern(c.pattern);
    EXPECT_EQ(Picture("@d17").parse("13/45/2026").error, c.says) << c.pattern;
    EXPECT_TRUE(Picture("@d17").parse("12/25/2026")) << c.pattern;
  }
}

TEST_F(PictureTest, InvalidPictureShowsPlainText) {
  EXPECT_EQ(show("@q9", 12.5), "12.5");
  EXPECT_EQ(std::get<std::string>(parsed("@q9", " as typed ")), " as typed ");
}

}  // namespace
}  // namespace rt
