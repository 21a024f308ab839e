#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/ini/IniFile.h"

namespace {

namespace fs = std::filesystem;

// A 200-line file of 20 sections, as a program's settings grow after a while of use.
struct Sample {
  std::string dir, path;
  Sample() {
    std::string tmpl = (fs::temp_directory_path() / "tw-ini-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    dir = tmpl;
    path = dir + "/tarnwick.INI";
    std::ofstream out(path, std::ios::binary);
    for (int s = 0; s < 20; ++s) {
      out << "[Window" << s << "]\r\n";
      for (int k = 0; k < 8; ++k) out << "Key" << k << "=" << s * 100 + k << "|~@value\r\n";
      out << "; note\r\n\r\n";
    }
  }
  ~Sample() { fs::remove_all(dir); }
};

// The way callers read: a fresh IniFile per key, as a window does when it opens. The file is
// dated back so that its age does not force a fresh read.
void BM_HundredReadsOfA200LineFile(benchmark::State& state) {
  Sample sample;
  const auto old = fs::last_write_time(sample.path) - std::chrono::seconds(10);
  fs::last_write_time(sample.path, old);
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) {
      const std::string section = "Window" + std::to_string(i % 20);
      const std::string key = "Key" + std::to_string(i % 8);
      benchmark::DoNotOptimize(rt::IniFile(sample.path).getString(section, key));
    }
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_HundredReadsOfA200LineFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
