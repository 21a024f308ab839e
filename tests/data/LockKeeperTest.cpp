// The data files' locks and identity as other programs and other code meet them: real
// processes, real files, and a kill.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "runtime/data/LockKeeper.h"
#include "runtime/data/Transaction.h"
#include "tests/data/DataTestSupport.h"

namespace rt::testing {
namespace {

namespace fs = std::filesystem;

// Whether another process holds a lock on the bytes that a write lock would need.
bool lockedByOther(const std::string& path, off_t start, off_t length) {
  const int fd = ::open(path.c_str(), O_RDWR);
  if (fd < 0) return false;
  struct flock l {};
  l.l_type = F_WRLCK;
  l.l_whence = SEEK_SET;
  l.l_start = start;
  l.l_len = length;
  const bool held = ::fcntl(fd, F_GETLK, &l) == 0 && l.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

// The stock sqlite3 shell reading the file and leaving, as a user may run it.
int shellReads(const std::string& file) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::execlp("sqlite3", "sqlite3", file.c_str(), "SELECT count(*) FROM Tests", nullptr);
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> stored() {
  TestFile t;
  if (!t->open({Access::ReadOnly, Share::DenyNone})) return {"<" + errors().text + ">"};
  t->setRecordOrder();
  return t.walk();
}

class LockKeeperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(t->create());
    ASSERT_TRUE(t->open());
    ASSERT_TRUE(t.addRec("before"));
    ASSERT_TRUE(t->close());
  }
  WorkDir dir;
  TestFile t;
};

// SQLite's locks must outlive the other code's closes: else the shell takes itself for the
// file's last user, checkpoints and deletes the log, and what the holder stores next lives
// only in a deleted file.
TEST_F(LockKeeperTest, LocksHoldWhileOtherCodeOpensAndClosesTheFiles) {
  OtherProgram holder({"TESTS"}, "keep");
  ASSERT_TRUE(holder.holding());
  constexpr off_t kPending = 0x40000000, kSharedFirst = kPending + 2, kSharedSize = 510;
  constexpr off_t kShmDeadMan = 128;
  EXPECT_TRUE(lockedByOther("TESTS.db", kSharedFirst, kSharedSize));
  EXPECT_TRUE(lockedByOther("TESTS.db-shm", kShmDeadMan, 1));
  ASSERT_EQ(shellReads("TESTS.db"), 0);
  EXPECT_TRUE(fs::exists("TESTS.db-wal"));
  ASSERT_EQ(holder.ask('a'), 'y');
  holder.kill();
  EXPECT_EQ(stored(), (std::vector<std::string>{"before", "after"}));
}

// A file put in the data file's place, or its log removed, while the program has it open.
struct Replacement {
  const char* name;
  void (*replace)();
  std::vector<std::string> left;  // what the directory's file holds afterwards
};

void copyOf(const char* from, const char* to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

const Replacement kReplacements[] = {
    {"moved into place", [] { fs::rename("OTHER.db", "TESTS.db"); }, {"other"}},
    // cp writes into the file itself: same inode, other contents.
    {"copied over in place", [] { copyOf("OTHER.db", "TESTS.db"); }, {"other"}},
    {"log removed", [] { fs::remove("TESTS.db-wal"); }, {"before", "kept"}},
};

class ReplacedFileTest : public LockKeeperTest,
                         public ::testing::WithParamInterface<Replacement> {};

TEST_P(ReplacedFileTest, NoChangeGoesIntoAFileThatIsNoLongerTheDirectorys) {
  TestFile other("OTHER");
  ASSERT_TRUE(other->create());
  ASSERT_TRUE(other->open());
  ASSERT_TRUE(other.addRec("other"));
  ASSERT_TRUE(other->close());

  ASSERT_TRUE(t->open());
  ASSERT_TRUE(t.addRec("kept"));
  ASSERT_TRUE(fs::exists("TESTS.db-wal"));
  // Another program's write must come after this one's by more than the file system's
  // clock tick to be told apart from it.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  GetParam().replace();
  EXPECT_FALSE(t.addRec("lost"));
  EXPECT_EQ(errorCode(), ErrorCode::FileChanged) << errors().text;
  EXPECT_NE(errors().text.find("another"), std::string::npos) << errors().text;
  {
    Transaction tx{t.file.get()};
    EXPECT_FALSE(tx.active());
  }
  t->close();
  EXPECT_EQ(stored(), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(Replacements, ReplacedFileTest, ::testing::ValuesIn(kReplacements),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (c == ' ') c = '_';
                           return n;
                         });

TEST_F(LockKeeperTest, AFileOfThisProgramsOwnWritesStaysWritable) {
  ASSERT_TRUE(t->open());
  TestFile second;
  ASSERT_TRUE(second->open());
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(t.addRec("a" + std::to_string(i))) << errors().text;
    ASSERT_TRUE(second.addRec("b" + std::to_string(i))) << errors().text;
    // A checkpoint writes the file itself.
    ASSERT_EQ(sqlite3_wal_checkpoint_v2(t->connection(), nullptr, SQLITE_CHECKPOINT_PASSIVE,
                                        nullptr, nullptr),
              SQLITE_OK);
  }
  EXPECT_TRUE(t.addRec("last")) << errors().text;
}

TEST(LockKeeper, AnEmptyFileIsLeftAsItWasFound) {
  WorkDir dir;
  { std::ofstream("TESTS.db"); }
  TestFile t;
  EXPECT_FALSE(t->open());
  EXPECT_EQ(errorCode(), ErrorCode::InvalidFile) << errors().text;
  EXPECT_EQ(fs::file_size("TESTS.db"), 0u);
  EXPECT_FALSE(fs::exists("TESTS.db-wal"));
  EXPECT_FALSE(fs::exists("TESTS.db-shm"));
}

TEST(LockKeeper, ForgetsAFileWhenSqliteClosesItsLastDescriptor) {
  WorkDir dir;
  const int before = locks::trackedFiles();
  {
    TestFile a, b;
    ASSERT_TRUE(a->create());
    ASSERT_TRUE(a->open());
    ASSERT_TRUE(b->open());
    ASSERT_TRUE(a.addRec("x"));
    EXPECT_GE(locks::trackedFiles(), before + 3);  // the file, its log, its index
    ASSERT_TRUE(a->close());
    ASSERT_TRUE(b->close());
  }
  EXPECT_EQ(locks::trackedFiles(), before);
}

}  // namespace
}  // namespace rt::testing
