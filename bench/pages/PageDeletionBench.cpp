// The deletion by domain per page: a domain of 1,000 or 10,000 pages, each with links,
// images, meta tags, a script and a form, deleted from files that hold nothing else or also
// 100,000 pages of other domains with their details. The time per page should stay flat.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "dictionary/Dictionary.h"
#include "pages/PageMaintenance.h"
#include "pages/PageReading.h"

namespace {

using pagereading::PageDetailFile;
using pagereading::PageDetailFiles;

namespace fs = std::filesystem;

// The files of one size of background, made once and copied for every run.
class DeletionBench {
 public:
  DeletionBench() {
    old_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("tw_delete_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  ~DeletionBench() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A fresh working directory with `others` pages of other domains and `pages` of the domain.
  void prepare(int others, int pages) {
    const fs::path work = dir_ / "work";
    const fs::path kept = dir_ / ("others" + std::to_string(others));
    if (WebPagesManager) DictionaryKill();
    fs::current_path(dir_);
    std::error_code ec;
    fs::remove_all(work, ec);
    if (!fs::exists(kept)) {
      fs::create_directories(kept);
      fs::current_path(kept);
      DictionaryInit();
      fill("other", others);
      DictionaryKill();
    }
    fs::copy(kept, work, fs::copy_options::recursive);
    fs::current_path(work);
    DictionaryInit();
    fill("tarn", pages);
  }

  void finish() {
    DictionaryKill();
    fs::current_path(old_);
  }

 private:
  static void fill(const std::string& domain, int pages) {
    std::vector<rt::FileManager*> managers = {WebPagesManager};
    for (const PageDetailFile& d : PageDetailFiles()) managers.push_back(*d.manager);
    for (rt::FileManager* m : managers) m->TryOpen();
    for (int i = 0; i < pages; ++i) {
      const std::string path = "/" + domain + "/page" + std::to_string(i) + ".htm";
      WEB.DOMAINNAME = domain + ".example";
      WEB.PAGENAME = "page" + std::to_string(i);
      WEB.PAGEPATH = path;
      WebPages.append();
      for (int k = 0; k < 6; ++k) {
        WPL.WEBPAGEPATHNAME = path;
        WPL.WEBPAGELINK = "link" + std::to_string(k) + ".htm";
        WPLinks.append();
      }
      for (int k = 0; k < 3; ++k) {
        WPI.WEBPAGEPATHNAME = path;
        WPI.WEBPAGEIMG = "image" + std::to_string(k) + ".gif";
        WPIMG.append();
        WPM.WEBPAGEPATH = path;
        WPM.METANAME = "keywords";
        WPMeta.append();
      }
      WPS.WEBPAGEPATHNAME = path;
      WPScripts.append();
      WPF.WEBPAGEPATHNAME = path;
      WPForm.append();
    }
    for (rt::FileManager* m : managers) {
      m->keyedFile()->build();
      m->CloseFile();
    }
  }

  fs::path old_, dir_;
};

DeletionBench& bench() {
  static DeletionBench b;
  return b;
}

void BM_DeletePagesByDomainPerPage(benchmark::State& state) {
  const int others = static_cast<int>(state.range(0));
  const int pages = static_cast<int>(state.range(1));
  DeletionBench& b = bench();
  std::chrono::steady_clock::duration spent{};
  for (auto _ : state) {
    b.prepare(others, pages);
    domainname = "tarn.example";
    const auto t0 = std::chrono::steady_clock::now();
    // On the main fiber, without a window: the work alone.
    DeletePagesByDomain(rt::Binding(pagecount));
    const auto t = std::chrono::steady_clock::now() - t0;
    spent += t;
    state.SetIterationTime(std::chrono::duration<double>(t).count());
    const bool left = WebPagesManager->TryOpen() != rt::Status::Ok || WebPages.records() != others;
    WebPagesManager->CloseFile();
    b.finish();
    if (left || pagecount != pages) {
      state.SkipWithError("the domain's pages were not all deleted");
      break;
    }
  }
  state.counters["us_per_page"] =
      std::chrono::duration<double, std::micro>(spent).count() /
      (static_cast<double>(pages) *
       static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1)));
}

BENCHMARK(BM_DeletePagesByDomainPerPage)
    ->Args({0, 1000})
    ->Args({0, 10000})
    ->Args({100000, 1000})
    ->Args({100000, 10000})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

}  // namespace
