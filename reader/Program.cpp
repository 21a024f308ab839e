#include "reader/Program.h"

#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "reader/Main.h"
#include "runtime/text/Paths.h"

IniManager ReaderIni;

void ReaderDictionaryInit() {
  DictionaryInitFiles(
      {"Domains", "WPMeta", "DOS1", "DOS", "WebPages", "WPLinks", "WPScripts", "WPForm", "WPIMG"});
}

void ReaderDictionaryKill() {
  DictionaryKill();
}

void ReaderProgramMain() {
  StartSystemWindows("sondrel");
  ProgramErrors.Init();
  ReaderIni.Init(kReaderIniFile);
  ReaderDictionaryInit();
  rt::setTempFileOwner("sondrel");
  rt::removeLeftoverTempFiles();
  reader::Main();
  ReaderIni.Save();
  ReaderIni.Kill();
  ReaderDictionaryKill();
  ProgramErrors.Kill();
  StopSystemWindows();
}
