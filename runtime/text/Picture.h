// Display and input pictures: "@s20", "@n-10.2", "@N14B", "@d2", "d17", "t3", "@P####PB",
// "pPage <<<#p". The picture letters are case-insensitive; the leading "@" is optional.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/text/Value.h"

namespace rt {

// What a typed text became, or why the picture cannot take it.
struct ParseResult {
  std::optional<Value> value;
  std::string error;
  explicit operator bool() const { return value.has_value(); }
};

// The desktop's short date pattern used by "@d17" (tokens d, dd, M, MM, MMM, MMMM, yy, yyyy,
// ddd, dddd; other characters literal, '...' quoted). The default is "M/d/yyyy".
void setShortDatePattern(std::string pattern);
std::string shortDatePattern();

class Picture {
 public:
  enum class Kind { Invalid, Text, Number, Pattern, Date, Time };

  explicit Picture(std::string_view text);

  Kind kind() const { return kind_; }
  bool valid() const { return kind_ != Kind::Invalid; }
  const std::string& text() const { return text_; }
  // Characters of a fixed-width display (text, number, pattern pictures); 0 otherwise.
  int width() const { return width_; }

  // Numbers come right-aligned in the picture's width, or as "#" when too wide; blank values
  // (date or time 0, zero under a "B" picture) give "". An invalid picture shows the plain text.
  std::string format(const Value& v) const;

  // Text pictures give std::string, number and pattern pictures double, date pictures
  // DateValue, time pictures TimeValue. Blank input is the blank value of the kind. A text
  // the picture cannot take gives expected() as its error.
  ParseResult parse(std::string_view input) const;

  // What the picture takes, worded for someone whose input it refused: "Enter a date as
  // MM/DD/YYYY", "Enter a number up to 99,999.99". A number goes up to the largest the
  // picture shows, or to limit (the variable's) when that is smaller. Text pictures take
  // anything and give "".
  std::string expected(std::optional<double> limit = std::nullopt) const;

 private:
  enum class DateStyle { Short2, Long4, Locale };

  std::string formatNumber(const Value& v) const;
  std::string formatPattern(double v) const;
  std::string formatDate(std::int32_t day) const;
  ParseResult parseNumber(std::string_view input) const;
  ParseResult parsePattern(std::string_view input) const;
  ParseResult parseDate(std::string_view input) const;
  std::string datePattern() const;

  std::string text_;
  Kind kind_ = Kind::Invalid;
  int width_ = 0;
  int places_ = 0;
  bool negativeAllowed_ = false;
  bool blankWhenZero_ = false;
  DateStyle dateStyle_ = DateStyle::Long4;
  std::string pattern_;  // the body of a pattern picture
  int patternDigits_ = 0;
};

}  // namespace rt
