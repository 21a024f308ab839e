// A keyed record file: one SQLite database "<diskName>.db" in the working directory with one
// table, a column per field and per memo, the rowid as record order and an index per key.
// Every statement reports success as its result and details through rt::errors().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/data/Errors.h"
#include "runtime/data/Layout.h"

struct sqlite3;

namespace rt {

enum class Access : std::uint8_t { ReadOnly, ReadWrite };
enum class Share : std::uint8_t { DenyNone, DenyWrite };

struct OpenMode {
  Access access = Access::ReadWrite;
  Share share = Share::DenyWrite;
};

// A key component value as SQLite compares it: upper-cased clipped text, integer or real.
using SqlValue = std::variant<std::int64_t, double, std::string>;

class KeyedFile;

// One record read out of a file: its rowid and a copy of the record and memo buffers.
struct RecordImage {
  std::int64_t rowid = 0;
  std::string record;              // recordSize bytes
  std::vector<std::string> memos;  // one per memo, each memo-size bytes
  std::vector<SqlValue> order;     // the order terms as stored (for keyset seeks)
};

class KeyedFile {
 public:
  // record: recordSize bytes; memos: one buffer per FileDesc::memos entry (its size bytes).
  KeyedFile(const FileDesc& desc, void* record, std::vector<char*> memos = {});
  ~KeyedFile();
  KeyedFile(const KeyedFile&) = delete;
  KeyedFile& operator=(const KeyedFile&) = delete;

  const FileDesc& desc() const { return desc_; }
  void* record() const { return record_; }
  const std::vector<char*>& memoBuffers() const { return memos_; }
  // The program buffers as they stand (record and memos), and put back from such an image.
  RecordImage bufferImage() const;
  void loadBuffer(const RecordImage& image) const;

  // The disk file: an existing "<diskName>.db" in any letter case, else the name as written.
  std::string path() const;

  // OPEN / CLOSE / CREATE / REMOVE
  bool open(OpenMode mode = {});
  bool close();
  bool create();  // a new empty file (replacing an existing one); stays closed
  bool remove();
  // Undoes or finishes, through an opening for writing, what a change over several files that
  // was interrupted left in this closed file (an opening for writing does it anyway). A part
  // waits for the parts of its change in the files listed after it (its children): true when
  // something was settled, so that a caller settling every file goes round again.
  bool finishInterruptedChanges();
  // Whether any program, this one included, holds the disk file open.
  bool inUse() const;
  bool isOpen() const;
  bool isReadOnly() const;
  OpenMode openMode() const;

  // SET: the order of the following NEXT/PREVIOUS. A key is an index into desc().keys.
  void setKeyOrder(int key);       // SET(key): whole file in key order
  void setRecordOrder();           // SET(file): record order
  void setKeyThenRecord(int key);  // SET(key, file): first entry at/after the buffer's key value,
                                   // then record order from there
  void setKeyFrom(int key);        // SET(key, key): key order from the buffer's key value
  void setRecordFrom(std::int64_t position);  // SET(file, position): record order from a rowid
  // RESET: the order of a key (or record order for -1) with the next NEXT reading the record
  // at a position that POSITION gave; false when that record is gone.
  bool resetTo(int key, std::int64_t position);

  bool next();      // NEXT; false with RecordNotAvailable at the end
  bool previous();  // PREVIOUS
  bool eof();       // EOF: no record follows the last one read in the current order

  bool get(int key);                   // GET(key): exact match on the buffer's key value
  bool getPosition(std::int64_t pos);  // GET by position (rowid)
  std::int64_t position() const;       // rowid of the current record, 0 when none

  bool add();              // ADD
  bool append();           // APPEND: batched in one transaction until BUILD, FLUSH or CLOSE
  bool put();              // PUT on the current record
  bool erase();            // DELETE the current record
  std::int64_t records();  // RECORDS; -1 on error
  bool flush();            // FLUSH: commits pending appends
  bool build();            // BUILD: rebuild all keys (the file may be closed)
  // SEND: driver options, unknown ones ignored; BULKWRITE=on/off checkpoints rarely
  bool send(std::string_view option);

  // The key value of a key as held in the record buffer (for views and relations).
  std::vector<SqlValue> keyValue(int key) const;
  // Whether a key's value in the buffer is all blank/zero (left out of an OPT key).
  bool keyBlank(int key) const;

  // Cursor state, so the procedure-thread layer can give each thread its own position.
  struct CursorState {
    int mode = 0;
    int key = -1;
    int anchor = 0;
    std::vector<SqlValue> values;
    std::int64_t rowid = 0;
    std::int64_t current = 0;
  };
  CursorState cursorState() const;
  void setCursorState(const CursorState& state);

  // The SQL of the statements NEXT and PREVIOUS can run in a key's order (-1: record order),
  // for EXPLAIN QUERY PLAN checks.
  std::vector<std::string> querySql(int key) const;

  // For views and transactions: the open connection (nullptr when closed).
  sqlite3* connection() const;
  // Increases on every write through this object; lets readers drop cached rows.
  std::uint64_t generation() const;

  // Rows no view lists, such as a record an insert holds for itself until it is completed;
  // forgotten when the file closes. GET and NEXT still read them.
  void unlist(std::int64_t rowid);
  void relist(std::int64_t rowid);
  bool unlisted(std::int64_t rowid) const;

  struct Impl;

 private:
  const FileDesc& desc_;
  void* record_;
  std::vector<char*> memos_;
  std::unique_ptr<Impl> impl_;
  friend class View;
  friend class Transaction;
};

}  // namespace rt
