#include "runtime/proc/ProgramLife.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace rt {
namespace {

struct Life {
  std::vector<std::function<void()>> tasks;
  std::function<void(int)> end;
};

Life& life() {
  static Life l;
  return l;
}

}  // namespace

void addShutdownTask(std::function<void()> task) {
  life().tasks.push_back(std::move(task));
}

void runShutdownTasks() {
  auto tasks = std::move(life().tasks);
  life().tasks.clear();
  for (auto it = tasks.rbegin(); it != tasks.rend(); ++it) (*it)();
}

void setProgramEnd(std::function<void(int)> end) {
  life().end = std::move(end);
}

void endProgram(int code) {
  runShutdownTasks();
  if (life().end) {
    life().end(code);
    return;
  }
  // Fibers may still hold procedures mid-way; their files are closed by now, so the
  // process leaves without unwinding them.
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace rt
