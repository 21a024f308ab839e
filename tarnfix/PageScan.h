// Reads the records of a data file straight from its pages, past whatever SQLite refuses to
// read in place: every table leaf page outside the schema, the free list and the overflow
// chains, each cell kept only when its columns fit the record layout.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "runtime/data/KeyedFile.h"

namespace tarnfix {

struct PageScan {
  // Column values (fields, then memos) by rowid; the first of differing copies wins.
  std::map<std::int64_t, std::vector<rt::SqlValue>> records;
  std::int64_t unreadable = 0;     // cells that could not be decoded or did not fit the layout
  std::int64_t duplicates = 0;     // other copies of a rowid already read, with other values
  bool unknownLost = false;        // pages so destroyed that what they held cannot be told
  std::vector<std::string> notes;  // where the damage is, for the details
};

// `indexRoots`: the root pages of the file's keys, whose trees are walked so that a damaged
// index page is not taken for lost records. False with why when the file's header is unusable.
bool scanPages(const rt::FileDesc& desc, const std::string& path,
               const std::set<std::uint32_t>& indexRoots, PageScan& out, std::string& why);

}  // namespace tarnfix
