#include "runtime/text/Dates.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(Dates, DayNumbersStartAtFirstOf1800) {
  EXPECT_EQ(dateFromYmd(1800, 1, 1), 1);
  EXPECT_EQ(dateFromYmd(1800, 1, 2), 2);
  EXPECT_EQ(dateFromYmd(1801, 1, 1), 366);  // 1800 is not a leap year
  EXPECT_EQ(dateFromYmd(2000, 3, 1) - dateFromYmd(2000, 2, 28), 2);
  EXPECT_EQ(dateFromYmd(1900, 3, 1) - dateFromYmd(1900, 2, 28), 1);
}

TEST(Dates, RejectsInvalidDates) {
  EXPECT_EQ(dateFromYmd(1799, 12, 31), 0);
  EXPECT_EQ(dateFromYmd(2001, 2, 29), 0);
  EXPECT_EQ(dateFromYmd(1900, 2, 29), 0);
  EXPECT_NE(dateFromYmd(2000, 2, 29), 0);
  EXPECT_EQ(dateFromYmd(2024, 13, 1), 0);
  EXPECT_EQ(dateFromYmd(2024, 4, 31), 0);
  EXPECT_EQ(dateFromYmd(2024, 1, 0), 0);
  int y = -1, m = -1, d = -1;
  EXPECT_FALSE(ymdFromDate(0, y, m, d));
  EXPECT_FALSE(ymdFromDate(-3, y, m, d));
}

TEST(Dates, RoundTripsEveryDayOfFourCenturies) {
  int y, m, d;
  std::int32_t expected = dateFromYmd(1800, 1, 1);
  for (std::int32_t n = expected; n < expected + 146097; ++n) {
    ASSERT_TRUE(ymdFromDate(n, y, m, d)) << n;
    ASSERT_EQ(dateFromYmd(y, m, d), n) << y << "-" << m << "-" << d;
  }
  ASSERT_TRUE(ymdFromDate(dateFromYmd(2000, 2, 29), y, m, d));
  EXPECT_EQ(y * 10000 + m * 100 + d, 20000229);
  ASSERT_TRUE(ymdFromDate(dateFromYmd(9999, 12, 31), y, m, d));
  EXPECT_EQ(y, 9999);
  EXPECT_FALSE(ymdFromDate(dateFromYmd(9999, 12, 31) + 1, y, m, d));
}

TEST(Dates, TimesAreHundredthsPlusOne) {
  EXPECT_EQ(timeFromHms(0, 0), 1);
  EXPECT_EQ(timeFromHms(17, 30), (17 * 3600 + 30 * 60) * 100 + 1);
  EXPECT_EQ(timeFromHms(23, 59, 59, 99), kHundredthsPerDay);
  EXPECT_EQ(timeFromHms(24, 0), 0);
  EXPECT_EQ(timeFromHms(12, 60), 0);
  int h, m, s, c;
  ASSERT_TRUE(hmsFromTime(timeFromHms(13, 5, 7, 42), h, m, s, c));
  EXPECT_EQ(h * 1000000 + m * 10000 + s * 100 + c, 13050742);
  EXPECT_FALSE(hmsFromTime(0, h, m, s, c));
  EXPECT_FALSE(hmsFromTime(kHundredthsPerDay + 1, h, m, s, c));
}

TEST(Dates, ClockProviderPinsNow) {
  setClockProvider([] { return ClockReading{dateFromYmd(2026, 3, 7), timeFromHms(9, 15)}; });
  EXPECT_EQ(TODAY(), dateFromYmd(2026, 3, 7));
  EXPECT_EQ(CLOCK(), timeFromHms(9, 15));
  setClockProvider(nullptr);
  EXPECT_GT(TODAY(), dateFromYmd(2020, 1, 1));
  EXPECT_GE(CLOCK(), 1);
  EXPECT_LE(CLOCK(), kHundredthsPerDay);
}

TEST(Dates, LocalReadingOfAnEpochMoment) {
  const std::time_t t = 1'000'000'000;
  std::tm tm{};
  localtime_r(&t, &tm);
  const ClockReading r = localReading(t, 250'000'000);
  EXPECT_EQ(r.date, dateFromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
  EXPECT_EQ(r.time, timeFromHms(tm.tm_hour, tm.tm_min, tm.tm_sec, 25));
}

}  // namespace
}  // namespace rt
