// QuickView over 100,000 pages and 5 million detail records: the browse's opening until its
// first rows are painted, tarnwick's page browse on one domain's 1,000 pages and its five detail
// browses on the big page likewise, and the page form's opening until one detail list's first rows
// are painted on its tab (the argument picks the list), and that tab's showing alone, each beside a
// hand-written Qt table over the same rows of the same file in the same run. The page the form
// shows holds 500 records of every detail kind; every other page 10. TW_BENCH_PAGES sets the number
// of pages.
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/common/QtTableBaseline.h"
#include "bench/pages/BenchPages.h"
#include "dictionary/Dictionary.h"
#include "pages/PageDetails.h"
#include "pages/QuickView.h"
#include "pages/WebPages.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/Window.h"
#include "tests/support/TestDriver.h"

namespace {

using benchpages::pageName;
using benchpages::pages;
constexpr int kPerPage = 10;   // detail records of each kind on an ordinary page
constexpr int kBigPage = 500;  // ... on the page the form shows
constexpr int kCompared = 20;  // first rows that must agree
constexpr int kBrowseList = 1, kBrowseClose = 3, kFormSheet = 1, kFormCancel = 121;

std::string pagePath(int i) {
  return "/site" + std::to_string(i / 1000) + "/" + pageName(i);
}
int bigPage() {
  return pages() / 2;
}
std::string detailText(const char* kind, int page, int n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %06d line %04d", kind, page, n);
  return buf;
}

template <class Record, class Fill>
void fillFile(const rt::FileDesc& desc, Fill fill) {
  Record rec{};
  rt::KeyedFile f(desc, &rec);
  f.create();
  f.open();
  // Pages are visited out of order, so the record order is not any key's order.
  const int n = pages();
  for (int k = 0; k < n; ++k) {
    const int i = static_cast<int>((static_cast<long long>(k) * 7919) % n);
    const int count = i == bigPage() ? kBigPage : kPerPage;
    for (int d = 0; d < count; ++d) {
      rec = Record{};
      fill(rec, i, d);
      f.append();
    }
  }
  f.close();
}

void fill() {
  {
    WebPagesRecord rec{};
    rt::KeyedFile f(WebPagesDesc(), &rec);
    f.create();
    f.open();
    const int n = pages();
    for (int k = 0; k < n; ++k) {
      const int i = static_cast<int>((static_cast<long long>(k) * 7919) % n);
      rec = WebPagesRecord{};
      rec.DOMAINNAME = "domain" + std::to_string(i % 100) + ".com";
      rec.PAGENAME = pageName(i);
      rec.USENOW = "Y";
      rec.PAGEPATH = pagePath(i);
      rec.LOCALPATH = "/home/sites" + pagePath(i);
      rec.AUTHOR = "Author " + std::to_string(i % 40);
      rec.PURPOSE = "Purpose of page " + std::to_string(i);
      rec.IMPLEMENTDATE = 82000 + i % 3000;
      f.append();
    }
    f.close();
  }
  auto domain = [](int i) { return "domain" + std::to_string(i % 100) + ".com"; };
  fillFile<WPMetaRecord>(WPMetaDesc(), [&](WPMetaRecord& r, int i, int d) {
    r.WEBPAGEPATH = pagePath(i);
    r.DOMAINNAME = domain(i);
    r.PAGENAME = pageName(i);
    r.METACONTENTS = detailText("meta", i, d);
    r.METANAME = "keywords";
  });
  fillFile<WPLinksRecord>(WPLinksDesc(), [&](WPLinksRecord& r, int i, int d) {
    r.DOMAINNAME = domain(i);
    r.PAGENAME = pageName(i);
    r.WEBPAGEPATHNAME = pagePath(i);
    r.WEBPAGELINK = detailText("link", i, d);
    r.LINENUMBER = d + 1;
  });
  fillFile<WPFormRecord>(WPFormDesc(), [&](WPFormRecord& r, int i, int d) {
    r.WEBPAGEPATHNAME = pagePath(i);
    r.DOMAINNAME = domain(i);
    r.PAGE = pageName(i);
    r.LINENUMBER = d + 1;
    r.FORMLINE1 = detailText("form", i, d);
  });
  fillFile<WPIMGRecord>(WPIMGDesc(), [&](WPIMGRecord& r, int i, int d) {
    r.WEBPAGEPATHNAME = pagePath(i);
    r.DOMAINNAME = domain(i);
    r.PAGE = pageName(i);
    r.WEBPAGEIMG = detailText("img", i, d);
    r.LINENUMBER = d + 1;
  });
  fillFile<WPScriptsRecord>(WPScriptsDesc(), [&](WPScriptsRecord& r, int i, int d) {
    r.WEBPAGEPATHNAME = pagePath(i);
    r.DOMAINNAME = domain(i);
    r.PAGENAME = pageName(i);
    r.SCRIPTLINE1 = detailText("script", i, d);
  });
}

template <class Record>
std::int64_t countOf(const rt::FileDesc& desc) {
  Record rec{};
  rt::KeyedFile f(desc, &rec);
  f.open();
  const std::int64_t n = f.records();
  f.close();
  return n;
}

// What the run stands on, so a figure is never read off a smaller file than it says.
void printSizes() {
  const std::int64_t details =
      countOf<WPMetaRecord>(WPMetaDesc()) + countOf<WPLinksRecord>(WPLinksDesc()) +
      countOf<WPFormRecord>(WPFormDesc()) + countOf<WPIMGRecord>(WPIMGDesc()) +
      countOf<WPScriptsRecord>(WPScriptsDesc());
  std::printf("%lld pages, %lld detail records\n",
              static_cast<long long>(countOf<WebPagesRecord>(WebPagesDesc())),
              static_cast<long long>(details));
}

rt::TestDriver& driver() {
  static rt::TestDriver d;
  return d;
}

using bench::rowPaints;

// ---- the browse ---------------------------------------------------------------------

// A browse started as the program starts it, until its list has painted its rows.
[[gnu::noinline]] rt::Window* openPainted(rt::Procedure proc, const char* name, int list) {
  rowPaints().forget();
  driver().start(proc, 25000, name);
  rt::Window* w = nullptr;
  driver().waitUntil(
      [&] {
        w = driver().find(name);
        return w && rowPaints().painted(w->listView(list));
      },
      60000);
  return w;
}

rt::Window* openBrowsePainted() {
  return openPainted(&quickview::BrowseWebPages2, "BrowseWebPages2", kBrowseList);
}

void closeWindow(rt::Window* w, int button) {
  driver().press(w, button);
  driver().waitForThreadsToEnd();
}

constexpr char kPagesQuery[] =
    "SELECT DOMAINNAME, PAGENAME, USENOW, PAGEPATH, LOCALPATH, LOCALDEFAULTDIRECTORY, AUTHOR, "
    "PURPOSE, IMPLEMENTDATE FROM WebPages WHERE PAGENAME <> '' ORDER BY upper(PAGENAME), rowid";

QSize browseListSize, detailListSize;

void BM_QuickViewOpen(benchmark::State& state) {
  for (auto _ : state) {
    rt::Window* w = openBrowsePainted();
    benchmark::DoNotOptimize(driver().cell(w, kBrowseList, 1));
    state.PauseTiming();
    if (driver().cell(w, kBrowseList, 1, 1) != pageName(0)) state.SkipWithError("first row");
    closeWindow(w, kBrowseClose);
    state.ResumeTiming();
  }
}

void BM_QtTableQuickViewOpen(benchmark::State& state) {
  for (auto _ : state) {
    bench::QtTable* t = new bench::QtTable(driver(), "WEBPAGES.db", kPagesQuery, browseListSize);
    benchmark::DoNotOptimize(t->cell(0));
    state.PauseTiming();
    delete t;
    state.ResumeTiming();
  }
}

// ---- the form's detail lists ----------------------------------------------------------

struct Detail {
  const char* name;
  const char* file;
  int tab;          // position on the sheet
  int list;         // control
  int column;       // a column of distinct texts, in the list and in the query
  std::string sql;  // the list's columns, its key order, the page's records
};

std::vector<Detail> details() {
  const std::string path = "'" + pagePath(bigPage()) + "'";
  const std::string upperPath = "upper(" + path + ")";
  auto limited = [&](const char* field) {
    return std::string(" WHERE ") + field + " <> '' AND upper(" + field + ") = " + upperPath;
  };
  return {
      {"Meta", "WPMETA.db", 4, 71, 4,
       "SELECT WEBPAGEPATH, DOMAINNAME, PAGENAME, LOCALPATH, METACONTENTS, METANAME FROM WPMeta" +
           limited("WEBPAGEPATH") + " ORDER BY upper(WEBPAGEPATH), rowid"},
      {"Links", "WPLINKS.db", 5, 81, 3,
       "SELECT DOMAINNAME, PAGENAME, WEBPAGEPATHNAME, WEBPAGELINK, LINENUMBER, RECORDDATE FROM "
       "WPLinks" +
           limited("WEBPAGEPATHNAME") + " ORDER BY upper(WEBPAGEPATHNAME), rowid"},
      {"Forms", "WPFORM.db", 6, 91, 5,
       "SELECT WEBPAGEPATHNAME, DOMAINNAME, PAGE, RECORDDATE, LINENUMBER, FORMLINE1, FORMLINE2, "
       "FORMLINE3, FORMLINE4 FROM WPForm" +
           limited("WEBPAGEPATHNAME") + " ORDER BY upper(WEBPAGEPATHNAME), rowid"},
      {"Images", "WPIMG.db", 7, 101, 3,
       "SELECT WEBPAGEPATHNAME, DOMAINNAME, PAGE, WEBPAGEIMG, LINENUMBER, DATEENTERED, HEIGHT, "
       "WIDTH FROM WPIMG WHERE (WEBPAGEPATHNAME <> '' OR WEBPAGEIMG <> '') AND "
       "upper(WEBPAGEPATHNAME) = " +
           upperPath + " ORDER BY upper(WEBPAGEPATHNAME), upper(WEBPAGEIMG), rowid"},
      {"Scripts", "WPSCRIPT.db", 8, 111, 4,
       "SELECT WEBPAGEPATHNAME, DOMAINNAME, PAGENAME, RECORDDATE, SCRIPTLINE1, SCRIPTLINE2, "
       "SCRIPTLINE3, SCRIPTLINE4, SCRIPTLINE5 FROM WPScripts" +
           limited("WEBPAGEPATHNAME") + " ORDER BY upper(WEBPAGEPATHNAME), rowid"},
  };
}

// The form on the big page, as the browse's View runs it, shown on one detail tab until
// that list has painted its rows.
[[gnu::noinline]] rt::Window* openFormPainted(const Detail& d) {
  WEB.PAGEPATH = pagePath(bigPage());
  WebPages.get(WEB_Path);
  rowPaints().forget();
  rt::setCallRequest(rt::Request::Change);
  driver().start(&quickview::UpdateWebPages, 25000, "UpdateWebPages");
  rt::Window* w = driver().waitForWindow("UpdateWebPages", 60000);
  if (!w) return nullptr;
  driver().selectTab(w, kFormSheet, d.tab);
  driver().waitUntil([&] { return rowPaints().painted(w->listView(d.list)); }, 60000);
  return w;
}

void BM_QuickViewDetail(benchmark::State& state) {
  const Detail d = details()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(d.name);
  for (auto _ : state) {
    rt::Window* w = openFormPainted(d);
    benchmark::DoNotOptimize(w);
    state.PauseTiming();
    if (!w || driver().rowCount(w, d.list) == 0) state.SkipWithError("no rows");
    if (w) closeWindow(w, kFormCancel);
    state.ResumeTiming();
  }
}

// The list's own share: the form is open on the General tab, the user picks the list's tab.
void BM_QuickViewDetailTab(benchmark::State& state) {
  const Detail d = details()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(d.name);
  for (auto _ : state) {
    state.PauseTiming();
    rt::Window* w = openFormPainted(d);
    if (!w) {
      state.SkipWithError("no form");
      break;
    }
    driver().selectTab(w, kFormSheet, 1);
    rowPaints().forget();
    state.ResumeTiming();
    driver().selectTab(w, kFormSheet, d.tab);
    driver().waitUntil([&] { return rowPaints().painted(w->listView(d.list)); }, 60000);
    state.PauseTiming();
    closeWindow(w, kFormCancel);
    state.ResumeTiming();
  }
}

// The share of the form's opening that is the data files, opened and closed as it does.
void BM_FormRelationsOpen(benchmark::State& state) {
  for (auto _ : state) {
    WPFormRelations->OpenFiles();
    state.PauseTiming();
    WPFormRelations->CloseFiles();
    state.ResumeTiming();
  }
}

void BM_QtTableDetail(benchmark::State& state) {
  const Detail d = details()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(d.name);
  for (auto _ : state) {
    bench::QtTable* t = new bench::QtTable(driver(), d.file, d.sql.c_str(), detailListSize);
    benchmark::DoNotOptimize(t->cell(0));
    state.PauseTiming();
    delete t;
    state.ResumeTiming();
  }
}

// ---- tarnwick's page browse and the detail browses -----------------------------------

constexpr char kDomain[] = "domain42.com";  // one of the hundred, a thousand pages

struct Browse {
  const char* name;
  void (*proc)();
  int close;  // its Close button
  const char* file;
  int column;       // a column of distinct texts, in the list and in the query
  std::string sql;  // the list's columns, its key order, its range's records
};

constexpr int kList = 1;

std::vector<Browse> browses() {
  const std::string path = "upper('" + pagePath(bigPage()) + "')";
  auto onPage = [&](const char* columns, const char* table, const char* order) {
    return std::string("SELECT ") + columns + " FROM " + table + " WHERE WEBPAGEPATHNAME <> '' " +
           "AND upper(WEBPAGEPATHNAME) = " + path + " ORDER BY upper(WEBPAGEPATHNAME), " + order +
           "rowid";
  };
  return {
      {"BrowseWebPages", &pages::BrowseWebPages, 10, "WEBPAGES.db", 1,
       std::string("SELECT DOMAINNAME, PAGENAME, USENOW, PAGEPATH, LOCALPATH, AUTHOR, PURPOSE, "
                   "IMPLEMENTDATE, FILEDATETIME FROM WebPages WHERE (DOMAINNAME <> '' OR PAGENAME "
                   "<> '') AND "
                   "upper(DOMAINNAME) = upper('") +
           kDomain + "') ORDER BY upper(DOMAINNAME), upper(PAGENAME), rowid"},
      {"BrowseLinks", &pages::BrowseLinks, 11, "WPLINKS.db", 1,
       onPage("PAGENAME, WEBPAGELINK", "WPLinks", "upper(WEBPAGELINK), ")},
      {"BrowseImages", &pages::BrowseImages, 11, "WPIMG.db", 1,
       onPage("PAGE, WEBPAGEIMG, LINENUMBER, DATEENTERED", "WPIMG", "upper(WEBPAGEIMG), ")},
      {"BrowseMeta", &pages::BrowseMeta, 11, "WPMETA.db", 2,
       "SELECT PAGENAME, METANAME, METACONTENTS FROM WPMeta WHERE WEBPAGEPATH <> '' AND "
       "upper(WEBPAGEPATH) = " +
           path + " ORDER BY upper(WEBPAGEPATH), upper(METANAME), rowid"},
      {"browsescripts", &pages::browsescripts, 11, "WPSCRIPT.db", 1,
       onPage("PAGENAME, SCRIPTLINE1, SCRIPTLINE2, SCRIPTLINE3, SCRIPTLINE4, SCRIPTLINE5",
              "WPScripts", "")},
      {"browseforms", &pages::browseforms, 11, "WPFORM.db", 5,
       onPage("WEBPAGEPATHNAME, DOMAINNAME, PAGE, RECORDDATE, LINENUMBER, FORMLINE1, FORMLINE2, "
              "FORMLINE3, FORMLINE4",
              "WPForm", "")},
  };
}

// The page browse ranges on the domain in the buffer, the detail browses on the page.
rt::Window* openBrowsePainted(const Browse& b) {
  DOM.DOMAINNAME = kDomain;
  WEB.PAGEPATH = pagePath(bigPage());
  WebPages.get(WEB_Path);
  return openPainted(b.proc, b.name, kList);
}

std::vector<QSize> browseListSizes;

void BM_Browse(benchmark::State& state) {
  const std::size_t i = static_cast<std::size_t>(state.range(0));
  const Browse b = browses()[i];
  state.SetLabel(b.name);
  for (auto _ : state) {
    rt::Window* w = openBrowsePainted(b);
    benchmark::DoNotOptimize(w);
    state.PauseTiming();
    if (!w || driver().rowCount(w, kList) == 0) state.SkipWithError("no rows");
    if (w) closeWindow(w, b.close);
    state.ResumeTiming();
  }
}

void BM_QtTableBrowse(benchmark::State& state) {
  const std::size_t i = static_cast<std::size_t>(state.range(0));
  const Browse b = browses()[i];
  state.SetLabel(b.name);
  for (auto _ : state) {
    bench::QtTable* t = new bench::QtTable(driver(), b.file, b.sql.c_str(), browseListSizes[i]);
    benchmark::DoNotOptimize(t->cell(0));
    state.PauseTiming();
    delete t;
    state.ResumeTiming();
  }
}

std::string trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

void expectSame(const char* what, int row, const std::string& shown, const std::string& table) {
  if (shown == table) return;
  std::fprintf(stderr, "%s row %d: window \"%s\", table \"%s\"\n", what, row + 1, shown.c_str(),
               table.c_str());
  std::exit(1);
}

// The openings are compared only if they show the same rows in the same order.
void checkSameFirstRows() {
  WebPagesRelations->OpenFiles();  // the main thread's buffer finds the big page
  rt::Window* b = openBrowsePainted();
  browseListSize = b->listView(kBrowseList)->size();
  {
    const bench::QtTable t(driver(), "WEBPAGES.db", kPagesQuery, browseListSize);
    for (int r = 0; r < kCompared; ++r)
      expectSame("pages", r, trimmed(driver().cell(b, kBrowseList, r + 1, 1)), t.cell(r, 1));
  }
  closeWindow(b, kBrowseClose);
  for (const Detail& d : details()) {
    rt::Window* w = openFormPainted(d);
    if (!w) expectSame(d.name, 0, "no form", "");
    detailListSize = w->listView(d.list)->size();
    {
      const bench::QtTable t(driver(), d.file, d.sql.c_str(), detailListSize);
      if (t.rows() < kCompared || driver().rowCount(w, d.list) < kCompared)
        expectSame(d.name, 0, "fewer rows", "");
      for (int r = 0; r < kCompared; ++r)
        expectSame(d.name, r, trimmed(driver().cell(w, d.list, r + 1, d.column)),
                   t.cell(r, d.column));
    }
    closeWindow(w, kFormCancel);
  }
  for (const Browse& b : browses()) {
    rt::Window* w = openBrowsePainted(b);
    if (!w) expectSame(b.name, 0, "no browse", "");
    browseListSizes.push_back(w->listView(kList)->size());
    {
      const bench::QtTable t(driver(), b.file, b.sql.c_str(), browseListSizes.back());
      if (t.rows() < kCompared || driver().rowCount(w, kList) < kCompared)
        expectSame(b.name, 0, "fewer rows", "");
      for (int r = 0; r < kCompared; ++r)
        expectSame(b.name, r, trimmed(driver().cell(w, kList, r + 1, b.column)),
                   t.cell(r, b.column));
    }
    closeWindow(w, b.close);
  }
}

BENCHMARK(BM_QuickViewOpen)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_QtTableQuickViewOpen)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_QuickViewDetail)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_QuickViewDetailTab)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_FormRelationsOpen)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_QtTableDetail)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Browse)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_QtTableBrowse)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWindowBenchmarks(argc, argv, [] {
    fill();
    printSizes();
    checkSameFirstRows();
  });
}
