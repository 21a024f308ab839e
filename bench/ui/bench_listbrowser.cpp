// A list over a million records: opening it on its first page, an entry-locator jump and
// moving to the last row, each beside the same rows read with plain SQLite in the same run.
// The list side reads through the view into the list model and formats every cell of the
// page, as the list does to show it; BM_ListOpenInTable adds the list control itself.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QTableView>
#include <cstdlib>
#include <limits>
#include <memory>

#include "runtime/ui/BrowseModel.h"
#include "tests/ui/ListBrowserTestData.h"

namespace {

using browsetest::Things;

constexpr int kRecords = 1'000'000;
constexpr int kPage = 64;  // rows a list page reads
const char* const kTarget = "NAME0500000";
const rt::Value kTyped = std::string("name0500000");

// Made once; the temporary directory goes when the program ends.
Things& data() {
  static Things things(false);
  static const bool filled = (things.fill(kRecords), true);
  (void)filled;
  return things;
}

std::string layout() {
  return "120L(2)|M~Name~@s40@40L(2)|M~Group~@s10@44D(12)|M~Fee~C(0)@n10.2@40R(2)|M~Id~@n7@";
}

struct List {
  List() : view(*data().file), model(view, *data().file) {
    view.setKeyOrder(browsetest::kByName);
    model.setPageSize(kPage);
    model.setFormat(*rt::ColumnFormat::parse(layout()));
    model.setFields({browsetest::fName, browsetest::fGroup, browsetest::fFee, browsetest::fRecid});
  }
  void showPage() {
    std::size_t chars = 0;
    for (int r = 0; r < model.rowCount(); ++r)
      for (int c = 0; c < model.columnCount(); ++c) chars += model.cellText(r, c).size();
    benchmark::DoNotOptimize(chars);
  }
  rt::View view;
  rt::BrowseModel model;
};

void BM_ListOpen(benchmark::State& state) {
  data();
  for (auto _ : state) {
    List list;
    list.model.showFirst();
    list.showPage();
  }
}

// The same with the list control attached: Qt's own share of showing the page.
void BM_ListOpenInTable(benchmark::State& state) {
  data();
  QTableView table;
  for (auto _ : state) {
    List list;
    table.setModel(&list.model);
    list.model.showFirst();
    list.showPage();
    table.setModel(nullptr);
  }
}

void BM_ListLocate(benchmark::State& state) {
  data();
  List list;
  list.model.showFirst();
  for (auto _ : state) {
    // As the browse seeks a typed text: folded by the view as the key folds it.
    benchmark::DoNotOptimize(list.model.showAt(list.view.seekAnchor(browsetest::fName, kTyped),
                                               std::numeric_limits<std::int64_t>::min()));
    list.showPage();
  }
}

void BM_ListLast(benchmark::State& state) {
  data();
  List list;
  list.model.showFirst();
  for (auto _ : state) {
    benchmark::DoNotOptimize(list.model.showLast());
    list.showPage();
  }
}

// ---- the same rows through plain SQLite ------------------------------------------------

struct Raw {
  Raw() { sqlite3_open_v2((data().file->path()).c_str(), &db, SQLITE_OPEN_READONLY, nullptr); }
  ~Raw() { sqlite3_close(db); }
  // Reads up to n rows of a query into strings, as a list would keep them.
  std::size_t read(const char* sql, const char* bind, int n) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (bind) sqlite3_bind_text(s, 1, bind, -1, SQLITE_STATIC);
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

#define RAW_COLUMNS "rowid, NAME, \"GROUP\", DATE, FEE, RECID, FLAG, Notes"
constexpr char kRawFirst[] =
    "SELECT " RAW_COLUMNS " FROM Things WHERE (NAME <> '') ORDER BY upper(NAME), rowid LIMIT ?1";
constexpr char kRawAfter[] = "SELECT " RAW_COLUMNS
                             " FROM Things WHERE (NAME <> '') AND upper(NAME) >= ?1 "
                             "ORDER BY upper(NAME), rowid LIMIT ?2";
constexpr char kRawBefore[] = "SELECT " RAW_COLUMNS
                              " FROM Things WHERE (NAME <> '') AND upper(NAME) < ?1 "
                              "ORDER BY upper(NAME) DESC, rowid DESC LIMIT ?2";
constexpr char kRawLast[] = "SELECT " RAW_COLUMNS
                            " FROM Things WHERE (NAME <> '') ORDER BY upper(NAME) DESC, rowid "
                            "DESC LIMIT ?1";

void BM_RawOpen(benchmark::State& state) {
  data();
  Raw raw;
  for (auto _ : state) benchmark::DoNotOptimize(raw.read(kRawFirst, nullptr, kPage));
}

void BM_RawLocate(benchmark::State& state) {
  data();
  Raw raw;
  for (auto _ : state) {
    benchmark::DoNotOptimize(raw.read(kRawAfter, kTarget, kPage));
    benchmark::DoNotOptimize(raw.read(kRawBefore, kTarget, kPage / 2));
  }
}

void BM_RawLast(benchmark::State& state) {
  data();
  Raw raw;
  for (auto _ : state) benchmark::DoNotOptimize(raw.read(kRawLast, nullptr, kPage));
}

BENCHMARK(BM_ListOpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawOpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListOpenInTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListLocate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawLocate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListLast)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawLast)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
