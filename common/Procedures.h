// The procedures a program starts by name (from its menus, its start-up thread, a window's
// button). Each folder registers its own; a name whose code is not in this program (the
// page reader links only part of tarnwick) has no entry point: its menu item is unavailable
// and callers pass over it.
#pragma once

#include <initializer_list>
#include <string_view>

using ProcedureEntry = void (*)();

// Where a procedure is started from the menu: its stack size as the system asks for it.
struct ProcedureInfo {
  const char* name;
  long stack;
  ProcedureEntry entry;
};

inline constexpr long kLargeStack = 50000;
inline constexpr long kSmallStack = 25000;

// A folder's procedures join the program's table (a static object of the folder's). A name
// registered twice keeps its first stack and takes an entry point from either.
struct ProcedureRegistration {
  ProcedureRegistration(std::initializer_list<ProcedureInfo> procedures);
};

// nullptr when the procedure is unknown or not available.
ProcedureEntry FindProcedure(std::string_view name);
bool ProcedureAvailable(std::string_view name);
long ProcedureStack(std::string_view name);  // kSmallStack for procedures not registered
// Gives a known procedure its entry point (nullptr takes it away again) and returns the one
// it had; an unknown name is left alone.
ProcedureEntry SetProcedure(std::string_view name, ProcedureEntry entry);
