// The state behind a KeyedFile, shared with View and Transaction.
#pragma once

#include <map>

#include "runtime/data/FileLock.h"
#include "runtime/data/KeyedFile.h"
#include "runtime/data/SqlCore.h"

namespace rt {

namespace journal {
struct FilePart;
}

struct KeyedFile::Impl {
  enum class Mode { Record, Key, KeyThenRecord };
  enum class Anchor { Start, Value, Row };

  explicit Impl(KeyedFile& owner) : self(owner), schema(owner.desc()) {}

  KeyedFile& self;
  sql::Schema schema;
  sqlite3* db = nullptr;
  OpenMode mode;
  std::string path;
  FileLock lock;
  bool appending = false;
  std::uint64_t gen = 0;
  std::uint64_t serial = 0;  // counts opens, so rows a view sorted in memory are known stale
  bool quickScan = false;
  std::vector<std::int64_t> unlisted;  // rows views pass over
  int recover = 0;
  // Set while a transaction over several files holds this one: what the change has done.
  journal::FilePart* part = nullptr;

  sql::Stmt insert, update, erase, byRowid;
  std::vector<sql::Stmt> getByKey;
  // Seek statements of the cursor and of the views over this file, by their text; finalized
  // with the connection.
  std::map<std::string, sql::Stmt> statements;
  sql::Stmt& statement(const std::string& text) {
    auto& s = statements[text];
    if (!s && db) s.prepare(db, text);
    return s;
  }
  sql::StatementFor statementFor() {
    return [this](const std::string& text) -> sql::Stmt& { return statement(text); };
  }

  struct Cursor {
    Mode mode = Mode::Record;
    int key = -1;
    Anchor anchor = Anchor::Start;
    std::vector<SqlValue> values;
    std::int64_t rowid = 0;
    std::int64_t current = 0;
  } cur;

  std::vector<RecordImage> batch;
  std::vector<RecordImage> spare;  // read rows whose buffers the next batch reuses
  std::size_t batchPos = 0;
  bool batchValid = false;
  bool batchForward = true;
  bool batchEnd = false;
  std::int64_t batchSize = 4;

  const std::string& label() const;
  bool fail(ErrorCode code, const std::string& text);
  bool failSql(int rc, ErrorCode fallback, const std::string& what);
  bool openDb(OpenMode m, bool checkKeys);
  void closeDb();
  bool prepareStatements();
  bool ready(sql::Stmt& s);
  bool checkSchema(bool checkKeys);
  bool commitAppends();
  sql::Ordering ordering(int key) const;
  bool fetch(bool forward);
  bool step(bool forward);
  bool locate();
  void load(const RecordImage& img) const;
  void invalidate() {
    batchValid = false;
    batchSize = 4;
  }
  bool inBatch(std::int64_t rowid) const;
  // Open, for writing, and still the directory's file when a change begins.
  bool writable();
  // False (FileChanged) when the file or its log was removed, replaced or written by another
  // program since it was opened: a change then would go where no one reads it.
  bool stillInPlace();
  bool rebuildKeys();
  // Undoes or finishes what an interrupted change left in this file (at an opening for
  // writing), as far as the files its parts wait for allow; how many parts it settled.
  int finishInterruptedChanges();
  // Inside a change: the current record's stored values, kept before its first update.
  bool keepFormerValues();
  // A file made anew or removed: nothing of an earlier change applies to it.
  bool forgetChanges();
};

}  // namespace rt
