// The clock behind window timers.
#pragma once

namespace rt {

// Timers run on the real clock unless a test switches to the virtual one, which moves
// only when advanced.
void useVirtualClock(bool on);
bool virtualClock();
void advanceClock(long hundredths);

}  // namespace rt
