// The page parser's whole run per page (question answered, old details cleared, copy, parse,
// appends, key rebuild, closing message) over a generated site whose detail files already
// hold the details of the other pages. Beside it, not timed, the same page read with the
// runtime's line file: x_linefile_read is the ratio of the two, x_without_boxes the same
// without the two message boxes and the thread's start (but with the building of the closing
// box, which the run does before the driver can see it), x_work the same ending where the
// closing box receives its first event. The argument is how many pages'
// details the files hold: the time per page must not follow it. TW_BENCH_PARSE_PAGES sets how
// many different pages are parsed in turn.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/pages/PageGenerator.h"
#include "dictionary/Dictionary.h"
#include "pages/ParseHtmlFile.h"
#include "runtime/data/LineFile.h"
#include "tests/support/TestDriver.h"

namespace {

namespace fs = std::filesystem;

std::string pagePath(int i) {
  return "/walks/page" + std::to_string(i) + ".htm";
}

// A working directory with the dictionary, a site and detail files of many pages.
class Bench {
 public:
  static Bench& get() {
    static Bench b;
    return b;
  }
  ~Bench() {
    driver_.reset();
    DictionaryKill();
    std::error_code ignored;
    fs::current_path(old_, ignored);
    fs::remove_all(dir_, ignored);
  }

  std::size_t parsedPages() const { return files_.size(); }
  const std::string& file(std::size_t i) const { return files_[i]; }
  rt::TestDriver& driver() { return *driver_; }

  // Gives the detail files the details of pages up to `pages` (never fewer than they hold).
  void populate(int pages) {
    std::vector<rt::FileManager*> managers = {WPLinksManager, WPIMGManager, WPMetaManager,
                                              WPScriptsManager, WPFormManager};
    for (rt::FileManager* m : managers) m->TryOpen();
    for (; populated_ < pages; ++populated_) {
      benchpages::appendStoredDetails(pagePath(populated_));
    }
    for (rt::FileManager* m : managers) {
      m->keyedFile()->build();
      m->CloseFile();
    }
  }

 private:
  Bench() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tw_pages_bench";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) app_ = std::make_unique<QApplication>(argc, argv);
    old_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("tw_parse_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "site");
    fs::current_path(dir_);
    DictionaryInit();
    driver_ = std::make_unique<rt::TestDriver>();

    const char* env = std::getenv("TW_BENCH_PARSE_PAGES");
    const int count = env ? std::atoi(env) : 200;
    std::mt19937 rng(20261209);
    std::uniform_real_distribution<double> logSize(std::log(3.0 * 1024), std::log(60.0 * 1024));
    for (int i = 0; i < count; ++i) {
      const std::string name = "site/page" + std::to_string(i) + ".htm";
      std::ofstream(name, std::ios::binary)
          << benchpages::makePage(i, static_cast<std::size_t>(std::exp(logSize(rng))), rng);
      files_.push_back(name);
    }
  }

  std::unique_ptr<QApplication> app_;
  std::unique_ptr<rt::TestDriver> driver_;
  fs::path old_, dir_;
  std::vector<std::string> files_;
  int populated_ = 0;
};

// Notes when a message box other than the one answered first gets its first event: the run
// has then done its work and begins to build its closing box.
class NextBoxWatch final : public QObject {
 public:
  NextBoxWatch() { QCoreApplication::instance()->installEventFilter(this); }
  ~NextBoxWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
  void arm(QMessageBox* answered) {
    answered_ = answered;
    armed_ = true;
  }
  bool seen() const { return !armed_; }
  std::chrono::steady_clock::time_point at() const { return at_; }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    // A box made where the answered one was freed is new: the guard is then null.
    if (armed_ && o->isWidgetType() && qobject_cast<QMessageBox*>(o) &&
        (answered_.isNull() || o != answered_.data())) {
      at_ = std::chrono::steady_clock::now();
      armed_ = false;
    }
    return QObject::eventFilter(o, e);
  }

 private:
  QPointer<QMessageBox> answered_;
  bool armed_ = false;
  std::chrono::steady_clock::time_point at_{};
};

// One run as the user makes it from the page form: Yes to the question, OK to the end.
// `work` gets the time from the Yes to the closing message: the run without its boxes;
// `bare` the time from the Yes to the first event of the closing box.
bool parseOnce(rt::TestDriver& driver, std::chrono::steady_clock::duration& work,
               std::chrono::steady_clock::duration& bare) {
  bool ok = true;
  NextBoxWatch watch;
  auto yes = std::chrono::steady_clock::now();
  driver.start([] { ParseHtmlFile(); });
  while (rt::procedureThreadCount() > 0) {
    driver.waitUntil(
        [&] { return driver.messageBox() != nullptr || rt::procedureThreadCount() == 0; }, 60000);
    QMessageBox* box = driver.messageBox();
    if (!box) continue;
    const std::string text = driver.messageText(box);
    if (text.rfind("Depending", 0) == 0) {
      watch.arm(box);
      yes = std::chrono::steady_clock::now();
      driver.answer("Yes");
    } else {
      work += std::chrono::steady_clock::now() - yes;
      ok = ok && text == "HTML file read done." && watch.seen();
      bare += watch.at() - yes;
      driver.answer("OK");
    }
    driver.pump();
  }
  return ok;
}

std::size_t readWithLineFile(const std::string& name) {
  char line[rt::LineFile::kLineWidth];
  rt::LineFile file("DOS", line);
  file.setName(name);
  std::size_t records = 0;
  if (!file.open()) return 0;
  while (file.next()) ++records;
  file.close();
  return records;
}

void BM_ParseHtmlFilePerPage(benchmark::State& state) {
  Bench& b = Bench::get();
  b.populate(static_cast<int>(state.range(0)));
  // The page form that runs the parser holds the detail files open, as its lists show them.
  const std::vector<rt::FileManager*> held = {WPLinksManager, WPIMGManager, WPMetaManager,
                                              WPScriptsManager, WPFormManager};
  for (rt::FileManager* m : held) m->TryOpen();
  using clock = std::chrono::steady_clock;
  clock::duration parsing{}, working{}, bare{}, reading{};
  std::size_t next = 0, records = 0;
  for (auto _ : state) {
    const std::size_t i = next++ % b.parsedPages();
    WEB.DOMAINNAME = "tarnwalks.example";
    WEB.PAGENAME = "page" + std::to_string(i);
    WEB.PAGEPATH = pagePath(static_cast<int>(i));
    WEB.LOCALPATH = b.file(i);
    WEB.LOCALDEFAULTDIRECTORY = "site";
    const auto t0 = clock::now();
    if (!parseOnce(b.driver(), working, bare)) {
      state.SkipWithError("the run did not end with its closing message");
      break;
    }
    const auto t1 = clock::now();
    records += readWithLineFile(b.file(i));
    parsing += t1 - t0;
    reading += clock::now() - t1;
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  for (rt::FileManager* m : held) m->CloseFile();
  benchmark::DoNotOptimize(records);
  auto ratio = [&](clock::duration d) {
    return reading.count() > 0 ? static_cast<double>(d.count()) / reading.count() : 0;
  };
  state.counters["x_linefile_read"] = ratio(parsing);
  state.counters["x_without_boxes"] = ratio(working);
  state.counters["x_work"] = ratio(bare);
  // The yardstick itself, in microseconds per page: the ratios move with it.
  state.counters["linefile_us"] = state.iterations() > 0
                                      ? std::chrono::duration<double, std::micro>(reading).count() /
                                            static_cast<double>(state.iterations())
                                      : 0;
  state.counters["pages_in_files"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_ParseHtmlFilePerPage)
    ->Arg(200)
    ->Arg(3000)
    ->Arg(12000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
