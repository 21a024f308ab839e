// Message boxes, StopProgram and the file dialog: runtime windows that wait on the calling
// procedure thread only, and that the test driver can find and answer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class QMessageBox;
class QFileDialog;

namespace rt {

enum class MessageIcon { None, Information, Question, Exclamation, Hand };

namespace button {
inline constexpr int Ok = 1;
inline constexpr int Yes = 2;
inline constexpr int No = 4;
inline constexpr int Cancel = 8;
inline constexpr int Abort = 16;
inline constexpr int Retry = 32;
inline constexpr int Ignore = 64;
}  // namespace button

// "|" in text starts a new line. buttons is a set of button:: values; the one returned is
// the one pressed. Closing the box counts as Cancel, else No, else the only button.
int ShowMessageBox(std::string_view text, std::string_view caption = {},
                   MessageIcon icon = MessageIcon::None, int buttons = button::Ok,
                   int defaultButton = 0);
// Buttons given as texts ("&Yes|&No"); returns the 1-based number of the one pressed.
int ShowMessageBox(std::string_view text, std::string_view caption, MessageIcon icon,
                   std::string_view buttonTexts, int defaultButton = 1);

// A box captioned "Stop" with the text and the question whether to exit. Yes closes every
// window, runs the shutdown tasks and ends the program; No returns.
void StopProgram(std::string_view text);

// Open boxes, oldest first; tests answer them.
std::vector<QMessageBox*> openMessageBoxes();
// Presses a box's button by its button:: value, or by its text (without "&").
bool pressMessageBoxButton(QMessageBox* box, int buttonValue);
bool pressMessageBoxButton(QMessageBox* box, std::string_view text);

// ---- file dialog ----
struct FileDialogRequest {
  std::string title;
  std::string masks;      // "HTML files|*.htm;*.html|All files|*.*"
  std::string directory;  // start directory; blank = the current one
  std::string file;       // proposed name
  bool save = false;
  bool multiple = false;
  bool directoryOnly = false;
};
// Waits on the current thread for the user's choice; empty when cancelled.
std::vector<std::string> FileDialog(const FileDialogRequest& request);
std::vector<QFileDialog*> openFileDialogs();
// Qt's filter text for masks: "HTML files (*.htm *.html);;All files (*)".
std::string qtFileFilter(std::string_view masks);

}  // namespace rt
