#include "runtime/text/Dates.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>

namespace rt {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

const std::int64_t kEpochOffset = daysFromCivil(kFirstYear, 1, 1) - 1;  // day number 0
const std::int32_t kLastDate = static_cast<std::int32_t>(daysFromCivil(kLastYear, 12, 31) -
                                                         daysFromCivil(kFirstYear, 1, 1) + 1);

bool leap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

std::mutex providerMutex;
std::shared_ptr<const std::function<ClockReading()>> provider;

ClockReading now() {
  std::shared_ptr<const std::function<ClockReading()>> p;
  {
    std::lock_guard lock(providerMutex);
    p = provider;
  }
  if (p) return (*p)();  // called unlocked: a provider may itself ask the clock
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const auto secs = std::chrono::duration_cast<std::chrono::seconds>(since);
  const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(since - secs);
  return localReading(static_cast<std::time_t>(secs.count()), static_cast<long>(nanos.count()));
}

}  // namespace

std::int32_t dateFromYmd(int year, int month, int day) {
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
      day > daysInMonth(year, month))
    return 0;
  return static_cast<std::int32_t>(
      daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochOffset);
}

bool ymdFromDate(std::int32_t date, int& year, int& month, int& day) {
  if (date < 1 || date > kLastDate) return false;
  civilFromDays(date + kEpochOffset, year, month, day);
  return true;
}

std::int32_t timeFromHms(int hour, int minute, int second, int hundredths) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      hundredths < 0 || hundredths > 99)
    return 0;
  return ((hour * 60 + minute) * 60 + second) * 100 + hundredths + 1;
}

bool hmsFromTime(std::int32_t time, int& hour, int& minute, int& second, int& hundredths) {
  if (time < 1 || time > kHundredthsPerDay) return false;
  std::int32_t t = time - 1;
  hundredths = t % 100;
  t /= 100;
  second = t % 60;
  t /= 60;
  minute = t % 60;
  hour = t / 60;
  return true;
}

std::int32_t TODAY() {
  return now().date;
}
std::int32_t CLOCK() {
  return now().time;
}

void setClockProvider(std::function<ClockReading()> p) {
  auto shared = p ? std::make_shared<const std::function<ClockReading()>>(std::move(p)) : nullptr;
  std::lock_guard lock(providerMutex);
  provider = std::move(shared);
}

ClockReading localReading(std::time_t seconds, long nanoseconds) {
  std::tm tm{};
  localtime_r(&seconds, &tm);
  const int hundredths = static_cast<int>(nanoseconds / 10'000'000);
  return {dateFromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday),
          timeFromHms(tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), hundredths)};
}

}  // namespace rt
