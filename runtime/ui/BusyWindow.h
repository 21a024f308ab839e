// A window whose own thread works through a long run takes no events until the run ends;
// while this lives, its fields and buttons show that, and afterwards they and the focus are
// as they were.
#pragma once

#include <vector>

namespace rt {

class Window;

class BusyWindow {
 public:
  explicit BusyWindow(Window& window);
  ~BusyWindow();
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

 private:
  Window& window_;
  const int focused_;
  std::vector<int> disabled_;  // what was enabled before
};

}  // namespace rt
