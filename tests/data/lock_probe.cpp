// Another program for the sharing tests: opens TESTS.db in the current directory the way
// its argument says and answers through its exit status (0 opened and read, 1 access denied,
// 2 another error, 3 wrong data).
#include <cstring>

#include "tests/data/DataTestSupport.h"

int main(int argc, char** argv) {
  using namespace rt;
  if (argc < 2) return 2;
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
