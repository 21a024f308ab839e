// The journal that makes a change spanning several data files all-or-nothing, though each
// file is its own database and commits on its own.
//
// While a change is made, each file's additions and updates are written and its deletions only
// noted. At the commit the journal ("CHANGES.db" beside the data files) first records, per
// file, the rows added, the rows updated with their former values and the rows to delete.
// Then the additions and updates are committed file by file; the deletions run, uncommitted,
// in every file (a file that refuses one still lets the change be taken back); the change is
// marked decided; the deletions are committed, children first; the change leaves the journal.
//
// A change interrupted before its decision is undone, one interrupted after it is finished,
// file by file, when the file is next opened for writing. Deletions come last so that nothing
// a deletion removes has to be kept for an undo: a cascade delete costs one list of row
// numbers. A COMMIT that fails after the decision is tried again, then left to that opening.
#pragma once

#include <sqlite3.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace rt {

namespace journal {

// The directory and the name of a data file's path.
std::string directoryOf(const std::string& path);
std::string nameOf(const std::string& path);

// What one file's share of a change has done so far.
struct FilePart {
  std::vector<std::int64_t> inserted;
  std::vector<std::int64_t> deleted;                         // carried out in the second phase
  std::vector<std::pair<std::int64_t, std::string>> images;  // rows updated: former values
  std::unordered_set<std::int64_t> insertedSet, deletedSet, imagedSet;

  // Back to the sizes of an earlier moment: what came after it was taken back.
  void truncate(const std::array<std::size_t, 3>& sizes);
  bool firstPhaseWrites() const { return !inserted.empty() || !images.empty(); }
  bool empty() const { return !firstPhaseWrites() && deleted.empty(); }
};

// A row's column values in one blob, and back into a statement's parameters from `first`.
std::string packRow(sqlite3* db, const std::string& table, const std::string& columns,
                    std::int64_t rowid, bool& ok);
bool bindPacked(sqlite3_stmt* s, int first, const std::string& packed);

// A pending part of a change, as the journal holds it for one file.
struct PendingPart {
  std::int64_t change = 0;
  bool decided = false;
  // A part of the change listed after this one (a child file's) is still pending: this one
  // waits for it, so that no record is left without its parent.
  bool waiting = false;
  std::vector<std::int64_t> inserted, deleted;
  std::vector<std::pair<std::int64_t, std::string>> images;
};

// The journal of one directory.
class Journal {
 public:
  // The journal of `dir`; with create false, nullptr when it has no journal file.
  static Journal* of(const std::string& dir, bool create);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Records a change's parts (file name, part); its id in `id`.
  bool begin(const std::vector<std::pair<std::string, const FilePart*>>& parts, std::int64_t& id);
  bool decide(std::int64_t id);
  bool end(std::int64_t id);
  // The pending parts for a file in the order of their changes; false when the journal
  // cannot be read. The parts of a change are listed parents first, as the change named them.
  bool pending(const std::string& file, std::vector<PendingPart>& parts);
  // One file's part done; the change goes with its last part.
  bool finished(std::int64_t id, const std::string& file);
  // A file made anew or removed: what was pending for it no longer applies.
  bool forget(const std::string& file);
  std::string error() const;

 private:
  explicit Journal(sqlite3* db) : db_(db) {}
  bool run(const char* sqlText);
  // BEGIN, the work, COMMIT; rolled back when the work or the COMMIT fails.
  bool atomically(const std::function<bool()>& work);
  sqlite3* db_;
};

}  // namespace journal

}  // namespace rt
