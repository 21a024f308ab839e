#include "tarnfix/Salvage.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>

#include "runtime/data/FileLock.h"
#include "runtime/data/KeyedFile.h"
#include "runtime/data/SqlCore.h"
#include "runtime/text/Paths.h"
#include "tarnfix/PageScan.h"
#include "tarnfix/ScratchFile.h"

namespace tarnfix {
namespace {

namespace fs = std::filesystem;

rt::ErrorCode writeCode(int rc, sqlite3* db) {
  return diskFull(rc, db) ? rt::ErrorCode::DiskFull : rt::ErrorCode::WriteError;
}

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", &local);
  return buf;
}

bool taken(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec)) || rt::FileExists(p.string());
}

// The fresh file is made under a name of its own and only then put in place.
std::string freshDiskName(const std::string& diskName) {
  std::string name = diskName + ".salvage";
  for (int n = 2; taken(rt::resolvePath(name + ".db")); ++n)
    name = diskName + ".salvage-" + std::to_string(n);
  return name;
}

std::int64_t walSize(const std::string& path) {
  struct stat st;
  return ::stat((path + "-wal").c_str(), &st) == 0 ? st.st_size : -1;
}

void unlinkLog(const std::string& path) {
  ::unlink((path + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
}

// SQLite's verdict on the fresh file and its count of records, read anew from the disk.
bool verified(const std::string& path, std::int64_t records, std::string& why) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::string result;
  std::int64_t count = -1;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check(1)", -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    result = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
  sqlite3_finalize(s);
  s = nullptr;
  // The one table of the file.
  if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &s,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW) {
    const std::string table =
        rt::sql::quote(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    s = nullptr;
    if (sqlite3_prepare_v2(db, ("SELECT count(*) FROM " + table).c_str(), -1, &s, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      count = sqlite3_column_int64(s, 0);
  }
  sqlite3_finalize(s);
  sqlite3_close_v2(db);
  if (result != "ok")
    why = "the fresh file did not pass SQLite's check: " + result;
  else if (count != records)
    why = "the fresh file holds " + std::to_string(count) + " records";
  return why.empty();
}

}  // namespace

bool diskFull(int rc, sqlite3* db) {
  return rt::sql::failureCode(db, rc, rt::ErrorCode::WriteError) == rt::ErrorCode::DiskFull;
}

std::string damagedName(const std::string& path) {
  const fs::path p(path);
  const std::string name = p.filename().string();
  const auto dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
  const std::string date = today();
  std::string candidate = stem + ".damaged-" + date + ext;
  for (int n = 2; taken(p.parent_path() / candidate); ++n)
    candidate = stem + ".damaged-" + date + "-" + std::to_string(n) + ext;
  return candidate;
}

SalvageResult salvage(const rt::FileDesc& desc) {
  SalvageResult s;
  auto fail = [&s](rt::ErrorCode code, std::string why) {
    s.code = code;
    s.why = std::move(why);
    return s;
  };
  ScratchFile original(desc);
  const std::string path = original->path();
  const fs::path dir = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : ".";
  if (::access(dir.c_str(), W_OK) != 0 || ::access(path.c_str(), W_OK) != 0)
    return fail(rt::ErrorCode::ReadOnlyPlace, "the directory or the file is read-only");
  if (!original->open({rt::Access::ReadWrite, rt::Share::DenyWrite}))
    return fail(rt::errorCode(), rt::errors().text);
  // Kept over the swap, after the file is closed: no other program of ours opens it meanwhile.
  rt::FileLock hold;
  std::string why;
  if (!hold.acquire(path, {rt::Access::ReadWrite, rt::Share::DenyWrite}, why))
    return fail(rt::ErrorCode::AccessDenied, why);

  // The pages are read from the file itself: what its log holds goes into it first.
  sqlite3* db = original->connection();
  int logFrames = -1;
  const int rc =
      sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logFrames, nullptr);
  if (rc != SQLITE_OK || logFrames > 0)
    return fail(writeCode(rc, db),
                std::string("its log could not be merged into it: ") + sqlite3_errmsg(db));
  std::set<std::uint32_t> indexRoots;
  {
    rt::sql::Stmt q(db, "SELECT rootpage FROM sqlite_master WHERE type = 'index'");
    while (q && sqlite3_step(q.get()) == SQLITE_ROW)
      indexRoots.insert(static_cast<std::uint32_t>(sqlite3_column_int64(q.get(), 0)));
  }
  PageScan scan;
  if (!scanPages(desc, path, indexRoots, scan, why)) return fail(rt::ErrorCode::Damaged, why);
  s.details = scan.notes;
  s.notSaved = scan.unreadable + scan.duplicates;
  s.unknownLost = scan.unknownLost;
  if (scan.duplicates > 0)
    s.details.push_back(std::to_string(scan.duplicates) +
                        " other copies of records already read differ from them");

  rt::FileDesc freshDesc = desc;
  freshDesc.diskName = freshDiskName(desc.diskName);
  ScratchFile fresh(freshDesc);
  const std::string freshPath = fresh->path();
  auto discard = [&] {
    if (fresh->isOpen()) fresh->close();
    fresh->remove();
    unlinkLog(freshPath);
  };
  if (!fresh->create() || !fresh->open({rt::Access::ReadWrite, rt::Share::DenyWrite})) {
    const rt::ErrorState e = rt::errors();
    discard();
    return fail(e.text.find("full") != std::string::npos ? rt::ErrorCode::DiskFull : e.code,
                e.text);
  }
  sqlite3* out = fresh->connection();
  const rt::sql::Schema schema(desc);
  std::string columns = "rowid";
  std::string params = "?1";
  for (std::size_t i = 0; i < schema.columns.size(); ++i) {
    columns += ", " + schema.columns[i];
    params += ", ?" + std::to_string(i + 2);
  }
  rt::sql::Stmt insert(
      out, "INSERT INTO " + schema.table + " (" + columns + ") VALUES (" + params + ")");
  int wrc = insert ? rt::sql::exec(out, "BEGIN") : SQLITE_ERROR;
  // In rowid order: where a unique key clashes, the earlier record is the one kept.
  for (auto it = scan.records.begin(); wrc == SQLITE_OK && it != scan.records.end(); ++it) {
    insert.reset();
    sqlite3_bind_int64(insert.get(), 1, it->first);
    for (std::size_t i = 0; i < it->second.size(); ++i)
      rt::sql::bindValue(insert.get(), static_cast<int>(i + 2), it->second[i]);
    const int step = sqlite3_step(insert.get());
    if (step == SQLITE_DONE) {
      ++s.saved;
    } else if ((step & 0xff) == SQLITE_CONSTRAINT) {
      ++s.notSaved;
      s.details.push_back("record " + std::to_string(it->first) +
                          " not saved: " + sqlite3_errmsg(out));
    } else {
      wrc = step;
    }
  }
  if (wrc == SQLITE_OK) wrc = rt::sql::exec(out, "COMMIT");
  if (wrc != SQLITE_OK) {
    std::string text = sqlite3_errmsg(out);
    if (const int e = sqlite3_system_errno(out)) text += std::string(" (") + std::strerror(e) + ")";
    const rt::ErrorCode code = writeCode(wrc, out);
    insert = {};
    discard();
    return fail(code, "the fresh file could not be written: " + text);
  }
  insert = {};
  if (!fresh->close()) {
    const rt::ErrorState e = rt::errors();
    discard();
    return fail(e.code, e.text);
  }
  unlinkLog(freshPath);
  if (!verified(freshPath, s.saved, why)) {
    discard();
    return fail(rt::ErrorCode::WriteError, why);
  }

  // The swap: the name never stands empty, and no log of the damaged file is left beside
  // the fresh one, where SQLite would take its pages for the fresh file's.
  original->close();
  if (walSize(path) > 0) {
    discard();
    return fail(rt::ErrorCode::FileChanged, "it was written to while being salvaged");
  }
  unlinkLog(path);
  std::string kept;
  for (int attempt = 0; attempt < 3 && kept.empty(); ++attempt) {
    const std::string name = damagedName(path);
    const std::string target = (dir / name).string();
    if (::link(path.c_str(), target.c_str()) == 0)
      kept = name;
    else if (errno != EEXIST)
      break;
  }
  if (kept.empty()) {
    const std::string text = std::strerror(errno);
    discard();
    return fail(rt::ErrorCode::WriteError, "the damaged file could not be kept: " + text);
  }
  if (::rename(freshPath.c_str(), path.c_str()) != 0) {
    const std::string text = std::strerror(errno);
    ::unlink((dir / kept).c_str());
    discard();
    return fail(rt::ErrorCode::WriteError, "the fresh file could not be put in place: " + text);
  }
  s.keptAs = kept;
  s.done = true;
  return s;
}

}  // namespace tarnfix
