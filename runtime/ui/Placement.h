// Where a window goes when it opens at a kept position. Rectangles are frames (title bar
// included) in the coordinates of the areas: the screens' available areas for windows of
// their own, the frame's client area for MDI children.
#pragma once

#include <QPoint>
#include <QRect>
#include <optional>
#include <vector>

namespace rt {

// The top-left corner at which the window's title bar can be reached: its top inside
// the area the window lies in and a grip of its width inside that area too. Nothing when
// the window meets no area at all.
std::optional<QPoint> reachablePosition(const QRect& frame, const std::vector<QRect>& areas);

}  // namespace rt
