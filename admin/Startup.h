// The start-up thread: splash, the launcher when asked for, renewal and note reminders.
#pragma once

#include "common/Splash.h"

// Runs on its own thread, started by the frame when it opens.
void StartupTasks();
// Sets renewaldue to "Yes" when the current Domains record is due within 30 days.
void CheckRenewal();

// Stops a start-up thread as a whole: the window it shows closes and it opens no other.
// Nothing happens when the thread is not a running start-up thread.
void StopStartupTasks(int thread);
inline constexpr char kStartupThreadName[] = "StartupTasks";
