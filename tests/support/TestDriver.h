// Drives windows in-process for tests (QT_QPA_PLATFORM=offscreen): starts procedures on
// threads, finds their windows, types and presses as a user would, answers message boxes
// and file dialogs, and moves a virtual clock so timers run without real waiting.
// Every call is made from the test body, i.e. the main fiber.
#pragma once

#include <QObject>
#include <Qt>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/proc/Threads.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/Window.h"

class QMessageBox;
class QFileDialog;
class QWidget;

namespace rt {

class TestDriver {
 public:
  TestDriver();   // switches timers to the virtual clock
  ~TestDriver();  // back to the real clock

  int start(Procedure proc, long stack = 25000, std::string_view name = {});

  // Lets every procedure thread run until all of them wait.
  void pump();
  // Pumps until pred() holds; false after maxMs of real time.
  bool waitUntil(const std::function<bool()>& pred, int maxMs = 3000);
  void waitForThreadsToEnd();

  // The newest open window whose procedure name or title is name.
  Window* find(std::string_view name) const;
  Window* waitForWindow(std::string_view name, int maxMs = 3000);
  bool waitForClose(std::string_view name, int maxMs = 3000);
  bool isOpen(const Window* w) const;

  std::string text(Window* w, int control) const { return w->text(control); }
  // Rows of a list as its model shows them (columns from 0).
  int rowCount(Window* w, int list) const;
  std::string cell(Window* w, int list, int row, int column = 0) const;  // row from 1
  // As a user would, these act only on a control that exists and is enabled, in a window
  // not blocked by a modal child; false otherwise.
  // Replaces the control's text as typed and leaves the field, so it is accepted.
  bool type(Window* w, int control, std::string_view text);
  bool press(Window* w, int control);            // buttons, checks, radios
  bool choose(Window* w, int control, int row);  // lists and drop lists, 1-based
  bool selectTab(Window* w, int sheet, int position);
  bool pickMenu(Window* w, int item);                // menu items and toolbar buttons
  void click(Window* w, int control, int mouseKey);  // key::MouseLeft, MouseLeft2, MouseRight
  void pressKey(Window* w, int control, int keyCode);
  void close(Window* w);     // the close box
  void activate(Window* w);  // the others lose the focus

  // The keyboard as a user has it: key events go to whatever widget has the focus, so
  // what they reach depends on the windows themselves, not on the test.
  QWidget* focusWidget() const;  // nullptr while no window is active
  Window* focusWindow() const;   // the window holding the focus
  int focusedControl() const;    // its control, 0 when none
  // The window drawn as the active one: the active window, or a frame's active child.
  Window* activeWindow() const;
  // Types each character as a key press; false when nothing has the focus.
  bool typeKeys(std::string_view text);
  // Presses and releases one key (Qt::Key_Tab, Qt::Key_Return, Qt::Key_I with alt, ...).
  bool hitKey(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

  QMessageBox* messageBox() const;  // the newest, or nullptr
  QMessageBox* waitForMessageBox(int maxMs = 3000);
  std::string messageText(QMessageBox* box) const;  // lines joined with "|"
  std::string messageCaption(QMessageBox* box) const;
  bool answer(int buttonValue);  // presses a button of the newest box
  bool answer(std::string_view text);

  QFileDialog* waitForFileDialog(int maxMs = 3000);
  bool chooseFiles(const std::vector<std::string>& files);  // in the newest dialog
  bool cancelFileDialog();

  void advanceClock(long hundredths);
};

// Counts the paints one widget gets, for tests that a window draws a thing once.
class PaintCount : public QObject {
 public:
  explicit PaintCount(QWidget* w);
  int count() const { return count_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  int count_ = 0;
};

}  // namespace rt
