#include <QApplication>

#include "reader/Program.h"
#include "runtime/ui/WindowLayer.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("sondrel"));
  ReaderProgramMain();
  rt::finishProgram();
  return 0;
}
