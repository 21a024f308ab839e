// The directory reader's whole run as the user makes it (the window open, GO! pressed, the
// closing box answered) over a generated site, into fresh files and into files that already
// hold the details of other pages. Beside it, not timed, the tag rules alone over the same
// files: x_tag_rules is the ratio of the two. Arguments: pages read, pages whose details the
// files hold before. TW_BENCH_READ_PAGES_MAX caps the pages read (default 1000).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench/common/PlainLocks.h"
#include "bench/pages/PageGenerator.h"
#include "dictionary/Dictionary.h"
#include "pages/HtmlTagRules.h"
#include "reader/ReadPages.h"
#include "runtime/data/Transaction.h"
#include "tests/support/TestDriver.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kDomain[] = "tarnwalks.example";

int maxPages() {
  const char* env = std::getenv("TW_BENCH_READ_PAGES_MAX");
  return env ? std::atoi(env) : 1000;
}

// Pages of 2 KB to 200 KB, sizes spread evenly on a log scale; written as they are made, so
// the memory measured is the run's.
void writeSite(int pages) {
  std::mt19937 rng(20261209);
  std::uniform_real_distribution<double> logSize(std::log(2.0 * 1024), std::log(200.0 * 1024));
  for (int i = 0; i < pages; ++i)
    std::ofstream("site/page" + std::to_string(i) + ".htm", std::ios::binary)
        << benchpages::makePage(i, static_cast<std::size_t>(std::exp(logSize(rng))), rng);
  // A site written moments ago has its directory listed again at every lookup (a change
  // within the clock tick would go unseen); a user's site was written earlier.
  fs::last_write_time("site", fs::file_time_type::clock::now() - std::chrono::minutes(5));
}

struct NoSink final : HtmlTagSink {};

// The tag rules alone over a file read whole and split at its line feeds.
std::size_t rulesAlone(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string page = text.str();
  NoSink sink;
  HtmlTagRules rules(sink);
  rules.startPage("site");
  std::string_view rest = page;
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    rules.line(rest.substr(0, lf));
    rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
  }
  rules.finish();
  return static_cast<std::size_t>(rules.records());
}

// Details of `pages` other pages, as a site read before leaves them.
void prefill(int pages) {
  const std::vector<rt::FileManager*> managers = {WPLinksManager, WPIMGManager, WPMetaManager,
                                                  WPScriptsManager, WPFormManager};
  for (rt::FileManager* m : managers) m->TryOpen();
  for (int p = 0; p < pages; ++p) {
    benchpages::appendStoredDetails("http://www.other.example/page" + std::to_string(p) + ".htm");
  }
  for (rt::FileManager* m : managers) m->CloseFile();
}

long maxRssKb() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// The run from GO! to the closing box; false when it did not end with it.
bool readSite(rt::TestDriver& driver, Clock::duration& took) {
  driver.start(readpages, 25000, "readpages");
  rt::Window* w = driver.waitForWindow("readpages", 10000);
  if (!w) return false;
  driver.type(w, 5, kDomain);
  driver.type(w, 9, "site");
  const auto t0 = Clock::now();
  driver.press(w, 24);
  bool done = false;
  while (!done) {
    if (!driver.waitUntil([&] { return driver.messageBox() != nullptr; }, 3600 * 1000)) break;
    QMessageBox* box = driver.messageBox();
    done = driver.messageText(box) == "HTML file read done.";
    if (done) took = Clock::now() - t0;
    driver.answer(driver.messageText(box).rfind("Are you sure", 0) == 0 ? "Yes" : "OK");
    driver.pump();
  }
  driver.press(w, 26);
  driver.waitForThreadsToEnd();
  return done;
}

void BM_ReadDomainPages(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "tw_reader_bench";
  static char* argv[] = {name, nullptr};
  // Never destroyed: the procedure threads outlive the benchmarks.
  static auto* app = new QApplication(argc, argv);
  benchmark::DoNotOptimize(app);
  const int pages = static_cast<int>(state.range(0));
  if (pages > maxPages()) {
    state.SkipWithError("more pages than TW_BENCH_READ_PAGES_MAX allows");
    return;
  }
  const fs::path old = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("tw_read_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir / "site");
  fs::current_path(dir);
  writeSite(pages);
  // The same reading with the change journal and without it, to see what it costs.
  rt::setChangeJournal(state.range(2) != 0);
  DictionaryInit();
  prefill(static_cast<int>(state.range(1)));
  {
    rt::TestDriver driver;
    const long rssBefore = maxRssKb();
    for (auto _ : state) {
      Clock::duration took{};
      if (!readSite(driver, took)) {
        state.SkipWithError("the run did not end with its closing message");
        break;
      }
      state.SetIterationTime(std::chrono::duration<double>(took).count());
      const auto r0 = Clock::now();
      std::size_t records = 0;
      for (int i = 0; i < pages; ++i)
        records += rulesAlone("site/page" + std::to_string(i) + ".htm");
      const auto rules = Clock::now() - r0;
      benchmark::DoNotOptimize(records);
      state.counters["x_tag_rules"] = static_cast<double>(took.count()) / rules.count();
      state.counters["ms_per_page"] =
          std::chrono::duration<double, std::milli>(took).count() / pages;
      state.counters["rules_ms_per_page"] =
          std::chrono::duration<double, std::milli>(rules).count() / pages;
      state.counters["max_rss_mb"] = static_cast<double>(maxRssKb()) / 1024;
      state.counters["rss_growth_mb"] = static_cast<double>(maxRssKb() - rssBefore) / 1024;
    }
  }
  DictionaryKill();
  rt::setChangeJournal(true);
  fs::current_path(old);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

BENCHMARK(BM_ReadDomainPages)
    ->ArgsProduct({{1000, 10000}, {0, 100000}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::runBenchmarks(argc, argv);
}
