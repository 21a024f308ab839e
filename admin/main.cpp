#include <QApplication>

#include "admin/Program.h"
#include "runtime/proc/Threads.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarnwick"));
  ProgramMain();
  rt::waitForAllThreads();
  return 0;
}
