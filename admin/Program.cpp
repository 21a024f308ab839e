#include "admin/Program.h"

#include "admin/Main.h"
#include "admin/ProgramIni.h"
#include "dictionary/Dictionary.h"
#include "resources/Resources.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"

ProgramErrorsClass ProgramErrors;

void ProgramErrorsClass::Init() {
  rt::setErrorReporter(this);
}

void ProgramErrorsClass::Kill() {
  rt::setErrorReporter(nullptr);
}

rt::Answer ProgramErrorsClass::report(const rt::ReportedMessage& m) {
  if (m.buttons == rt::MessageButtons::YesNo) {
    const int b = rt::ShowMessageBox(m.text, m.caption, rt::MessageIcon::Question,
                                     rt::button::Yes | rt::button::No, rt::button::No);
    return b == rt::button::Yes ? rt::Answer::Yes : rt::Answer::No;
  }
  rt::ShowMessageBox(m.text, m.caption, rt::MessageIcon::Exclamation);
  return rt::Answer::Ok;
}

void ShellOpen(const rt::Window*, std::string_view target) {
  rt::ShellOpen(target);
}

void ProgramMain() {
  rt::initWindowLayer();
  rt::setHelpBook([](std::string_view procedure) { return rt::helpPage("tarnwick", procedure); });
  // Every procedure thread works on its own copy of the record buffers.
  for (const BufferSpan& b : RecordBuffers()) rt::registerThreadBuffer(b.data, b.size);
  ProgramErrors.Init();
  ProgramIni.Init(kProgramIniFile);
  DictionaryInit();
  Main();
  ProgramIni.Save();
  ProgramIni.Kill();
  DictionaryKill();
  ProgramErrors.Kill();
}
