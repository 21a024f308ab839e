// The program main of tarnwick.
#pragma once

#include "common/Procedures.h"
#include "common/System.h"

// The programs of the system that RUN starts from beside this one.
inline constexpr char kPageReaderProgram[] = "sondrel";
inline constexpr char kRepairProgram[] = "tarnfix";

// The whole life of the program: settings, data files, the frame, and the way out.
void ProgramMain();
