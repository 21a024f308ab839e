// The domain browse over a million domains: opening it until its first rows show, an
// entry-locator jump and moving to the last row, each beside the same rows read with plain
// SQLite in the same run. The browse side is the whole procedure: its window, its list and
// its event loop on a procedure thread. Its opening is also set beside what a Qt programmer
// writes by hand: a table view on a query model over the same file, painted with the same
// first rows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QAbstractItemView>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "admin/Domains.h"
#include "bench/common/QtTableBaseline.h"
#include "dictionary/Dictionary.h"
#include "runtime/ui/ListBrowser.h"
#include "runtime/ui/Window.h"
#include "tests/support/TestDriver.h"

namespace {

// A million unless TW_BENCH_RECORDS says otherwise (a quick look at a smaller file).
int records() {
  static const int n = qEnvironmentVariableIsSet("TW_BENCH_RECORDS")
                           ? qEnvironmentVariableIntValue("TW_BENCH_RECORDS")
                           : 1'000'000;
  return n;
}
constexpr int kPage = 64;  // rows a list page reads
constexpr int kList = 1, kLocator = 8, kClose = 12;

// Every third name starts in upper case, so a byte order would differ from the browse's
// case-folded one.
std::string nameOf(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%07d.com", i % 3 ? "domain" : "Domain", i);
  return buf;
}

void fill() {
  DomainsRecord rec{};
  rt::KeyedFile f(DomainsDesc(), &rec);
  f.create();
  f.open();
  // Added out of name order, so the record order is not the browse's order either.
  const int n = records();
  for (int k = 0; k < n; ++k) {
    const int i = static_cast<int>((static_cast<long long>(k) * 7919) % n);
    rec = DomainsRecord{};
    rec.DOMAINNAME = nameOf(i);
    rec.DATESTARTED = 80000 + i % 3000;
    rec.RENEWALDATE = 82000 + i % 3000;
    rec.REGISTRAR = "Registrar " + std::to_string(i % 50);
    rec.REGLOGIN = "login" + std::to_string(i);
    rec.FEEPAID = rt::Decimal{1000 + i % 5000};
    rec.OWNERNAME = "Owner " + std::to_string(i % 1000);
    rec.CONTACTPERSON = "Contact";
    f.append();
  }
  f.close();
}

rt::TestDriver& driver() {
  static rt::TestDriver d;
  return d;
}

using bench::rowPaints;

int highlighted(rt::Window* w) {
  const QModelIndex i = w->listView(kList)->currentIndex();
  return i.isValid() ? i.row() : -1;
}

std::string current(rt::Window* w) {
  const int r = highlighted(w);
  return r < 0 ? std::string() : driver().cell(w, kList, r + 1);
}

rt::Window* openBrowse() {
  driver().start(&BrowseDomains, 50000, "BrowseDomains");
  rt::Window* w = driver().waitForWindow("BrowseDomains", 60000);
  driver().waitUntil([&] { return w && driver().rowCount(w, kList) > 0; }, 60000);
  return w;
}

// Opened until the list has rows and has painted them. Not inlined, so a profiler can count
// the two timed openings alone (valgrind --toggle-collect='*openBrowsePainted*').
[[gnu::noinline]] rt::Window* openBrowsePainted() {
  rowPaints().forget();
  driver().start(&BrowseDomains, 50000, "BrowseDomains");
  rt::Window* w = nullptr;
  driver().waitUntil(
      [&] {
        w = driver().find("BrowseDomains");
        return w && rowPaints().painted(w->listView(kList));
      },
      60000);
  return w;
}

void closeBrowse(rt::Window* w) {
  driver().press(w, kClose);
  driver().waitForThreadsToEnd();
}

void BM_BrowseDomainsOpen(benchmark::State& state) {
  for (auto _ : state) {
    rt::Window* w = openBrowsePainted();
    benchmark::DoNotOptimize(driver().cell(w, kList, 1));
    state.PauseTiming();
    if (driver().cell(w, kList, 1) != nameOf(0)) state.SkipWithError("first row not shown");
    closeBrowse(w);
    state.ResumeTiming();
  }
}

void BM_BrowseDomainsLocate(benchmark::State& state) {
  rt::Window* w = openBrowse();
  int n = 0;
  for (auto _ : state) {
    const std::string target = nameOf(n++ % 2 ? records() / 4 : records() / 2);
    driver().type(w, kLocator, target);
    if (current(w) != target) {
      state.SkipWithError(("locator on " + current(w) + " for " + target).c_str());
      break;
    }
  }
  closeBrowse(w);
}

void BM_BrowseDomainsLast(benchmark::State& state) {
  rt::Window* w = openBrowse();
  for (auto _ : state) {
    state.PauseTiming();
    w->post(rt::EventKind::Accepted, rt::toolbar::First);
    driver().pump();
    state.ResumeTiming();
    w->post(rt::EventKind::Accepted, rt::toolbar::Last);
    driver().pump();
    if (current(w) != nameOf(records() - 1)) {
      state.SkipWithError(("last row " + current(w)).c_str());
      break;
    }
  }
  closeBrowse(w);
}

// The share of the opening that is the data files: Domains with its related files, opened
// and closed as the browse does.
void BM_DomainsRelationsOpen(benchmark::State& state) {
  for (auto _ : state) {
    DomainsRelations->OpenFiles();
    state.PauseTiming();
    DomainsRelations->CloseFiles();
    state.ResumeTiming();
  }
}

// ---- the same rows in a hand-written Qt table ------------------------------------------

constexpr char kTableQuery[] =
    "SELECT DOMAINNAME, DATESTARTED, RENEWALDATE, REGISTRAR, REGLOGIN, REGLOGINPWD, FEEPAID, "
    "OWNERNAME, CONTACTPERSON FROM Domains WHERE DOMAINNAME <> '' ORDER BY upper(DOMAINNAME), "
    "rowid";

// The browse's list size, so the table paints as many rows.
QSize listSize;

bench::QtTable* openTable() {
  return new bench::QtTable(driver(), "DOMAINS.db", kTableQuery, listSize);
}

void BM_QtTableOpen(benchmark::State& state) {
  for (auto _ : state) {
    bench::QtTable* t = openTable();
    benchmark::DoNotOptimize(t->cell(0));
    state.PauseTiming();
    delete t;
    state.ResumeTiming();
  }
}

// The two openings are compared only if they show the same rows in the same order.
void checkSameFirstRows() {
  rt::Window* w = openBrowsePainted();
  listSize = w->listView(kList)->size();
  {
    const std::unique_ptr<bench::QtTable> t(openTable());
    for (int r = 0; r < std::min(kPage, records()); ++r) {
      const std::string browse = driver().cell(w, kList, r + 1), table = t->cell(r);
      if (browse != table || browse != nameOf(r)) {
        std::fprintf(stderr, "row %d: browse \"%s\", table \"%s\", expected \"%s\"\n", r + 1,
                     browse.c_str(), table.c_str(), nameOf(r).c_str());
        std::exit(1);
      }
    }
  }
  closeBrowse(w);
}

// ---- the same rows through plain SQLite ------------------------------------------------

struct Raw {
  Raw() {
    sqlite3_open_v2(QDir::current().filePath("DOMAINS.db").toUtf8().constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
  }
  ~Raw() { sqlite3_close(db); }
  // Reads up to n rows of a query into strings, as a list would keep them.
  std::size_t read(const char* sql, const char* bind, int n) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (bind) sqlite3_bind_text(s, 1, bind, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(s, bind ? 2 : 1, n);
    std::size_t chars = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(s); ++c) {
        const auto* t = sqlite3_column_text(s, c);
        std::string cell(t ? reinterpret_cast<const char*>(t) : "");
        chars += cell.size();
      }
    }
    sqlite3_finalize(s);
    return chars;
  }
  sqlite3* db = nullptr;
};

constexpr char kRawFirst[] =
    "SELECT rowid, * FROM Domains WHERE (DOMAINNAME <> '') ORDER BY upper(DOMAINNAME), rowid "
    "LIMIT ?1";
constexpr char kRawAfter[] =
    "SELECT rowid, * FROM Domains WHERE (DOMAINNAME <> '') AND upper(DOMAINNAME) >= ?1 ORDER BY "
    "upper(DOMAINNAME), rowid LIMIT ?2";
constexpr char kRawBefore[] =
    "SELECT rowid, * FROM Domains WHERE (DOMAINNAME <> '') AND upper(DOMAINNAME) < ?1 ORDER BY "
    "upper(DOMAINNAME) DESC, rowid DESC LIMIT ?2";
constexpr char kRawLast[] =
    "SELECT rowid, * FROM Domains WHERE (DOMAINNAME <> '') ORDER BY upper(DOMAINNAME) DESC, "
    "rowid DESC LIMIT ?1";

void BM_RawOpen(benchmark::State& state) {
  Raw raw;
  for (auto _ : state) benchmark::DoNotOptimize(raw.read(kRawFirst, nullptr, kPage));
}

void BM_RawLocate(benchmark::State& state) {
  Raw raw;
  int n = 0;
  for (auto _ : state) {
    const std::string target = rt::Str<50>(nameOf(n++ % 2 ? records() / 4 : records() / 2)).str();
    std::string upper = target;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    benchmark::DoNotOptimize(raw.read(kRawAfter, upper.c_str(), kPage));
    benchmark::DoNotOptimize(raw.read(kRawBefore, upper.c_str(), kPage / 2));
  }
}

void BM_RawLast(benchmark::State& state) {
  Raw raw;
  for (auto _ : state) benchmark::DoNotOptimize(raw.read(kRawLast, nullptr, kPage));
}

BENCHMARK(BM_BrowseDomainsOpen)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_QtTableOpen)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_DomainsRelationsOpen)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RawOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowseDomainsLocate)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_RawLocate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowseDomainsLast)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_RawLast)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWindowBenchmarks(argc, argv, [] {
    fill();
    checkSameFirstRows();
  });
}
