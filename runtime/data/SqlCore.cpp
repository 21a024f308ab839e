#include "runtime/data/SqlCore.h"

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/data/LockKeeper.h"
#include "runtime/text/FixedString.h"

namespace rt::sql {

int Stmt::prepare(sqlite3* db, std::string_view text) {
  sqlite3_finalize(s_);
  s_ = nullptr;
  return sqlite3_prepare_v3(db, text.data(), static_cast<int>(text.size()),
                            SQLITE_PREPARE_PERSISTENT, &s_, nullptr);
}

std::string quote(std::string_view identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

int exec(sqlite3* db, const char* text) {
  return sqlite3_exec(db, text, nullptr, nullptr, nullptr);
}

bool isText(FieldType t) {
  return t == FieldType::String;
}

namespace {

std::string bareName(std::string_view name) {
  auto colon = name.find(':');
  return std::string(colon == std::string_view::npos ? name : name.substr(colon + 1));
}

const char* sqlType(FieldType t) {
  switch (t) {
    case FieldType::String:
      return "TEXT NOT NULL DEFAULT ''";
    case FieldType::Real:
      return "REAL NOT NULL DEFAULT 0";
    default:
      return "INTEGER NOT NULL DEFAULT 0";
  }
}

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

template <typename T>
T load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void store(char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

template <typename T>
T clampTo(std::int64_t v) {
  return static_cast<T>(
      std::clamp<std::int64_t>(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

std::int64_t intField(const FieldDesc& f, const char* record) {
  const char* p = record + f.offset;
  switch (f.type) {
    case FieldType::Byte:
      return load<std::uint8_t>(p);
    case FieldType::Short:
      return load<std::int16_t>(p);
    default:  // Date, Time, Long, Decimal: four bytes
      return load<std::int32_t>(p);
  }
}

void setIntField(const FieldDesc& f, char* record, std::int64_t v) {
  char* p = record + f.offset;
  switch (f.type) {
    case FieldType::Byte:
      store(p, clampTo<std::uint8_t>(v));
      break;
    case FieldType::Short:
      store(p, clampTo<std::int16_t>(v));
      break;
    default:
      store(p, clampTo<std::int32_t>(v));
      break;
  }
}
}  // namespace

Schema::Schema(const FileDesc& desc) {
  table = quote(!desc.label.empty()      ? desc.label
                : !desc.diskName.empty() ? desc.diskName
                                         : "records");
  std::vector<std::string> bare;
  auto unique = [&](std::string name) {
    std::string candidate = name;
    for (int n = 2; std::any_of(
             bare.begin(), bare.end(),
             [&](const std::string& b) { return strcasecmp(b.c_str(), candidate.c_str()) == 0; });
         ++n)
      candidate = name + "_" + std::to_string(n);
    bare.push_back(candidate);
    return quote(candidate);
  };
  for (const auto& f : desc.fields) columns.push_back(unique(bareName(f.name)));
  for (const auto& m : desc.memos) columns.push_back(unique(bareName(m.name)));

  createTable = "CREATE TABLE " + table + " (";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i) createTable += ", ";
    const bool memo = i >= desc.fields.size();
    createTable +=
        columns[i] + " " + (memo ? sqlType(FieldType::String) : sqlType(desc.fields[i].type));
  }
  createTable += ")";

  const std::string tableBare = !desc.label.empty() ? desc.label : desc.diskName;
  for (const auto& key : desc.keys) {
    std::string cond = "(";
    std::string terms;
    for (std::size_t c = 0; c < key.components.size(); ++c) {
      const int field = key.components[c];
      const auto& col = columns[field];
      if (c) {
        cond += " OR ";
        terms += ", ";
      }
      cond += col + (isText(desc.fields[field].type) ? " <> ''" : " <> 0");
      terms += term(desc, field);
    }
    cond += ")";
    indexNames.push_back(tableBare + "_" + bareName(key.name));
    createIndex.push_back(std::string("CREATE ") + (key.duplicates ? "" : "UNIQUE ") + "INDEX " +
                          quote(indexNames.back()) + " ON " + table + " (" + terms + ") WHERE " +
                          cond);
    optCondition.push_back(cond);
  }
}

std::string Schema::term(const FileDesc& desc, int field) const {
  return isText(desc.fields[field].type) ? "upper(" + columns[field] + ")" : columns[field];
}

std::string Schema::selectList() const {
  std::string out = "rowid";
  for (const auto& c : columns) out += ", " + c;
  return out;
}

void readRow(sqlite3_stmt* s, int first, const FileDesc& desc, char* record,
             const std::vector<char*>& memos) {
  int col = first;
  for (const auto& f : desc.fields) {
    switch (f.type) {
      case FieldType::String: {
        auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
        assignPadded(record + f.offset, f.size,
                     std::string_view(text ? text : "",
                                      static_cast<std::size_t>(sqlite3_column_bytes(s, col))));
        break;
      }
      case FieldType::Real:
        store(record + f.offset, sqlite3_column_double(s, col));
        break;
      default:
        setIntField(f, record, sqlite3_column_int64(s, col));
        break;
    }
    ++col;
  }
  for (std::size_t m = 0; m < desc.memos.size(); ++m, ++col) {
    if (m >= memos.size() || !memos[m]) continue;
    auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
    assignPadded(
        memos[m], desc.memos[m].size,
        std::string_view(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(s, col))));
  }
}

void bindRow(sqlite3_stmt* s, const FileDesc& desc, const char* record,
             const std::vector<char*>& memos) {
  int param = 1;
  for (const auto& f : desc.fields) {
    switch (f.type) {
      case FieldType::String: {
        auto text = clipView(record + f.offset, f.size);
        sqlite3_bind_text(s, param, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
        break;
      }
      case FieldType::Real:
        sqlite3_bind_double(s, param, load<double>(record + f.offset));
        break;
      default:
        sqlite3_bind_int64(s, param, intField(f, record));
        break;
    }
    ++param;
  }
  for (std::size_t m = 0; m < desc.memos.size(); ++m, ++param) {
    if (m >= memos.size() || !memos[m]) {
      sqlite3_bind_text(s, param, "", 0, SQLITE_STATIC);
      continue;
    }
    auto text = clipView(memos[m], desc.memos[m].size);
    sqlite3_bind_text(s, param, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  }
}

SqlValue termValue(const FileDesc& desc, int field, const char* record) {
  const auto& f = desc.fields[field];
  switch (f.type) {
    case FieldType::String:
      return upperAscii(clipView(record + f.offset, f.size));
    case FieldType::Real:
      return load<double>(record + f.offset);
    default:
      return intField(f, record);
  }
}

bool fieldBlank(const FileDesc& desc, int field, const char* record) {
  const auto& f = desc.fields[field];
  switch (f.type) {
    case FieldType::String:
      return clipView(record + f.offset, f.size).empty();
    case FieldType::Real:
      return load<double>(record + f.offset) == 0.0;
    default:
      return intField(f, record) == 0;
  }
}

void bindValue(sqlite3_stmt* s, int index, const SqlValue& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) {
    sqlite3_bind_int64(s, index, *i);
  } else if (auto* d = std::get_if<double>(&v)) {
    sqlite3_bind_double(s, index, *d);
  } else {
    const auto& t = std::get<std::string>(v);
    sqlite3_bind_text(s, index, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
  }
}

SqlValue columnValue(sqlite3_stmt* s, int col) {
  SqlValue v;
  assignColumnValue(v, s, col);
  return v;
}

void assignColumnValue(SqlValue& v, sqlite3_stmt* s, int col) {
  switch (sqlite3_column_type(s, col)) {
    case SQLITE_INTEGER:
      v = static_cast<std::int64_t>(sqlite3_column_int64(s, col));
      break;
    case SQLITE_FLOAT:
      v = sqlite3_column_double(s, col);
      break;
    default: {
      auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
      const std::string_view t(text ? text : "",
                               static_cast<std::size_t>(sqlite3_column_bytes(s, col)));
      // Into the string already held: its buffer is reused.
      if (auto* held = std::get_if<std::string>(&v))
        held->assign(t);
      else
        v = std::string(t);
      break;
    }
  }
}

std::string levelSql(const Schema& schema, const Ordering& order, bool forward, SeekLevel level) {
  const int n = static_cast<int>(order.terms.size());
  const int equal = std::min(order.fixed + level.eq, n);
  std::string sql = "SELECT " + schema.selectList();
  for (const auto& t : order.terms) sql += ", " + t.expr;
  sql += " FROM " + schema.table;
  std::vector<std::string> where;
  if (!order.condition.empty()) where.push_back(order.condition);
  for (int i = 0; i < equal; ++i)
    where.push_back(order.terms[i].expr + " = ?" + std::to_string(i + 1));
  const bool inclusive = level.bound == SeekLevel::AtLeast;
  if (level.bound == SeekLevel::Rowid || equal == n) {
    where.push_back(std::string("rowid ") + (forward ? "> ?" : "< ?") + std::to_string(n + 1));
  } else if (level.bound != SeekLevel::None) {
    const bool up = forward != order.terms[equal].desc;
    where.push_back(order.terms[equal].expr + (up ? " >" : " <") + (inclusive ? "= ?" : " ?") +
                    std::to_string(equal + 1));
  }
  for (std::size_t i = 0; i < where.size(); ++i) sql += (i ? " AND " : " WHERE ") + where[i];
  // Terms held equal stay out of ORDER BY: SQLite sorts in a temporary tree when they are
  // named there with a descending direction.
  sql += " ORDER BY ";
  for (int i = equal; i < n; ++i)
    sql += order.terms[i].expr + ((forward != order.terms[i].desc) ? " ASC, " : " DESC, ");
  sql += std::string("rowid ") + (forward ? "ASC" : "DESC");
  sql += " LIMIT ?" + std::to_string(n + 2);
  return sql;
}

std::vector<SeekLevel> seekLevels(const Ordering& order, std::size_t valueCount, bool fromExtreme) {
  const int n = static_cast<int>(order.terms.size());
  const int free = n - order.fixed;
  const int given = std::clamp(static_cast<int>(valueCount) - order.fixed, 0, free);
  if (free == 0) return {{0, SeekLevel::Rowid}};
  if (given == 0) return {{0, SeekLevel::AtLeast}};  // from the extreme: still an index search
  // From the first row of the values on, one search finds the rows equal to them and those
  // beyond together.
  const bool whole = given < free || fromExtreme;
  std::vector<SeekLevel> levels{whole ? SeekLevel{given - 1, SeekLevel::AtLeast}
                                      : SeekLevel{given, SeekLevel::Rowid}};
  for (int eq = levels.front().eq - 1; eq >= 0; --eq) levels.push_back({eq, SeekLevel::Greater});
  return levels;
}

std::vector<std::string> allSeekSql(const Schema& schema, const Ordering& order) {
  std::vector<std::string> out;
  const int free = static_cast<int>(order.terms.size()) - order.fixed;
  for (bool forward : {true, false})
    for (std::size_t given = 0; given <= static_cast<std::size_t>(free); ++given)
      for (bool fromExtreme : {false, true})
        for (const auto& level : seekLevels(order, order.fixed + given, fromExtreme)) {
          std::string sql = levelSql(schema, order, forward, level);
          if (std::find(out.begin(), out.end(), sql) == out.end()) out.push_back(std::move(sql));
        }
  return out;
}

int seek(const StatementFor& statement, const Schema& schema, const Ordering& order, bool forward,
         const std::vector<SqlValue>* values, std::int64_t rowid,
         const std::vector<SqlValue>& range, std::int64_t limit, const FileDesc& desc,
         std::vector<RecordImage>& out, std::vector<RecordImage>* spare) {
  const std::size_t target =
      out.size() + static_cast<std::size_t>(std::max<std::int64_t>(limit, 0));
  const bool fromExtreme = rowid == (forward ? std::numeric_limits<std::int64_t>::min()
                                             : std::numeric_limits<std::int64_t>::max());
  for (const auto& level : seekLevels(order, values ? values->size() : 0, fromExtreme)) {
    if (out.size() >= target) break;
    Stmt& s = statement(levelSql(schema, order, forward, level));
    if (!s) return SQLITE_ERROR;
    sqlite3_reset(s.get());
    bindSeek(s.get(), order, forward, values, rowid, range,
             static_cast<std::int64_t>(target - out.size()));
    const int rc = collect(s.get(), desc, order.terms.size(), desc.memos.size(), out, spare);
    sqlite3_reset(s.get());
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

void bindSeek(sqlite3_stmt* s, const Ordering& order, bool forward,
              const std::vector<SqlValue>* values, std::int64_t rowid,
              const std::vector<SqlValue>& range, std::int64_t limit) {
  const int n = static_cast<int>(order.terms.size());
  for (int i = 0; i < n; ++i) {
    if (i < order.fixed) {
      bindValue(s, i + 1, range[i]);
    } else if (values && i < static_cast<int>(values->size())) {
      bindValue(s, i + 1, (*values)[i]);
    } else if (forward != order.terms[i].desc) {
      // Below every number and text.
      sqlite3_bind_double(s, i + 1, -std::numeric_limits<double>::infinity());
    } else {
      // A blob sorts above every number and text.
      sqlite3_bind_zeroblob(s, i + 1, 0);
    }
  }
  sqlite3_bind_int64(s, n + 1, rowid);
  sqlite3_bind_int64(s, n + 2, limit);
}

int collect(sqlite3_stmt* s, const FileDesc& desc, std::size_t terms, std::size_t memoCount,
            std::vector<RecordImage>& out, std::vector<RecordImage>* spare) {
  int rc;
  const int firstTerm = 1 + static_cast<int>(desc.fields.size() + memoCount);
  std::vector<char*> memoPtrs(memoCount);
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    if (spare && !spare->empty()) {
      out.push_back(std::move(spare->back()));
      spare->pop_back();
    } else {
      out.emplace_back();
    }
    RecordImage& img = out.back();
    img.rowid = sqlite3_column_int64(s, 0);
    img.record.assign(desc.recordSize, ' ');
    img.memos.resize(memoCount);
    for (std::size_t m = 0; m < memoCount; ++m) {
      img.memos[m].assign(desc.memos[m].size, ' ');
      memoPtrs[m] = img.memos[m].data();
    }
    readRow(s, 1, desc, img.record.data(), memoPtrs);
    img.order.resize(terms);
    for (std::size_t t = 0; t < terms; ++t)
      assignColumnValue(img.order[t], s, firstTerm + static_cast<int>(t));
  }
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}
namespace {

// The cause of a failed call, by SQLite's code and the system's errno behind it.
ErrorCode codeFor(int rc, int sysErrno, ErrorCode fallback) {
  switch (sysErrno) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ErrorCode::DiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
      return ErrorCode::ReadOnlyPlace;
    default:
      break;
  }
  switch (rc & 0xff) {
    case SQLITE_CONSTRAINT:
      return rc == SQLITE_CONSTRAINT_UNIQUE ? ErrorCode::DuplicateKey : fallback;
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return ErrorCode::InvalidFile;
    case SQLITE_CORRUPT:
      return ErrorCode::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ErrorCode::AccessDenied;
    case SQLITE_READONLY:
      return rc == SQLITE_READONLY_DBMOVED ? ErrorCode::FileChanged : ErrorCode::ReadOnlyPlace;
    case SQLITE_PERM:
      return ErrorCode::ReadOnlyPlace;
    case SQLITE_CANTOPEN:
      return ErrorCode::FileSystemError;
    case SQLITE_FULL:
      return ErrorCode::DiskFull;
    case SQLITE_IOERR:
      return ErrorCode::WriteError;
    default:
      return fallback;
  }
}

}  // namespace

ErrorCode failureCode(sqlite3* db, int rc, ErrorCode fallback, int* sysErrno) {
  // Only an I/O failure's own errno: a failed write's as it happened, else the last one the
  // connection saw.
  const int primary = rc & 0xff;
  const int written = locks::takeWriteError();
  int e = 0;
  if (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN || primary == SQLITE_FULL ||
      primary == SQLITE_READONLY)
    e = written ? written : db ? sqlite3_system_errno(db) : 0;
  if (sysErrno) *sysErrno = e;
  return codeFor(rc, e, fallback);
}

}  // namespace rt::sql
