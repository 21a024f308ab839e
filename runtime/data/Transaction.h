// Groups the writes to one or several keyed files. Each file is its own database, so the
// changes to each file are atomic; across files they are committed one file after another
// (a crash between two commits can leave the later files unchanged).
#pragma once

#include <initializer_list>
#include <vector>

namespace rt {

class KeyedFile;

class Transaction {
 public:
  // Begins on every open file given (pending appends are committed first).
  Transaction(std::initializer_list<KeyedFile*> files);
  explicit Transaction(std::vector<KeyedFile*> files);
  ~Transaction();  // rolls back unless committed
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool active() const { return active_; }
  bool commit();
  void rollback();

 private:
  std::vector<KeyedFile*> files_;
  bool active_ = false;
};

}  // namespace rt
