// The help window of the runtime: the pages of the program's HTML help book, one per window
// procedure, and its contents page. F1 and Help buttons open the current window's page.
#pragma once

#include <QString>
#include <functional>
#include <string_view>

class QTextBrowser;
class QWidget;

namespace rt {

// Where a procedure's page is (a ":/..." resource or a file path); an empty procedure
// asks for the contents page. The program main installs it from its help book.
void setHelpBook(std::function<QString(std::string_view procedure)> pageOf);
// Shows the page in the help window (one window, reused); nothing without a help book.
void showHelp(std::string_view procedure = {});
// The help window (at its contents when it was not open) with the focus in its search
// field, which narrows the book's index to the topics holding the words typed.
void showHelpSearch();
QWidget* helpWindow();        // the open help window, or nullptr
QTextBrowser* helpBrowser();  // its page, or nullptr

enum class EditAction { Cut, Copy, Paste };
// The clipboard actions of the frame's Edit menu, on the control that has the focus.
void editAction(EditAction action);

}  // namespace rt
