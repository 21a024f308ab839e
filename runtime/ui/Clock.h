// The clock behind window timers: Qt's timers unless another clock is set.
#pragma once

namespace rt {

class Window;

class TimerClock {
 public:
  virtual ~TimerClock() = default;
  // From now on w->fireTimer() every `hundredths`, in place of w's former timer.
  virtual void start(Window* w, long hundredths) = 0;
  virtual void stop(Window* w) = 0;
};

// Open windows move their timers to the clock set; nullptr: Qt's timers.
void setTimerClock(TimerClock* clock);
TimerClock* timerClock();

}  // namespace rt
