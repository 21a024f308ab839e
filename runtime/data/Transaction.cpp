#include "runtime/data/Transaction.h"

#include "runtime/data/KeyedFileImpl.h"

namespace rt {

Transaction::Transaction(std::initializer_list<KeyedFile*> files)
    : Transaction(std::vector<KeyedFile*>(files)) {}

Transaction::Transaction(std::vector<KeyedFile*> files) {
  for (KeyedFile* f : files) {
    if (!f || !f->isOpen() || f->isReadOnly()) continue;
    KeyedFile::Impl& d = *f->impl_;
    if (!d.commitAppends()) {
      rollback();
      return;
    }
    if (!sqlite3_get_autocommit(d.db)) continue;  // already inside an outer transaction
    if (int rc = sql::exec(d.db, "BEGIN IMMEDIATE"); rc != SQLITE_OK) {
      d.failSql(rc, ErrorCode::AccessDenied, "transaction refused");
      rollback();
      return;
    }
    files_.push_back(f);
  }
  active_ = true;
}

Transaction::~Transaction() {
  if (active_) rollback();
}

bool Transaction::commit() {
  if (!active_) return false;
  active_ = false;
  bool ok = true;
  for (KeyedFile* f : files_) {
    KeyedFile::Impl& d = *f->impl_;
    if (!d.db || sqlite3_get_autocommit(d.db)) continue;
    if (int rc = sql::exec(d.db, "COMMIT"); rc != SQLITE_OK) {
      d.failSql(rc, ErrorCode::WriteError, "changes not written");
      sql::exec(d.db, "ROLLBACK");
      ok = false;
    }
  }
  files_.clear();
  return ok;
}

void Transaction::rollback() {
  active_ = false;
  for (KeyedFile* f : files_) {
    KeyedFile::Impl& d = *f->impl_;
    if (d.db && !sqlite3_get_autocommit(d.db)) sql::exec(d.db, "ROLLBACK");
    d.invalidate();
    ++d.gen;
  }
  files_.clear();
}

}  // namespace rt
