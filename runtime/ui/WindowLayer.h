// The open windows of every procedure thread: finding them, blocking them for a modal
// child, and the program's start and end on the window side.
#pragma once

#include <QPointer>
#include <cstdint>
#include <vector>

class QObject;
class QWidget;

namespace rt {

class Window;

// Starts the window layer for the program: the desktop opener and the help behind RUN and
// ShellOpen, the message for a refused thread, the locale's short date for pictures.
void initWindowLayer();

// The platform's part of the program's end: closes the main thread's windows and waits
// until every procedure thread has ended. Call on the main fiber.
void finishProgram();

Window* findWindow(int id);
std::vector<Window*> openWindows();              // in opening order
std::vector<Window*> threadWindows(int thread);  // open windows of a thread, oldest first
Window* frameWindow();                           // the open MDI frame, if any
// The window that holds a widget, or nullptr.
Window* windowOf(const QWidget* w);

// Disables the open windows and boxes of the current thread for its lifetime: a modal
// child on the same fiber. Other threads' windows stay live.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  std::vector<QPointer<QObject>> blocked_;
  QPointer<QWidget> focus_;  // where the keys went before
};

// Runtime dialogs (message boxes, file dialogs) register here so ModalScope and the test
// driver see them; they are blocked by disabling their widget.
void registerRuntimeDialog(QWidget* dialog, int thread);
void unregisterRuntimeDialog(QWidget* dialog);
std::vector<QWidget*> runtimeDialogs();  // open ones, oldest first
// The window a box or dialog about to show belongs in front of: the one the user is in, else
// the newest shown window of the calling thread, else the frame; nullptr when none shows.
QWidget* dialogOwner();

// Key presses and mouse clicks the program has taken so far, for telling the user's own
// focus changes from the window manager's; the test driver notes its activations as one.
std::uint64_t userInputs();
void noteUserInput();

// Closes every procedure thread but the caller's: open boxes and dialogs are cancelled,
// each thread's windows get the close event, and the caller waits until they have ended.
void closeProcedureThreads();

}  // namespace rt
