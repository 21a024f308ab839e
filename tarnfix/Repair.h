// Checks and rebuilds the keyed data files of the working directory, and removes the
// orphans that older versions could leave when killed in the middle of a cascade: pages
// whose domain is gone, details whose page is gone. A file is never deleted and no other
// record is changed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rt {
struct FileDesc;
}

namespace tarnfix {

enum class Outcome : std::uint8_t {
  Ok,        // sound; keys rebuilt as a matter of course
  Rebuilt,   // damaged keys that rebuilding mended
  Salvaged,  // records beyond reading in place: a fresh file holds those that could be read
  Problem,   // left as it is: not a data file, damage beyond the keys, in use, ...
};

// Why a file was left as it is; each has its own sentence.
enum class Cause : std::uint8_t {
  None,
  InUse,           // another program holds it
  ReadOnly,        // its directory or the file itself does not allow writing
  DiskFull,        // no room to write what mending it needs
  NotADataFile,    // empty, or not a database
  LayoutDiffers,   // a database of another record layout
  RecordsDamaged,  // records that cannot be read in place: salvage them
  SalvageFailed,   // so damaged, and salvaging went wrong
  Damaged,         // damage the Fixer cannot mend (its description of the table, ...)
  Other,           // text says what
};

struct FileResult {
  const rt::FileDesc* desc = nullptr;
  std::string label;     // "Domains"
  std::string fileName;  // the file on disk, "DOMAINS.db"
  Outcome outcome = Outcome::Problem;
  Cause cause = Cause::None;
  std::string text;                  // what was done (Rebuilt) or found (Other)
  std::vector<std::string> details;  // SQLite's own findings, for whoever looks further
  std::int64_t records = -1;         // -1 when the file could not be read
  std::int64_t orphansRemoved = 0;
  std::string orphansOf;      // whose records they were: "domain", "page"
  std::int64_t notSaved = 0;  // Salvaged: records that could not be saved
  bool unknownLost = false;   // Salvaged: and an unknown number more
  std::string keptAs;         // Salvaged: the damaged file's name now
};

struct Options {
  // Asked before the records of a file are salvaged; no salvage without it.
  std::function<bool(const FileResult&)> salvage;
};

// The records of a child file whose parent record is gone, through every link of the
// dictionary that names the file as child; removed when `remove`. -1 on failure, with why.
std::int64_t orphans(const rt::FileDesc& child, bool remove, std::string& why);

// The result of one data file whose database exists in the working directory.
FileResult checkFile(const rt::FileDesc& desc, const Options& options = {});

// Every keyed data file of the dictionary that exists in the working directory, in the
// dictionary's order; each result is handed to progress as soon as it is known.
std::vector<FileResult> checkWorkingDirectory(
    const std::function<void(const FileResult&)>& progress = {}, const Options& options = {});

// One sentence for the list and for standard output: which file, what was found, what was
// done, what to do next.
std::string describe(const FileResult& result);

// True when every file ended sound.
bool allSound(const std::vector<FileResult>& results);

}  // namespace tarnfix
