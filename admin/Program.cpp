#include "admin/Program.h"

#include "admin/Main.h"
#include "admin/ProgramIni.h"
#include "dictionary/Dictionary.h"
#include "resources/Resources.h"
#include "runtime/data/Messages.h"
#include "runtime/proc/Programs.h"
#include "runtime/proc/Threads.h"
#include "runtime/ui/Help.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"

void ProgramMain() {
  rt::initWindowLayer();
  rt::setCompanionPrograms({kPageReaderProgram, kRepairProgram});
  SystemTables().look = ColoredTabs;
  SystemTables().icon = "~tw.ico";
  rt::setHelpBook([](std::string_view procedure) { return rt::helpPage("tarnwick", procedure); });
  // Every procedure thread works on its own copy of the record buffers.
  for (const BufferSpan& b : RecordBuffers()) rt::registerThreadBuffer(b.data, b.size);
  ProgramErrors.Init();
  rt::setRepairAdvice(
      "Close this window and choose \"File Fixer Utility\" from the Utilities menu to repair "
      "the file.");
  ProgramIni.Init(kProgramIniFile);
  DictionaryInit();
  RemoveInsertPlaceholders();
  Main();
  ProgramIni.Save();
  ProgramIni.Kill();
  DictionaryKill();
  ProgramErrors.Kill();
  rt::setRepairAdvice({});
}
