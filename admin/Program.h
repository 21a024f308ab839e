// The program main of tarnwick, its error object and the shell helper.
#pragma once

#include <string_view>

#include "runtime/data/ErrorReporter.h"

namespace rt {
class Window;
}

// The whole life of the program: settings, data files, the frame, and the way out.
void ProgramMain();

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
