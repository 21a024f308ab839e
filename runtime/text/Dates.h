// Day numbers (day 1 = 1 January 1800, 0 = no date) and times of day
// (hundredths of a second since midnight + 1, 0 = no time).
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>

namespace rt {

std::int32_t dateFromYmd(int year, int month, int day);                // 0 when not a valid date
bool ymdFromDate(std::int32_t date, int& year, int& month, int& day);  // false for 0 or invalid

// 0 when not a valid time of day.
std::int32_t timeFromHms(int hour, int minute, int second = 0, int hundredths = 0);
bool hmsFromTime(std::int32_t time, int& hour, int& minute, int& second, int& hundredths);

constexpr int kFirstYear = 1800;
constexpr int kLastYear = 9999;
constexpr std::int32_t kHundredthsPerDay = 24 * 60 * 60 * 100;

std::int32_t TODAY();  // the local date
std::int32_t CLOCK();  // the local time of day

// Tests pin "now": the provider returns {date, time}; nullptr restores the system clock.
struct ClockReading {
  std::int32_t date;
  std::int32_t time;
};
void setClockProvider(std::function<ClockReading()> provider);

// A moment of the system clock (seconds and nanoseconds since the epoch) as local date and time.
ClockReading localReading(std::time_t seconds, long nanoseconds = 0);

}  // namespace rt
