// How the program ends: tasks that must run on the way out (data files closed, temporary
// files removed) and the end itself, replaceable so tests can watch it.
#pragma once

#include <functional>

namespace rt {

void addShutdownTask(std::function<void()> task);
void runShutdownTasks();  // each task once, last added first
// Ends the program after the shutdown tasks. Tests install their own ending; nullptr
// restores the default, which leaves the process at once with the given code.
void setProgramEnd(std::function<void(int code)> end);
void endProgram(int code = 0);

}  // namespace rt
