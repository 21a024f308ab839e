// One file manager per data file: opens, reads and writes its file with the program's
// standard messages. Procedures override the virtual operations where they need to.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/ErrorReporter.h"
#include "runtime/data/Errors.h"
#include "runtime/data/KeyedFile.h"
#include "runtime/data/Layout.h"
#include "runtime/data/LineFile.h"
#include "runtime/data/Messages.h"

namespace rt {

// The outcome of a record operation. Details of a failure are in rt::errors().
enum class Status : std::uint8_t {
  Ok,
  EndOfFile,  // NEXT/PREVIOUS ran off the end, or a fetch found nothing
  Failed,
  Cancelled,  // the user declined (the delete confirmation)
};

// Receives the names that a manager binds for filter and order expressions.
class FieldBinder {
 public:
  virtual ~FieldBinder() = default;
  virtual void bindFields(const FileDesc& desc, const void* record) = 0;
  virtual void bindMemo(std::string_view name, const char* buffer, std::size_t size) = 0;
};

class FileManager {
 public:
  FileManager() = default;
  virtual ~FileManager();
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // Set-up on a keyed file or on a line file. The label is "%File" in messages.
  void Init(KeyedFile& file, std::string label);
  void Init(LineFile& file, std::string label);
  // A line file whose name is taken from elsewhere each time it is opened.
  void SetFileName(std::function<std::string()> source) { fileName_ = std::move(source); }
  const std::function<std::string()>& fileNameSource() const { return fileName_; }
  void SetOpenMode(OpenMode mode) { openMode_ = mode; }
  void SetCreate(bool create) { create_ = create; }
  void SetLockRecover(int seconds) { lockRecover_ = seconds; }
  // Registers a key (an index into the file's keys) with its description and the 1-based
  // component that is auto-numbered (0 = none).
  void AddKey(int key, std::string description, int autoNumber = 0);
  virtual void Kill();  // closes the file whatever the open count

  const std::string& label() const { return label_; }
  KeyedFile* keyedFile() const { return keyed_; }
  LineFile* lineFile() const { return line_; }
  int openCount() const { return opened_; }
  OpenMode openMode() const { return openMode_; }
  bool creates() const { return create_; }
  int lockRecover() const { return lockRecover_; }
  // The registered description of a key, or its name when not registered.
  std::string keyDescription(int key) const;

  // --- the operations, in the order of the class's table ----------------------------
  // Binds the file's fields by their prefixed names.
  virtual void BindFields(FieldBinder& binder);
  // DELETE of the current record; asks first when `ask` (No gives Cancelled).
  virtual Status DeleteRecord(bool ask = true);
  // Undoes one OpenFile; the file is closed when the last opener has closed it.
  virtual Status CloseFile();
  virtual Status InsertRecord();  // ADD
  virtual Status NextRecord();
  // Opens the file by the opening rule: lock recovery, create when missing, key rebuild,
  // read-only fallback. Nested opens are counted.
  virtual Status OpenFile();
  virtual Status PreviousRecord();
  // Gives the auto-numbered component of a primed record the next value and ADDs the
  // record at once, so that a second user cannot take the same number.
  virtual Status ReserveAutoNumber();
  // Per-file priming of a new record; runs after the buffer has been cleared.
  virtual void PrimeNewRecord() {}
  // Reports an error of this file through the message table, with the error state filled in.
  virtual Answer RaiseError(MessageId id, std::string_view field = {},
                            std::string_view message = {});
  // Shows a message of this file; returns the answer to a question.
  virtual Answer ShowError(MessageId id, const MessageValues& values);
  virtual Status FetchByKey(int key);  // GET by the key value in the buffer
  virtual Status UpdateRecord();       // PUT on the current record

  // The quiet variants: the same work without messages.
  Status TryOpen();
  Status TryInsert();
  Status TryUpdate();
  Status TryDelete();
  Status TryFetch(int key);
  Status TryNext();
  Status TryPrevious();

  // Clears the buffer (and memo) unless told not to, runs PrimeNewRecord and, when a key
  // is auto-numbered, ReserveAutoNumber. A form completes such a record with UpdateRecord.
  // A caller that fixes leading key components first (the domain of a page) keeps them by
  // suppressing the clear.
  Status PrimeRecord(bool suppressClear = false);
  // Drops the record reserved by ReserveAutoNumber when the insert is cancelled.
  Status CancelAutoNumber();
  std::int64_t reservedPosition() const { return reserved_; }
  // Removes the records that inserts reserved and never completed (the program ended with a
  // form open), each only while it is still exactly as primed. Leaves a file that opens only
  // for reading alone: the program holding it may yet complete its insert. Overwrites the
  // record buffer.
  Status RemovePlaceholders();

  // Why the file was last opened for reading only (in use, read-only, disk full), and the
  // notice that tells it.
  ErrorCode readOnlyCause() const { return readOnlyCause_; }
  MessageId readOnlyNotice() const;

  // The record buffer and its size (a line file's line).
  void* recordBuffer() const;
  std::size_t recordSize() const;
  std::string fileName() const;  // the disk file it opens (resolved at opening)

 protected:
  struct ManagedKey {
    int key;
    std::string description;
    int autoNumber;
  };
  const std::vector<ManagedKey>& keys() const { return keys_; }
  const ManagedKey* autoNumberedKey() const;
  MessageValues valuesFor(std::string_view field, std::string_view message) const;
  void clearBuffer();

 private:
  friend class AccessNotice;
  Status openOnce();
  void tellReadOnly();
  Status fail(MessageId id, std::string_view field = {});
  Status failDuplicate(int key);
  Status writeOutcome(bool ok, MessageId id);
  Status readOutcome(bool ok);
  void noteReservation(std::int64_t position);
  void releaseReservation(std::int64_t position);
  bool asPrimed();

  KeyedFile* keyed_ = nullptr;
  LineFile* line_ = nullptr;
  std::string label_;
  std::function<std::string()> fileName_;
  OpenMode openMode_{Access::ReadWrite, Share::DenyWrite};
  bool create_ = true;
  int lockRecover_ = 0;
  int opened_ = 0;
  std::vector<ManagedKey> keys_;
  std::int64_t reserved_ = 0;
  bool silent_ = false;
  bool readOnlyTold_ = false;
  ErrorCode readOnlyCause_ = ErrorCode::AccessDenied;  // why it was last opened read-only
};

// While one exists, the files that fall back to reading only because another program holds
// them are told of in one message, naming them all, when the outermost one ends. A file is
// told of once in a run, and again only after it has since been opened for writing.
class AccessNotice {
 public:
  AccessNotice();
  ~AccessNotice();
  AccessNotice(const AccessNotice&) = delete;
  AccessNotice& operator=(const AccessNotice&) = delete;

 private:
  friend class FileManager;
  static int depth_;
  static std::vector<FileManager*> held_;
};

// Tells that work writing to these files was not done because each opens here for reading
// only: one message per cause, naming every file of it, `notDone` saying what was not done.
void reportNotWritable(const std::vector<FileManager*>& files, std::string_view notDone);

// Reads the text of a record's field as the number an auto-numbered key counts with:
// leading blanks, an optional sign and digits; anything else counts as 0.
std::int64_t autoNumberValue(const FieldDesc& field, const void* record);
void setAutoNumberValue(const FieldDesc& field, void* record, std::int64_t value);

// The unique key that a duplicate-key error's text names (the first unique key when it names
// none), -1 when the file has no unique key.
int clashingKey(const FileDesc& desc, std::string_view errorText);
// A key's value in a record as the user typed it: its components, clipped, ", " between.
std::string keyValueText(const FileDesc& desc, int key, const void* record);

// Records of the database file at path that hold one value of a unique key more than once,
// read past the key's own index (it may be the damaged part): the records' positions (", "
// between) and the value's components, at most `limit` groups.
struct KeyClash {
  std::string records;
  std::vector<std::string> values;
};
std::vector<KeyClash> findKeyClashes(const FileDesc& desc, const std::string& path, int key,
                                     int limit);

}  // namespace rt
