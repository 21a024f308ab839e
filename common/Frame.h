// The application frames of both programs: a table of menu items, each with its action, the
// navigation toolbar that forwards its buttons to the active child window, and the handling
// of the actions both frames have.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "runtime/ui/WindowController.h"

namespace frame {

enum class Act {
  Start,     // the procedure `target` on a new thread
  Launcher,  // a check item of the program's own
  PrintSetup,
  Exit,
  Edit,  // the clipboard action `target` on the focused control
  Call,  // a windowless routine on the frame's thread
  Run,   // the external program `target`
  Tile,
  Cascade,
  Arrange,
  Help,        // the help book's page `target`; "": its contents
  HelpSearch,  // the help book with the focus in its search field
  Document,    // a shipped document handed to the desktop's opener
};

struct Item {
  int number;
  const char* menu;  // "Menu" or "Menu|Submenu"
  const char* text;
  const char* tip;
  const char* key;
  Act act;
  const char* target;
  void (*call)();
};

inline constexpr int FirstRecordButton = 2000;
inline constexpr int LastRecordButton = 2012;

// The menu bar of the items; `adjust` may mark an item checked or unavailable.
std::vector<rt::MenuDesc> Menus(std::span<const Item> items,
                                const std::function<void(const Item&, rt::MenuDesc&)>& adjust);

// The frame window of a program: its title, background picture, designed size and menus,
// with a status bar and the navigation toolbar (events FirstRecordButton to LastRecordButton).
rt::WindowDesc Describe(const char* title, const char* background, int width, int height,
                        std::vector<rt::MenuDesc> menus);

// Starts a registered procedure on a new thread with its stack; nothing when unavailable.
void StartProcedure(const char* name);

class FrameController : public rt::WindowController {
 public:
  FrameController(rt::WindowDesc desc, std::span<const Item> items, const char* icon);

  rt::Flow Setup() override;
  // The toolbar range first, then the items, then the window layer's own handling.
  rt::Flow OnAccepted() override;
  rt::Flow Teardown() override;

 protected:
  virtual void Perform(const Item& item);

 private:
  std::span<const Item> items_;
  const char* icon_;
};

}  // namespace frame
