#include "tarnfix/Repair.h"

#include <sqlite3.h>

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
#include "runtime/data/Transaction.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/Paths.h"

namespace tarnfix {
namespace {

constexpr int kBusyMs = 2000;
constexpr int kMessagesShown = 3;

enum class Verdict : std::uint8_t { Sound, Damaged, Foreign, Unreadable };

struct Integrity {
  Verdict verdict = Verdict::Unreadable;
  std::string text;  // SQLite's findings or error
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

// SQLite's own check, on a connection that cannot write.
Integrity integrityCheck(const std::string& path) {
  Integrity out;
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)> db(raw, &sqlite3_close_v2);
  if (rc != SQLITE_OK) {
    out.text = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
    return out;
  }
  sqlite3_busy_timeout(raw, kBusyMs);
  sqlite3_stmt* rawStmt = nullptr;
  rc = sqlite3_prepare_v2(raw, "PRAGMA integrity_check(20)", -1, &rawStmt, nullptr);
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(rawStmt, &sqlite3_finalize);
  std::vector<std::string> lines;
  if (rc == SQLITE_OK) {
    while ((rc = sqlite3_step(rawStmt)) == SQLITE_ROW) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(rawStmt, 0));
      lines.emplace_back(t ? t : "");
    }
  }
  if (rc != SQLITE_DONE) {
    out.verdict = verdictOf(rc);
    out.text = sqlite3_errmsg(raw);
    return out;
  }
  if (lines.size() == 1 && lines.front() == "ok") {
    out.verdict = Verdict::Sound;
    return out;
  }
  out.verdict = Verdict::Damaged;
  for (std::size_t i = 0; i < lines.size() && i < kMessagesShown; ++i)
    out.text += (i ? "; " : "") + lines[i];
  if (lines.size() > kMessagesShown) out.text += "; ...";
  return out;
}

// A keyed file over buffers of its own, so the program's record buffers are never touched.
class ScratchFile {
 public:
  explicit ScratchFile(const rt::FileDesc& desc) : record_(desc.recordSize, ' ') {
    for (const rt::MemoDesc& m : desc.memos) memos_.emplace_back(m.size, ' ');
    std::vector<char*> pointers;
    for (std::string& m : memos_) pointers.push_back(m.data());
    file_ = std::make_unique<rt::KeyedFile>(desc, record_.data(), pointers);
  }
  rt::KeyedFile& operator*() { return *file_; }
  rt::KeyedFile* operator->() { return file_.get(); }

 private:
  std::string record_;
  std::vector<std::string> memos_;
  std::unique_ptr<rt::KeyedFile> file_;
};

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

// BUILD makes only missing or changed keys; damaged entries of a current key need SQLite to
// write every key of the table anew. All or nothing, under the file's write lock.
bool reindex(rt::KeyedFile& file, std::string& why) {
  if (!file.open({rt::Access::ReadWrite, rt::Share::DenyWrite})) {
    why = lastError(file.desc(), file.path());
    return false;
  }
  std::string table = file.desc().label;
  for (std::size_t p = 0; (p = table.find('"', p)) != std::string::npos; p += 2)
    table.insert(p, 1, '"');
  const std::string sql = "BEGIN IMMEDIATE; REINDEX \"" + table + "\"; COMMIT;";
  char* err = nullptr;
  const bool ok = sqlite3_exec(file.connection(), sql.c_str(), nullptr, nullptr, &err) == SQLITE_OK;
  if (!ok) {
    const std::string text = err ? err : "the keys could not be written";
    sqlite3_exec(file.connection(), "ROLLBACK", nullptr, nullptr, nullptr);
    why = clashes(file.desc(), file.path(), text);
    if (why.empty()) why = text;
  }
  sqlite3_free(err);
  file.close();
  return ok;
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

FileResult problem(FileResult r, std::string text) {
  r.outcome = Outcome::Problem;
  r.text = std::move(text) + "; left as it is";
  return r;
}

}  // namespace

FileResult checkFile(const rt::FileDesc& desc) {
  FileResult r;
  r.label = desc.label;
  ScratchFile file(desc);
  const std::string path = file->path();
  r.fileName = std::filesystem::path(path).filename().string();
  if (!rt::FileExists(path)) {
    r.text = "no such file";
    return r;
  }

  const Integrity before = integrityCheck(path);
  switch (before.verdict) {
    case Verdict::Foreign:
      return problem(r, "not a data file (" + before.text + ")");
    case Verdict::Unreadable:
      return problem(r, "cannot be read (" + before.text + ")");
    case Verdict::Sound:
    case Verdict::Damaged:
      break;
  }
  const bool sound = before.verdict == Verdict::Sound;

  // The layout must be this file's before anything is written to it.
  bool staleKeys = false;
  if (file->open({rt::Access::ReadOnly, rt::Share::DenyNone})) {
    file->close();
  } else if (rt::errorCode() == rt::ErrorCode::KeyRebuildNeeded) {
    staleKeys = true;
  } else {
    const std::string why = lastError(desc, path);
    return problem(r, sound ? why : why + " (" + before.text + ")");
  }

  if (!file->build()) {
    const std::string why = "keys not rebuilt: " + lastError(desc, path);
    return problem(r, sound ? why : "damaged (" + before.text + "); " + why);
  }

  if (!sound) {
    std::string why;
    if (!reindex(*file, why))
      return problem(r, "damaged (" + before.text + "); keys not rebuilt: " + why);
    const Integrity after = integrityCheck(path);
    if (after.verdict != Verdict::Sound)
      return problem(
          r, "damaged beyond its keys (" + (after.text.empty() ? before.text : after.text) + ")");
    r.outcome = Outcome::Rebuilt;
    r.text = "damaged keys mended (" + before.text + ")";
  } else if (staleKeys) {
    r.outcome = Outcome::Rebuilt;
    r.text = "keys made anew to match the file's description";
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

std::vector<FileResult> checkWorkingDirectory(
    const std::function<void(const FileResult&)>& progress) {
  std::vector<FileResult> results;
  // A parent file is checked before its children (the dictionary's order), so a child's
  // orphans are looked for only against parents found sound, orphans of their own removed.
  std::map<const rt::FileDesc*, bool> sound;
  for (const rt::FileDesc* desc : AllFileDescs()) {
    if (desc->diskName.empty()) continue;  // the line files belong to no one file
    if (!rt::FileExists(rt::resolvePath(desc->diskName + ".db"))) continue;
    FileResult r = checkFile(*desc);
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
        r = problem(r, "orphaned records not removed: " + why);
        r.orphansRemoved = 0;
      } else if (r.orphansRemoved > 0) {
        r.records -= r.orphansRemoved;
      }
    }
    sound[desc] = r.outcome != Outcome::Problem;
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

}  // namespace

std::string describe(const FileResult& result) {
  std::string line = result.label + " (" + result.fileName + "): ";
  const std::string count = result.records < 0 ? std::string()
                            : result.records == 1
                                ? std::string(" (1 record)")
                                : " (" + std::to_string(result.records) + " records)";
  switch (result.outcome) {
    case Outcome::Ok:
      return line + "OK" + count + removed(result);
    case Outcome::Rebuilt:
      return line + "rebuilt" + count + ": " + result.text + removed(result);
    case Outcome::Problem:
      break;
  }
  return line + result.text;
}

bool allSound(const std::vector<FileResult>& results) {
  for (const FileResult& r : results)
    if (r.outcome == Outcome::Problem) return false;
  return true;
}

}  // namespace tarnfix
