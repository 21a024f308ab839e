// The links view over 5,000,000 WPLinks records of 100,000 pages: a "contains" query on the
// link typed into the query dialog, timed from its Enter until the view has painted its first
// rows, beside the plain SQLite statement over the same file in the same key order, in the same
// run; and the listing of what the query selected, from its start until its last page is laid
// out, beside the same statement stepped to its end. One query matches 20 records, the other
// 500,000. The file is made once in a kept
// directory (TW_XREF_BENCH_DIR, else /tmp/tw_xref_bench) and used again while it has the size
// asked for; TW_BENCH_PAGES sets the number of pages.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QAbstractItemView>
#include <QDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "bench/common/QtTableBaseline.h"
#include "bench/pages/BenchPages.h"
#include "dictionary/Dictionary.h"
#include "pages/CrossReference.h"
#include "runtime/data/FileRelations.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/QueryByExample.h"
#include "runtime/ui/Report.h"
#include "runtime/ui/Window.h"
#include "tests/support/TestDriver.h"

namespace {

using benchpages::pageName;
using benchpages::pages;
constexpr int kPerPage = 50;
constexpr int kList = 1, kFind = 3, kPrint = 6, kClose = 10;
constexpr int kLinkField = 2;

// 20 records in all; one record in ten.
bool rare(int page, int d) {
  return d == 3 && page % (pages() / 20) == 17;
}
bool common(int page, int d) {
  return (page * kPerPage + d) % 10 == 0;
}
const char* const kQueries[] = {"rare-needle", "common-mark"};

void fill() {
  WPLinksRecord rec{};
  rt::KeyedFile f(WPLinksDesc(), &rec);
  if (f.open()) {
    const bool same = f.records() == static_cast<std::int64_t>(pages()) * kPerPage;
    f.close();
    if (same) return;
  }
  std::printf("making %d links...\n", pages() * kPerPage);
  f.create();
  f.open();
  // Pages are visited out of order, so the record order is not the key's order.
  for (int k = 0; k < pages(); ++k) {
    const int i = static_cast<int>((static_cast<long long>(k) * 7919) % pages());
    for (int d = 0; d < kPerPage; ++d) {
      rec = WPLinksRecord{};
      rec.DOMAINNAME = "domain" + std::to_string(i % 100) + ".com";
      rec.PAGENAME = pageName(i);
      rec.WEBPAGEPATHNAME = "/site" + std::to_string(i / 1000) + "/" + pageName(i);
      const char* host = rare(i, d) ? "rare-needle" : common(i, d) ? "common-mark" : "walks";
      rec.WEBPAGELINK = "http://" + std::string(host) + ".example/fell" + std::to_string(d) +
                        "/tarn" + std::to_string(i) + ".htm";
      rec.LINENUMBER = d + 1;
      f.append();
    }
  }
  f.close();
}

long residentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * 4;
}

rt::TestDriver& driver() {
  static rt::TestDriver d;
  return d;
}

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// The key's order, which the view shows; the listing adds the link to it.
constexpr char kKeyOrder[] = "upper(WEBPAGEPATHNAME), rowid";
constexpr char kListingOrder[] = "upper(WEBPAGEPATHNAME), upper(WEBPAGELINK), rowid";

// The plain statement in `order`, stepped for as many rows as the view shows (all when
// rows < 0); the link of the first row and of the last.
double sqliteRows(const std::string& text, int rows, std::string& firstLink,
                  std::string* lastLink = nullptr, long* stepped = nullptr,
                  const char* order = kKeyOrder) {
  const auto start = Clock::now();
  sqlite3* db = nullptr;
  sqlite3_open_v2("WPLINKS.db", &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  const std::string sql =
      "SELECT DOMAINNAME, PAGENAME, WEBPAGELINK FROM WPLinks WHERE WEBPAGEPATHNAME <> '' AND "
      "upper(WEBPAGELINK) LIKE '%" +
      text + "%' ORDER BY " + order;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
  long r = 0;
  for (; (rows < 0 || r < rows) && sqlite3_step(s) == SQLITE_ROW; ++r) {
    if (r == 0) firstLink = reinterpret_cast<const char*>(sqlite3_column_text(s, 2));
    if (lastLink) *lastLink = reinterpret_cast<const char*>(sqlite3_column_text(s, 2));
  }
  if (stepped) *stepped = r;
  sqlite3_finalize(s);
  sqlite3_close(db);
  return msSince(start);
}

// Find By, Clear, the text into the link's value; Enter is left to the caller.
bool typeLinkQuery(rt::Window* w, const std::string& typed) {
  driver().press(w, kFind);
  rt::Window* dialog = driver().waitForWindow("QueryWindow");
  if (!dialog) return false;
  driver().press(dialog, rt::QueryWindow::kClear);
  for (int tab = 0; tab < 2 * kLinkField; ++tab) driver().hitKey(Qt::Key_Tab);
  driver().typeKeys(typed);
  return true;
}

void BM_LinksQuery(benchmark::State& state) {
  const std::string typed = kQueries[state.range(0)];
  driver().start(&pages::viewlinks, 25000, "viewlinks");
  rt::Window* w = driver().waitForWindow("viewlinks", 60000);
  if (!w) return state.SkipWithError("no view");
  double viewMs = 0, sqliteMs = 0;
  long growth = 0;
  int rows = 0;
  for (auto _ : state) {
    if (!typeLinkQuery(w, typed)) return state.SkipWithError("no query dialog");
    bench::rowPaints().forget();
    const long before = residentKb();
    const auto start = Clock::now();
    driver().hitKey(Qt::Key_Return);
    driver().waitUntil(
        [&] {
          return !driver().find("QueryWindow") && bench::rowPaints().painted(w->listView(kList));
        },
        60000);
    const double ms = msSince(start);
    state.SetIterationTime(ms / 1000);
    viewMs += ms;
    growth = std::max(growth, residentKb() - before);
    rows = driver().rowCount(w, kList);
    std::string first;
    sqliteMs += sqliteRows(rt::UPPER(typed), rows, first);
    if (rows == 0 || rt::CLIP(driver().cell(w, kList, 1, 2)) != first)
      return state.SkipWithError("the view and SQLite disagree");
  }
  state.counters["rows"] = rows;
  state.counters["sqlite_ms"] = sqliteMs / static_cast<double>(state.iterations());
  state.counters["ratio"] = viewMs / sqliteMs;
  state.counters["rss_growth_kb"] = static_cast<double>(growth);
  driver().press(w, kClose);
  driver().waitForThreadsToEnd();
}

BENCHMARK(BM_LinksQuery)
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

// The query made in the view and handed over at its print button; then the listing read and
// its last page laid out, as the preview shows it when asked for that page.
void BM_LinksListing(benchmark::State& state) {
  const std::string typed = kQueries[state.range(0)];
  driver().start(&pages::viewlinks, 25000, "viewlinks");
  rt::Window* w = driver().waitForWindow("viewlinks", 60000);
  if (!w || !typeLinkQuery(w, typed)) return state.SkipWithError("no view");
  driver().hitKey(Qt::Key_Return);
  driver().waitUntil([] { return !driver().find("QueryWindow"); }, 60000);
  w->selectControl(kPrint);
  driver().pump();
  driver().press(w, kClose);
  driver().waitForThreadsToEnd();
  const rt::ReportTable& design = pages::listlinksReport();
  const std::string filter = pages::ListingFilter(design);
  if (filter.empty()) return state.SkipWithError("no filter handed over");
  rt::ReportTable table = design;
  table.view.filter = filter.c_str();
  WPLinksRelations->OpenFiles();
  double listingMs = 0, sqliteMs = 0;
  long printed = 0, stepped = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    auto doc = rt::ReadReport(table);
    const std::vector<rt::DrawnControl> last = doc->layoutPage(doc->pageCount());
    const double ms = msSince(start);
    state.SetIterationTime(ms / 1000);
    listingMs += ms;
    std::string lastPrinted, first, lastLink;
    for (const rt::DrawnControl& d : last)
      if (d.control->field == "WPL:WEBPAGELINK") lastPrinted = d.text;
    printed = 0;
    for (int p = 1; p <= doc->pageCount(); ++p)
      for (const rt::DrawnControl& d : doc->layoutPage(p))
        printed += d.control->field == "WPL:WEBPAGELINK";
    sqliteMs += sqliteRows(rt::UPPER(typed), -1, first, &lastLink, &stepped, kListingOrder);
    if (printed != stepped || lastPrinted != lastLink)
      return state.SkipWithError("the listing and SQLite disagree");
  }
  WPLinksRelations->CloseFiles();
  state.counters["rows"] = static_cast<double>(printed);
  state.counters["sqlite_ms"] = sqliteMs / static_cast<double>(state.iterations());
  state.counters["ratio"] = listingMs / sqliteMs;
}

BENCHMARK(BM_LinksListing)
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  const QString dir = qEnvironmentVariableIsSet("TW_XREF_BENCH_DIR")
                          ? qEnvironmentVariable("TW_XREF_BENCH_DIR")
                          : QStringLiteral("/tmp/tw_xref_bench");
  return bench::RunWindowBenchmarks(argc, argv, fill, dir);
}
