// The procedures the frame and the start-up thread start by name. A procedure whose code is
// not in the program yet has no entry point: its menu item is unavailable and the start-up
// thread passes over it.
#pragma once

#include <string_view>

using ProcedureEntry = void (*)();

// Where a procedure is started from the menu: its stack size as the system asks for it.
struct ProcedureInfo {
  const char* name;
  long stack;
  ProcedureEntry entry;
};

// nullptr when the procedure is unknown or not available.
ProcedureEntry FindProcedure(std::string_view name);
bool ProcedureAvailable(std::string_view name);
long ProcedureStack(std::string_view name);  // 25000 for procedures without an entry of their own
// Gives a known procedure its entry point (nullptr takes it away again) and returns the one
// it had; an unknown name is left alone.
ProcedureEntry SetProcedure(std::string_view name, ProcedureEntry entry);
