// The string functions of the system's language, on clipped or unclipped text.
// Positions are 1-based.
#pragma once

#include <string>
#include <string_view>

namespace rt {

std::string CLIP(std::string_view s);  // without trailing blanks
// SUB(t, start, len): start 0 is taken as 1; a negative len means "to the end"; len 0 gives "".
std::string SUB(std::string_view s, long start, long len);
// Position of sub in s from start, stepping by step; 0 when not found or start lies beyond the end.
long INSTRING(std::string_view sub, std::string_view s, long step = 1, long start = 1);
std::string UPPER(std::string_view s);              // ASCII letters only
std::string LOWER(std::string_view s);              // ASCII letters only
std::string LEFT(std::string_view s);               // leading blanks moved to the end
std::string LEFT(std::string_view s, long length);  // the same, in a field of length
long LEN(std::string_view s);
std::string CENTER(std::string_view s, long length);

// Helpers of the runtime itself.
constexpr char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
std::string_view trimBlanks(std::string_view s);            // without blanks and tabs around it
bool equalsNoCase(std::string_view a, std::string_view b);  // ASCII letters folded
bool startsWithNoCase(std::string_view s, std::string_view prefix);

}  // namespace rt
