#include "runtime/text/Picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

#include "runtime/text/Dates.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/NumberText.h"
#include "runtime/text/Strings.h"

namespace rt {

namespace {

constexpr int kMaxPlaces = 9;

std::mutex patternMutex;
std::string localePattern = "M/d/yyyy";

constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};
constexpr std::array<const char*, 7> kWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Reads an unsigned decimal from s at i; -1 when there are no digits or too many.
int readInt(std::string_view s, std::size_t& i, std::size_t maxDigits = 6) {
  const std::size_t from = i;
  int v = 0;
  while (i < s.size() && isDigit(s[i]) && i - from < maxDigits) v = v * 10 + (s[i++] - '0');
  return i == from || (i < s.size() && isDigit(s[i])) ? -1 : v;
}

// Whole text as an unsigned decimal, or -1.
int wholeInt(std::string_view s) {
  std::size_t i = 0;
  const int v = readInt(s, i);
  return i == s.size() ? v : -1;
}

std::string padded(int v, int width) {
  std::string t = std::to_string(v);
  if (static_cast<int>(t.size()) < width)
    t.insert(0, static_cast<std::size_t>(width) - t.size(), '0');
  return t;
}

// One element of a date pattern: a run of a field letter, or literal text.
struct DateToken {
  char field = 0;  // 'd', 'M', 'y' or 0 for a literal
  int count = 0;
  std::string literal;
};

std::vector<DateToken> tokenizeDatePattern(std::string_view p) {
  std::vector<DateToken> out;
  auto literal = [&out](char c) {
    if (out.empty() || out.back().field != 0) out.push_back({});
    out.back().literal.push_back(c);
  };
  for (std::size_t i = 0; i < p.size();) {
    const char c = p[i];
    if (c == 'd' || c == 'M' || c == 'y') {
      std::size_t j = i;
      while (j < p.size() && p[j] == c) ++j;
      out.push_back({c, static_cast<int>(j - i), {}});
      i = j;
    } else if (c == '\'') {
      std::size_t j = i + 1;
      if (j < p.size() && p[j] == '\'') {
        literal('\'');
        i = j + 1;
        continue;
      }
      for (; j < p.size() && p[j] != '\''; ++j) literal(p[j]);
      i = j + 1;
    } else {
      literal(c);
      ++i;
    }
  }
  return out;
}

// 0 = Sunday; day 1, 1 January 1800, was a Wednesday.
int weekday(std::int32_t day) {
  return static_cast<int>((day - 1 + 3) % 7);
}

// Typed date items: numbers with their digit counts, or month names.
struct DateItem {
  int value = 0;
  int digits = 0;  // 0 for a month name
};

bool readDateItems(std::string_view s, std::vector<DateItem>& items) {
  for (std::size_t i = 0; i < s.size();) {
    if (isDigit(s[i])) {
      const std::size_t from = i;
      const int v = readInt(s, i, 4);
      if (v < 0) return false;
      items.push_back({v, static_cast<int>(i - from)});
    } else if (isAlpha(s[i])) {
      std::size_t j = i;
      while (j < s.size() && isAlpha(s[j])) ++j;
      const std::string_view word = s.substr(i, j - i);
      i = j;
      if (word.size() < 3) return false;
      bool known = false;
      for (std::size_t m = 0; m < kMonths.size() && !known; ++m)
        if (startsWithNoCase(kMonths[m], word)) {
          items.push_back({static_cast<int>(m) + 1, 0});
          known = true;
        }
      for (const char* w : kWeekdays) known = known || startsWithNoCase(w, word);
      if (!known) return false;
    } else if (s[i] == ' ' || s[i] == '/' || s[i] == '-' || s[i] == '.' || s[i] == ',') {
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

std::int32_t dateFromItems(const std::vector<DateItem>& items, std::string_view order) {
  if (items.size() != order.size()) return 0;
  int y = 0, m = 0, d = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const DateItem& it = items[k];
    if (order[k] == 'M') {
      if (it.digits > 2) return 0;
      m = it.value;
    } else if (it.digits == 0) {
      return 0;  // a name only stands for a month
    } else if (order[k] == 'd') {
      if (it.digits > 2) return 0;
      d = it.value;
    } else if (it.digits <= 2) {
      y = it.value < 50 ? 2000 + it.value : 1900 + it.value;
    } else if (it.digits == 4) {
      y = it.value;
    } else {
      return 0;
    }
  }
  return dateFromYmd(y, m, d);
}

std::string fill(int width) {
  return std::string(static_cast<std::size_t>(width), '#');
}

std::uint64_t pow10(int n) {
  std::uint64_t v = 1;
  while (n-- > 0) v *= 10;
  return v;
}

// |v| scaled by 10^places and rounded half away from zero; nullopt when beyond 18 digits.
std::optional<std::uint64_t> scaledDouble(double v, int places) {
  if (!std::isfinite(v)) return std::nullopt;
  const double scaled = std::fabs(v) * static_cast<double>(pow10(places));
  if (scaled < 9e15) return static_cast<std::uint64_t>(std::llround(scaled));
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", places, std::fabs(v));
  NumberText n;
  const std::string_view t(buf);
  const std::size_t dot = t.find('.');
  n.integer = std::string(t.substr(0, dot));
  if (dot != std::string_view::npos) n.fraction = std::string(t.substr(dot + 1));
  return scaledMagnitude(n, places);
}

}  // namespace

void setShortDatePattern(std::string pattern) {
  std::lock_guard lock(patternMutex);
  localePattern = pattern.empty() ? "M/d/yyyy" : std::move(pattern);
}

std::string shortDatePattern() {
  std::lock_guard lock(patternMutex);
  return localePattern;
}

Picture::Picture(std::string_view text) : text_(text) {
  std::string_view s = text;
  if (!s.empty() && s.front() == '@') s.remove_prefix(1);
  if (s.empty()) return;
  const char letter = asciiLower(s.front());
  std::string_view rest = s.substr(1);
  switch (letter) {
    case 's':
      width_ = wholeInt(rest);
      if (width_ > 0) kind_ = Kind::Text;
      return;
    case 'n': {
      if (!rest.empty() && rest.front() == '-') {
        negativeAllowed_ = true;
        rest.remove_prefix(1);
      }
      if (!rest.empty() && asciiLower(rest.back()) == 'b') {
        blankWhenZero_ = true;
        rest.remove_suffix(1);
      }
      std::size_t i = 0;
      width_ = readInt(rest, i);
      if (i < rest.size() && rest[i] == '.') {
        ++i;
        places_ = readInt(rest, i);
      }
      if (i == rest.size() && width_ > 0 && places_ >= 0 && places_ <= kMaxPlaces &&
          width_ > places_)
        kind_ = Kind::Number;
      return;
    }
    case 'p': {
      // Closed by the same letter in the same case, so "pPage <<<#p" keeps its "P".
      const std::size_t close = s.rfind(s.front());
      if (close == 0) return;
      const std::string_view tail = s.substr(close + 1);
      if (!tail.empty() && !(tail.size() == 1 && asciiLower(tail[0]) == 'b')) return;
      blankWhenZero_ = !tail.empty();
      pattern_ = std::string(s.substr(1, close - 1));
      for (char c : pattern_) patternDigits_ += c == '#' || c == '<';
      width_ = static_cast<int>(pattern_.size());
      if (patternDigits_ > 0 && patternDigits_ <= 18) kind_ = Kind::Pattern;
      return;
    }
    case 'd': {
      const int style = wholeInt(rest);
      if (style == 1 || style == 2 || style == 17) {
        kind_ = Kind::Date;
        dateStyle_ = style == 1   ? DateStyle::Short2
                     : style == 2 ? DateStyle::Long4
                                  : DateStyle::Locale;
      }
      return;
    }
    case 't':
      if (wholeInt(rest) == 3) kind_ = Kind::Time;
      return;
    default:
      return;
  }
}

std::string Picture::datePattern() const {
  switch (dateStyle_) {
    case DateStyle::Short2:
      return "MM/dd/yy";
    case DateStyle::Long4:
      return "MM/dd/yyyy";
    case DateStyle::Locale:
      break;
  }
  return shortDatePattern();
}

std::string Picture::format(const Value& v) const {
  switch (kind_) {
    case Kind::Invalid:
      return textOf(v);
    case Kind::Text: {
      const std::string t = textOf(v);
      return t.substr(0, utf8CutLength(t, static_cast<std::size_t>(width_)));
    }
    case Kind::Number:
      return formatNumber(v);
    case Kind::Pattern:
      return formatPattern(numberOf(v));
    case Kind::Date: {
      const double d = numberOf(v);
      return std::fabs(d) < 1e9 ? formatDate(static_cast<std::int32_t>(d)) : std::string();
    }
    case Kind::Time: {
      const double t = numberOf(v);
      int h, m, s, c;
      if (std::fabs(t) > 1e9 || !hmsFromTime(static_cast<std::int32_t>(t), h, m, s, c)) return {};
      return std::to_string(h % 12 == 0 ? 12 : h % 12) + ":" + padded(m, 2) +
             (h < 12 ? "AM" : "PM");
    }
  }
  return {};
}

std::string Picture::formatNumber(const Value& v) const {
  bool negative;
  std::optional<std::uint64_t> scaled;
  if (const auto* d = std::get_if<Decimal>(&v)) {
    // Exact: no detour through binary fractions.
    const std::int64_t h = d->hundredths;
    negative = h < 0;
    const auto mag = static_cast<std::uint64_t>(negative ? -h : h);
    if (places_ >= 2) {
      scaled = mag * pow10(places_ - 2);
    } else {
      const std::uint64_t div = pow10(2 - places_);
      scaled = (mag + div / 2) / div;
    }
  } else {
    const double x = numberOf(v);
    negative = x < 0;
    scaled = scaledDouble(x, places_);
  }
  if (!scaled) return fill(width_);
  if (*scaled == 0 && blankWhenZero_) return {};
  std::string t = renderScaled(negative, *scaled, places_, true);
  if (static_cast<int>(t.size()) > width_) return fill(width_);
  t.insert(0, static_cast<std::size_t>(width_) - t.size(), ' ');
  return t;
}

std::string Picture::formatPattern(double v) const {
  const auto n = scaledDouble(v, 0);
  if (!n) return fill(width_);
  if (*n == 0 && blankWhenZero_) return {};
  std::string digits = std::to_string(*n);
  if (static_cast<int>(digits.size()) > patternDigits_) return fill(width_);
  // Digits fill the digit places from the right; a "<" left of the number shows nothing.
  std::string out;
  auto next = digits.rbegin();
  for (auto p = pattern_.rbegin(); p != pattern_.rend(); ++p) {
    if (*p == '#' || *p == '<') {
      if (next != digits.rend())
        out.push_back(*next++);
      else if (*p == '#')
        out.push_back('0');
    } else {
      out.push_back(*p);
    }
  }
  return std::string(out.rbegin(), out.rend());
}

std::string Picture::formatDate(std::int32_t day) const {
  int y, m, d;
  if (!ymdFromDate(day, y, m, d)) return {};
  std::string out;
  for (const DateToken& t : tokenizeDatePattern(datePattern())) {
    const std::string name = t.field == 'M'   ? kMonths[static_cast<std::size_t>(m - 1)]
                             : t.field == 'd' ? kWeekdays[static_cast<std::size_t>(weekday(day))]
                                              : "";
    switch (t.field) {
      case 'd':
      case 'M':
        if (t.count <= 2)
          out += padded(t.field == 'd' ? d : m, t.count);
        else
          out += t.count == 3 ? name.substr(0, 3) : name;
        break;
      case 'y':
        out += t.count <= 2 ? padded(y % 100, 2) : padded(y, 4);
        break;
      default:
        out += t.literal;
    }
  }
  return out;
}

ParseResult Picture::parse(std::string_view input) const {
  switch (kind_) {
    case Kind::Invalid:
      return {Value{std::string(input)}, {}};
    case Kind::Text:
      return {Value{std::string(
                  input.substr(0, utf8CutLength(input, static_cast<std::size_t>(width_))))},
              {}};
    case Kind::Number:
      return parseNumber(input);
    case Kind::Pattern:
      return parsePattern(input);
    case Kind::Date:
      return parseDate(input);
    case Kind::Time:
      break;
  }
  const std::string_view s = trimBlanks(input);
  if (s.empty()) return {Value{TimeValue{}}, {}};
  std::size_t i = 0;
  int h = readInt(s, i, 2), m = 0, sec = 0;
  if (i < s.size() && s[i] == ':') m = readInt(s, ++i, 2);
  if (m >= 0 && i < s.size() && s[i] == ':') sec = readInt(s, ++i, 2);
  while (i < s.size() && s[i] == ' ') ++i;
  const std::string_view suffix = s.substr(i);
  int hour = h;
  if (!suffix.empty()) {
    const bool pm = startsWithNoCase(suffix, "p");
    const bool am = startsWithNoCase(suffix, "a");
    const bool known =
        (am || pm) && (suffix.size() == 1 || (suffix.size() == 2 && asciiLower(suffix[1]) == 'm'));
    hour = known && h >= 1 && h <= 12 ? h % 12 + (pm ? 12 : 0) : -1;
  }
  const std::int32_t t = h < 0 || m < 0 || sec < 0 ? 0 : timeFromHms(hour, m, sec);
  if (t == 0) return {std::nullopt, expected()};
  return {Value{TimeValue{t}}, {}};
}

std::string Picture::expected(std::optional<double> limit) const {
  switch (kind_) {
    case Kind::Number: {
      // The largest magnitude of all nines that the picture still shows.
      std::uint64_t largest = 0;
      for (int digits = 1; digits <= 15; ++digits) {
        const std::uint64_t nines = pow10(digits) - 1;
        if (static_cast<int>(renderScaled(false, nines, places_, true).size()) > width_) break;
        largest = nines;
      }
      if (limit && *limit >= 0)
        largest = std::min(largest,
                           static_cast<std::uint64_t>(std::floor(*limit * pow10(places_) + 0.5)));
      const std::string top = renderScaled(false, largest, places_, true);
      return negativeAllowed_ ? "Enter a number up to " + top : "Enter a number from 0 to " + top;
    }
    case Kind::Pattern:
      return "Enter a number as " + pattern_;
    case Kind::Date: {
      const std::string pattern = datePattern();
      std::string shape = pattern;
      for (char& c : shape) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
      // mm/dd/yyyy is taken too; named when the shown form does not already look like it.
      std::string form;
      for (const DateToken& t : tokenizeDatePattern(pattern))
        form += t.field == 0                     ? t.literal
                : t.count <= 2 || t.field == 'y' ? std::string(1, t.field)
                                                 : "?";
      return "Enter a date as " + shape + (form == "M/d/y" ? "" : " or MM/DD/YYYY");
    }
    case Kind::Time:
      return "Enter a time as 5:30PM or 17:30";
    case Kind::Invalid:
    case Kind::Text:
      break;
  }
  return {};
}

ParseResult Picture::parseNumber(std::string_view input) const {
  if (trimBlanks(input).empty()) return {Value{0.0}, {}};
  const auto n = splitNumber(input);
  if (!n) return {std::nullopt, expected()};
  const auto scaled = scaledMagnitude(*n, places_);
  if (scaled && n->negative && *scaled != 0 && !negativeAllowed_) return {std::nullopt, expected()};
  if (!scaled ||
      static_cast<int>(renderScaled(n->negative, *scaled, places_, true).size()) > width_)
    return {std::nullopt, expected()};
  const double v = static_cast<double>(*scaled) / static_cast<double>(pow10(places_));
  return {Value{n->negative && *scaled != 0 ? -v : v}, {}};
}

ParseResult Picture::parsePattern(std::string_view input) const {
  const std::string_view s = trimBlanks(input);
  if (s.empty()) return {Value{0.0}, {}};
  std::string digits;
  for (char c : s)
    if (isDigit(c)) digits.push_back(c);
  const std::string error = expected();
  if (digits.empty() || digits.size() > 18) return {std::nullopt, error};
  const double v = static_cast<double>(std::stoull(digits));
  const std::string shown = formatPattern(v);
  const bool fits = shown.find_first_not_of('#') != std::string::npos || shown.empty();
  if (!fits || (digits.size() != s.size() && trimBlanks(shown) != s)) return {std::nullopt, error};
  return {Value{v}, {}};
}

ParseResult Picture::parseDate(std::string_view input) const {
  const std::string_view s = trimBlanks(input);
  if (s.empty()) return {Value{DateValue{}}, {}};
  const std::string pattern = datePattern();
  std::string order;
  for (const DateToken& t : tokenizeDatePattern(pattern))
    if (t.field == 'y' || t.field == 'M' || (t.field == 'd' && t.count <= 2))
      order.push_back(t.field);
  std::vector<DateItem> items;
  std::int32_t day = 0;
  if (readDateItems(s, items)) {
    // "mm/dd/yyyy" is taken under every date picture; a locale form without "/" cannot be it.
    const bool slashes = s.find('/') != std::string_view::npos;
    if (!(slashes && pattern.find('/') == std::string::npos)) day = dateFromItems(items, order);
    if (day == 0) day = dateFromItems(items, "Mdy");
  }
  if (day == 0) return {std::nullopt, expected()};
  return {Value{DateValue{day}}, {}};
}

}  // namespace rt
