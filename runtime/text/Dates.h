// Day numbers (day 1 = 1 January 1800, 0 = no date) and times of day
// (hundredths of a second since midnight + 1, 0 = no time).
#pragma once

#include <cstdint>
#include <functional>

namespace rt {

std::int32_t dateFromYmd(int year, int month, int day);  // 0 when not a valid date
bool ymdFromDate(std::int32_t date, int& year, int& month, int& day);  // false for 0 or invalid

std::int32_t TODAY();  // the local date
std::int32_t CLOCK();  // the local time of day

// Tests pin "now": the provider returns {date, time}; nullptr restores the system clock.
struct ClockReading {
  std::int32_t date;
  std::int32_t time;
};
void setClockProvider(std::function<ClockReading()> provider);

}  // namespace rt
