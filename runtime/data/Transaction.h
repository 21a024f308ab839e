// Groups the writes to one or several keyed files. Each file is its own database, so the
// changes to each file are atomic by themselves; a transaction over several files is made
// all-or-nothing across them by the change journal (ChangeJournal.h): its deletions take
// effect at the commit, after every addition and update has been committed, and a program
// killed in the middle leaves the change to be undone or finished at the files' next opening.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace rt {

class KeyedFile;
namespace journal {
struct FilePart;
}

class Transaction {
 public:
  // Begins on every open file given (pending appends are committed first). A file already in
  // an outer transaction gets a savepoint there: committing keeps the changes for the outer
  // one's commit, rolling back takes back only what came after it.
  Transaction(std::initializer_list<KeyedFile*> files);
  explicit Transaction(std::vector<KeyedFile*> files);
  ~Transaction();  // rolls back unless committed
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool active() const { return active_; }
  // False with rt::errors() telling what happened; the files are then as before, except when
  // a deletion could not be carried out after everything else was committed: the error says
  // so, and the change is finished when the program next starts.
  bool commit();
  void rollback();
  // The file that could not begin or commit, or nullptr.
  KeyedFile* failedFile() const { return failed_; }

 private:
  bool journalled() const { return !parts_.empty(); }
  bool commitJournalled();
  void release();
  struct Nested {
    KeyedFile* file;
    std::string name;
    std::array<std::size_t, 3> kept{};  // the outer change's part, as it stood
  };
  std::vector<KeyedFile*> files_;
  std::vector<Nested> nested_;
  std::vector<journal::FilePart> parts_;
  KeyedFile* failed_ = nullptr;
  bool active_ = false;
};

// Whether transactions over several files keep the change journal (on by default); off only
// to measure what it costs.
void setChangeJournal(bool on);

}  // namespace rt
