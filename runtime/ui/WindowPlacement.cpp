// Where a window stands: its place and size kept between runs, and the frame's
// children and background.
#include <QGuiApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QScreen>
#include <optional>
#include <utility>

#include "runtime/ui/IniAccess.h"
#include "runtime/ui/Jpeg.h"
#include "runtime/ui/Placement.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowInternal.h"
#include "runtime/ui/WindowLayer.h"

namespace rt {
using detail::clipped;

Window* Window::activeChild() const {
  if (!area_) return nullptr;
  QMdiSubWindow* s = area_->activeSubWindow();
  return s ? windowOf(s->widget()) : nullptr;
}

void Window::tile() {
  if (area_) area_->tileSubWindows();
}
void Window::cascade() {
  if (area_) area_->cascadeSubWindows();
}

void Window::arrangeIcons() {
  if (!area_) return;
  // Minimized children line up along the bottom edge, left to right.
  int x = 0;
  const int bottom = area_->viewport()->height();
  for (QMdiSubWindow* s : area_->subWindowList(QMdiArea::CreationOrder)) {
    if (!s->isMinimized()) continue;
    const QSize sz = s->size();
    s->move(x, bottom - sz.height());
    x += sz.width();
  }
}

namespace {
// A brush of the picture itself repeats it in tiles once the frame outgrows it: the brush is
// the picture scaled over the whole client area instead, centred, made again at each resize.
class BackgroundPicture : public QObject {
 public:
  BackgroundPicture(QMdiArea* area, QImage picture)
      : QObject(area), area_(area), picture_(std::move(picture)) {
    setObjectName(kName);
    area->viewport()->installEventFilter(this);
    fit();
  }
  static constexpr char kName[] = "backgroundPicture";

  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Resize) fit();
    return false;
  }

 private:
  void fit() {
    const QSize size = area_->viewport()->size();
    if (size.isEmpty()) return;
    const QImage scaled =
        picture_.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QImage canvas(size, QImage::Format_RGB32);
    {
      QPainter p(&canvas);
      p.drawImage((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2,
                  scaled);
    }
    area_->setBackground(QBrush(canvas));
  }

  QMdiArea* area_;
  QImage picture_;
};
}  // namespace

bool Window::setBackground(std::string_view jpegFile) {
  if (!area_) return false;
  QImage img = loadPicture(clipped(jpegFile));
  hasBackground_ = !img.isNull();
  delete area_->findChild<QObject*>(BackgroundPicture::kName, Qt::FindDirectChildrenOnly);
  if (hasBackground_) new BackgroundPicture(area_, std::move(img));
  return hasBackground_;
}

// XPos and YPos are the frame's corner, title bar included, as pos() reports it once the
// window manager has framed the window. They are applied before the window is shown, so
// the window system places the frame there; a move after showing would place the client
// area there before the frame is known and the window would climb by its title bar.
void Window::placeAt(std::string_view section) {
  QWidget* top = topLevel();
  std::vector<QRect> areas;
  if (sub_) {
    areas.push_back(sub_->mdiArea()->viewport()->rect());
  } else {
    for (const QScreen* s : QGuiApplication::screens()) areas.push_back(s->availableGeometry());
  }
  auto num = [&](const char* key) -> std::optional<int> {
    if (section.empty()) return std::nullopt;
    const std::string v(clipped(iniGet(section, key, "")));
    if (v.empty()) return std::nullopt;
    return std::atoi(v.c_str());
  };
  const auto x = num("XPos"), y = num("YPos"), w = num("Width"), h = num("Height");
  const bool kept = w && h && *w > 0 && *h > 0;
  if (kept && !areas.empty()) {
    // A kept size is pulled back into the area, as a kept place is: the frame's client area
    // for a child, the screen it was on for the others.
    QRect room = areas.front();
    if (x && y)
      for (const QRect& a : areas)
        if (a.contains(*x, *y)) room = a;
    top->resize(QSize(*w, *h).boundedTo(room.size()).expandedTo(top->minimumSizeHint()));
  } else if (sub_ && desc_.width > 0 && desc_.height > 0) {
    // The area sizes a new child to what its layout needs; a designed size is the child's.
    const QSize decoration = sub_->sizeHint() - body_->sizeHint();
    sub_->resize((QSize(desc_.width, desc_.height) + decoration).boundedTo(areas.front().size()));
  } else if (!sub_ && !areas.empty()) {
    // A first start fits the screen with room for the window manager's frame; a form over
    // the frame fits the frame's client area.
    Window* frame = frameWindow();
    const QSize room = frame && frame != this && frame->area_ ? frame->area_->size()
                                                              : areas.front().size() * 9 / 10;
    const QSize start = top->testAttribute(Qt::WA_Resized) ? top->size() : top->sizeHint();
    top->resize(start.boundedTo(room).expandedTo(top->minimumSizeHint()));
  }
  std::optional<QPoint> at;
  if (x && y) at = reachablePosition(QRect(QPoint(*x, *y), top->size()), areas);
  if (at)
    top->move(*at);
  else if (!sub_)
    placeCentred(top);
  if (!section.empty() && clipped(iniGet(section, "Maximize", "No")) == "Yes")
    top->setWindowState(top->windowState() | Qt::WindowMaximized);
}

void Window::savePosition(std::string_view section) {
  QWidget* top = topLevel();
  const bool maximized = top->isMaximized();
  // normalGeometry() is the client area's; the frame's corner lies the frame's margins off.
  const QPoint margin = top->geometry().topLeft() - top->pos();
  const QRect r =
      maximized ? top->normalGeometry().translated(-margin) : QRect(top->pos(), top->size());
  const std::string x = std::to_string(r.x()), y = std::to_string(r.y());
  const std::string w = std::to_string(r.width()), h = std::to_string(r.height());
  iniPut(section, {{"XPos", x},
                   {"YPos", y},
                   {"Width", w},
                   {"Height", h},
                   {"Maximize", maximized ? "Yes" : "No"}});
}

}  // namespace rt
