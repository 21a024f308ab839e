// Where a window goes when it opens at a kept position. Rectangles are frames (title bar
// included) in the coordinates of the areas: the screens' available areas for windows of
// their own, the frame's client area for MDI children.
#pragma once

#include <QPoint>
#include <QRect>
#include <optional>
#include <vector>

class QWidget;

namespace rt {

// The top-left corner at which the window's title bar can be reached: its top inside
// the area the window lies in and a grip of its width inside that area too. Nothing when
// the window meets no area at all.
std::optional<QPoint> reachablePosition(const QRect& frame, const std::vector<QRect>& areas);

// The top-left corner of a frame of this size centred over `over`, moved as little as
// needed to lie wholly inside `area` (its top-left corner inside it when it is larger).
QPoint centredPosition(const QSize& frame, const QRect& over, const QRect& area);

// A window of its own that has no kept place, before it is shown: its size bounded to the
// screen, centred on the open frame (on the screen without one) and wholly on the screen.
void placeCentred(QWidget* top);

}  // namespace rt
