// "--plain-locks": the benchmark runs with SQLite's own system calls, so that the cost of
// keeping the locks on descriptors of our own can be measured beside them.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>

namespace bench {

// Before any file opens: the keeper's calls are set by a static initializer.
inline void takePlainLocksFlag(int& argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--plain-locks") != 0) continue;
    sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
    vfs->xSetSystemCall(vfs, nullptr, nullptr);  // every call back to its default
    for (int j = i; j < argc; ++j) argv[j] = argv[j + 1];
    --argc;
    return;
  }
}

inline int runBenchmarks(int argc, char** argv) {
  takePlainLocksFlag(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
