// Another program for the sharing tests: opens TESTS.db in the current directory the way
// its argument says and answers through its exit status (0 opened and read, 1 access denied,
// 2 another error, 3 wrong data). "hold NAME..." opens those files for writing, denying
// writes, says "y" on standard output and keeps them until its standard input closes; "lock
// NAME..." does the same with only the program's lock on NAME.db, whatever its layout;
// "keep NAME" holds NAME.db, opens and closes its files, says "y", and stores a record
// "after" when a byte arrives (answering "y" or "n").
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include "runtime/data/FileLock.h"
#include "tests/data/DataTestSupport.h"

namespace {

void waitForRelease() {
  (void)!::write(1, "y", 1);
  char c;
  while (::read(0, &c, 1) > 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace rt;
  if (argc < 2) return 2;
  if (std::strcmp(argv[1], "hold") == 0) {
    std::vector<std::unique_ptr<rt::testing::TestFile>> held;
    for (int i = 2; i < argc; ++i) {
      held.push_back(std::make_unique<rt::testing::TestFile>(argv[i]));
      if (!(*held.back())->open()) return errorCode() == ErrorCode::AccessDenied ? 1 : 2;
    }
    waitForRelease();
    return 0;
  }
  if (std::strcmp(argv[1], "keep") == 0 && argc == 3) {
    // Holds the file as a browse does, then opens and closes it, its log and its index as
    // any other code of a program may; stores a record when told to.
    rt::testing::TestFile t(argv[2]);
    if (!t->open()) return 2;
    t->setRecordOrder();
    if (!t->next()) return 3;
    for (const char* suffix : {".db", ".db-wal", ".db-shm"}) {
      const int fd = ::open((std::string(argv[2]) + suffix).c_str(), O_RDONLY);
      if (fd < 0) return 4;
      ::close(fd);
    }
    (void)!::write(1, "y", 1);
    char c;
    if (::read(0, &c, 1) != 1) return 5;
    (void)!::write(1, t.addRec("after") ? "y" : "n", 1);
    waitForRelease();
    return 0;
  }
  if (std::strcmp(argv[1], "lock") == 0) {
    std::vector<std::unique_ptr<FileLock>> locks;
    for (int i = 2; i < argc; ++i) {
      std::string why;
      locks.push_back(std::make_unique<FileLock>());
      if (!locks.back()->acquire(std::string(argv[i]) + ".db", {}, why)) return 1;
    }
    waitForRelease();
    return 0;
  }
  rt::testing::TestFile c;
  if (std::strcmp(argv[1], "remove") == 0)
    return c->remove() ? 0 : errorCode() == ErrorCode::AccessDenied ? 1 : 2;
  OpenMode mode{Access::ReadWrite, Share::DenyWrite};
  if (std::strcmp(argv[1], "rw-none") == 0) mode.share = Share::DenyNone;
  if (std::strcmp(argv[1], "ro") == 0) mode.access = Access::ReadOnly;
  if (!c->open(mode)) return errorCode() == ErrorCode::AccessDenied ? 1 : 2;
  c->setRecordOrder();
  return c->next() && c.rec.name.str() == "parent" ? 0 : 3;
}
