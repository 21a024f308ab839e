#include "admin/Program.h"

#include "admin/Main.h"
#include "admin/ProgramIni.h"
#include "dictionary/Dictionary.h"
#include "runtime/data/Messages.h"
#include "runtime/proc/Programs.h"
#include "runtime/text/Paths.h"

void ProgramMain() {
  StartSystemWindows("tarnwick");
  rt::setCompanionPrograms({kPageReaderProgram, kRepairProgram});
  ProgramErrors.Init();
  rt::setRepairAdvice(
      "Close this window and choose \"File Fixer Utility\" from the Utilities menu to repair "
      "the file.");
  ProgramIni.Init(kProgramIniFile);
  DictionaryInit();
  RemoveInsertPlaceholders();
  rt::setTempFileOwner("tarnwick");
  rt::removeLeftoverTempFiles();
  Main();
  ProgramIni.Save();
  ProgramIni.Kill();
  DictionaryKill();
  ProgramErrors.Kill();
  rt::setRepairAdvice({});
  StopSystemWindows();
}
