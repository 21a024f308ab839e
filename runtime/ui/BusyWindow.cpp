#include "runtime/ui/BusyWindow.h"

#include "runtime/ui/Window.h"

namespace rt {
namespace {

bool takesInput(ControlKind kind) {
  switch (kind) {
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::Button:
    case ControlKind::Check:
    case ControlKind::Option:
    case ControlKind::Radio:
    case ControlKind::List:
    case ControlKind::DropList:
      return true;
    default:
      return false;
  }
}

}  // namespace

BusyWindow::BusyWindow(Window& window) : window_(window), focused_(window.focusedControl()) {
  for (int c : window_.controls()) {
    if (!takesInput(window_.controlKind(c)) || !window_.enabled(c)) continue;
    window_.setEnabled(c, false);
    disabled_.push_back(c);
  }
}

BusyWindow::~BusyWindow() {
  for (int c : disabled_) window_.setEnabled(c, true);
  // Disabling the focused control sent the focus away; it comes back where it was.
  if (focused_ && window_.enabled(focused_)) window_.selectControl(focused_);
}

}  // namespace rt
