// Replaces a data file whose records cannot all be read in place by a fresh file of the same
// layout holding every record its pages still give. The damaged file is kept beside it under
// a name that says so; nothing is written into it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/data/Errors.h"

struct sqlite3;

namespace rt {
struct FileDesc;
}

namespace tarnfix {

struct SalvageResult {
  bool done = false;
  rt::ErrorCode code = rt::ErrorCode::NoError;  // why not done
  std::string why;
  std::int64_t saved = 0;
  std::int64_t notSaved = 0;
  bool unknownLost = false;  // pages destroyed: how many records they held is not known
  std::string keptAs;        // the damaged file's name now
  std::vector<std::string> details;
};

// "WPLINKS.db" as "WPLINKS.damaged-2026-12-09.db" (today's date), the first such name not
// taken in its directory.
std::string damagedName(const std::string& path);

SalvageResult salvage(const rt::FileDesc& desc);

// Whether a failed write ran out of room: the disk full, or the file size limit reached
// (which SQLite reports as an I/O error).
bool diskFull(int rc, sqlite3* db);

}  // namespace tarnfix
