// Shared by the files of the table windows.
#pragma once

#include <string_view>

namespace rt {
struct WindowTable;
namespace detail {

// A table that cannot make its window is a fault of the program.
[[noreturn]] void bad(const WindowTable& t, std::string_view what, std::string_view name);

}  // namespace detail
}  // namespace rt
