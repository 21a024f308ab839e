#include "admin/ProgramIni.h"

#include "dictionary/Globals.h"

ProgramIniClass ProgramIni;

void ProgramIniClass::LoadPreservedGlobals() {
  cptog = static_cast<std::int16_t>(FetchNumber("Preserved", "cptog", 0));
  mypath = Fetch("Preserved", "mypath");
  IniManager::Load();
}

void ProgramIniClass::SavePreservedGlobals() {
  IniManager::Save();
  UpdateNumber("Preserved", "cptog", cptog);
  Update("Preserved", "mypath", mypath.clip());
}
