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
  Ok,       // sound; keys rebuilt as a matter of course
  Rebuilt,  // damaged keys that rebuilding mended
  Problem,  // left as it is: not a data file, damage beyond the keys, in use, ...
};

struct FileResult {
  std::string label;     // "Domains"
  std::string fileName;  // the file on disk, "DOMAINS.db"
  Outcome outcome = Outcome::Problem;
  std::string text;           // what was found
  std::int64_t records = -1;  // -1 when the file could not be read
  std::int64_t orphansRemoved = 0;
  std::string orphansOf;  // whose records they were: "domain", "page"
};

// The records of a child file whose parent record is gone, through every link of the
// dictionary that names the file as child; removed when `remove`. -1 on failure, with why.
std::int64_t orphans(const rt::FileDesc& child, bool remove, std::string& why);

// The result of one data file whose database exists in the working directory.
FileResult checkFile(const rt::FileDesc& desc);

// Every keyed data file of the dictionary that exists in the working directory, in the
// dictionary's order; each result is handed to progress as soon as it is known.
std::vector<FileResult> checkWorkingDirectory(
    const std::function<void(const FileResult&)>& progress = {});

// One line for the list and for standard output.
std::string describe(const FileResult& result);

// True when every file ended sound.
bool allSound(const std::vector<FileResult>& results);

}  // namespace tarnfix
