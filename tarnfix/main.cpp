// tarnfix: checks and rebuilds the data files of the working directory. With --batch it
// prints its findings and exits 0 when every file is sound, 1 otherwise.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "tarnfix/Repair.h"
#include "tarnfix/RepairWindow.h"

namespace {

int runBatch() {
  const auto results = tarnfix::checkWorkingDirectory([](const tarnfix::FileResult& r) {
    std::printf("%s\n", tarnfix::describe(r).c_str());
    std::fflush(stdout);
  });
  if (results.empty()) std::printf("No data files found.\n");
  const bool sound = tarnfix::allSound(results);
  std::printf("%s\n", sound ? "All data files are sound." : "Some data files need attention.");
  return sound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--batch") == 0) {
      QCoreApplication app(argc, argv);
      return runBatch();
    }
  }
  QApplication app(argc, argv);
  tarnfix::RepairWindow window;
  window.show();
  return QApplication::exec();
}
