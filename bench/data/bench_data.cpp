// Keyed files and views against raw SQLite prepared statements on the same data: a file of
// 1,000,000 link records (362 bytes each, key on the page path with duplicates).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/common/PlainLocks.h"
#include "runtime/data/KeyedFile.h"
#include "runtime/data/View.h"
#include "runtime/text/FixedString.h"

namespace {

using namespace rt;

#pragma pack(push, 1)
struct Link {
  Str<50> domain;
  Str<20> page;
  Str<80> path;
  Str<200> link;
  double line;
  std::int32_t date;
};
#pragma pack(pop)
static_assert(sizeof(Link) == 362);

FileDesc linkDesc(std::string diskName) {
  FileDesc d;
  d.label = "WPLinks";
  d.prefix = "WPL";
  d.diskName = std::move(diskName);
  d.recordSize = sizeof(Link);
  d.fields = {
      {"WPL:DOMAINNAME", FieldType::String, 0, 50},
      {"WPL:PAGENAME", FieldType::String, 50, 20},
      {"WPL:WEBPAGEPATHNAME", FieldType::String, 70, 80},
      {"WPL:WEBPAGELINK", FieldType::String, 150, 200},
      {"WPL:LINENUMBER", FieldType::Real, 350, 8},
      {"WPL:RECORDDATE", FieldType::Date, 358, 4},
  };
  d.keys = {{"WPL:PathName", "WPL:PathName", {2}, true}};
  return d;
}

constexpr int kRecords = 1'000'000;
constexpr int kPaths = 20'000;  // about 50 links per page
constexpr int kAppendBatch = 100'000;

std::string pathOf(int p) {
  return "/site" + std::to_string(p % 97) + "/page" + std::to_string(p) + ".htm";
}

void fill(Link& r, int i) {
  const int p = static_cast<int>((static_cast<std::uint64_t>(i) * 7919) % kPaths);
  r.domain = "example" + std::to_string(p % 97) + ".com";
  r.page = "page" + std::to_string(p) + ".htm";
  r.path = pathOf(p);
  r.link = "http://www.example" + std::to_string(i % 1013) + ".com/some/longer/link/target" +
           std::to_string(i) + ".html";
  r.line = i % 400;
  r.date = 80000 + i % 365;
}

struct Fixture {
  std::string dir;
  FileDesc desc = linkDesc("WPLINKS");
  Link rec{};
  KeyedFile file{desc, &rec};
  sqlite3* raw = nullptr;

  Fixture() {
    char tmpl[] = "/tmp/twbenchXXXXXX";
    dir = ::mkdtemp(tmpl);
    std::filesystem::current_path(dir);
    file.create();
    file.open();
    for (int i = 0; i < kRecords; ++i) {
      fill(rec, i);
      file.append();
    }
    file.flush();
    sqlite3_open_v2("WPLINKS.db", &raw, SQLITE_OPEN_READWRITE, nullptr);
  }
  ~Fixture() {
    sqlite3_close(raw);
    file.close();
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

// Reads a row's columns into a record the way any caller of SQLite would have to.
void rawRead(sqlite3_stmt* s, Link& r) {
  auto text = [&](int col, char* dst, std::size_t width) {
    assignPadded(dst, width,
                 {reinterpret_cast<const char*>(sqlite3_column_text(s, col)),
                  static_cast<std::size_t>(sqlite3_column_bytes(s, col))});
  };
  text(1, r.domain.data, 50);
  text(2, r.page.data, 20);
  text(3, r.path.data, 80);
  text(4, r.link.data, 200);
  r.line = sqlite3_column_double(s, 5);
  r.date = sqlite3_column_int(s, 6);
}

// ---- APPEND ---------------------------------------------------------------------------------

void BM_Append(benchmark::State& state) {
  fixture();
  FileDesc desc = linkDesc("APPENDED");
  Link rec{};
  KeyedFile f(desc, &rec);
  for (auto _ : state) {
    f.create();
    f.open();
    for (int i = 0; i < kAppendBatch; ++i) {
      fill(rec, i);
      f.append();
    }
    f.close();
  }
  state.SetItemsProcessed(state.iterations() * kAppendBatch);
}
BENCHMARK(BM_Append)->Unit(benchmark::kMillisecond);

// The statements that create a keyed file's table and indexes, read back from a file the
// keyed file made, so that plain SQLite builds the same file.
std::vector<std::string> createStatements(const FileDesc& desc) {
  Link rec{};
  KeyedFile made(desc, &rec);
  made.create();
  std::vector<std::string> out;
  sqlite3* db = nullptr;
  sqlite3_open_v2(made.path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY rowid", -1,
                     &s, nullptr);
  while (sqlite3_step(s) == SQLITE_ROW)
    out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
  sqlite3_finalize(s);
  sqlite3_close(db);
  made.remove();
  return out;
}

void BM_RawAppend(benchmark::State& state) {
  fixture();
  const auto create = createStatements(linkDesc("RAWAPP"));
  Link rec{};
  for (auto _ : state) {
    std::filesystem::remove("RAWAPP.db");
    sqlite3* db = nullptr;
    sqlite3_open("RAWAPP.db", &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr,
                 nullptr);
    for (const auto& c : create) sqlite3_exec(db, c.c_str(), nullptr, nullptr, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO WPLinks (DOMAINNAME, PAGENAME, WEBPAGEPATHNAME, WEBPAGELINK, "
                       "LINENUMBER, RECORDDATE) VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
                       -1, &s, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < kAppendBatch; ++i) {
      fill(rec, i);
      auto bindText = [&](int p, const char* data, std::size_t w) {
        auto v = clipView(data, w);
        sqlite3_bind_text(s, p, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
      };
      bindText(1, rec.domain.data, 50);
      bindText(2, rec.page.data, 20);
      bindText(3, rec.path.data, 80);
      bindText(4, rec.link.data, 200);
      sqlite3_bind_double(s, 5, rec.line);
      sqlite3_bind_int(s, 6, rec.date);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(s);
    sqlite3_close(db);
  }
  state.SetItemsProcessed(state.iterations() * kAppendBatch);
}
BENCHMARK(BM_RawAppend)->Unit(benchmark::kMillisecond);

// ---- key-order walk -------------------------------------------------------------------------

void BM_KeyWalk(benchmark::State& state) {
  auto& fx = fixture();
  std::int64_t rows = 0;
  for (auto _ : state) {
    fx.file.setKeyOrder(0);
    while (fx.file.next()) ++rows;
    benchmark::DoNotOptimize(fx.rec);
  }
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_KeyWalk)->Unit(benchmark::kMillisecond);

void BM_RawKeyWalk(benchmark::State& state) {
  auto& fx = fixture();
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(
      fx.raw,
      "SELECT rowid, DOMAINNAME, PAGENAME, WEBPAGEPATHNAME, WEBPAGELINK, LINENUMBER, "
      "RECORDDATE FROM WPLinks WHERE (WEBPAGEPATHNAME <> '') "
      "ORDER BY upper(WEBPAGEPATHNAME), rowid",
      -1, &s, nullptr);
  Link r{};
  std::int64_t rows = 0;
  for (auto _ : state) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      rawRead(s, r);
      ++rows;
    }
    sqlite3_reset(s);
    benchmark::DoNotOptimize(r);
  }
  sqlite3_finalize(s);
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_RawKeyWalk)->Unit(benchmark::kMillisecond);

// One long run of equal key values: each read-ahead batch must seek into the middle of it.
void BM_KeyWalkOneValue(benchmark::State& state) {
  fixture();
  constexpr int kSame = 200'000;
  FileDesc desc = linkDesc("SAMEKEY");
  Link rec{};
  KeyedFile f(desc, &rec);
  f.create();
  f.open();
  for (int i = 0; i < kSame; ++i) {
    fill(rec, i);
    rec.path = "/the/same/page.htm";
    f.append();
  }
  f.flush();
  std::int64_t rows = 0;
  for (auto _ : state) {
    f.setKeyOrder(0);
    while (f.next()) ++rows;
  }
  if (rows != kSame * state.iterations()) state.SkipWithError("short walk");
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_KeyWalkOneValue)->Unit(benchmark::kMillisecond);

// ---- GET by key -----------------------------------------------------------------------------

void BM_GetByKey(benchmark::State& state) {
  auto& fx = fixture();
  std::mt19937 rng(1);
  int found = 0;
  for (auto _ : state) {
    fx.rec.path = pathOf(static_cast<int>(rng() % kPaths));
    found += fx.file.get(0);
  }
  if (found != state.iterations()) state.SkipWithError("GET missed");
}
BENCHMARK(BM_GetByKey)->Unit(benchmark::kMicrosecond);

// Rows at a key value read with a plain prepared statement: `op` "=" for a GET, ">=" for a page.
// Returns the rows read over all iterations.
std::size_t rawKeyedReads(benchmark::State& state, const char* op, int limit, unsigned seed) {
  auto& fx = fixture();
  const std::string sql =
      std::string(
          "SELECT rowid, DOMAINNAME, PAGENAME, WEBPAGEPATHNAME, WEBPAGELINK, LINENUMBER, "
          "RECORDDATE FROM WPLinks WHERE (WEBPAGEPATHNAME <> '') AND "
          "upper(WEBPAGEPATHNAME) ") +
      op + " ?1 ORDER BY upper(WEBPAGEPATHNAME), rowid LIMIT " + std::to_string(limit);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(fx.raw, sql.c_str(), -1, &s, nullptr);
  std::mt19937 rng(seed);
  Link r{};
  std::size_t rows = 0;
  for (auto _ : state) {
    std::string key = pathOf(static_cast<int>(rng() % kPaths));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    sqlite3_bind_text(s, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(s) == SQLITE_ROW) {
      rawRead(s, r);
      ++rows;
    }
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  return rows;
}

void BM_RawGetByKey(benchmark::State& state) {
  if (rawKeyedReads(state, "=", 1, 1) != static_cast<std::size_t>(state.iterations()))
    state.SkipWithError("GET missed");
}
BENCHMARK(BM_RawGetByKey)->Unit(benchmark::kMicrosecond);

// ---- a view page of 50 rows at a key value --------------------------------------------------

void BM_ViewPage(benchmark::State& state) {
  auto& fx = fixture();
  View view(fx.file);
  view.setKeyOrder(0);
  std::mt19937 rng(2);
  std::size_t rows = 0;
  for (auto _ : state) {
    fx.rec.path = pathOf(static_cast<int>(rng() % kPaths));
    rows += view.atOrAfterBuffer(50).size();
  }
  if (rows != 50 * static_cast<std::size_t>(state.iterations())) state.SkipWithError("short page");
}
BENCHMARK(BM_ViewPage)->Unit(benchmark::kMicrosecond);

void BM_RawViewPage(benchmark::State& state) {
  if (rawKeyedReads(state, ">=", 50, 2) != 50 * static_cast<std::size_t>(state.iterations()))
    state.SkipWithError("short page");
}
BENCHMARK(BM_RawViewPage)->Unit(benchmark::kMicrosecond);

// ---- OPEN and CLOSE -------------------------------------------------------------------------

// A small file of its own: opening costs the same whatever the file holds, and the million
// records need not be written for it. Named by its full path: the current directory stays
// the one the other benchmarks' files were made in.
struct OpenFixture {
  std::string dir;
  FileDesc desc = linkDesc("OPENED");
  Link rec{};
  KeyedFile file{desc, &rec};

  OpenFixture() {
    char tmpl[] = "/tmp/twbenchopenXXXXXX";
    dir = ::mkdtemp(tmpl);
    desc.diskName = dir + "/OPENED";
    file.create();
    file.open();
    for (int i = 0; i < 1000; ++i) {
      fill(rec, i);
      file.append();
    }
    file.close();
  }
  ~OpenFixture() { std::filesystem::remove_all(dir); }
};

OpenFixture& openFixture() {
  static OpenFixture f;
  return f;
}

// OPEN (and the CLOSE that a browse does before its next OPEN), reading the first record so the
// file's statements are in use.
void BM_OpenClose(benchmark::State& state) {
  auto& fx = openFixture();
  const OpenMode mode = state.range(0) ? OpenMode{Access::ReadOnly, Share::DenyNone}
                                       : OpenMode{Access::ReadWrite, Share::DenyNone};
  for (auto _ : state) {
    if (!fx.file.open(mode)) state.SkipWithError("OPEN failed");
    fx.file.setKeyOrder(0);
    if (!fx.file.next()) state.SkipWithError("NEXT failed");
    fx.file.close();
  }
}
BENCHMARK(BM_OpenClose)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_RawOpenClose(benchmark::State& state) {
  auto& fx = openFixture();
  const std::string path = fx.dir + "/OPENED.db";
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT rowid, * FROM WPLinks WHERE (WEBPAGEPATHNAME <> '') ORDER BY "
                       "upper(WEBPAGEPATHNAME), rowid LIMIT 1",
                       -1, &s, nullptr);
    if (sqlite3_step(s) == SQLITE_ROW) rawRead(s, fx.rec);
    sqlite3_finalize(s);
    sqlite3_close(db);
  }
}
BENCHMARK(BM_RawOpenClose)->Unit(benchmark::kMicrosecond);

// ---- BUILD of the million-record file ---------------------------------------------------------

// After appends: the keys are current, BUILD only commits.
void BM_BuildCurrent(benchmark::State& state) {
  auto& fx = fixture();
  for (auto _ : state) fx.file.build();
}
BENCHMARK(BM_BuildCurrent)->Unit(benchmark::kMillisecond);

// A key found missing: the whole index is made again.
void BM_BuildMissingKey(benchmark::State& state) {
  auto& fx = fixture();
  for (auto _ : state) {
    state.PauseTiming();
    fx.file.close();
    sqlite3_exec(fx.raw, "DROP INDEX \"WPLinks_PathName\"", nullptr, nullptr, nullptr);
    state.ResumeTiming();
    if (!fx.file.build()) {
      state.SkipWithError(("BUILD failed: " + errors().text).c_str());
      break;  // timing may not be paused once skipped
    }
    state.PauseTiming();
    fx.file.open();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuildMissingKey)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  return bench::runBenchmarks(argc, argv);
}
