#include "runtime/ui/Placement.h"

#include <algorithm>

namespace rt {

namespace {
// Enough of the title bar to take hold of with the mouse.
constexpr int kGripWidth = 100;
constexpr int kGripHeight = 24;
}  // namespace

std::optional<QPoint> reachablePosition(const QRect& frame, const std::vector<QRect>& areas) {
  const auto in =
      std::find_if(areas.begin(), areas.end(), [&](const QRect& a) { return a.intersects(frame); });
  if (in == areas.end()) return std::nullopt;
  const QRect& a = *in;
  const int grip = std::min(frame.width(), kGripWidth);
  const int x = std::clamp(frame.x(), a.left() - frame.width() + grip,
                           std::max(a.left(), a.right() + 1 - grip));
  const int y = std::clamp(frame.y(), a.top(), std::max(a.top(), a.bottom() + 1 - kGripHeight));
  return QPoint(x, y);
}

}  // namespace rt
