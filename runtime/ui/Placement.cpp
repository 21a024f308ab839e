#include "runtime/ui/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"

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

QPoint centredPosition(const QSize& frame, const QRect& over, const QRect& area) {
  QRect r(QPoint(0, 0), frame);
  r.moveCenter(over.center());
  const int x = std::clamp(r.x(), area.left(), std::max(area.left(), area.right() + 1 - r.width()));
  const int y = std::clamp(r.y(), area.top(), std::max(area.top(), area.bottom() + 1 - r.height()));
  return QPoint(x, y);
}

void placeCentred(QWidget* top) {
  const Window* frame = frameWindow();
  const QWidget* over = frame ? frame->topLevel() : nullptr;
  if (over == top || (over && !over->isVisible())) over = nullptr;
  QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // Not framed yet: the window manager's title bar and borders are taken to be the frame's.
  const QSize margins = over ? over->frameGeometry().size() - over->size() : QSize(0, 0);
  top->resize(top->size().boundedTo(area.size() - margins).expandedTo(top->minimumSizeHint()));
  top->move(centredPosition(top->size() + margins, over ? over->frameGeometry() : area, area));
}

}  // namespace rt
