// Deleting one domain with 1,000 pages and 50 details per page (10 in each detail file),
// through its relation manager, beside the same deletes written directly in SQLite. The
// delete through the relation manager runs with the change journal and without it in turns,
// so that the machine's drift falls on both alike: extra_pct is what the journal costs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "dictionary/Dictionary.h"
#include "runtime/data/Transaction.h"

namespace {

constexpr int kPages = 1000;
constexpr int kPerDetailFile = 10;

struct WorkDir {
  WorkDir() {
    char tmpl[] = "/tmp/twbenchXXXXXX";
    dir = ::mkdtemp(tmpl);
    old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
  }
  ~WorkDir() {
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
  }
  std::string dir;
  std::filesystem::path old;
};

std::string pagePath(const char* domain, int page) {
  return std::string("http://") + domain + "/page" + std::to_string(page) + ".htm";
}

// One domain with its pages and details, and a second, smaller one that must survive.
void fill(const char* domain, int pages) {
  DOM.DOMAINNAME = domain;
  Domains.append();
  for (int p = 0; p < pages; ++p) {
    const std::string path = pagePath(domain, p);
    WEB.DOMAINNAME = domain;
    WEB.PAGENAME = "page" + std::to_string(p) + ".htm";
    WEB.PAGEPATH = path;
    WebPages.append();
    for (int i = 0; i < kPerDetailFile; ++i) {
      WPM.WEBPAGEPATH = path;
      WPM.METANAME = "meta" + std::to_string(i);
      WPMeta.append();
      WPL.WEBPAGEPATHNAME = path;
      WPL.WEBPAGELINK = "link" + std::to_string(i);
      WPLinks.append();
      WPI.WEBPAGEPATHNAME = path;
      WPI.WEBPAGEIMG = "img" + std::to_string(i);
      WPIMG.append();
      WPF.WEBPAGEPATHNAME = path;
      WPF.FORMLINE1 = "<form>";
      WPForm.append();
      WPS.WEBPAGEPATHNAME = path;
      WPS.SCRIPTLINE1 = "<script>";
      WPScripts.append();
    }
  }
  for (rt::KeyedFile* f : {&Domains, &WebPages, &WPMeta, &WPLinks, &WPIMG, &WPForm, &WPScripts})
    f->flush();
}

void BM_CascadeDeleteThroughRelations(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  WorkDir dir;
  DictionaryInit();
  rt::setErrorReporter(nullptr);
  DomainsRelations->OpenFiles();
  // The thread's processor time as well: it leaves out what other programs on the machine
  // take, though also the waits for the disk.
  const auto cpuNow = [] {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
  };
  std::vector<double> ratios, cpuRatios, plainMs;  // per iteration: with the journal / without
  int turn = 0;
  for (auto _ : state) {
    double took[2] = {}, cpu[2] = {};  // [journal]
    for (int pass = 0; pass < 2; ++pass) {
      const bool journal = (pass + turn) % 2 == 0;
      fill("big.example", kPages);
      fill("small.example", 3);
      DOM.DOMAINNAME = "big.example";
      DomainsManager->FetchByKey(0);
      rt::setChangeJournal(journal);
      const auto t0 = Clock::now();
      const double c0 = cpuNow();
      if (DomainsRelations->DeleteRecord(false) != rt::Status::Ok)
        state.SkipWithError("delete failed");
      cpu[journal] = cpuNow() - c0;
      took[journal] = std::chrono::duration<double>(Clock::now() - t0).count();
      rt::setChangeJournal(true);
      if (WPMeta.records() != 3 * kPerDetailFile) state.SkipWithError("wrong records left");
      DOM.DOMAINNAME = "small.example";
      DomainsManager->FetchByKey(0);
      DomainsRelations->DeleteRecord(false);
    }
    state.SetIterationTime(took[1]);
    ratios.push_back(took[1] / took[0]);
    cpuRatios.push_back(cpu[1] / cpu[0]);
    plainMs.push_back(1000 * took[0]);
    ++turn;
  }
  // Medians: a pause of the machine during one delete moves them little.
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
  };
  state.counters["plain_ms"] = median(plainMs);
  state.counters["extra_pct"] = 100 * (median(ratios) - 1);
  state.counters["extra_cpu_pct"] = 100 * (median(cpuRatios) - 1);
  DomainsRelations->CloseFiles();
  DictionaryKill();
}
BENCHMARK(BM_CascadeDeleteThroughRelations)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(9)
    ->UseManualTime();

// The same deletes in plain SQLite: one database per file, a key on the upper-cased link,
// the children of each page found through it and deleted row by row.
void BM_CascadeDeleteRawSqlite(benchmark::State& state) {
  WorkDir dir;
  sqlite3* db = nullptr;
  sqlite3_open("raw.db", &db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
               nullptr);
  const char* details[] = {"meta", "links", "img", "form", "script"};
  std::string schema =
      "CREATE TABLE domains(name TEXT); CREATE INDEX dn ON domains(upper(name));"
      "CREATE TABLE pages(domain TEXT, name TEXT, path TEXT, body TEXT);"
      "CREATE INDEX pn ON pages(upper(domain), upper(name));";
  for (const char* d : details)
    schema += std::string("CREATE TABLE ") + d + "(path TEXT, body TEXT); CREATE INDEX " + d +
              "_p ON " + d + "(upper(path));";
  sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr);
  auto prep = [&](const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    return s;
  };
  sqlite3_stmt* pagesOf =
      prep("SELECT rowid, path FROM pages WHERE upper(domain) = upper(?1) ORDER BY upper(domain)");
  sqlite3_stmt* delPage = prep("DELETE FROM pages WHERE rowid = ?1");
  sqlite3_stmt* delDomain = prep("DELETE FROM domains WHERE upper(name) = upper(?1)");
  std::vector<sqlite3_stmt*> childRows, childDel, childAdd;
  for (const char* d : details) {
    childRows.push_back(
        prep(std::string("SELECT rowid FROM ") + d + " WHERE upper(path) = upper(?1)"));
    childDel.push_back(prep(std::string("DELETE FROM ") + d + " WHERE rowid = ?1"));
    childAdd.push_back(prep(std::string("INSERT INTO ") + d + " VALUES(?1, ?2)"));
  }
  sqlite3_stmt* addPage = prep("INSERT INTO pages VALUES(?1, ?2, ?3, ?4)");
  sqlite3_stmt* addDomain = prep("INSERT INTO domains VALUES(?1)");
  const std::string body(200, 'x');
  auto run = [](sqlite3_stmt* s) {
    sqlite3_step(s);
    sqlite3_reset(s);
  };
  for (auto _ : state) {
    state.PauseTiming();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_text(addDomain, 1, "big.example", -1, SQLITE_STATIC);
    run(addDomain);
    for (int p = 0; p < kPages; ++p) {
      const std::string path = pagePath("big.example", p);
      sqlite3_bind_text(addPage, 1, "big.example", -1, SQLITE_STATIC);
      sqlite3_bind_text(addPage, 2, "page", -1, SQLITE_STATIC);
      sqlite3_bind_text(addPage, 3, path.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(addPage, 4, body.c_str(), -1, SQLITE_STATIC);
      run(addPage);
      for (auto* add : childAdd)
        for (int i = 0; i < kPerDetailFile; ++i) {
          sqlite3_bind_text(add, 1, path.c_str(), -1, SQLITE_TRANSIENT);
          sqlite3_bind_text(add, 2, body.c_str(), -1, SQLITE_STATIC);
          run(add);
        }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    state.ResumeTiming();

    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_text(pagesOf, 1, "big.example", -1, SQLITE_STATIC);
    std::vector<std::pair<std::int64_t, std::string>> pages;
    while (sqlite3_step(pagesOf) == SQLITE_ROW)
      pages.emplace_back(sqlite3_column_int64(pagesOf, 0),
                         reinterpret_cast<const char*>(sqlite3_column_text(pagesOf, 1)));
    sqlite3_reset(pagesOf);
    for (const auto& [rowid, path] : pages) {
      for (std::size_t c = 0; c < childRows.size(); ++c) {
        std::vector<std::int64_t> rows;
        sqlite3_bind_text(childRows[c], 1, path.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(childRows[c]) == SQLITE_ROW)
          rows.push_back(sqlite3_column_int64(childRows[c], 0));
        sqlite3_reset(childRows[c]);
        for (auto r : rows) {
          sqlite3_bind_int64(childDel[c], 1, r);
          run(childDel[c]);
        }
      }
      sqlite3_bind_int64(delPage, 1, rowid);
      run(delPage);
    }
    sqlite3_bind_text(delDomain, 1, "big.example", -1, SQLITE_STATIC);
    run(delDomain);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  for (auto* s : childRows) sqlite3_finalize(s);
  for (auto* s : childDel) sqlite3_finalize(s);
  for (auto* s : childAdd) sqlite3_finalize(s);
  for (auto* s : {pagesOf, delPage, delDomain, addPage, addDomain}) sqlite3_finalize(s);
  sqlite3_close(db);
}
BENCHMARK(BM_CascadeDeleteRawSqlite)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
