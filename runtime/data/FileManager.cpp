#include "runtime/data/FileManager.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <memory>

#include "runtime/data/SqlCore.h"
#include "runtime/text/FixedString.h"
#include "runtime/text/Paths.h"
#include "runtime/text/Strings.h"

namespace rt {

FileManager::~FileManager() {
  std::erase(AccessNotice::held_, this);
}

int AccessNotice::depth_ = 0;
std::vector<FileManager*> AccessNotice::held_;

AccessNotice::AccessNotice() {
  ++depth_;
}

namespace {

// The files by the notice of why each opens for reading only, in the order the causes came.
std::vector<std::pair<MessageId, std::vector<FileManager*>>> byNotice(
    const std::vector<FileManager*>& files) {
  std::vector<std::pair<MessageId, std::vector<FileManager*>>> causes;
  for (FileManager* fm : files) {
    auto it = std::find_if(causes.begin(), causes.end(),
                           [&](const auto& c) { return c.first == fm->readOnlyNotice(); });
    if (it == causes.end()) it = causes.insert(causes.end(), {fm->readOnlyNotice(), {}});
    it->second.push_back(fm);
  }
  return causes;
}

std::string labels(const std::vector<FileManager*>& files) {
  std::string names;
  for (const FileManager* fm : files) names += (names.empty() ? "" : ", ") + fm->label();
  return names;
}

}  // namespace

AccessNotice::~AccessNotice() {
  if (--depth_ > 0 || held_.empty()) return;
  std::vector<FileManager*> held;
  held.swap(held_);
  // One message per cause, naming every file it made read-only.
  for (const auto& [id, files] : byNotice(held)) {
    MessageValues v = files.front()->valuesFor({}, {});
    v.file = labels(files);
    files.front()->ShowError(id, v);
  }
}

void reportNotWritable(const std::vector<FileManager*>& files, std::string_view notDone) {
  for (const auto& [id, held] : byNotice(files)) {
    MessageValues v = errorValues(labels(held), errors());
    v.message = std::string(notDone);
    reportRefusal(id, v);
  }
}

MessageId FileManager::readOnlyNotice() const {
  switch (readOnlyCause_) {
    case ErrorCode::ReadOnlyPlace:
      return MessageId::ReadOnlyPlace;
    case ErrorCode::DiskFull:
      return MessageId::DiskFull;
    default:
      return MessageId::AccessDenied;
  }
}

void FileManager::tellReadOnly() {
  if (silent_ || readOnlyTold_) return;
  readOnlyTold_ = true;
  if (AccessNotice::depth_ > 0)
    AccessNotice::held_.push_back(this);
  else
    RaiseError(readOnlyNotice());
}

void FileManager::Init(KeyedFile& file, std::string label) {
  keyed_ = &file;
  line_ = nullptr;
  label_ = std::move(label);
}

void FileManager::Init(LineFile& file, std::string label) {
  line_ = &file;
  keyed_ = nullptr;
  label_ = std::move(label);
}

void FileManager::AddKey(int key, std::string description, int autoNumber) {
  keys_.push_back(ManagedKey{key, std::move(description), autoNumber});
}

void FileManager::Kill() {
  if (opened_ > 0) {
    if (keyed_) keyed_->close();
    if (line_) line_->close();
  }
  opened_ = 0;
  reserved_ = 0;
}

std::string FileManager::keyDescription(int key) const {
  for (const auto& k : keys_)
    if (k.key == key) return k.description;
  if (keyed_ && key >= 0 && key < static_cast<int>(keyed_->desc().keys.size()))
    return keyed_->desc().keys[key].name;
  return {};
}

const FileManager::ManagedKey* FileManager::autoNumberedKey() const {
  for (const auto& k : keys_)
    if (k.autoNumber > 0) return &k;
  return nullptr;
}

void* FileManager::recordBuffer() const {
  return keyed_ ? keyed_->record() : nullptr;
}

std::size_t FileManager::recordSize() const {
  return keyed_ ? keyed_->desc().recordSize : 0;
}

std::string FileManager::fileName() const {
  if (keyed_) return keyed_->path();
  if (line_) return line_->path();
  return {};
}

MessageValues FileManager::valuesFor(std::string_view field, std::string_view message) const {
  MessageValues v = errorValues(label_.empty() && line_ ? line_->name() : label_, errors());
  v.field = std::string(field);
  v.message = message.empty() ? causeAdvice(errors().code) : std::string(message);
  return v;
}

Answer FileManager::RaiseError(MessageId id, std::string_view field, std::string_view message) {
  if (silent_) return Answer::No;
  return ShowError(id, valuesFor(field, message));
}

Answer FileManager::ShowError(MessageId id, const MessageValues& values) {
  return reportMessage(id, values);
}

Status FileManager::fail(MessageId id, std::string_view field) {
  if (id == MessageId::FileAccessError) id = failureMessage(errorCode());
  RaiseError(id, field);
  return Status::Failed;
}

void FileManager::BindFields(FieldBinder& binder) {
  if (keyed_) binder.bindFields(keyed_->desc(), keyed_->record());
}

// --- opening ---------------------------------------------------------------------------

Status FileManager::OpenFile() {
  if (opened_ > 0) {
    ++opened_;
    return Status::Ok;
  }
  return openOnce();
}

Status FileManager::TryOpen() {
  if (opened_ > 0) {
    ++opened_;
    return Status::Ok;
  }
  silent_ = true;
  const Status s = openOnce();
  silent_ = false;
  return s;
}

Status FileManager::openOnce() {
  if (!keyed_ && !line_) {
    setError(ErrorCode::NotOpen, label_, "the file manager has no file");
    return fail(MessageId::FileAccessError);
  }
  if (line_ && fileName_) line_->setName(fileName_());

  OpenMode mode = openMode_;
  bool recovered = false, created = false, rebuilt = false;
  // Each fallback is taken at most once, so the loop ends.
  for (int round = 0; round < 6; ++round) {
    clearError();
    const bool ok = keyed_ ? keyed_->open(mode) : line_->open();
    const ErrorCode code = errorCode();
    if (ok || code == ErrorCode::AlreadyOpen) {
      clearError();
      if (mode.access == Access::ReadWrite && keyed_ && !keyed_->isReadOnly())
        readOnlyTold_ = false;
      ++opened_;
      return Status::Ok;
    }
    if (code == ErrorCode::AccessDenied && !recovered && lockRecover_ > 0) {
      recovered = true;
      const std::string option = "Recover=" + std::to_string(lockRecover_);
      if (keyed_)
        keyed_->send(option);
      else
        line_->send(option);
      continue;
    }
    if (code == ErrorCode::FileNotFound || code == ErrorCode::PathNotFound) {
      if (!create_ || created) return fail(MessageId::FileNotFound);
      created = true;
      if (!(keyed_ ? keyed_->create() : line_->create())) return fail(MessageId::FileCreationError);
      continue;
    }
    if (code == ErrorCode::KeyRebuildNeeded && keyed_ && !rebuilt) {
      rebuilt = true;
      RaiseError(MessageId::KeyRebuildNeeded);
      clearError();
      if (!keyed_->build()) return fail(MessageId::FileAccessError);
      continue;
    }
    if ((code == ErrorCode::AccessDenied || code == ErrorCode::ReadOnlyPlace ||
         code == ErrorCode::DiskFull) &&
        mode.access == Access::ReadWrite) {
      readOnlyCause_ = code;
      tellReadOnly();
      mode.access = Access::ReadOnly;
      continue;
    }
    return fail(MessageId::FileAccessError);
  }
  return fail(MessageId::FileAccessError);
}

Status FileManager::CloseFile() {
  if (opened_ == 0) return Status::Ok;
  if (--opened_ > 0) return Status::Ok;
  reserved_ = 0;
  const bool ok = keyed_ ? keyed_->close() : line_->close();
  return ok ? Status::Ok : fail(MessageId::FileAccessError);
}

// --- record operations -----------------------------------------------------------------

int clashingKey(const FileDesc& desc, std::string_view errorText) {
  const sql::Schema schema(desc);
  const std::string text = UPPER(errorText);
  int first = -1;
  for (std::size_t k = 0; k < desc.keys.size(); ++k) {
    if (desc.keys[k].duplicates) continue;
    if (first < 0) first = static_cast<int>(k);
    if (text.find(UPPER("'" + schema.indexNames[k] + "'")) != std::string::npos)
      return static_cast<int>(k);
  }
  return first;
}

std::vector<KeyClash> findKeyClashes(const FileDesc& desc, const std::string& path, int key,
                                     int limit) {
  std::vector<KeyClash> out;
  if (key < 0 || key >= static_cast<int>(desc.keys.size())) return out;
  const sql::Schema schema(desc);
  std::string terms, columns;
  for (const int c : desc.keys[key].components) {
    terms += (terms.empty() ? "" : ", ") + schema.term(desc, c);
    columns += ", " + schema.columns[c];
  }
  const std::string text = "SELECT group_concat(rowid, ', ')" + columns + " FROM " + schema.table +
                           " NOT INDEXED WHERE " + schema.optCondition[key] + " GROUP BY " + terms +
                           " HAVING count(*) > 1 LIMIT " + std::to_string(limit);
  sqlite3* raw = nullptr;
  sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)> db(raw, &sqlite3_close_v2);
  sql::Stmt s(raw, text);
  while (s && sqlite3_step(s.get()) == SQLITE_ROW) {
    auto column = [&s](int c) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), c));
      return std::string(t ? t : "");
    };
    KeyClash clash{column(0), {}};
    for (int c = 1; c < sqlite3_column_count(s.get()); ++c) clash.values.push_back(column(c));
    out.push_back(std::move(clash));
  }
  return out;
}

std::string keyValueText(const FileDesc& desc, int key, const void* record) {
  std::string out;
  if (key < 0 || key >= static_cast<int>(desc.keys.size())) return out;
  for (const int c : desc.keys[key].components) {
    const FieldDesc& f = desc.fields[c];
    const char* p = static_cast<const char*>(record) + f.offset;
    out += out.empty() ? "" : ", ";
    out += f.type == FieldType::String ? std::string(clipView(p, f.size))
                                       : std::to_string(autoNumberValue(f, record));
  }
  return out;
}

Status FileManager::failDuplicate(int key) {
  RaiseError(MessageId::DuplicateKey, keyDescription(key),
             keyValueText(keyed_->desc(), key, keyed_->record()));
  return Status::Failed;
}

Status FileManager::writeOutcome(bool ok, MessageId id) {
  if (ok) return Status::Ok;
  if (errorCode() == ErrorCode::DuplicateKey)
    return failDuplicate(clashingKey(keyed_->desc(), errors().text));
  return fail(id);
}

Status FileManager::readOutcome(bool ok) {
  if (ok) return Status::Ok;
  const ErrorCode c = errorCode();
  if (c == ErrorCode::RecordNotAvailable || c == ErrorCode::NoRecord) return Status::EndOfFile;
  return fail(MessageId::FileAccessError);
}

namespace {
Status quiet(bool ok) {
  if (ok) return Status::Ok;
  const ErrorCode c = errorCode();
  return c == ErrorCode::RecordNotAvailable || c == ErrorCode::NoRecord ? Status::EndOfFile
                                                                        : Status::Failed;
}
}  // namespace

Status FileManager::TryInsert() {
  return quiet(keyed_ ? keyed_->add() : line_->add());
}

Status FileManager::InsertRecord() {
  return writeOutcome(keyed_ ? keyed_->add() : line_->add(), MessageId::RecordNotAdded);
}

Status FileManager::TryUpdate() {
  if (!keyed_) return quiet(setError(ErrorCode::InvalidRequest, label_, "PUT on a line file"));
  const Status s = quiet(keyed_->put());
  if (s == Status::Ok) releaseReservation(keyed_->position());
  return s;
}

Status FileManager::UpdateRecord() {
  if (!keyed_) {
    setError(ErrorCode::InvalidRequest, label_, "PUT on a line file");
    return fail(MessageId::RecordNotUpdated);
  }
  // Writing the record reserved for an insert completes that insert: told as one.
  const bool inserting = reserved_ != 0 && keyed_->position() == reserved_;
  const Status s = writeOutcome(
      keyed_->put(), inserting ? MessageId::RecordNotAdded : MessageId::RecordNotUpdated);
  if (s == Status::Ok) releaseReservation(keyed_->position());
  return s;
}

Status FileManager::TryDelete() {
  if (!keyed_) return quiet(setError(ErrorCode::InvalidRequest, label_, "DELETE on a line file"));
  const std::int64_t pos = keyed_->position();
  const Status s = quiet(keyed_->erase());
  if (s == Status::Ok) releaseReservation(pos);
  return s;
}

Status FileManager::DeleteRecord(bool ask) {
  if (ask && RaiseError(MessageId::ConfirmDelete) != Answer::Yes) return Status::Cancelled;
  if (!keyed_) {
    setError(ErrorCode::InvalidRequest, label_, "DELETE on a line file");
    return fail(MessageId::RecordNotDeleted);
  }
  const std::int64_t pos = keyed_->position();
  if (!keyed_->erase()) return fail(MessageId::RecordNotDeleted);
  releaseReservation(pos);
  return Status::Ok;
}

Status FileManager::TryFetch(int key) {
  if (!keyed_) return quiet(setError(ErrorCode::InvalidRequest, label_, "GET on a line file"));
  return quiet(keyed_->get(key));
}

Status FileManager::FetchByKey(int key) {
  if (!keyed_) {
    setError(ErrorCode::InvalidRequest, label_, "GET on a line file");
    return fail(MessageId::InvalidRequest);
  }
  return readOutcome(keyed_->get(key));
}

Status FileManager::TryNext() {
  return quiet(keyed_ ? keyed_->next() : line_->next());
}

Status FileManager::NextRecord() {
  return readOutcome(keyed_ ? keyed_->next() : line_->next());
}

Status FileManager::TryPrevious() {
  if (!keyed_) return quiet(setError(ErrorCode::InvalidRequest, label_, "PREVIOUS on a line file"));
  return quiet(keyed_->previous());
}

Status FileManager::PreviousRecord() {
  if (!keyed_) {
    setError(ErrorCode::InvalidRequest, label_, "PREVIOUS on a line file");
    return fail(MessageId::InvalidRequest);
  }
  return readOutcome(keyed_->previous());
}

// --- new records -----------------------------------------------------------------------

void FileManager::clearBuffer() {
  if (!keyed_) return;
  auto* rec = static_cast<char*>(keyed_->record());
  for (const auto& f : keyed_->desc().fields)
    std::memset(rec + f.offset, f.type == FieldType::String ? ' ' : 0, f.size);
  const auto& memos = keyed_->desc().memos;
  for (std::size_t m = 0; m < memos.size() && m < keyed_->memoBuffers().size(); ++m)
    if (keyed_->memoBuffers()[m]) std::memset(keyed_->memoBuffers()[m], ' ', memos[m].size);
}

Status FileManager::PrimeRecord(bool suppressClear) {
  if (!suppressClear) clearBuffer();
  PrimeNewRecord();
  return autoNumberedKey() ? ReserveAutoNumber() : Status::Ok;
}

namespace {

// The highest value a key component can hold, so a backward read from it finds the last
// entry with the components before it.
void fillHighest(const FieldDesc& f, char* rec) {
  switch (f.type) {
    case FieldType::String:
      std::memset(rec + f.offset, '\xFF', f.size);
      break;
    case FieldType::Real: {
      const double v = std::numeric_limits<double>::max();
      std::memcpy(rec + f.offset, &v, sizeof v);
      break;
    }
    case FieldType::Byte:
      std::memset(rec + f.offset, 0xFF, 1);
      break;
    default: {
      // Signed integers of 2 or 4 bytes, little-endian: all ones but the sign bit.
      std::memset(rec + f.offset, 0xFF, f.size);
      rec[f.offset + f.size - 1] = 0x7F;
      break;
    }
  }
}

bool sameComponent(const FieldDesc& f, const char* a, const char* b) {
  if (f.type == FieldType::String)
    return UPPER(clipView(a + f.offset, f.size)) == UPPER(clipView(b + f.offset, f.size));
  return std::memcmp(a + f.offset, b + f.offset, f.size) == 0;
}

}  // namespace

std::int64_t autoNumberValue(const FieldDesc& f, const void* record) {
  const char* p = static_cast<const char*>(record) + f.offset;
  switch (f.type) {
    case FieldType::String: {
      std::string_view s = clipView(p, f.size);
      std::size_t i = 0;
      while (i < s.size() && s[i] == ' ') ++i;
      bool negative = false;
      if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
      std::int64_t v = 0;
      for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        if (v > std::numeric_limits<std::int64_t>::max() / 10 - 10) break;
        v = v * 10 + (s[i] - '0');
      }
      return negative ? -v : v;
    }
    case FieldType::Byte:
      return static_cast<unsigned char>(*p);
    case FieldType::Short: {
      std::int16_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
    case FieldType::Real: {
      double v;
      std::memcpy(&v, p, sizeof v);
      return static_cast<std::int64_t>(v);
    }
    default: {
      std::int32_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
  }
}

void setAutoNumberValue(const FieldDesc& f, void* record, std::int64_t value) {
  char* p = static_cast<char*>(record) + f.offset;
  switch (f.type) {
    case FieldType::String:
      assignPadded(p, f.size, std::to_string(value));
      break;
    case FieldType::Byte:
      *p = static_cast<char>(value);
      break;
    case FieldType::Short: {
      const auto v = static_cast<std::int16_t>(value);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case FieldType::Real: {
      const auto v = static_cast<double>(value);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    default: {
      const auto v = static_cast<std::int32_t>(value);
      std::memcpy(p, &v, sizeof v);
      break;
    }
  }
}

Status FileManager::ReserveAutoNumber() {
  const ManagedKey* mk = autoNumberedKey();
  if (!mk || !keyed_) return Status::Ok;
  const FileDesc& desc = keyed_->desc();
  const KeyDesc& kd = desc.keys.at(mk->key);
  const std::size_t marked = static_cast<std::size_t>(mk->autoNumber - 1);
  const FieldDesc& counted = desc.fields.at(kd.components.at(marked));
  auto* rec = static_cast<char*>(keyed_->record());

  // Reading the last entry overwrites the buffer: keep the primed record.
  const std::string primed(rec, desc.recordSize);
  std::vector<std::string> memos;
  for (std::size_t m = 0; m < desc.memos.size() && m < keyed_->memoBuffers().size(); ++m)
    memos.emplace_back(keyed_->memoBuffers()[m], desc.memos[m].size);

  for (std::size_t c = marked; c < kd.components.size(); ++c)
    fillHighest(desc.fields[kd.components[c]], rec);
  std::int64_t last = 0;
  keyed_->setKeyFrom(mk->key);
  if (keyed_->previous()) {
    bool samePrefix = true;
    for (std::size_t c = 0; c < marked && samePrefix; ++c)
      samePrefix = sameComponent(desc.fields[kd.components[c]], rec, primed.data());
    if (samePrefix) last = autoNumberValue(counted, rec);
  }
  clearError();
  std::memcpy(rec, primed.data(), primed.size());
  for (std::size_t m = 0; m < memos.size(); ++m)
    std::memcpy(keyed_->memoBuffers()[m], memos[m].data(), memos[m].size());

  constexpr int kRefusals = 3;
  std::int64_t value = last + 1;
  for (int refused = 0;; ++value) {
    setAutoNumberValue(counted, rec, value);
    if (keyed_->add()) {
      noteReservation(keyed_->position());
      return Status::Ok;
    }
    if (errorCode() != ErrorCode::DuplicateKey) return fail(MessageId::RecordNotAdded);
    if (++refused == kRefusals) return failDuplicate(mk->key);
  }
}

Status FileManager::CancelAutoNumber() {
  if (!keyed_ || reserved_ == 0) return Status::Ok;
  const std::int64_t pos = reserved_;
  if (!keyed_->getPosition(pos) || !keyed_->erase()) {
    reserved_ = 0;
    keyed_->relist(pos);  // still in the file: no longer anyone's
    return fail(MessageId::RecordNotDeleted);
  }
  releaseReservation(pos);
  return Status::Ok;
}

// --- reservations that outlive their program ---------------------------------------------
//
// Each reserved position is noted in a table of the file's own database, so that the next
// start can tell a placeholder from a real record that happens to hold only a number: only
// a noted position is ever removed.

namespace {

constexpr const char* kReservedTable = "\"ReservedNumbers\"";

bool runWithPosition(sqlite3* db, const std::string& text, std::int64_t position) {
  sql::Stmt s(db, text);
  if (!s) return false;
  sqlite3_bind_int64(s.get(), 1, position);
  return sqlite3_step(s.get()) == SQLITE_DONE;
}

}  // namespace

void FileManager::noteReservation(std::int64_t position) {
  reserved_ = position;
  // Only the form that reserved it shows the placeholder: no list offers it to be chosen.
  keyed_->unlist(position);
  sqlite3* db = keyed_->connection();
  // A placeholder without its note is only ever left visible, never removed.
  if (sql::exec(db, (std::string("CREATE TABLE IF NOT EXISTS ") + kReservedTable +
                     " (position INTEGER PRIMARY KEY)")
                        .c_str()) == SQLITE_OK)
    runWithPosition(db, std::string("INSERT OR REPLACE INTO ") + kReservedTable + " VALUES (?1)",
                    position);
}

void FileManager::releaseReservation(std::int64_t position) {
  if (position == 0 || position != reserved_) return;
  reserved_ = 0;
  keyed_->relist(position);
  runWithPosition(keyed_->connection(),
                  std::string("DELETE FROM ") + kReservedTable + " WHERE position = ?1", position);
}

// Whether the current record is what PrimeRecord made of a blank buffer and its number.
bool FileManager::asPrimed() {
  const FileDesc& desc = keyed_->desc();
  const ManagedKey* mk = autoNumberedKey();
  const FieldDesc& counted =
      desc.fields.at(desc.keys.at(mk->key).components.at(mk->autoNumber - 1));
  auto* rec = static_cast<char*>(keyed_->record());
  const std::string stored(rec, desc.recordSize);
  std::vector<std::string> storedMemos;
  for (std::size_t m = 0; m < desc.memos.size() && m < keyed_->memoBuffers().size(); ++m)
    storedMemos.emplace_back(keyed_->memoBuffers()[m] ? keyed_->memoBuffers()[m] : "",
                             keyed_->memoBuffers()[m] ? desc.memos[m].size : 0);
  const std::int64_t number = autoNumberValue(counted, rec);
  clearBuffer();
  PrimeNewRecord();
  setAutoNumberValue(counted, rec, number);
  bool same = number > 0 && stored.compare(0, stored.size(), rec, desc.recordSize) == 0;
  for (std::size_t m = 0; same && m < storedMemos.size(); ++m)
    same = !keyed_->memoBuffers()[m] ||
           storedMemos[m].compare(0, storedMemos[m].size(), keyed_->memoBuffers()[m],
                                  storedMemos[m].size()) == 0;
  return same;
}

Status FileManager::RemovePlaceholders() {
  if (!keyed_ || !autoNumberedKey() || !FileExists(keyed_->path())) return Status::Ok;
  if (TryOpen() != Status::Ok) return Status::Failed;
  Status result = Status::Ok;
  sqlite3* db = keyed_->connection();
  std::vector<std::int64_t> noted;
  {
    sql::Stmt s(db, std::string("SELECT position FROM ") + kReservedTable);
    while (s && sqlite3_step(s.get()) == SQLITE_ROW)
      noted.push_back(sqlite3_column_int64(s.get(), 0));
  }
  if (!noted.empty() && !keyed_->isReadOnly()) {
    for (const std::int64_t pos : noted)
      if (keyed_->getPosition(pos) && asPrimed() && !keyed_->erase()) result = Status::Failed;
    clearError();
    if (result == Status::Ok) sql::exec(db, (std::string("DELETE FROM ") + kReservedTable).c_str());
  }
  CloseFile();
  return result;
}

}  // namespace rt
