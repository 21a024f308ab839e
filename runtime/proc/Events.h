// Events of windows, queued per procedure thread and taken by the window event loops
// that run on that thread.
#pragma once

#include <cstdint>

namespace rt {

enum class EventKind : std::uint8_t {
  None,
  // Field events (they name a control).
  Accepted,      // a button pressed, an entry's new value accepted, a menu item picked
  Selected,      // a control got the focus
  NewSelection,  // a list row or drop list item changed, a sheet showing another tab
  Rejected,      // typed input the control's picture cannot take
  // Window events.
  OpenWindow,   // the window has just opened
  CloseWindow,  // close box, or posted by another thread
  Completed,    // the request is done (OK)
  Timer,        // the window's timer ran out
  AlertKey,     // a registered key or mouse click
  LoseFocus,    // the window is no longer the active one
  GainFocus,
};

// Key codes of alert keys and keyboard events.
namespace key {
inline constexpr int MouseLeft = 1;
inline constexpr int MouseRight = 2;
inline constexpr int MouseCenter = 3;
inline constexpr int MouseLeft2 = 5;  // double click
inline constexpr int MouseRight2 = 6;
inline constexpr int Enter = 0x0D;
inline constexpr int Escape = 0x1B;
// Printable keys are their ASCII code; the function keys lie above that range.
inline constexpr int F1 = 0x170;  // F1..F12 follow in order
inline constexpr int F9 = F1 + 8;
inline constexpr int F12 = F1 + 11;
inline constexpr int Insert = F12 + 1;
inline constexpr int Delete = F12 + 2;
}  // namespace key

struct Event {
  EventKind kind = EventKind::None;
  int control = 0;  // 0: a window event
  int window = 0;   // target window id; 0: whatever window is on top on the thread
  int key = 0;      // AlertKey: the key code
};

// Queues ev for a thread and wakes it. Timer events are not stacked: a window has at
// most one waiting. Returns false when the thread does not run.
bool postEvent(int thread, const Event& ev);

// The system's PostEvent: to the window on top of a thread (by default the caller's).
inline bool PostEvent(EventKind kind, int control, int thread) {
  return postEvent(thread, Event{kind, control, 0, 0});
}

// The same for the caller's own thread.
bool PostEvent(EventKind kind, int control = 0);

// Takes the first event of the current thread meant for window (or for no window in
// particular). Events of other windows stay queued for them.
bool takeEvent(int window, Event& out);
bool hasEvent(int window);
// Takes the first event of the current thread that is of this kind and meant for no window
// in particular (what a box or dialog on top of the thread answers to).
bool takeUntargeted(EventKind kind);
// Whether a thread has such an event waiting.
bool untargetedPending(int thread, EventKind kind);
// Drops the events still queued for a window that has closed.
void discardEvents(int window);

}  // namespace rt
