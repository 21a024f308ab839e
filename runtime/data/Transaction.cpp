#include "runtime/data/Transaction.h"

#include <algorithm>
#include <functional>
#include <string>

#include "runtime/data/ChangeJournal.h"
#include "runtime/data/CommitObserver.h"
#include "runtime/data/KeyedFileImpl.h"

namespace rt {

namespace {

bool journalOn = true;

using journal::directoryOf;
using journal::nameOf;

bool begin(KeyedFile::Impl& d) {
  if (!sqlite3_get_autocommit(d.db)) return true;
  if (!d.stillInPlace()) return false;
  if (int rc = sql::exec(d.db, "BEGIN IMMEDIATE"); rc != SQLITE_OK)
    return d.failSql(rc, ErrorCode::AccessDenied, "transaction refused");
  return true;
}

// A COMMIT of a file inside a journalled change; rolled back when it fails.
bool commitFile(KeyedFile::Impl& d) {
  if (commitToFail()) {
    sql::exec(d.db, "ROLLBACK");
    return d.fail(ErrorCode::WriteError,
                  std::string("changes not written: ") + sqlite3_errstr(SQLITE_IOERR_WRITE));
  }
  const int rc = sql::exec(d.db, "COMMIT");
  if (rc == SQLITE_OK) return true;
  d.failSql(rc, ErrorCode::WriteError, "changes not written");
  if (!sqlite3_get_autocommit(d.db)) sql::exec(d.db, "ROLLBACK");
  return false;
}

bool runDeletes(KeyedFile::Impl& d, const std::vector<std::int64_t>& rowids) {
  if (!d.ready(d.erase)) return false;
  for (std::int64_t rowid : rowids) {
    sqlite3_stmt* s = d.erase.get();
    sqlite3_reset(s);
    sqlite3_bind_int64(s, 1, rowid);
    if (int rc = sqlite3_step(s); rc != SQLITE_DONE) {
      sqlite3_reset(s);
      return d.failSql(rc, ErrorCode::WriteError, "record not deleted");
    }
  }
  sqlite3_reset(d.erase.get());
  return true;
}

// Takes back the first phase of a change that was not decided: its additions go, its updated
// rows get their former values again.
bool undoFirstPhase(KeyedFile::Impl& d, const std::vector<std::int64_t>& inserted,
                    const std::vector<std::pair<std::int64_t, std::string>>& images) {
  if (!runDeletes(d, inserted) || !d.ready(d.update)) return false;
  const int rowParam = static_cast<int>(d.schema.columns.size()) + 1;
  for (const auto& [rowid, values] : images) {
    sqlite3_stmt* s = d.update.get();
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    if (!journal::bindPacked(s, 1, values))
      return d.fail(ErrorCode::InvalidFile, "a journalled record cannot be read back");
    sqlite3_bind_int64(s, rowParam, rowid);
    if (int rc = sqlite3_step(s); rc != SQLITE_DONE) {
      sqlite3_reset(s);
      return d.failSql(rc, ErrorCode::WriteError, "record not restored");
    }
  }
  sqlite3_reset(d.update.get());
  return true;
}

bool inTransaction(KeyedFile::Impl& d, const std::function<bool()>& work) {
  if (!begin(d)) return false;
  bool ok = work();
  if (ok) {
    if (int rc = sql::exec(d.db, "COMMIT"); rc != SQLITE_OK)
      ok = d.failSql(rc, ErrorCode::WriteError, "changes not written");
  }
  if (!ok && !sqlite3_get_autocommit(d.db)) sql::exec(d.db, "ROLLBACK");
  return ok;
}

}  // namespace

void setChangeJournal(bool on) {
  journalOn = on;
}

Transaction::Transaction(std::initializer_list<KeyedFile*> files)
    : Transaction(std::vector<KeyedFile*>(files)) {}

Transaction::Transaction(std::vector<KeyedFile*> files) {
  for (KeyedFile* f : files) {
    if (!f || !f->isOpen() || f->isReadOnly()) continue;
    KeyedFile::Impl& d = *f->impl_;
    if (!d.commitAppends()) {
      failed_ = f;
      rollback();
      return;
    }
    if (!sqlite3_get_autocommit(d.db)) {
      // Inside an outer transaction: a savepoint, so that this one can still be taken back
      // alone while the outer keeps everything else.
      static unsigned serial = 0;
      Nested n{f, "tw" + std::to_string(++serial)};
      if (d.part) n.kept = {d.part->inserted.size(), d.part->deleted.size(), d.part->images.size()};
      if (int rc = sql::exec(d.db, ("SAVEPOINT " + n.name).c_str()); rc != SQLITE_OK) {
        d.failSql(rc, ErrorCode::AccessDenied, "transaction refused");
        failed_ = f;
        rollback();
        return;
      }
      nested_.push_back(std::move(n));
      continue;
    }
    if (!begin(d)) {
      failed_ = f;
      rollback();
      return;
    }
    files_.push_back(f);
  }
  active_ = true;
  bool oneDirectory = true;
  for (KeyedFile* f : files_)
    oneDirectory =
        oneDirectory && directoryOf(f->impl_->path) == directoryOf(files_[0]->impl_->path);
  if (journalOn && files_.size() > 1 && oneDirectory) {
    parts_.resize(files_.size());  // never resized again: the files point into it
    for (std::size_t i = 0; i < files_.size(); ++i) files_[i]->impl_->part = &parts_[i];
  }
}

Transaction::~Transaction() {
  if (active_) rollback();
}

void Transaction::release() {
  for (KeyedFile* f : files_) {
    KeyedFile::Impl& d = *f->impl_;
    d.part = nullptr;
    d.invalidate();
    ++d.gen;
  }
  files_.clear();
  parts_.clear();
}

bool Transaction::commit() {
  if (!active_) return false;
  active_ = false;
  for (const Nested& n : nested_) sql::exec(n.file->impl_->db, ("RELEASE " + n.name).c_str());
  nested_.clear();
  std::size_t changed = 0;
  for (const journal::FilePart& p : parts_) changed += p.empty() ? 0 : 1;
  bool ok = true;
  if (journalled() && changed > 1) {
    ok = commitJournalled();
  } else {
    for (std::size_t i = 0; i < files_.size(); ++i) {
      KeyedFile::Impl& d = *files_[i]->impl_;
      if (!d.db || sqlite3_get_autocommit(d.db)) continue;
      // One file changed: its own COMMIT is all-or-nothing, its deletions go in it.
      const bool deleted = !journalled() || runDeletes(d, parts_[i].deleted);
      if (int rc = deleted ? sql::exec(d.db, "COMMIT") : SQLITE_ERROR; rc != SQLITE_OK) {
        if (deleted) d.failSql(rc, ErrorCode::WriteError, "changes not written");
        sql::exec(d.db, "ROLLBACK");
        if (ok) failed_ = files_[i];
        ok = false;
      }
    }
  }
  release();
  return ok;
}

bool Transaction::commitJournalled() {
  const std::string dir = directoryOf(files_[0]->impl_->path);
  journal::Journal* j = journal::Journal::of(dir, true);
  std::vector<std::pair<std::string, const journal::FilePart*>> listed;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (parts_[i].empty()) continue;
    listed.emplace_back(nameOf(files_[i]->impl_->path), &parts_[i]);
  }
  std::int64_t id = 0;
  if (!j || !j->begin(listed, id)) {
    const std::string why = j ? j->error() : "the change journal cannot be opened in " + dir;
    for (KeyedFile* f : files_) sql::exec(f->impl_->db, "ROLLBACK");
    failed_ = files_[0];
    return setError(ErrorCode::WriteError, files_[0]->impl_->label(), why);
  }
  reachCommitPoint(CommitPoint::ChangeBegun);

  // First phase: additions and updates, parents first as the files were given.
  std::vector<std::size_t> committed;
  auto undo = [&](std::size_t failedAt) {
    const ErrorState failure = errors();
    for (KeyedFile* f : files_)
      if (!sqlite3_get_autocommit(f->impl_->db)) sql::exec(f->impl_->db, "ROLLBACK");
    // A file whose first phase was not committed has nothing to take back; its journalled
    // rows were never stored and may yet be another record's.
    bool undone = true;
    for (std::size_t i = 0; i < files_.size(); ++i)
      if (std::find(committed.begin(), committed.end(), i) == committed.end() && !parts_[i].empty())
        undone = j->finished(id, nameOf(files_[i]->impl_->path)) && undone;
    // Children first, and no parent's additions taken back while a child's stay: an undo
    // that fails (the disk full) leaves the rest, whole, to the files' next opening.
    for (auto i = committed.rbegin(); undone && i != committed.rend(); ++i) {
      KeyedFile::Impl& d = *files_[*i]->impl_;
      undone = inTransaction(
                   d, [&] { return undoFirstPhase(d, parts_[*i].inserted, parts_[*i].images); }) &&
               j->finished(id, nameOf(d.path));
    }
    if (undone) j->end(id);
    failed_ = files_[failedAt];
    errors() = failure;
    return false;
  };
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (!parts_[i].firstPhaseWrites()) continue;
    if (!commitFile(*files_[i]->impl_)) return undo(i);
    committed.push_back(i);
    reachCommitPoint(CommitPoint::FileCommitted);
  }
  // The deletions run, uncommitted, in every file before the decision: one that a file
  // refuses still leaves the whole change to be taken back.
  for (std::size_t n = files_.size(); n-- > 0;) {
    KeyedFile::Impl& d = *files_[n]->impl_;
    if (parts_[n].deleted.empty()) {
      if (!sqlite3_get_autocommit(d.db) && sql::exec(d.db, "COMMIT") != SQLITE_OK) return undo(n);
      continue;
    }
    if (!begin(d) || !runDeletes(d, parts_[n].deleted)) return undo(n);
  }
  if (!j->decide(id)) {
    setError(ErrorCode::WriteError, files_[0]->impl_->label(), j->error());
    return undo(0);
  }
  reachCommitPoint(CommitPoint::ChangeDecided);

  // Second phase: the deletions committed, children first so that no record outlives its
  // parent. Once decided the change can only go forward: a failed COMMIT is tried once more;
  // when that fails too, the files after it keep their records until the change is finished
  // at the next start.
  for (std::size_t n = files_.size(); n-- > 0;) {
    KeyedFile::Impl& d = *files_[n]->impl_;
    if (parts_[n].deleted.empty()) continue;
    if (commitFile(d) || (begin(d) && runDeletes(d, parts_[n].deleted) && commitFile(d))) {
      reachCommitPoint(CommitPoint::FileFinished);
      continue;
    }
    failed_ = files_[n];
    setError(ErrorCode::WriteError, d.label(),
             errors().text + "; the deletion is finished when the program next starts");
    for (KeyedFile* f : files_)
      if (!sqlite3_get_autocommit(f->impl_->db)) sql::exec(f->impl_->db, "ROLLBACK");
    return false;
  }
  if (j->end(id)) reachCommitPoint(CommitPoint::ChangeEnded);
  return true;
}

int KeyedFile::Impl::finishInterruptedChanges() {
  journal::Journal* j = journal::Journal::of(directoryOf(path), false);
  if (!j) return 0;
  const std::string name = nameOf(path);
  std::vector<journal::PendingPart> parts;
  if (!j->pending(name, parts)) return 0;
  int settled = 0;
  for (const journal::PendingPart& p : parts) {
    // Undone or finished after the files listed after it (its children), in change order.
    if (p.waiting) break;
    const bool done = inTransaction(*this, [&] {
      return p.decided ? runDeletes(*this, p.deleted) : undoFirstPhase(*this, p.inserted, p.images);
    });
    // The file still opens; what could not be done waits for its next opening.
    if (!done || !j->finished(p.change, name)) break;
    ++settled;
  }
  clearError();
  return settled;
}

void Transaction::rollback() {
  active_ = false;
  for (const Nested& n : nested_) {
    KeyedFile::Impl& d = *n.file->impl_;
    sql::exec(d.db, ("ROLLBACK TO " + n.name).c_str());
    sql::exec(d.db, ("RELEASE " + n.name).c_str());
    if (d.part) d.part->truncate(n.kept);
    d.invalidate();
    ++d.gen;
  }
  nested_.clear();
  for (KeyedFile* f : files_) {
    KeyedFile::Impl& d = *f->impl_;
    if (d.db && !sqlite3_get_autocommit(d.db)) sql::exec(d.db, "ROLLBACK");
  }
  release();
}

}  // namespace rt
