// What the windows of both programs share: the error object, the shell helper and the
// context their window tables are resolved in.
#pragma once

#include <memory>
#include <string_view>

#include "runtime/data/ErrorReporter.h"
#include "runtime/ui/TableWindows.h"

namespace rt {
class Window;
}

// What both program mains do first: the window layer, the look and icon of the system's
// windows, the program's help book, and a copy of every record buffer per procedure thread.
void StartSystemWindows(const char* helpBook);
// What both program mains do last: all of the above undone, so nothing of this run stays
// behind for a program started again in the same process.
void StopSystemWindows();

// Hands a document or address to the desktop's opener; nothing is reported. The window is
// the one asking.
void ShellOpen(const rt::Window* window, std::string_view target);

// The error object: the file managers' messages as message boxes.
class ProgramErrorsClass : public rt::ErrorReporter {
 public:
  void Init();
  void Kill();
  rt::Answer report(const rt::ReportedMessage& message) override;
};

extern ProgramErrorsClass ProgramErrors;

// The dictionary's files and names and the registered procedures, for every window table.
// The program sets its look and icon when it starts.
rt::TableContext& SystemTables();

// The rows every browse of the system shows alike: its list, the record buttons with their
// icons, Close, and the hint on resizing the columns.
inline constexpr char kResizeHint[] =
    "To resize columns, use mouse on vertical lines. To reset use F9 key.";
constexpr rt::ControlRow BrowseListRow(int number) {
  return {number, rt::ControlKind::List, "", 0, nullptr, "", "", "", "Browsing Records"};
}
constexpr rt::ControlRow InsertRow(int number) {
  return {number, rt::ControlKind::Button, "&Insert", 0, nullptr, "", "", "insert3.ico"};
}
constexpr rt::ControlRow ChangeRow(int number) {
  return {number, rt::ControlKind::Button, "&Change", 0, nullptr, "", "", "chg4.ico"};
}
constexpr rt::ControlRow DeleteRow(int number) {
  return {number, rt::ControlKind::Button, "&Delete", 0, nullptr, "", "", "delete4.ico"};
}
constexpr rt::ControlRow CloseRow(int number) {
  return {number, rt::ControlKind::Button, "Close", 0, nullptr, "", "", "Progm039.ico"};
}

// The look of the system's windows with sheets: coloured tabs.
std::unique_ptr<rt::WindowLook> ColoredTabs(rt::Window& window);
