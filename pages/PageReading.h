// What both programs' runs over the pages do alike: the five detail files of a page and the
// removal of its detail records through their page-path keys, the progress they show, the
// redraws of the window that runs them, one run at a time, the detail files held open, and
// the reading of one page file into its details through a temporary copy, replacing the
// page's old details.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rt {
enum class MessageId;
class FileManager;
class KeyedFile;
class Transaction;
}  // namespace rt

namespace pagereading {

// A detail file with the key whose first component is the page path.
struct PageDetailFile {
  rt::KeyedFile* file;
  rt::FileManager** manager;
  int key;
};

// In the order a page's old records are cleared.
enum PageDetail : std::size_t { kLinks, kScripts, kForms, kImages, kMeta, kDetailCount };
const std::array<PageDetailFile, kDetailCount>& PageDetailFiles();

// Deletes every record of `file` whose first component of `key` is exactly `value` (the key
// folds case; only the value's own spelling matches). The walk goes over that value's range
// of the key, so its cost follows the records found, not the file's size. `each` runs for
// every record the walk reads, before a matching one is deleted; when it returns false the
// record stays and the walk ends. False when a read or a deletion failed or `each` refused.
bool DeleteByLeadingKey(rt::KeyedFile& file, int key, std::string_view value,
                        const std::function<bool(bool matches)>& each);

// Deletes the page's records in one detail file; `visited` runs for each record read.
bool ClearDetailRecords(const PageDetailFile& d, std::string_view pagePath,
                        const std::function<void()>& visited);

// The status line while old details go.
inline constexpr char kClearing[] =
    "Clearing old HTML data before reading in new data. Please be patient.";

// A file's or a reading's date and time as the page stores them: "d1" & " " & "t3".
std::string DateTimeText(std::int32_t date, std::int32_t time);

// The progress counter shown as counttext.
class Progress {
 public:
  void set(long n);
  void add(long k = 1) { set(n_ + k); }
  long value() const { return n_; }

 private:
  long n_ = 0;
};

// Redraws the window of this thread that asked for the work. Per-line redraws are spaced
// out: a page of thousands of lines would otherwise spend its time painting.
// A reading of many pages spaces out its per-page redraws as well.
class Redraw {
 public:
  explicit Redraw(bool manyPages = false) : manyPages_(manyPages) {}
  void now() { draw(true); }
  void page() { draw(!manyPages_); }
  void line() { draw(false); }

 private:
  void draw(bool force);
  bool manyPages_;
  std::chrono::steady_clock::time_point last_{};
};

// The temporary copy of the page being read. Its file ("<clock>.txt" in the working
// directory, the name in tempfilename) is made exclusively for the first page and removed when
// the object goes; the records themselves are held in memory, written to the file and read
// back they would be the same bytes, at a syscall or more each.
class TempCopy {
 public:
  TempCopy();
  ~TempCopy();
  TempCopy(const TempCopy&) = delete;
  TempCopy& operator=(const TempCopy&) = delete;
  // An empty copy, named in tempfilename; false when it cannot be made.
  bool prepare();
  // A record of the page as the copy's line file gives it back: clipped of trailing blanks.
  void add(std::string_view record);
  std::size_t records() const { return ends_.size(); }
  std::string_view record(std::size_t i) const;

 private:
  struct File;
  std::unique_ptr<File> file_;
  std::string text_;
  std::vector<std::size_t> ends_;
};

// One run over the page files at a time in the program: the page's line files, its copy and
// the detail files are shared by every thread, and a run lets the others in at its
// pending-messages points, where a transaction it holds would take in another run's writes.
// A second run waits there until the first has ended.
class OneRunAtATime {
 public:
  OneRunAtATime();
  ~OneRunAtATime();
  OneRunAtATime(const OneRunAtATime&) = delete;
  OneRunAtATime& operator=(const OneRunAtATime&) = delete;
};

// Open files whose many small transactions are checkpointed rarely while the object lives
// and once at its end (or at their CLOSE, when that comes first).
class BulkWrites {
 public:
  explicit BulkWrites(std::initializer_list<rt::KeyedFile*> files);
  ~BulkWrites();
  BulkWrites(const BulkWrites&) = delete;
  BulkWrites& operator=(const BulkWrites&) = delete;

 private:
  std::vector<rt::KeyedFile*> files_;
};

// One change over the five detail files and, when given, the page file: committed whole or
// not at all, also when the program is killed in the middle (rt::Transaction).
class PageChange {
 public:
  explicit PageChange(rt::FileManager* pages = nullptr);
  ~PageChange();
  PageChange(const PageChange&) = delete;
  PageChange& operator=(const PageChange&) = delete;
  // The manager of the file that could not begin, or nullptr.
  rt::FileManager* failed() const { return failed_; }
  // nullptr when committed; else the manager of the file that failed, rt::errors() telling.
  rt::FileManager* commit();

 private:
  rt::FileManager* managerOf(const rt::KeyedFile* file) const;
  rt::FileManager* pages_;
  std::unique_ptr<rt::Transaction> tx_;
  rt::FileManager* failed_ = nullptr;
};

// Changes to the pages committed in groups, one PageChange each, a group once a slice of time
// has passed since it began: a commit per page was most of a run's time. A page that fails
// is taken back alone (its own PageChange inside the group's is a savepoint).
class PageGroup {
 public:
  // A failed commit is reported with `notCommitted`, a file that cannot begin with the access
  // message.
  PageGroup(rt::FileManager* pages, rt::MessageId notCommitted)
      : pages_(pages), notCommitted_(notCommitted) {}
  bool begin();
  bool due() const;
  bool commit();
  void abandon() { change_.reset(); }
  // Whether a begin or a commit failed (and was reported).
  bool failed() const { return failed_; }
  // What the failed commit said, for a status line.
  const std::string& failure() const { return failure_; }

 private:
  rt::FileManager* pages_;
  rt::MessageId notCommitted_;
  std::unique_ptr<PageChange> change_;
  std::chrono::steady_clock::time_point started_{};
  bool failed_ = false;
  std::string failure_;
};

// The five detail files, open while the object lives (an already open file is no error).
class DetailFiles {
 public:
  DetailFiles();
  ~DetailFiles();
  DetailFiles(const DetailFiles&) = delete;
  DetailFiles& operator=(const DetailFiles&) = delete;

 private:
  std::array<bool, kDetailCount> opened_{};
};

// Opens a file for a run that writes to it. A failure is reported; a file that another program
// holds (open here for reading only) is closed again with the access message.
bool OpenToWrite(rt::FileManager& m);

// The files a run writes to, opened for it and closed after it (a file that other windows hold
// stays open for them). A file that cannot be opened, or that another program holds so that it
// opens here for reading only, is reported and the run must not start: ok() is false and
// nothing has been touched. The files held are named in one message, which says `notDone`.
class OpenedFiles {
 public:
  OpenedFiles(std::initializer_list<rt::FileManager*> managers, std::string_view notDone);
  ~OpenedFiles();
  OpenedFiles(const OpenedFiles&) = delete;
  OpenedFiles& operator=(const OpenedFiles&) = delete;
  bool ok() const { return ok_; }
  // The files that could not be opened for writing and why ("WebPages, WPLinks: Disk full").
  const std::string& failed() const { return failed_; }

 private:
  std::vector<rt::FileManager*> opened_;
  bool ok_ = false;
  std::string failed_;
};

// A file opened through its manager and closed on every way out.
class OpenFile {
 public:
  explicit OpenFile(rt::FileManager* manager) : manager_(manager) { open(); }
  // A line file opened by this name rather than the one its global holds, which may be cut.
  OpenFile(rt::FileManager* manager, std::string name) : manager_(manager), name_(std::move(name)) {
    open();
  }
  ~OpenFile() { close(); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  bool ok() const { return open_; }
  bool open();
  void close();

 private:
  rt::FileManager* manager_;
  std::string name_;
  bool open_ = false;
};

enum class Outcome { Ended, Done, Stop };

struct PageResult {
  Outcome outcome = Outcome::Ended;
  std::string stopText;  // Stop: the text StopProgram shows
  long lines = 0;        // records the page file gave
};

// With the page file DOS open: clears the five flags of the page in the WebPages buffer and
// its old details, copies the page into the temporary copy and reads the copy with the tag rules
// into new details, the title and, when the page has lines, its file data and read date. The old
// details are found through the page path keys; the new ones replace them in one change.
// `store` runs once the page is read and before anything is committed (the caller's own write
// of the page, in the change when `pages` is its file's manager); false rolls the details back.
// A failure of the files has been reported by the time Ended comes back.
PageResult ReplacePageDetails(OpenFile& page, TempCopy& copy, Progress& progress, Redraw& redraw,
                              const std::function<bool(long lines)>& store,
                              rt::FileManager* pages = nullptr);

}  // namespace pagereading
