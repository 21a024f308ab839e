// The program main of sondrel, the page reader, and the life of its data files.
#pragma once

#include "common/IniManager.h"

inline constexpr char kReaderIniFile[] = "sondrel.INI";

extern IniManager ReaderIni;

// The page reader's own subset of the dictionary: the page files, the domains and the two
// line files.
void ReaderDictionaryInit();
void ReaderDictionaryKill();

// The whole life of the program: settings, data files, the frame, and the way out.
void ReaderProgramMain();
