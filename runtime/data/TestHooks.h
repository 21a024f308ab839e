// Test-only seams of a change that spans files, set from the environment so that a child
// process run by a crash test picks them up:
//   TW_CHANGE_POINTS=<file>  appends the name of every commit point reached, one per line;
//   TW_KILL_AT=<n>           the process kills itself (SIGKILL) at the n-th point reached;
//   TW_FAIL_COMMIT=<n>       the n-th data-file COMMIT inside such a change fails.
// With none of them set, each call costs a test of a cached flag.
#pragma once

#include <string_view>

namespace rt::testhooks {

// "change-begun", "file-committed", "change-decided", "file-finished", "change-ended".
void point(std::string_view name);
// Whether the COMMIT about to run is the one to fail.
bool failThisCommit();

}  // namespace rt::testhooks
