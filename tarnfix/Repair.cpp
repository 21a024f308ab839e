#include "tarnfix/Repair.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "dictionary/Dictionary.h"
#include "dictionary/Files.h"
#include "runtime/data/Errors.h"
#include "runtime/data/FileManager.h"
#include "runtime/data/KeyedFile.h"
#include "runtime/data/SqlCore.h"
#include "runtime/data/Transaction.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/Paths.h"
#include "tarnfix/Salvage.h"
#include "tarnfix/ScratchFile.h"

namespace tarnfix {
namespace {

constexpr int kBusyMs = 2000;

enum class Verdict : std::uint8_t { Sound, Damaged, Foreign, Unreadable };

struct Integrity {
  Verdict verdict = Verdict::Unreadable;
  std::vector<std::string> lines;  // SQLite's findings or error
};

Verdict verdictOf(int rc) {
  switch (rc & 0xff) {
    case SQLITE_NOTADB:
      return Verdict::Foreign;
    case SQLITE_CORRUPT:
      return Verdict::Damaged;
    default:
      return Verdict::Unreadable;
  }
}

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;

// A connection that cannot write; nullptr with why when none opens.
Connection readOnly(const std::string& path, std::string& why) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  Connection db(raw, &sqlite3_close_v2);
  if (rc != SQLITE_OK) {
    why = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
    db.reset();
  } else {
    sqlite3_busy_timeout(raw, kBusyMs);
  }
  return db;
}

// SQLite's own check.
Integrity integrityCheck(const std::string& path) {
  Integrity out;
  std::string why;
  const Connection db = readOnly(path, why);
  if (!db) {
    out.lines.push_back(why);
    return out;
  }
  sqlite3_stmt* rawStmt = nullptr;
  int rc = sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check(20)", -1, &rawStmt, nullptr);
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(rawStmt, &sqlite3_finalize);
  std::vector<std::string> lines;
  if (rc == SQLITE_OK) {
    while ((rc = sqlite3_step(rawStmt)) == SQLITE_ROW) {
      // One finding may span lines; each is a line of the details.
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(rawStmt, 0));
      const std::string text = t ? t : "";
      for (std::size_t from = 0, to; from <= text.size(); from = to + 1) {
        to = std::min(text.find('\n', from), text.size());
        lines.push_back(text.substr(from, to - from));
      }
    }
  }
  if (rc != SQLITE_DONE) {
    out.verdict = verdictOf(rc);
    out.lines.push_back(sqlite3_errmsg(db.get()));
    return out;
  }
  if (lines.size() == 1 && lines.front() == "ok") {
    out.verdict = Verdict::Sound;
    return out;
  }
  out.verdict = Verdict::Damaged;
  out.lines = std::move(lines);
  return out;
}

// Whether the file holds this layout's table as the layout defines it. Empty when it does,
// or when the file's description of its tables cannot be read (the opening tells then).
std::optional<Cause> layoutOf(const rt::FileDesc& desc, const std::string& path, std::string& why) {
  const Connection db = readOnly(path, why);
  if (!db) return std::nullopt;
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(),
                         "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name NOT "
                         "LIKE 'sqlite\\_%' ESCAPE '\\'",
                         -1, &raw, nullptr) != SQLITE_OK)
    return std::nullopt;
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, &sqlite3_finalize);
  const rt::sql::Schema schema(desc);
  int tables = 0;
  int rc;
  while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    ++tables;
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
    if (!name || desc.label != name) continue;
    if (sql && schema.createTable == sql) return std::nullopt;
    why = "its " + desc.label + " table has other columns: " + (sql ? sql : "");
    return Cause::LayoutDiffers;
  }
  if (rc != SQLITE_DONE) return std::nullopt;
  if (tables == 0) {
    why = "it holds no tables";
    return Cause::NotADataFile;
  }
  why = "it holds no " + desc.label + " table";
  return Cause::LayoutDiffers;
}

std::string inUse() {
  return "in use by another program; close it there and try again";
}

constexpr int kClashesShown = 3;

// The records whose values a unique key holds more than once, in words: which key, which
// value, which records. Read past the key's own index, which may be the damaged part.
std::string clashes(const rt::FileDesc& desc, const std::string& path, std::string_view error) {
  if (error.find("UNIQUE constraint failed") == std::string_view::npos) return {};
  const int key = rt::clashingKey(desc, error);
  if (key < 0) return {};
  const std::vector<rt::KeyClash> found = rt::findKeyClashes(desc, path, key, kClashesShown + 1);
  std::string out;
  for (std::size_t g = 0; g < found.size(); ++g) {
    if (static_cast<int>(g) == kClashesShown) {
      out += "; and more";
      break;
    }
    std::string value;
    for (const std::string& v : found[g].values) value += (value.empty() ? "" : ", ") + v;
    std::string list = found[g].records;
    if (const auto last = list.rfind(", "); last != std::string::npos)
      list.replace(last, 2, " and ");
    out += std::string(out.empty() ? "" : "; ") + "records " + list + " have the same " +
           desc.keys[key].description + " \"" + value + "\"";
  }
  if (out.empty()) return {};
  return out + ", where the key " + desc.keys[key].description + " allows each value once";
}

// The text of the data layer's last error, with any clash of a unique key in words.
std::string lastError(const rt::FileDesc& desc, const std::string& path) {
  if (rt::errorCode() == rt::ErrorCode::AccessDenied) return inUse();
  const rt::ErrorState& e = rt::errors();
  if (std::string words = clashes(desc, path, e.text); !words.empty()) return words;
  return e.text.empty() ? std::string(rt::errorCodeText(e.code)) : e.text;
}

std::int64_t countRecords(rt::KeyedFile& file) {
  if (!file.open({rt::Access::ReadOnly, rt::Share::DenyNone})) return -1;
  const std::int64_t n = file.records();
  file.close();
  return n;
}

// The sentence for a failure the data layer reported; `damaged` when SQLite found damage.
Cause causeOf(rt::ErrorCode code, bool damaged) {
  switch (code) {
    case rt::ErrorCode::AccessDenied:
      return Cause::InUse;
    case rt::ErrorCode::ReadOnlyPlace:
    case rt::ErrorCode::ReadOnly:
      return Cause::ReadOnly;
    case rt::ErrorCode::DiskFull:
      return Cause::DiskFull;
    case rt::ErrorCode::InvalidFile:
      return damaged ? Cause::Damaged : Cause::NotADataFile;
    case rt::ErrorCode::Damaged:
      return Cause::Damaged;
    case rt::ErrorCode::LayoutDiffers:
      return Cause::LayoutDiffers;
    default:
      return Cause::Other;
  }
}

// A failed rebuild: damage found then is in the records, the keys being made anew.
Cause causeOfSqlite(int rc, sqlite3* db) {
  const Cause c = causeOf(rt::sql::failureCode(db, rc, rt::ErrorCode::WriteError), false);
  return c == Cause::Damaged ? Cause::RecordsDamaged : c;
}

// BUILD makes only missing or changed keys; damaged entries of a current key need SQLite to
// write every key of the table anew. All or nothing, under the file's write lock.
Cause reindex(rt::KeyedFile& file, std::string& why) {
  if (!file.open({rt::Access::ReadWrite, rt::Share::DenyWrite})) {
    why = rt::errors().text;
    return causeOf(rt::errorCode(), true);
  }
  const std::string sql =
      "BEGIN IMMEDIATE; REINDEX " + rt::sql::quote(file.desc().label) + "; COMMIT;";
  char* err = nullptr;
  const int rc = sqlite3_exec(file.connection(), sql.c_str(), nullptr, nullptr, &err);
  Cause cause = Cause::None;
  if (rc != SQLITE_OK) {
    const std::string text = err ? err : "the keys could not be written";
    const Cause failed = causeOfSqlite(rc, file.connection());
    sqlite3_exec(file.connection(), "ROLLBACK", nullptr, nullptr, nullptr);
    why = clashes(file.desc(), file.path(), text);
    cause = Cause::Other;
    if (why.empty()) {
      why = text;
      cause = failed;
    }
  }
  sqlite3_free(err);
  file.close();
  return cause;
}

// The key of a file made of one field alone: how a parent is found by its link.
int keyOn(const rt::FileDesc& desc, int field) {
  for (std::size_t k = 0; k < desc.keys.size(); ++k)
    if (desc.keys[k].components == std::vector<int>{field}) return static_cast<int>(k);
  return -1;
}

bool blankValue(const rt::SqlValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return s->empty();
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i == 0;
  return std::get<double>(v) == 0;
}

// The child records of one link whose parent is gone, walked in the child's key order so
// that each parent is looked up once. A blank link names no parent: such a record is no
// orphan (the cascade leaves it alone too).
std::int64_t orphansOfLink(const DictRelation& link, bool remove, std::string& why) {
  const rt::FileDesc& cd = *link.child;
  const rt::FileDesc& pd = *link.parent;
  const int parentKey = keyOn(pd, link.parentField);
  if (parentKey < 0 || cd.keys.at(link.childKey).components.front() != link.childField) {
    why = "no key leads from " + cd.label + " to " + pd.label;
    return -1;
  }
  ScratchFile child(cd);
  ScratchFile parent(pd);
  if (!child->open(remove ? rt::OpenMode{rt::Access::ReadWrite, rt::Share::DenyWrite}
                          : rt::OpenMode{rt::Access::ReadOnly, rt::Share::DenyNone})) {
    why = lastError(cd, child->path());
    return -1;
  }
  if (!parent->open({rt::Access::ReadOnly, rt::Share::DenyNone})) {
    why = lastError(pd, parent->path());
    return -1;
  }
  // One transaction for the file: a repair cut short removes nothing.
  std::optional<rt::Transaction> tx;
  if (remove) tx.emplace(std::initializer_list<rt::KeyedFile*>{&*child});
  const rt::FieldDesc& cf = cd.fields[link.childField];
  const rt::FieldDesc& pf = pd.fields[link.parentField];
  auto* precord = static_cast<char*>(parent->record());
  const auto* crecord = static_cast<const char*>(child->record());
  std::int64_t count = 0;
  std::optional<rt::SqlValue> last;
  bool gone = false;
  child->setKeyOrder(link.childKey);
  while (child->next()) {
    const rt::SqlValue value = child->keyValue(link.childKey).front();
    if (blankValue(value)) continue;
    if (value != last) {
      last = value;
      if (cf.type == rt::FieldType::String && pf.type == rt::FieldType::String)
        rt::assignPadded(precord + pf.offset, pf.size, rt::clipView(crecord + cf.offset, cf.size));
      else
        std::memcpy(precord + pf.offset, crecord + cf.offset, std::min(pf.size, cf.size));
      gone = !parent->get(parentKey);
      if (gone && rt::errorCode() != rt::ErrorCode::NoRecord) {
        why = lastError(pd, parent->path());
        return -1;
      }
    }
    if (!gone) continue;
    ++count;
    if (remove && !child->erase()) {
      why = lastError(cd, child->path());
      return -1;
    }
  }
  if (rt::errorCode() != rt::ErrorCode::RecordNotAvailable) {
    why = lastError(cd, child->path());
    return -1;
  }
  rt::clearError();
  if (tx && !tx->commit()) {
    why = lastError(cd, child->path());
    return -1;
  }
  return count;
}

std::string nounOf(const rt::FileDesc& parent) {
  if (&parent == &DomainsDesc()) return "domain";
  if (&parent == &WebPagesDesc()) return "page";
  return parent.label;
}

FileResult leave(FileResult r, Cause cause, std::vector<std::string> details,
                 std::string text = {}) {
  r.outcome = Outcome::Problem;
  r.cause = cause;
  r.text = std::move(text);
  r.details.insert(r.details.end(), details.begin(), details.end());
  return r;
}

// Records that cannot be read in place: salvaged into a fresh file when the caller agrees.
FileResult damagedRecords(FileResult r, const std::vector<std::string>& details,
                          const Options& options) {
  r = leave(std::move(r), Cause::RecordsDamaged, details);
  if (!options.salvage || !options.salvage(r)) return r;
  SalvageResult s = salvage(*r.desc);
  r.details.insert(r.details.end(), s.details.begin(), s.details.end());
  if (!s.done) {
    const Cause cause = causeOf(s.code, true);
    return leave(std::move(r),
                 cause == Cause::Other || cause == Cause::Damaged ? Cause::SalvageFailed : cause,
                 {s.why});
  }
  r.outcome = Outcome::Salvaged;
  r.cause = Cause::None;
  r.records = s.saved;
  r.notSaved = s.notSaved;
  r.unknownLost = s.unknownLost;
  r.keptAs = s.keptAs;
  r.fileName = std::filesystem::path(ScratchFile(*r.desc)->path()).filename().string();
  return r;
}

bool writable(const std::string& path) {
  const std::filesystem::path p(path);
  const std::string dir = p.has_parent_path() ? p.parent_path().string() : ".";
  return ::access(dir.c_str(), W_OK) == 0 && ::access(path.c_str(), W_OK) == 0;
}

}  // namespace

FileResult checkFile(const rt::FileDesc& desc, const Options& options) {
  FileResult r;
  r.desc = &desc;
  r.label = desc.label;
  ScratchFile file(desc);
  const std::string path = file->path();
  r.fileName = std::filesystem::path(path).filename().string();
  if (!rt::FileExists(path)) return leave(r, Cause::Other, {}, "no such file");
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0)
    return leave(r, Cause::NotADataFile, {"the file is empty"});

  const Integrity before = integrityCheck(path);
  switch (before.verdict) {
    case Verdict::Foreign:
      return leave(r, Cause::NotADataFile, before.lines);
    case Verdict::Unreadable:
      return leave(r, Cause::Other, before.lines, "cannot be read");
    case Verdict::Sound:
    case Verdict::Damaged:
      break;
  }
  const bool sound = before.verdict == Verdict::Sound;
  if (!sound) r.details = before.lines;
  {
    std::string why;
    if (const std::optional<Cause> other = layoutOf(desc, path, why))
      return leave(r, *other, {why});
  }

  // The layout must be this file's before anything is written to it.
  bool staleKeys = false;
  if (file->open({rt::Access::ReadOnly, rt::Share::DenyNone})) {
    file->close();
  } else if (rt::errorCode() == rt::ErrorCode::KeyRebuildNeeded) {
    staleKeys = true;
  } else {
    const rt::ErrorCode code = rt::errorCode();
    return leave(r, causeOf(code, !sound), {rt::errors().text},
                 code == rt::ErrorCode::AccessDenied ? "" : lastError(desc, path));
  }
  if (!writable(path)) return leave(r, Cause::ReadOnly, {});

  if (!file->build()) {
    const rt::ErrorCode code = rt::errorCode();
    const std::string text = rt::errors().text;
    if (std::string words = clashes(desc, path, text); !words.empty())
      return leave(r, Cause::Other, {text}, words);
    if (!sound && (code == rt::ErrorCode::InvalidFile || code == rt::ErrorCode::Damaged))
      return damagedRecords(r, {text}, options);
    return leave(r, causeOf(code, !sound), {text}, "keys not rebuilt: " + text);
  }

  if (!sound) {
    std::string why;
    const Cause cause = reindex(*file, why);
    if (cause == Cause::RecordsDamaged) return damagedRecords(r, {why}, options);
    if (cause != Cause::None)
      return leave(r, cause, {why}, cause == Cause::Other ? "keys not rebuilt: " + why : "");
    const Integrity after = integrityCheck(path);
    if (after.verdict != Verdict::Sound) return damagedRecords(r, after.lines, options);
    r.outcome = Outcome::Rebuilt;
    r.text = "its keys were damaged and have been rebuilt; no record was lost";
  } else if (staleKeys) {
    r.outcome = Outcome::Rebuilt;
    r.text = "its keys were made anew to match the file's description";
  } else {
    r.outcome = Outcome::Ok;
  }
  r.records = countRecords(*file);
  return r;
}

std::int64_t orphans(const rt::FileDesc& child, bool remove, std::string& why) {
  std::int64_t total = 0;
  for (const DictRelation& link : DictionaryRelations()) {
    if (link.child != &child) continue;
    const std::int64_t n = orphansOfLink(link, remove, why);
    if (n < 0) return -1;
    total += n;
  }
  return total;
}

namespace {

// Whether the file's records are all there: only then does a record of a child file that
// names none of them count as an orphan. One lost in a salvage may come back from a backup.
bool whole(const FileResult& r) {
  return r.outcome == Outcome::Ok || r.outcome == Outcome::Rebuilt ||
         (r.outcome == Outcome::Salvaged && r.notSaved == 0 && !r.unknownLost);
}

}  // namespace

std::vector<FileResult> checkWorkingDirectory(
    const std::function<void(const FileResult&)>& progress, const Options& options) {
  std::vector<FileResult> results;
  // A parent file is checked before its children (the dictionary's order), so a child's
  // orphans are looked for only against parents found whole, orphans of their own removed.
  std::map<const rt::FileDesc*, bool> sound;
  for (const rt::FileDesc* desc : AllFileDescs()) {
    if (desc->diskName.empty()) continue;  // the line files belong to no one file
    if (!rt::FileExists(rt::resolvePath(desc->diskName + ".db"))) continue;
    FileResult r = checkFile(*desc, options);
    bool parentsSound = true;
    for (const DictRelation& link : DictionaryRelations())
      if (link.child == desc) {
        parentsSound = parentsSound && sound[link.parent];
        r.orphansOf = nounOf(*link.parent);
      }
    if (r.outcome != Outcome::Problem && parentsSound && !r.orphansOf.empty()) {
      std::string why;
      r.orphansRemoved = orphans(*desc, true, why);
      if (r.orphansRemoved < 0) {
        r = leave(r, Cause::Other, {why}, "orphaned records not removed: " + why);
        r.orphansRemoved = 0;
      } else if (r.orphansRemoved > 0) {
        r.records -= r.orphansRemoved;
      }
    }
    sound[desc] = whole(r);
    results.push_back(std::move(r));
    if (progress) progress(results.back());
  }
  return results;
}

namespace {

std::string removed(const FileResult& r) {
  if (r.orphansRemoved <= 0) return {};
  if (r.orphansRemoved == 1) return "; 1 orphaned record removed (its " + r.orphansOf + " is gone)";
  return "; " + std::to_string(r.orphansRemoved) + " orphaned records removed (their " +
         r.orphansOf + " is gone)";
}

std::string records(std::int64_t n) {
  return n == 1 ? "1 record" : std::to_string(n) + " records";
}

std::string salvaged(const FileResult& r) {
  std::string lost;
  if (r.notSaved > 0 && r.unknownLost)
    lost = std::to_string(r.notSaved) + " and an unknown number more";
  else if (r.notSaved > 0)
    lost = std::to_string(r.notSaved);
  else if (r.unknownLost)
    lost = "an unknown number";
  const std::string kept = "the damaged file is kept as " + r.keptAs + removed(r);
  if (lost.empty())
    return "damaged; all " + records(r.records) + " were salvaged into a fresh file, and " + kept +
           "; nothing else to do";
  return "damaged; " + records(r.records) + (r.records == 1 ? " was" : " were") +
         " salvaged into a fresh file and " + lost + " could not be, and " + kept +
         "; restore the lost records from a backup or enter them again";
}

std::string problem(const FileResult& r) {
  const std::string left = "; left as it is; ";
  const std::string again = " and run the File Fixer again";
  switch (r.cause) {
    case Cause::InUse:
      return "in use by another program" + left + "close that program" + again;
    case Cause::ReadOnly:
      return "its directory or the file itself is read-only" + left + "allow writing there" + again;
    case Cause::DiskFull:
      return "the disk is full, so it could not be repaired" + left + "make room on the disk" +
             again;
    case Cause::NotADataFile:
      return "not a data file (empty, or something else saved under its name)" + left +
             "move it away or restore it from a backup";
    case Cause::LayoutDiffers:
      return "holds records of another layout than " + r.label + left +
             "move it away or restore it from a backup";
    case Cause::RecordsDamaged:
      return "damaged: some of its records cannot be read" + left +
             "salvage its readable records into a fresh file, or restore it from a backup";
    case Cause::SalvageFailed:
      return "damaged: some of its records cannot be read, and salvaging them failed" + left +
             "restore it from a backup";
    case Cause::Damaged:
      return "damaged in a way the File Fixer cannot mend" + left + "restore it from a backup";
    case Cause::None:
    case Cause::Other:
      break;
  }
  return r.text == "no such file" ? r.text : r.text + "; left as it is";
}

}  // namespace

std::string describe(const FileResult& result) {
  const std::string line = result.label + " (" + result.fileName + "): ";
  const std::string count =
      result.records < 0 ? std::string() : " (" + records(result.records) + ")";
  switch (result.outcome) {
    case Outcome::Ok:
      return line + "OK" + count + removed(result);
    case Outcome::Rebuilt:
      return line + "rebuilt" + count + ": " + result.text + removed(result);
    case Outcome::Salvaged:
      return line + salvaged(result);
    case Outcome::Problem:
      break;
  }
  return line + problem(result);
}

bool allSound(const std::vector<FileResult>& results) {
  for (const FileResult& r : results)
    if (!whole(r)) return false;
  return true;
}

}  // namespace tarnfix
