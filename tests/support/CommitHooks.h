// Commit points of changes that span data files, driven from the environment so that a child
// process run by a crash test picks them up:
//   TW_CHANGE_POINTS=<file>  appends the name of every commit point reached, one per line;
//   TW_KILL_AT=<n>           the process kills itself (SIGKILL) at the n-th point reached;
//   TW_FAIL_COMMIT=<n>       the n-th data-file COMMIT inside such a change fails.
#pragma once

namespace testsupport {

// Watches the commit points when any of the variables is set.
void installCommitHooks();

}  // namespace testsupport
