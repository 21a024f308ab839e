#!/bin/sh
# Fails when a program holds a name of the test seams (the commit hooks set from the
# environment, the window test driver and its clock): they are linked into tests only.
# Prints what each program holds.
set -eu
export LC_ALL=C
names='TW_CHANGE_POINTS
TW_KILL_AT
TW_FAIL_COMMIT
change-begun
file-committed
change-decided
file-finished
change-ended
TestHooks
testhooks
failThisCommit
CommitHooks
TestDriver
PaintCount
VirtualClock
advanceClock
waitForWindow
waitForMessageBox
waitForFileDialog
chooseFiles
cancelFileDialog
tests/support/'
command -v strings >/dev/null || { echo "strings is missing (binutils)"; exit 2; }
status=0
for program in "$@"; do
  [ -s "$program" ] || { echo "$program: no such program"; exit 2; }
  found=$(strings -a "$program" | grep -o -F "$names" | sort -u | tr '\n' ' ')
  if [ -n "$found" ]; then
    echo "$(basename "$program") holds test seams: $found"
    status=1
  fi
done
exit $status
