// A temporary working directory and a small record layout for the data-layer tests.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "runtime/data/KeyedFile.h"
#include "runtime/data/Layout.h"
#include "runtime/text/FixedString.h"

namespace rt::testing {

class WorkDir {
 public:
  WorkDir() {
    char tmpl[] = "/tmp/twdataXXXXXX";
    dir_ = ::mkdtemp(tmpl);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  ~WorkDir() {
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  const std::string& path() const { return dir_; }

 private:
  std::string dir_;
  std::filesystem::path old_;
};

#pragma pack(push, 1)
struct Rec {
  Str<20> name;
  Str<10> host;
  std::int32_t fee;  // decimal hundredths
  std::int32_t date;
  double real;
  std::int16_t shortv;
  std::uint8_t bytev;
};
#pragma pack(pop)
static_assert(sizeof(Rec) == 49);

enum Keys { kName = 0, kHost = 1, kHostDate = 2 };

inline FileDesc recDesc(std::string diskName = "TESTS") {
  FileDesc d;
  d.label = "Tests";
  d.prefix = "TST";
  d.diskName = std::move(diskName);
  d.recordSize = sizeof(Rec);
  d.fields = {
      {"TST:NAME", FieldType::String, 0, 20},    {"TST:HOST", FieldType::String, 20, 10},
      {"TST:FEE", FieldType::Decimal, 30, 4, 2}, {"TST:DATE", FieldType::Date, 34, 4},
      {"TST:REAL", FieldType::Real, 38, 8},      {"TST:SHORT", FieldType::Short, 46, 2},
      {"TST:BYTE", FieldType::Byte, 48, 1},
  };
  d.keys = {
      {"TST:name", "TST:name", {0}, false},
      {"TST:host", "TST:host", {1}, true},
      {"TST:hostdate", "TST:hostdate", {1, 3}, true},
  };
  d.memos = {{"TST:Notes", 30}};
  return d;
}

// A keyed file over Rec with its own buffers.
struct TestFile {
  explicit TestFile(std::string diskName = "TESTS") : desc(recDesc(std::move(diskName))) {
    std::memset(memo, ' ', sizeof memo);
    file = std::make_unique<KeyedFile>(desc, &rec, std::vector<char*>{memo});
  }
  FileDesc desc;
  Rec rec{};
  char memo[30];
  std::unique_ptr<KeyedFile> file;

  KeyedFile* operator->() { return file.get(); }
  void set(std::string_view name, std::string_view host = "", std::int32_t date = 0) {
    rec = Rec{};
    rec.name = name;
    rec.host = host;
    rec.date = date;
  }
  bool addRec(std::string_view name, std::string_view host = "", std::int32_t date = 0) {
    set(name, host, date);
    return file->add();
  }
  // Names read by NEXT until the end.
  std::vector<std::string> walk() {
    std::vector<std::string> out;
    while (file->next()) out.push_back(rec.name.str());
    return out;
  }
};

// The query plan lines of a statement.
inline std::string queryPlan(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  std::string plan;
  if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &s, nullptr) != SQLITE_OK)
    return std::string("PREPARE FAILED: ") + sqlite3_errmsg(db);
  while (sqlite3_step(s) == SQLITE_ROW)
    plan += std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 3))) + "\n";
  sqlite3_finalize(s);
  return plan;
}

// Runs body in a child process, without root's privileges when asked (root ignores file
// permissions); gives its exit status. The child reports a failed step by its number.
inline int inChild(const std::function<int()>& body, bool unprivileged = false) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(90);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}
inline int unprivileged(const std::function<int()>& body) {
  return inChild(body, true);
}

// A failed step: tells why on standard error and gives its number.
inline int failedStep(int step) {
  std::fprintf(stderr, "step %d: code %d: %s\n", step, static_cast<int>(errorCode()),
               errors().text.c_str());
  return step;
}

#ifdef TW_LOCK_PROBE
// Another program that holds files of the working directory (by disk name) for writing
// while it exists: opened as this layout's files ("hold") or locked whatever they hold ("lock").
class OtherProgram {
 public:
  explicit OtherProgram(std::vector<std::string> diskNames, const char* how = "hold") {
    int in[2], out[2];
    // Close-on-exec, so that no program started later keeps this one's input open.
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      std::vector<char*> argv{const_cast<char*>(TW_LOCK_PROBE), const_cast<char*>(how)};
      for (auto& n : diskNames) argv.push_back(n.data());
      argv.push_back(nullptr);
      ::execv(TW_LOCK_PROBE, argv.data());
      ::_exit(98);
    }
    ::close(in[0]);
    ::close(out[1]);
    release_ = in[1];
    replies_ = out[0];
    holding_ = ask(0) == 'y';
  }
  ~OtherProgram() {
    if (release_ >= 0) ::close(release_);
    if (replies_ >= 0) ::close(replies_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;
  bool holding() const { return holding_; }
  // Sends a byte (none when 0) and gives the program's one-byte answer, 0 when none came.
  char ask(char what) {
    if (what && ::write(release_, &what, 1) != 1) return 0;
    char c = 0;
    return ::read(replies_, &c, 1) == 1 ? c : 0;
  }
  // Ends it as a crash would.
  void kill() {
    if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  int replies_ = -1;
  bool holding_ = false;
};
#endif

}  // namespace rt::testing
