#include "runtime/data/ChangeJournal.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "runtime/data/SqlCore.h"
#include "runtime/text/Paths.h"

namespace rt::journal {

namespace {

constexpr char kName[] = "CHANGES.db";
// Longer than a data file's: the other program may be writing its own change here.
constexpr int kBusyMs = 5000;

void putInt(std::string& out, std::int64_t v) {
  char b[8];
  std::memcpy(b, &v, 8);
  out.append(b, 8);
}

bool getInt(const std::string& in, std::size_t& at, std::int64_t& v) {
  if (at + 8 > in.size()) return false;
  std::memcpy(&v, in.data() + at, 8);
  at += 8;
  return true;
}

std::string packIds(const std::vector<std::int64_t>& ids) {
  std::string out;
  out.reserve(ids.size() * 8);
  for (std::int64_t id : ids) putInt(out, id);
  return out;
}

std::vector<std::int64_t> unpackIds(const std::string& in) {
  std::vector<std::int64_t> ids;
  std::size_t at = 0;
  std::int64_t v;
  while (getInt(in, at, v)) ids.push_back(v);
  return ids;
}

std::string packImages(const std::vector<std::pair<std::int64_t, std::string>>& images) {
  std::string out;
  for (const auto& [rowid, values] : images) {
    putInt(out, rowid);
    putInt(out, static_cast<std::int64_t>(values.size()));
    out += values;
  }
  return out;
}

std::vector<std::pair<std::int64_t, std::string>> unpackImages(const std::string& in) {
  std::vector<std::pair<std::int64_t, std::string>> images;
  std::size_t at = 0;
  std::int64_t rowid, size;
  while (getInt(in, at, rowid) && getInt(in, at, size) && size >= 0 &&
         at + static_cast<std::size_t>(size) <= in.size()) {
    images.emplace_back(rowid, in.substr(at, static_cast<std::size_t>(size)));
    at += static_cast<std::size_t>(size);
  }
  return images;
}

std::string columnBlob(sqlite3_stmt* s, int col) {
  const void* p = sqlite3_column_blob(s, col);
  return p ? std::string(static_cast<const char*>(p),
                         static_cast<std::size_t>(sqlite3_column_bytes(s, col)))
           : std::string();
}

void bindBlob(sqlite3_stmt* s, int i, const std::string& b) {
  sqlite3_bind_blob(s, i, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

}  // namespace

std::string directoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void FilePart::truncate(const std::array<std::size_t, 3>& sizes) {
  for (std::size_t i = sizes[0]; i < inserted.size(); ++i) insertedSet.erase(inserted[i]);
  for (std::size_t i = sizes[1]; i < deleted.size(); ++i) deletedSet.erase(deleted[i]);
  for (std::size_t i = sizes[2]; i < images.size(); ++i) imagedSet.erase(images[i].first);
  inserted.resize(std::min(sizes[0], inserted.size()));
  deleted.resize(std::min(sizes[1], deleted.size()));
  images.resize(std::min(sizes[2], images.size()));
}

std::string packRow(sqlite3* db, const std::string& table, const std::string& columns,
                    std::int64_t rowid, bool& ok) {
  sql::Stmt s(db, "SELECT " + columns + " FROM " + table + " WHERE rowid = ?1");
  ok = false;
  std::string out;
  if (!s) return out;
  sqlite3_bind_int64(s.get(), 1, rowid);
  if (sqlite3_step(s.get()) != SQLITE_ROW) return out;
  for (int c = 0, n = sqlite3_column_count(s.get()); c < n; ++c) {
    const int type = sqlite3_column_type(s.get(), c);
    out += static_cast<char>(type);
    switch (type) {
      case SQLITE_INTEGER:
        putInt(out, sqlite3_column_int64(s.get(), c));
        break;
      case SQLITE_FLOAT: {
        const double d = sqlite3_column_double(s.get(), c);
        std::int64_t bits;
        std::memcpy(&bits, &d, 8);
        putInt(out, bits);
        break;
      }
      case SQLITE_NULL:
        break;
      default: {
        const std::string b = columnBlob(s.get(), c);
        putInt(out, static_cast<std::int64_t>(b.size()));
        out += b;
      }
    }
  }
  ok = true;
  return out;
}

bool bindPacked(sqlite3_stmt* s, int first, const std::string& packed) {
  std::size_t at = 0;
  for (int i = first; at < packed.size(); ++i) {
    const int type = static_cast<unsigned char>(packed[at++]);
    std::int64_t v = 0;
    if (type != SQLITE_NULL && !getInt(packed, at, v)) return false;
    switch (type) {
      case SQLITE_INTEGER:
        sqlite3_bind_int64(s, i, v);
        break;
      case SQLITE_FLOAT: {
        double d;
        std::memcpy(&d, &v, 8);
        sqlite3_bind_double(s, i, d);
        break;
      }
      case SQLITE_NULL:
        sqlite3_bind_null(s, i);
        break;
      default: {
        if (v < 0 || at + static_cast<std::size_t>(v) > packed.size()) return false;
        const char* p = packed.data() + at;
        if (type == SQLITE_TEXT)
          sqlite3_bind_text(s, i, p, static_cast<int>(v), SQLITE_TRANSIENT);
        else
          sqlite3_bind_blob(s, i, p, static_cast<int>(v), SQLITE_TRANSIENT);
        at += static_cast<std::size_t>(v);
      }
    }
  }
  return true;
}

Journal* Journal::of(const std::string& dir, bool create) {
  // The last directory's journal stays open: the data files of a run are in one directory,
  // and a connection per directory ever used would hold its files open for the whole run.
  static std::string lastDir;
  static std::unique_ptr<Journal> last;
  // Absolute: a program that changes its working directory has the other one's journal.
  std::error_code ec;
  const std::string key = std::filesystem::absolute(resolvePath(dir), ec).lexically_normal();
  if (last && key == lastDir) return last.get();
  const std::string path = key + "/" + kName;
  if (!create && !FileExists(path)) return nullptr;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyMs);
  int persist = 1;
  sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  if (sql::exec(db,
                "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                "CREATE TABLE IF NOT EXISTS change(id INTEGER PRIMARY KEY, decided INTEGER);"
                "CREATE TABLE IF NOT EXISTS part(change INTEGER, file TEXT, inserted BLOB,"
                " deleted BLOB, images BLOB, PRIMARY KEY(change, file));"
                "CREATE INDEX IF NOT EXISTS part_file ON part(file);") != SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  last.reset(new Journal(db));
  lastDir = key;
  return last.get();
}

Journal::~Journal() {
  sqlite3_close_v2(db_);
}

bool Journal::run(const char* sqlText) {
  return sql::exec(db_, sqlText) == SQLITE_OK;
}

bool Journal::atomically(const std::function<bool()>& work) {
  if (!run("BEGIN IMMEDIATE")) return false;
  if (work() && run("COMMIT")) return true;
  run("ROLLBACK");
  return false;
}

std::string Journal::error() const {
  return std::string("the change journal: ") + sqlite3_errmsg(db_);
}

bool Journal::begin(const std::vector<std::pair<std::string, const FilePart*>>& parts,
                    std::int64_t& id) {
  sql::Stmt c(db_, "INSERT INTO change(decided) VALUES(0)");
  sql::Stmt p(db_, "INSERT INTO part VALUES(?1, ?2, ?3, ?4, ?5)");
  if (!c || !p) return false;
  return atomically([&] {
    if (sqlite3_step(c.get()) != SQLITE_DONE) return false;
    id = sqlite3_last_insert_rowid(db_);
    for (const auto& [file, part] : parts) {
      p.reset();
      sqlite3_bind_int64(p.get(), 1, id);
      sqlite3_bind_text(p.get(), 2, file.c_str(), -1, SQLITE_TRANSIENT);
      bindBlob(p.get(), 3, packIds(part->inserted));
      bindBlob(p.get(), 4, packIds(part->deleted));
      bindBlob(p.get(), 5, packImages(part->images));
      if (sqlite3_step(p.get()) != SQLITE_DONE) return false;
    }
    return true;
  });
}

bool Journal::decide(std::int64_t id) {
  sql::Stmt s(db_, "UPDATE change SET decided = 1 WHERE id = ?1");
  if (!s) return false;
  sqlite3_bind_int64(s.get(), 1, id);
  return sqlite3_step(s.get()) == SQLITE_DONE;
}

bool Journal::end(std::int64_t id) {
  sql::Stmt s(db_, "DELETE FROM part WHERE change = ?1");
  sql::Stmt c(db_, "DELETE FROM change WHERE id = ?1");
  if (!s || !c) return false;
  sqlite3_bind_int64(s.get(), 1, id);
  sqlite3_bind_int64(c.get(), 1, id);
  return atomically(
      [&] { return sqlite3_step(s.get()) == SQLITE_DONE && sqlite3_step(c.get()) == SQLITE_DONE; });
}

bool Journal::pending(const std::string& file, std::vector<PendingPart>& parts) {
  sql::Stmt s(db_,
              "SELECT p.change, coalesce(c.decided, 0), p.inserted, p.deleted, p.images, "
              "EXISTS (SELECT 1 FROM part q WHERE q.change = p.change AND q.rowid > p.rowid) "
              "FROM part p LEFT JOIN change c ON c.id = p.change WHERE p.file = ?1 "
              "ORDER BY p.change");
  if (!s) return false;
  sqlite3_bind_text(s.get(), 1, file.c_str(), -1, SQLITE_TRANSIENT);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    PendingPart p;
    p.change = sqlite3_column_int64(s.get(), 0);
    p.decided = sqlite3_column_int(s.get(), 1) != 0;
    p.inserted = unpackIds(columnBlob(s.get(), 2));
    p.deleted = unpackIds(columnBlob(s.get(), 3));
    p.images = unpackImages(columnBlob(s.get(), 4));
    p.waiting = sqlite3_column_int(s.get(), 5) != 0;
    parts.push_back(std::move(p));
  }
  return rc == SQLITE_DONE;
}

bool Journal::finished(std::int64_t id, const std::string& file) {
  sql::Stmt s(db_, "DELETE FROM part WHERE change = ?1 AND file = ?2");
  sql::Stmt c(db_,
              "DELETE FROM change WHERE id = ?1 AND NOT EXISTS "
              "(SELECT 1 FROM part WHERE change = ?1)");
  if (!s || !c) return false;
  sqlite3_bind_int64(s.get(), 1, id);
  sqlite3_bind_text(s.get(), 2, file.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(c.get(), 1, id);
  return atomically(
      [&] { return sqlite3_step(s.get()) == SQLITE_DONE && sqlite3_step(c.get()) == SQLITE_DONE; });
}

bool Journal::forget(const std::string& file) {
  std::vector<PendingPart> parts;
  if (!pending(file, parts)) return false;
  for (const PendingPart& p : parts)
    if (!finished(p.change, file)) return false;
  return true;
}

}  // namespace rt::journal
