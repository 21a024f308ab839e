#include <QApplication>

#include "admin/Program.h"
#include "runtime/ui/Window.h"
#include "runtime/ui/WindowLayer.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarnwick"));
  ProgramMain();
  rt::finishProgram();
  return 0;
}
