// The settings object of tarnwick: "tarnwick.INI", with the globals kept between runs.
#pragma once

#include "common/IniManager.h"

class ProgramIniClass : public IniManager {
 public:
  void Load() override { LoadPreservedGlobals(); }
  void Save() override { SavePreservedGlobals(); }
  void LoadPreservedGlobals();
  void SavePreservedGlobals();
};

extern ProgramIniClass ProgramIni;

inline constexpr char kProgramIniFile[] = "tarnwick.INI";
