#include "runtime/data/KeyedFile.h"

#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "runtime/data/ChangeJournal.h"
#include "runtime/data/KeyedFileImpl.h"
#include "runtime/data/LockKeeper.h"
#include "runtime/text/Paths.h"

namespace rt {

namespace {

using journal::directoryOf;

void unlinkDatabase(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) ::unlink((path + suffix).c_str());
}

}  // namespace

// ---- KeyedFile ---------------------------------------------------------------------------

KeyedFile::KeyedFile(const FileDesc& desc, void* record, std::vector<char*> memos)
    : desc_(desc), record_(record), memos_(std::move(memos)) {
  memos_.resize(desc_.memos.size(), nullptr);
  impl_ = std::make_unique<Impl>(*this);
}

KeyedFile::~KeyedFile() {
  if (impl_->db) {
    impl_->commitAppends();
    impl_->closeDb();
  }
}

std::string KeyedFile::path() const {
  return resolvePath(desc_.diskName + ".db");
}

bool KeyedFile::isOpen() const {
  return impl_->db != nullptr;
}
bool KeyedFile::isReadOnly() const {
  return impl_->db && impl_->mode.access == Access::ReadOnly;
}
OpenMode KeyedFile::openMode() const {
  return impl_->mode;
}
sqlite3* KeyedFile::connection() const {
  return impl_->db;
}
std::uint64_t KeyedFile::generation() const {
  return impl_->gen;
}

RecordImage KeyedFile::bufferImage() const {
  RecordImage img;
  img.record.assign(static_cast<const char*>(record_), desc().recordSize);
  for (std::size_t m = 0; m < memos_.size() && m < desc().memos.size(); ++m)
    img.memos.emplace_back(memos_[m] ? memos_[m] : "", memos_[m] ? desc().memos[m].size : 0);
  return img;
}

void KeyedFile::loadBuffer(const RecordImage& image) const {
  impl_->load(image);
}

void KeyedFile::unlist(std::int64_t rowid) {
  if (rowid == 0 || unlisted(rowid)) return;
  impl_->unlisted.push_back(rowid);
  ++impl_->gen;  // the rows read before may hold it
}

void KeyedFile::relist(std::int64_t rowid) {
  if (std::erase(impl_->unlisted, rowid) > 0) ++impl_->gen;
}

bool KeyedFile::unlisted(std::int64_t rowid) const {
  return std::find(impl_->unlisted.begin(), impl_->unlisted.end(), rowid) != impl_->unlisted.end();
}

bool KeyedFile::open(OpenMode mode) {
  if (impl_->db) return impl_->fail(ErrorCode::AlreadyOpen, "file already open");
  if (!impl_->openDb(mode, true)) return false;
  impl_->cur = {};
  impl_->invalidate();
  clearError();
  return true;
}

bool KeyedFile::finishInterruptedChanges() {
  Impl& d = *impl_;
  if (d.db) return false;
  const std::string file = path();
  journal::Journal* j = journal::Journal::of(directoryOf(file), false);
  std::vector<journal::PendingPart> parts;
  if (!j || !j->pending(journal::nameOf(file), parts) || parts.empty()) return false;
  // The opening for writing settles what it can.
  if (d.openDb({Access::ReadWrite, Share::DenyWrite}, true)) d.closeDb();
  clearError();
  std::vector<journal::PendingPart> left;
  return j->pending(journal::nameOf(file), left) && left.size() < parts.size();
}

bool KeyedFile::close() {
  if (!impl_->db) return impl_->fail(ErrorCode::NotOpen, "file not open");
  const bool ok = impl_->commitAppends();
  impl_->closeDb();
  impl_->cur = {};
  impl_->unlisted.clear();
  if (ok) clearError();
  return ok;
}

bool KeyedFile::create() {
  Impl& d = *impl_;
  if (d.db) return d.fail(ErrorCode::AlreadyOpen, "file is open");
  d.path = path();
  if (FileExists(d.path)) {
    if (!FileLock::unused(d.path)) return d.fail(ErrorCode::AccessDenied, "the file is in use");
    if (::unlink(d.path.c_str()) != 0)
      return d.fail(ErrorCode::CreateError,
                    std::string("the file cannot be replaced: ") + std::strerror(errno));
    unlinkDatabase(d.path);
  }
  if (!d.forgetChanges()) return false;
  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(d.path.c_str(), &db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  std::string sqlText = "PRAGMA journal_mode=WAL; BEGIN; " + d.schema.createTable + ";";
  for (const auto& idx : d.schema.createIndex) sqlText += " " + idx + ";";
  sqlText += " COMMIT;";
  if (rc == SQLITE_OK) rc = sql::exec(db, sqlText.c_str());
  if (rc != SQLITE_OK) {
    std::string msg = std::string("the file cannot be created: ") +
                      (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    if (int e = db ? sqlite3_system_errno(db) : 0)
      msg += std::string(" (") + std::strerror(e) + ")";
    sqlite3_close_v2(db);
    unlinkDatabase(d.path);
    return d.fail(ErrorCode::CreateError, msg);
  }
  sqlite3_close_v2(db);
  clearError();
  return true;
}

bool KeyedFile::remove() {
  Impl& d = *impl_;
  if (d.db) return d.fail(ErrorCode::AlreadyOpen, "file is open");
  d.path = path();
  if (!FileExists(d.path)) return d.fail(ErrorCode::FileNotFound, "file not found");
  if (!FileLock::unused(d.path)) return d.fail(ErrorCode::AccessDenied, "the file is in use");
  if (::unlink(d.path.c_str()) != 0)
    return d.fail(ErrorCode::AccessDenied,
                  std::string("the file cannot be removed: ") + std::strerror(errno));
  unlinkDatabase(d.path);
  if (!d.forgetChanges()) return false;
  clearError();
  return true;
}

void KeyedFile::setKeyOrder(int key) {
  auto& c = impl_->cur;
  c = {Impl::Mode::Key, key, Impl::Anchor::Start, {}, 0, c.current};
  if (key < 0 || key >= static_cast<int>(desc_.keys.size())) c.mode = Impl::Mode::Record;
  impl_->invalidate();
}

void KeyedFile::setRecordOrder() {
  setKeyOrder(-1);
}

void KeyedFile::setKeyFrom(int key) {
  setKeyOrder(key);
  if (impl_->cur.mode != Impl::Mode::Key) return;
  impl_->cur.anchor = Impl::Anchor::Value;
  impl_->cur.values = keyValue(key);
}

void KeyedFile::setKeyThenRecord(int key) {
  setKeyFrom(key);
  if (impl_->cur.mode == Impl::Mode::Key) impl_->cur.mode = Impl::Mode::KeyThenRecord;
}

void KeyedFile::setRecordFrom(std::int64_t position) {
  setRecordOrder();
  impl_->cur.anchor = Impl::Anchor::Row;
  impl_->cur.rowid = position - 1;
}

bool KeyedFile::resetTo(int key, std::int64_t position) {
  Impl& d = *impl_;
  if (!d.db) return d.fail(ErrorCode::NotOpen, "file not open");
  setKeyOrder(key);
  const auto order = d.ordering(d.cur.mode == Impl::Mode::Key ? key : -1);
  std::string text = "SELECT rowid";
  for (const auto& term : order.terms) text += ", " + term.expr;
  text += " FROM " + d.schema.table + " WHERE rowid = ?1";
  sql::Stmt& s = d.statement(text);
  sqlite3_reset(s.get());
  sqlite3_bind_int64(s.get(), 1, position);
  const int rc = sqlite3_step(s.get());
  if (rc == SQLITE_ROW) {
    d.cur.values.clear();
    for (std::size_t i = 0; i < order.terms.size(); ++i)
      d.cur.values.push_back(sql::columnValue(s.get(), static_cast<int>(i + 1)));
  }
  sqlite3_reset(s.get());
  if (rc != SQLITE_ROW) {
    if (rc != SQLITE_DONE) return d.failSql(rc, ErrorCode::FileSystemError, "cannot be read");
    return d.fail(ErrorCode::NoRecord, "no record at that position");
  }
  // Just before the record among its equals, so that NEXT reads it first.
  d.cur.anchor = Impl::Anchor::Row;
  d.cur.rowid = position - 1;
  clearError();
  return true;
}

bool KeyedFile::next() {
  return impl_->step(true);
}
bool KeyedFile::previous() {
  return impl_->step(false);
}

bool KeyedFile::eof() {
  Impl& d = *impl_;
  if (!d.db) return true;
  if (d.cur.mode == Impl::Mode::KeyThenRecord && !d.locate()) return true;
  if (d.batchValid && d.batchForward && d.batchPos < d.batch.size()) return false;
  if (d.batchValid && d.batchForward && d.batchEnd) return true;
  if (!d.fetch(true)) return true;
  return d.batch.empty();
}

bool KeyedFile::get(int key) {
  Impl& d = *impl_;
  if (!d.db) return d.fail(ErrorCode::NotOpen, "file not open");
  if (key < 0 || key >= static_cast<int>(desc_.keys.size()))
    return d.fail(ErrorCode::InvalidKey, "no such key");
  if (keyBlank(key)) return d.fail(ErrorCode::NoRecord, "no record with a blank key value");
  auto& s = d.getByKey[key];
  if (!s) {
    const auto order = d.ordering(key);
    std::string sqlText =
        "SELECT " + d.schema.selectList() + " FROM " + d.schema.table + " WHERE " + order.condition;
    std::string by;
    for (std::size_t i = 0; i < order.terms.size(); ++i) {
      sqlText += " AND " + order.terms[i].expr + " = ?" + std::to_string(i + 1);
      by += order.terms[i].expr + ", ";
    }
    sqlText += " ORDER BY " + by + "rowid LIMIT 1";
    if (int rc = s.prepare(d.db, sqlText); rc != SQLITE_OK)
      return d.failSql(rc, ErrorCode::InvalidFile, "cannot be read");
  }
  s.reset();
  const auto values = keyValue(key);
  for (std::size_t i = 0; i < values.size(); ++i)
    sql::bindValue(s.get(), static_cast<int>(i + 1), values[i]);
  const int rc = sqlite3_step(s.get());
  if (rc == SQLITE_ROW) {
    // Blank between the fields too, as a row read ahead is.
    std::memset(record_, ' ', desc_.recordSize);
    sql::readRow(s.get(), 1, desc_, static_cast<char*>(record_), memos_);
    d.cur.current = sqlite3_column_int64(s.get(), 0);
  }
  sqlite3_reset(s.get());
  if (rc == SQLITE_DONE) return d.fail(ErrorCode::NoRecord, "no record with that key value");
  if (rc != SQLITE_ROW) return d.failSql(rc, ErrorCode::FileSystemError, "cannot be read");
  clearError();
  return true;
}

bool KeyedFile::getPosition(std::int64_t pos) {
  Impl& d = *impl_;
  if (!d.db) return d.fail(ErrorCode::NotOpen, "file not open");
  auto& s = d.byRowid;
  if (!d.ready(s)) return false;
  s.reset();
  sqlite3_bind_int64(s.get(), 1, pos);
  std::vector<RecordImage> found;
  const int rc = sql::collect(s.get(), desc_, 0, desc_.memos.size(), found);
  sqlite3_reset(s.get());
  if (rc != SQLITE_OK) return d.failSql(rc, ErrorCode::FileSystemError, "cannot be read");
  if (found.empty() || (d.part && d.part->deletedSet.count(pos)))
    return d.fail(ErrorCode::NoRecord, "no record at that position");
  d.load(found.front());
  d.cur.current = pos;
  clearError();
  return true;
}

std::int64_t KeyedFile::position() const {
  return impl_->cur.current;
}

bool KeyedFile::add() {
  Impl& d = *impl_;
  if (!d.writable()) return false;
  auto& s = d.insert;
  if (!d.ready(s)) return false;
  s.reset();
  sql::bindRow(s.get(), desc_, static_cast<const char*>(record_), memos_);
  const int rc = sqlite3_step(s.get());
  sqlite3_reset(s.get());
  if (rc != SQLITE_DONE) return d.failSql(rc, ErrorCode::WriteError, "record not added");
  d.cur.current = sqlite3_last_insert_rowid(d.db);
  if (d.part) {
    d.part->inserted.push_back(d.cur.current);
    d.part->insertedSet.insert(d.cur.current);
  }
  ++d.gen;
  d.invalidate();
  clearError();
  return true;
}

bool KeyedFile::append() {
  Impl& d = *impl_;
  if (!d.writable()) return false;
  if (!d.appending && sqlite3_get_autocommit(d.db)) {
    if (int rc = sql::exec(d.db, "BEGIN IMMEDIATE"); rc != SQLITE_OK)
      return d.failSql(rc, ErrorCode::AccessDenied, "record not appended");
    d.appending = true;
  }
  return add();
}

bool KeyedFile::put() {
  Impl& d = *impl_;
  if (!d.writable()) return false;
  if (d.cur.current == 0) return d.fail(ErrorCode::NoRecord, "no current record");
  auto& s = d.update;
  if (!d.ready(s)) return false;
  if (d.part && !d.keepFormerValues()) return false;
  s.reset();
  sql::bindRow(s.get(), desc_, static_cast<const char*>(record_), memos_);
  sqlite3_bind_int64(s.get(), static_cast<int>(d.schema.columns.size() + 1), d.cur.current);
  const int rc = sqlite3_step(s.get());
  sqlite3_reset(s.get());
  if (rc != SQLITE_DONE) return d.failSql(rc, ErrorCode::WriteError, "record not updated");
  if (sqlite3_changes(d.db) == 0) return d.fail(ErrorCode::NoRecord, "the record is gone");
  ++d.gen;
  // A record that keeps its key value keeps its place, and so does the batch read ahead.
  const bool moved = d.cur.mode == Impl::Mode::Key &&
                     (d.cur.current != d.cur.rowid || keyValue(d.cur.key) != d.cur.values);
  if (moved || d.cur.mode == Impl::Mode::KeyThenRecord || d.inBatch(d.cur.current)) d.invalidate();
  clearError();
  return true;
}

bool KeyedFile::erase() {
  Impl& d = *impl_;
  if (!d.writable()) return false;
  if (d.cur.current == 0) return d.fail(ErrorCode::NoRecord, "no current record");
  if (d.part) {
    // Carried out when the change commits, after its additions and updates.
    if (!d.part->deletedSet.insert(d.cur.current).second)
      return d.fail(ErrorCode::NoRecord, "the record is gone");
    d.part->deleted.push_back(d.cur.current);
    ++d.gen;
    d.cur.current = 0;
    clearError();
    return true;
  }
  auto& s = d.erase;
  if (!d.ready(s)) return false;
  s.reset();
  sqlite3_bind_int64(s.get(), 1, d.cur.current);
  const int rc = sqlite3_step(s.get());
  sqlite3_reset(s.get());
  if (rc != SQLITE_DONE) return d.failSql(rc, ErrorCode::WriteError, "record not deleted");
  if (sqlite3_changes(d.db) == 0) return d.fail(ErrorCode::NoRecord, "the record is gone");
  ++d.gen;
  if (d.inBatch(d.cur.current)) d.invalidate();
  d.cur.current = 0;
  clearError();
  return true;
}

std::int64_t KeyedFile::records() {
  Impl& d = *impl_;
  if (!d.db) {
    d.fail(ErrorCode::NotOpen, "file not open");
    return -1;
  }
  sql::Stmt s(d.db, "SELECT count(*) FROM " + d.schema.table);
  if (!s || sqlite3_step(s.get()) != SQLITE_ROW) {
    d.failSql(sqlite3_errcode(d.db), ErrorCode::FileSystemError, "cannot be counted");
    return -1;
  }
  return sqlite3_column_int64(s.get(), 0);
}

bool KeyedFile::flush() {
  Impl& d = *impl_;
  if (!d.db) return d.fail(ErrorCode::NotOpen, "file not open");
  if (!d.commitAppends()) return false;
  clearError();
  return true;
}

bool KeyedFile::build() {
  Impl& d = *impl_;
  if (d.db) {
    if (!d.writable()) return false;
    if (!d.rebuildKeys()) return false;
    clearError();
    return true;
  }
  if (!d.openDb({Access::ReadWrite, Share::DenyWrite}, false)) return false;
  const bool ok = d.rebuildKeys();
  d.closeDb();
  if (ok) clearError();
  return ok;
}

bool KeyedFile::send(std::string_view option) {
  auto eq = option.find('=');
  std::string name(option.substr(0, eq));
  std::string value(eq == std::string_view::npos ? "" : option.substr(eq + 1));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (strcasecmp(name.c_str(), "QUICKSCAN") == 0) {
    impl_->quickScan = strncasecmp(value.c_str(), "on", 2) == 0;
  } else if (strcasecmp(name.c_str(), "RECOVER") == 0) {
    // flock locks vanish with their process: there is never a stale lock to recover.
    impl_->recover = std::atoi(value.c_str());
  } else if (strcasecmp(name.c_str(), "BULKWRITE") == 0 && impl_->db) {
    // A long run of small transactions checkpoints its log rarely, each checkpoint syncing
    // the file: most of such a run's time otherwise. The log stays within the size that
    // journal_size_limit keeps after a checkpoint; CLOSE or "off" checkpoints what is left.
    const bool on = strncasecmp(value.c_str(), "on", 2) == 0;
    sql::exec(impl_->db, on ? "PRAGMA wal_autocheckpoint=16384" : "PRAGMA wal_autocheckpoint=1000");
    if (!on) sql::exec(impl_->db, "PRAGMA wal_checkpoint(PASSIVE)");
  }
  return true;
}

std::vector<SqlValue> KeyedFile::keyValue(int key) const {
  std::vector<SqlValue> out;
  for (int field : desc_.keys[key].components)
    out.push_back(sql::termValue(desc_, field, static_cast<const char*>(record_)));
  return out;
}

bool KeyedFile::inUse() const {
  return !FileLock::unused(path());
}

std::vector<std::string> KeyedFile::querySql(int key) const {
  return sql::allSeekSql(impl_->schema, impl_->ordering(key));
}

bool KeyedFile::keyBlank(int key) const {
  const auto& comps = desc_.keys[key].components;
  return std::all_of(comps.begin(), comps.end(), [&](int field) {
    return sql::fieldBlank(desc_, field, static_cast<const char*>(record_));
  });
}

KeyedFile::CursorState KeyedFile::cursorState() const {
  const auto& c = impl_->cur;
  return {
      static_cast<int>(c.mode), c.key, static_cast<int>(c.anchor), c.values, c.rowid, c.current};
}

void KeyedFile::setCursorState(const CursorState& s) {
  auto& c = impl_->cur;
  c.mode = static_cast<Impl::Mode>(s.mode);
  c.key = s.key;
  c.anchor = static_cast<Impl::Anchor>(s.anchor);
  c.values = s.values;
  c.rowid = s.rowid;
  c.current = s.current;
  impl_->invalidate();
}

}  // namespace rt
