// Internal pieces shared by the keyed files and the views: statement handles, the mapping of a
// record layout onto its table, and keyset seeks.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/KeyedFile.h"
#include "runtime/data/Layout.h"

namespace rt::sql {

class Stmt {
 public:
  Stmt() = default;
  Stmt(sqlite3* db, std::string_view text) { prepare(db, text); }
  ~Stmt() { sqlite3_finalize(s_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
  Stmt(Stmt&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
  Stmt& operator=(Stmt&& o) noexcept {
    if (this != &o) {
      sqlite3_finalize(s_);
      s_ = o.s_;
      o.s_ = nullptr;
    }
    return *this;
  }

  int prepare(sqlite3* db, std::string_view text);
  sqlite3_stmt* get() const { return s_; }
  explicit operator bool() const { return s_ != nullptr; }
  void reset() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }

 private:
  sqlite3_stmt* s_ = nullptr;
};

// The cause of a failed SQLite call on db (which may be null): by SQLite's code and the errno
// of the system call behind it (a failed write's own, as the lock keeper saw it), that errno
// in sysErrno.
ErrorCode failureCode(sqlite3* db, int rc, ErrorCode fallback, int* sysErrno = nullptr);

std::string quote(std::string_view identifier);
int exec(sqlite3* db, const char* text);

// A field or memo of the layout as a column of the table.
struct Schema {
  std::string table;                 // quoted table name
  std::vector<std::string> columns;  // quoted: the fields, then the memos
  std::string createTable;
  std::vector<std::string> indexNames;    // one per key, unquoted
  std::vector<std::string> createIndex;   // one per key
  std::vector<std::string> optCondition;  // one per key: "(...)" the partial-index condition

  explicit Schema(const FileDesc& desc);
  // The term a field is ordered and compared by: upper("A") for text, "A" otherwise.
  std::string term(const FileDesc& desc, int field) const;
  // "rowid, c1, ..., cn" (the columns of a full row).
  std::string selectList() const;
};

bool isText(FieldType t);

// Reads columns [first, first + fields + memos) of a row into record and memo buffers.
void readRow(sqlite3_stmt* s, int first, const FileDesc& desc, char* record,
             const std::vector<char*>& memos);
// Binds the buffer's fields and memos to parameters 1..fields+memos.
void bindRow(sqlite3_stmt* s, const FileDesc& desc, const char* record,
             const std::vector<char*>& memos);

// The value a field contributes to an order term (upper-cased clipped text or a number).
SqlValue termValue(const FileDesc& desc, int field, const char* record);
void bindValue(sqlite3_stmt* s, int index, const SqlValue& v);
SqlValue columnValue(sqlite3_stmt* s, int col);
// The same into a value held, reusing its text buffer.
void assignColumnValue(SqlValue& v, sqlite3_stmt* s, int col);
// Whether a field holds blank or zero.
bool fieldBlank(const FileDesc& desc, int field, const char* record);

// An order: terms (ascending unless desc), then the rowid as the last tie-breaker.
struct Ordering {
  struct Term {
    std::string expr;
    bool desc = false;
  };
  std::vector<Term> terms;
  std::string condition;  // always-present condition such as the partial-index one
  int fixed = 0;          // leading terms held equal to a range value
};

// A keyset seek runs as a few statements, each of which SEARCHes its index exactly: the rest
// of the current group (leading terms equal, then rowid), then each shorter prefix equal with
// the next term strictly beyond. A single nested condition would walk a long run of equal
// values on every seek.
struct SeekLevel {
  enum Bound { None, Rowid, Greater, AtLeast };
  int eq = 0;  // order terms after the fixed ones held equal to the position
  Bound bound = None;
};

// SELECT <select>, <terms> FROM <table> WHERE <condition> AND <fixed and eq terms = ?i> AND
// <bound> ORDER BY <remaining terms>, rowid LIMIT ?L. Parameters: term i at ?(i+1), rowid at
// ?(n+1), limit at ?(n+2).
std::string levelSql(const Schema& schema, const Ordering& order, bool forward, SeekLevel level);
// The levels of a seek from a position given by `valueCount` leading term values;
// `fromExtreme`: the position's rowid lies before every rowid in the direction.
std::vector<SeekLevel> seekLevels(const Ordering& order, std::size_t valueCount, bool fromExtreme);
// Every statement the seeks over an ordering can run, in both directions (for plan checks).
std::vector<std::string> allSeekSql(const Schema& schema, const Ordering& order);

// Binds a seek position: values of the leading terms (a missing value, or values == nullptr,
// stands for the extreme in the direction) and the rowid.
void bindSeek(sqlite3_stmt* s, const Ordering& order, bool forward,
              const std::vector<SqlValue>* values, std::int64_t rowid,
              const std::vector<SqlValue>& range, std::int64_t limit);

using StatementFor = std::function<Stmt&(const std::string& sql)>;

// Reads up to `limit` rows beyond a position in the direction: strictly after (values, rowid)
// when values cover every term, else every row whose leading terms equal the values given
// (the first rows of the order when there are none) and what follows.
int seek(const StatementFor& statement, const Schema& schema, const Ordering& order, bool forward,
         const std::vector<SqlValue>* values, std::int64_t rowid,
         const std::vector<SqlValue>& range, std::int64_t limit, const FileDesc& desc,
         std::vector<RecordImage>& out, std::vector<RecordImage>* spare = nullptr);

// Steps a seek statement, collecting rows as record images. Images taken from `spare` (when
// given) lend their buffers to the rows, so that reading ahead again allocates nothing.
int collect(sqlite3_stmt* s, const FileDesc& desc, std::size_t terms, std::size_t memoCount,
            std::vector<RecordImage>& out, std::vector<RecordImage>* spare = nullptr);

}  // namespace rt::sql
