// Bookkeeping shared by the window layer's own files.
#pragma once

namespace rt {
class Window;
namespace detail {

int nextWindowId();
void registerWindow(Window* w);
void unregisterWindow(Window* w);
void windowOpened(Window* w);
void windowClosed(Window* w);
void forgetTimer(Window* w);

}  // namespace detail
}  // namespace rt
