// The file's connection and statements, and the cursor that reads ahead in batches.
#include <sys/stat.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <limits>

#include "runtime/data/ChangeJournal.h"
#include "runtime/data/KeyedFileImpl.h"
#include "runtime/data/LockKeeper.h"
#include "runtime/text/Paths.h"

namespace rt {

namespace {

constexpr std::int64_t kMinRow = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMaxRow = std::numeric_limits<std::int64_t>::max();
constexpr int kBusyMs = 250;

using journal::directoryOf;

// An emptied log is left behind by every CLOSE; only one with frames holds changes.
bool walHoldsFrames(const std::string& path) {
  struct stat st;
  return ::stat((path + "-wal").c_str(), &st) == 0 && st.st_size > 0;
}

}  // namespace

// ---- Impl -------------------------------------------------------------------------------

const std::string& KeyedFile::Impl::label() const {
  return self.desc().label.empty() ? self.desc().diskName : self.desc().label;
}

bool KeyedFile::Impl::fail(ErrorCode code, const std::string& text) {
  const std::string name = path.empty() ? self.path() : path;
  return setError(code, name, name + ": " + text);
}

bool KeyedFile::Impl::failSql(int rc, ErrorCode fallback, const std::string& what) {
  std::string msg = what;
  int sysErrno = 0;
  const ErrorCode code = sql::failureCode(db, rc, fallback, &sysErrno);
  if (db) {
    msg += std::string(": ") + sqlite3_errmsg(db);
    if (sysErrno) msg += std::string(" (") + std::strerror(sysErrno) + ")";
  } else {
    msg += std::string(": ") + sqlite3_errstr(rc);
  }
  return fail(code, msg);
}

sql::Ordering KeyedFile::Impl::ordering(int key) const {
  sql::Ordering o;
  if (key < 0) return o;
  const auto& k = self.desc().keys[key];
  for (int field : k.components) o.terms.push_back({schema.term(self.desc(), field), false});
  o.condition = schema.optCondition[key];
  return o;
}

bool KeyedFile::Impl::checkSchema(bool checkKeys) {
  sql::Stmt q;
  int rc = q.prepare(db, "SELECT sql FROM sqlite_master WHERE type = ?1 AND name = ?2");
  if (rc != SQLITE_OK) return failSql(rc, ErrorCode::InvalidFile, "cannot be read");
  auto lookup = [&](const char* type, std::string_view name, std::string& out) {
    q.reset();
    sqlite3_bind_text(q.get(), 1, type, -1, SQLITE_STATIC);
    sqlite3_bind_text(q.get(), 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    int r = sqlite3_step(q.get());
    if (r == SQLITE_ROW) {
      auto* t = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0));
      out = t ? t : "";
      return SQLITE_ROW;
    }
    return r;
  };
  std::string found;
  // The table's name unquoted: the label (or disk name).
  std::string tableName = schema.table.substr(1, schema.table.size() - 2);
  for (std::size_t p; (p = tableName.find("\"\"")) != std::string::npos;) tableName.erase(p, 1);
  rc = lookup("table", tableName, found);
  if (rc == SQLITE_DONE) {
    sql::Stmt any(db, "SELECT 1 FROM sqlite_master");
    if (any && sqlite3_step(any.get()) == SQLITE_ROW)
      return fail(ErrorCode::LayoutDiffers, "holds no " + label() +
                                                " records: it is a file of "
                                                "another record layout");
    return fail(ErrorCode::InvalidFile, "is empty: it is not a data file");
  }
  if (rc != SQLITE_ROW) return failSql(rc, ErrorCode::InvalidFile, "cannot be read");
  if (found != schema.createTable)
    return fail(ErrorCode::LayoutDiffers, "its record layout differs from " + label());
  if (!checkKeys) return true;
  for (std::size_t k = 0; k < schema.indexNames.size(); ++k) {
    rc = lookup("index", schema.indexNames[k], found);
    if (rc != SQLITE_ROW || found != schema.createIndex[k])
      return fail(ErrorCode::KeyRebuildNeeded,
                  "the key " + self.desc().keys[k].name + " needs to be rebuilt");
  }
  return true;
}

bool KeyedFile::Impl::prepareStatements() {
  getByKey.clear();
  getByKey.resize(self.desc().keys.size());
  return true;
}

// Prepared on first use: a wide record's write statements cost an OPEN more than the schema
// check, and a browse that only reads never runs them.
bool KeyedFile::Impl::ready(sql::Stmt& s) {
  if (s) return true;
  const std::size_t n = schema.columns.size();
  std::string text;
  if (&s == &byRowid) {
    text = "SELECT " + schema.selectList() + " FROM " + schema.table + " WHERE rowid = ?1";
  } else if (&s == &erase) {
    text = "DELETE FROM " + schema.table + " WHERE rowid = ?1";
  } else if (&s == &insert) {
    std::string cols, params;
    for (std::size_t i = 0; i < n; ++i) {
      cols += (i ? ", " : "") + schema.columns[i];
      params += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    text = "INSERT INTO " + schema.table + " (" + cols + ") VALUES (" + params + ")";
  } else {
    std::string sets;
    for (std::size_t i = 0; i < n; ++i)
      sets += (i ? ", " : "") + schema.columns[i] + " = ?" + std::to_string(i + 1);
    text = "UPDATE " + schema.table + " SET " + sets + " WHERE rowid = ?" + std::to_string(n + 1);
  }
  if (int rc = s.prepare(db, text); rc != SQLITE_OK)
    return failSql(rc, ErrorCode::InvalidFile, "statements failed");
  return true;
}

bool KeyedFile::Impl::openDb(OpenMode m, bool checkKeys) {
  const auto& desc = self.desc();
  for (const auto& f : desc.fields)
    if (f.offset + f.size > desc.recordSize)
      return setError(ErrorCode::InvalidRequest, label(), "record layout exceeds its size");
  path = self.path();
  if (!FileExists(path)) return fail(ErrorCode::FileNotFound, "file not found");
  // Writing needs room for the log beside the file; one left by an earlier CLOSE must not
  // make a read-only directory writable.
  if (m.access == Access::ReadWrite && ::access(directoryOf(path).c_str(), W_OK) != 0)
    return fail(ErrorCode::ReadOnlyPlace,
                "cannot be opened for writing: its directory is read-only");
  if (m.access == Access::ReadWrite && ::access(path.c_str(), W_OK) != 0)
    return fail(ErrorCode::ReadOnlyPlace, "cannot be opened for writing: the file is read-only");
  std::string why;
  if (!lock.acquire(path, m, why)) return fail(ErrorCode::AccessDenied, why);
  mode = m;
  const int flags = (m.access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                    SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
  auto attempt = [&](const std::string& name) {
    int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_busy_timeout(db, kBusyMs);
      sqlite3_extended_result_codes(db, 1);
    }
    return rc;
  };
  std::string uri = "file:";
  for (char c : path) {
    if (c == '?' || c == '#' || c == '%') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
      uri += buf;
    } else {
      uri += c;
    }
  }
  int rc = attempt(uri);
  if (rc != SQLITE_OK) {
    failSql(rc, ErrorCode::AccessDenied, "cannot be opened");
    closeDb();
    return false;
  }
  // The -wal and -shm files stay (the log emptied) when the last connection closes: creating
  // and deleting them at every OPEN and CLOSE was most of an opening's time, spent in the
  // filesystem's inode allocation. The data is checkpointed into the file at CLOSE as before.
  int persist = 1;
  sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  // Holds the index pages a batch of appends touches; a larger cache made every read that
  // misses it slower, each page read landing in memory the processor no longer holds.
  sql::exec(db, "PRAGMA cache_size=-4096");
  // The file is read before anything is written to it: one that is not a data file of this
  // layout (empty, foreign, damaged) stays exactly as it was found.
  bool ok = checkSchema(checkKeys);
  if (!ok && m.access == Access::ReadOnly && errorCode() != ErrorCode::KeyRebuildNeeded &&
      !walHoldsFrames(path) && ::access(directoryOf(path).c_str(), W_OK) != 0) {
    // A read-only directory leaves no room for the shared-memory file; nobody can be writing
    // without a non-empty -wal file there, so the file is read as it stands.
    sqlite3_close_v2(db);
    db = nullptr;
    if (attempt(uri + "?immutable=1") == SQLITE_OK) ok = checkSchema(checkKeys);
  }
  if (ok && m.access == Access::ReadWrite) {
    sql::Stmt wal;
    rc = wal.prepare(db, "PRAGMA journal_mode=WAL");
    if (rc == SQLITE_OK) rc = sqlite3_step(wal.get());
    if (rc != SQLITE_ROW) ok = failSql(rc, ErrorCode::InvalidFile, "not a data file");
    sql::exec(db, "PRAGMA synchronous=NORMAL");
    sql::exec(db, "PRAGMA journal_size_limit=67108864");
    // A savepoint's journal of the pages it changed stays in memory: past a few pages it
    // went to a temporary file, written at nearly every insert of a long run of savepoints.
    sql::exec(db, "PRAGMA temp_store=MEMORY");
  }
  if (ok) ok = prepareStatements();
  if (ok && m.access == Access::ReadWrite) finishInterruptedChanges();
  ++serial;
  if (!ok) {
    closeDb();
    return false;
  }
  return true;
}

void KeyedFile::Impl::closeDb() {
  insert = {};
  update = {};
  erase = {};
  byRowid = {};
  getByKey.clear();
  statements.clear();
  if (db) {
    const std::string file = sqlite3_db_filename(db, "main");
    // The log of a file that another took the place of describes the old one: checkpointed,
    // it would write this program's old view over the new file's pages.
    const bool replaced = mode.access == Access::ReadWrite &&
                          locks::examine(file).change == locks::Change::FileReplaced;
    std::vector<locks::HeldFile> log;
    if (replaced) {
      sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
      log = locks::heldLog(file);
    }
    sqlite3_close_v2(db);
    if (replaced) locks::removeLeftLog(log);
  }
  db = nullptr;
  appending = false;
  lock.release();
  invalidate();
}

bool KeyedFile::Impl::commitAppends() {
  if (!appending) return true;
  appending = false;
  int rc = sql::exec(db, "COMMIT");
  if (rc != SQLITE_OK) {
    failSql(rc, ErrorCode::WriteError, "appended records could not be written");
    if (!sqlite3_get_autocommit(db)) sql::exec(db, "ROLLBACK");
    return false;
  }
  return true;
}

void KeyedFile::Impl::load(const RecordImage& img) const {
  std::memcpy(self.record(), img.record.data(), self.desc().recordSize);
  const auto& memos = self.memoBuffers();
  for (std::size_t m = 0; m < memos.size() && m < img.memos.size(); ++m)
    if (memos[m]) std::memcpy(memos[m], img.memos[m].data(), img.memos[m].size());
}

bool KeyedFile::Impl::inBatch(std::int64_t rowid) const {
  if (!batchValid) return false;
  return std::any_of(batch.begin() + static_cast<std::ptrdiff_t>(batchPos), batch.end(),
                     [&](const RecordImage& r) { return r.rowid == rowid; });
}

bool KeyedFile::Impl::fetch(bool forward) {
  const int key = cur.mode == Mode::Key ? cur.key : -1;
  const auto order = ordering(key);
  const std::vector<SqlValue>* values = nullptr;
  std::int64_t rowid = forward ? kMinRow : kMaxRow;
  if (cur.anchor == Anchor::Row) {
    values = &cur.values;
    rowid = cur.rowid;
  } else if (cur.anchor == Anchor::Value) {
    values = &cur.values;  // inclusive: every rowid of an equal value qualifies
  }
  std::move(batch.begin(), batch.end(), std::back_inserter(spare));
  batch.clear();
  batchPos = 0;
  const int rc = sql::seek(statementFor(), schema, order, forward, values, rowid, {}, batchSize,
                           self.desc(), batch, &spare);
  if (rc != SQLITE_OK) {
    invalidate();
    return failSql(rc, ErrorCode::FileSystemError, "cannot be read");
  }
  batchValid = true;
  batchForward = forward;
  batchEnd = static_cast<std::int64_t>(batch.size()) < batchSize;
  batchSize = std::min<std::int64_t>(batchSize * 2, quickScan ? 1024 : 256);
  return true;
}

// SET(key, file): the first entry at or after the key value, found through the key; reading
// then continues in record order from that record.
bool KeyedFile::Impl::locate() {
  std::vector<RecordImage> found;
  const int rc = sql::seek(statementFor(), schema, ordering(cur.key), true, &cur.values, kMinRow,
                           {}, 1, self.desc(), found);
  if (rc != SQLITE_OK) return failSql(rc, ErrorCode::FileSystemError, "cannot be read");
  if (found.empty()) return fail(ErrorCode::RecordNotAvailable, "no record at or after the key");
  cur.mode = Mode::Record;
  cur.values.clear();
  cur.anchor = Anchor::Row;
  cur.rowid = found.front().rowid - 1;
  invalidate();
  return true;
}

bool KeyedFile::Impl::step(bool forward) {
  if (!db) return fail(ErrorCode::NotOpen, "file not open");
  if (cur.mode == Mode::KeyThenRecord) {
    if (!locate()) return false;
    if (!forward) cur.rowid += 2;  // backwards from the found record, inclusive
  }
  for (;;) {
    const bool usable = batchValid && batchForward == forward;
    if (!usable || (batchPos >= batch.size() && !batchEnd)) {
      if (!usable) batchSize = 4;
      if (!fetch(forward)) return false;
    }
    if (batchPos >= batch.size()) return fail(ErrorCode::RecordNotAvailable, "end of file");
    const RecordImage& img = batch[batchPos++];
    cur.values = img.order;
    cur.rowid = img.rowid;
    cur.anchor = Anchor::Row;
    // Deleted by the change this file is in, though still stored until its commit.
    if (part && part->deletedSet.count(img.rowid)) continue;
    load(img);
    cur.current = img.rowid;
    clearError();
    return true;
  }
}

bool KeyedFile::Impl::writable() {
  if (!db) return fail(ErrorCode::NotOpen, "file not open");
  if (mode.access == Access::ReadOnly) return fail(ErrorCode::ReadOnly, "opened for reading only");
  // A change begins: inside a transaction the file was looked at when it began.
  return !sqlite3_get_autocommit(db) || stillInPlace();
}

bool KeyedFile::Impl::stillInPlace() {
  const locks::Finding found = locks::examine(sqlite3_db_filename(db, "main"));
  if (found.change == locks::Change::None) return true;
  return fail(ErrorCode::FileChanged,
              found.why + "; nothing was written to it. Close the windows that use " + label() +
                  " and open them again.");
}

bool KeyedFile::Impl::keepFormerValues() {
  const std::int64_t rowid = cur.current;
  if (part->deletedSet.count(rowid)) return fail(ErrorCode::NoRecord, "the record is gone");
  if (part->insertedSet.count(rowid) || !part->imagedSet.insert(rowid).second) return true;
  std::string columns;
  for (const std::string& c : schema.columns) columns += (columns.empty() ? "" : ", ") + c;
  bool ok = false;
  std::string values = journal::packRow(db, schema.table, columns, rowid, ok);
  if (!ok) {
    part->imagedSet.erase(rowid);
    return failSql(sqlite3_errcode(db), ErrorCode::NoRecord, "the record is gone");
  }
  part->images.emplace_back(rowid, std::move(values));
  return true;
}

bool KeyedFile::Impl::forgetChanges() {
  journal::Journal* j = journal::Journal::of(directoryOf(path), false);
  if (!j || j->forget(journal::nameOf(path))) return true;
  return fail(ErrorCode::FileSystemError, j->error());
}

namespace {

// Kept with the other statements: a file whose keys are current is built after every bulk
// write, and preparing this lookup again each time would cost more than the lookups.
bool keyCurrent(KeyedFile::Impl& d, std::size_t k) {
  sql::Stmt& q = d.statement("SELECT sql FROM sqlite_master WHERE type = 'index' AND name = ?1");
  q.reset();
  sqlite3_bind_text(q.get(), 1, d.schema.indexNames[k].c_str(), -1, SQLITE_STATIC);
  const bool current =
      sqlite3_step(q.get()) == SQLITE_ROW &&
      reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)) == d.schema.createIndex[k];
  q.reset();
  return current;
}

// Every key at once: one read of the schema rather than one a key.
bool keysCurrent(KeyedFile::Impl& d) {
  sql::Stmt& q = d.statement("SELECT name, sql FROM sqlite_master WHERE type = 'index'");
  q.reset();
  std::size_t current = 0;
  while (sqlite3_step(q.get()) == SQLITE_ROW) {
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0));
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 1));
    if (!name || !text) continue;
    for (std::size_t k = 0; k < d.schema.indexNames.size(); ++k)
      if (d.schema.indexNames[k] == name && d.schema.createIndex[k] == text) ++current;
  }
  q.reset();
  return current == d.schema.indexNames.size();
}

}  // namespace

bool KeyedFile::Impl::rebuildKeys() {
  if (!commitAppends()) return false;
  // SQLite keeps an index current on every write, appends included: only a missing or
  // different one needs building, and a REINDEX of a current one would only cost time. Seeing
  // that every key is current needs no write lock.
  if (sqlite3_get_autocommit(db) && keysCurrent(*this)) {
    invalidate();
    return true;
  }
  int rc = sql::exec(db, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return failSql(rc, ErrorCode::AccessDenied, "keys cannot be rebuilt");
  bool changed = false;
  for (std::size_t k = 0; k < schema.indexNames.size() && rc == SQLITE_OK; ++k) {
    if (keyCurrent(*this, k)) continue;
    changed = true;
    const std::string name = sql::quote(schema.indexNames[k]);
    rc = sql::exec(db, ("DROP INDEX IF EXISTS " + name).c_str());
    if (rc == SQLITE_OK) rc = sql::exec(db, schema.createIndex[k].c_str());
    if (rc != SQLITE_OK) {
      failSql(rc, ErrorCode::WriteError, "key " + self.desc().keys[k].name + " cannot be built");
      sql::exec(db, "ROLLBACK");
      return false;
    }
  }
  rc = sql::exec(db, "COMMIT");
  if (rc != SQLITE_OK) {
    failSql(rc, ErrorCode::WriteError, "keys cannot be rebuilt");
    sql::exec(db, "ROLLBACK");
    return false;
  }
  // Statements prepared over the old keys are dropped only when a key was made anew; with
  // every key current they stay valid, and the next clearing or view reuses them.
  if (changed) {
    statements.clear();
    getByKey.clear();
    getByKey.resize(self.desc().keys.size());
  }
  invalidate();
  return true;
}

}  // namespace rt
