// tarnfix: checks and rebuilds the data files of the working directory. With --batch it
// prints its findings and exits 0 when every file is sound, 1 otherwise; the readable records
// of a damaged file are salvaged into a fresh one only with --salvage.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "tarnfix/Repair.h"
#include "tarnfix/RepairWindow.h"

namespace {

int runBatch(bool salvage) {
  tarnfix::Options options;
  if (salvage) options.salvage = [](const tarnfix::FileResult&) { return true; };
  bool offered = false;
  const auto results = tarnfix::checkWorkingDirectory(
      [&](const tarnfix::FileResult& r) {
        std::printf("%s\n", tarnfix::describe(r).c_str());
        for (const std::string& line : r.details) std::printf("    %s\n", line.c_str());
        std::fflush(stdout);
        offered = offered || r.cause == tarnfix::Cause::RecordsDamaged;
      },
      options);
  if (results.empty()) std::printf("No data files found.\n");
  if (offered)
    std::printf(
        "Run tarnfix --batch --salvage to salvage the readable records of the damaged "
        "files.\n");
  const bool sound = tarnfix::allSound(results);
  std::printf("%s\n", sound ? "All data files are sound." : "Some data files need attention.");
  return sound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool batch = false;
  bool salvage = false;
  for (int i = 1; i < argc; ++i) {
    batch = batch || std::strcmp(argv[i], "--batch") == 0;
    salvage = salvage || std::strcmp(argv[i], "--salvage") == 0;
  }
  if (batch) {
    QCoreApplication app(argc, argv);
    return runBatch(salvage);
  }
  QApplication app(argc, argv);
  tarnfix::RepairWindow window;
  window.show();
  return QApplication::exec();
}
