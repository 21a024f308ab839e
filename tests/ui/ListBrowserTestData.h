// A keyed file of "things" in a temporary working directory, with its file manager and
// relation manager, for the browse and form tests.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "runtime/data/FileManager.h"
#include "runtime/data/FileRelations.h"
#include "runtime/data/KeyedFile.h"
#include "runtime/text/Decimal.h"
#include "runtime/text/FixedString.h"

namespace browsetest {

#pragma pack(push, 1)
struct Thing {
  rt::Str<40> name;
  rt::Str<10> group;
  std::int32_t date;
  rt::Decimal fee;
  std::int32_t recid;
  rt::Str<1> flag;
};
#pragma pack(pop)
static_assert(sizeof(Thing) == 63);

enum ThingKey { kByName = 0, kByGroup = 1, kByRecid = 2, kByFee = 3, kByDate = 4 };
enum ThingField { fName = 0, fGroup, fDate, fFee, fRecid, fFlag };

inline rt::FileDesc thingDesc() {
  rt::FileDesc d;
  d.label = "Things";
  d.prefix = "THI";
  d.diskName = "THINGS";
  d.recordSize = sizeof(Thing);
  d.fields = {
      {"THI:NAME", rt::FieldType::String, offsetof(Thing, name), 40},
      {"THI:GROUP", rt::FieldType::String, offsetof(Thing, group), 10},
      {"THI:DATE", rt::FieldType::Date, offsetof(Thing, date), 4},
      {"THI:FEE", rt::FieldType::Decimal, offsetof(Thing, fee), 4, 2},
      {"THI:RECID", rt::FieldType::Long, offsetof(Thing, recid), 4},
      {"THI:FLAG", rt::FieldType::String, offsetof(Thing, flag), 1},
  };
  d.keys = {
      {"THI:name", "Name", {fName}, false},
      {"THI:group", "Group", {fGroup, fName}, true},
      {"THI:recid", "Record id", {fRecid}, false, 1},
  };
  d.memos = {{"THI:Notes", 60}};
  return d;
}

// With keys on the fee and the date too, for locators on number and date keys.
inline rt::FileDesc thingDescWithValueKeys() {
  rt::FileDesc d = thingDesc();
  d.keys.push_back({"THI:fee", "Fee", {fFee}, true});
  d.keys.push_back({"THI:date", "Date", {fDate}, true});
  return d;
}

class TempWorkDir {
 public:
  TempWorkDir() {
    char tmpl[] = "/tmp/twbrowseXXXXXX";
    dir_ = ::mkdtemp(tmpl);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  ~TempWorkDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  TempWorkDir(const TempWorkDir&) = delete;
  TempWorkDir& operator=(const TempWorkDir&) = delete;

 private:
  std::string dir_;
  std::filesystem::path old_;
};

// The file, opened through its managers; autoNumber registers the record id as the
// auto-numbered key, as the system's managers do for theirs.
struct Things {
  explicit Things(bool autoNumber = true, rt::FileDesc layout = thingDesc())
      : desc(std::move(layout)) {
    std::memset(memo, ' ', sizeof memo);
    file = std::make_unique<rt::KeyedFile>(desc, &rec, std::vector<char*>{memo});
    file->create();
    manager.Init(*file, "Things");
    manager.AddKey(kByName, "Name");
    manager.AddKey(kByGroup, "Group");
    manager.AddKey(kByRecid, "Record id", autoNumber ? 1 : 0);
    relations.Init(manager);
    relations.OpenFiles();
  }
  ~Things() { relations.CloseFiles(); }

  void set(std::string_view name, std::string_view group = "", int feeHundredths = 0,
           std::int32_t recid = 0) {
    rec = Thing{};
    rec.name = name;
    rec.group = group;
    rec.fee = rt::Decimal{feeHundredths};
    rec.recid = recid;
  }
  bool add(std::string_view name, std::string_view group = "", int feeHundredths = 0) {
    set(name, group, feeHundredths, ++lastId);
    return file->add();
  }
  // n records "Name000001".. in one batch.
  void fill(int n, std::string_view group = "") {
    for (int i = 1; i <= n; ++i) {
      set(numbered(i), group, i, ++lastId);
      file->append();
    }
    file->flush();
  }
  static std::string numbered(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "Name%06d", i);
    return buf;
  }
  // Whether a record of that name is on file (the buffer is left as found).
  bool has(std::string_view name) {
    const Thing keep = rec;
    rec.name = name;
    const bool found = file->get(kByName);
    rec = keep;
    return found;
  }

  TempWorkDir dir;
  rt::FileDesc desc = thingDesc();
  Thing rec{};
  char memo[60];
  std::unique_ptr<rt::KeyedFile> file;
  rt::FileManager manager;
  rt::FileRelations relations;
  std::int32_t lastId = 0;
};

}  // namespace browsetest
