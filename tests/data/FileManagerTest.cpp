// The file manager over real files in a temporary working directory: the opening rule
// with its fallbacks, the messages of failed writes, the delete confirmation and the
// reservation of auto-numbered keys.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "DataTestSupport.h"
#include "runtime/data/FileManager.h"
#include "runtime/data/Messages.h"

namespace rt::testing {
namespace {

class FileManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    defaultReporter().clear();
    defaultReporter().answer = Answer::Yes;
    setErrorReporter(nullptr);
    setCurrentProcedure("UpdateTests");
    fm.Init(*tf.file, "Tests");
    fm.SetLockRecover(10);
    fm.AddKey(kName, "TST:name", 1);
    fm.AddKey(kHost, "TST:host");
  }
  void TearDown() override { fm.Kill(); }
  RecordingReporter& shown() { return defaultReporter(); }
  std::int64_t countOnDisk() {
    TestFile other;
    if (!other->open({Access::ReadOnly, Share::DenyNone})) return -1;
    const auto n = other->records();
    other->close();
    return n;
  }

  WorkDir dir;
  TestFile tf;
  FileManager fm;
};

TEST_F(FileManagerTest, MissingFileIsCreatedOnFirstOpenAndOpensNest) {
  EXPECT_FALSE(std::filesystem::exists(tf->path()));
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  EXPECT_TRUE(std::filesystem::exists(tf->path()));
  EXPECT_TRUE(shown().messages.empty());
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  EXPECT_EQ(fm.openCount(), 2);
  EXPECT_EQ(fm.CloseFile(), Status::Ok);
  EXPECT_TRUE(tf->isOpen()) << "an inner close must leave the outer opener's file open";
  EXPECT_EQ(fm.CloseFile(), Status::Ok);
  EXPECT_FALSE(tf->isOpen());
  EXPECT_EQ(fm.CloseFile(), Status::Ok) << "a surplus close is harmless";
  EXPECT_EQ(fm.openCount(), 0);
}

TEST_F(FileManagerTest, MissingFileNotCreatedWhenTheManagerMustNot) {
  fm.SetCreate(false);
  EXPECT_EQ(fm.OpenFile(), Status::Failed);
  EXPECT_EQ(errorCode(), ErrorCode::FileNotFound);
  EXPECT_FALSE(std::filesystem::exists(tf->path()));
  ASSERT_TRUE(shown().contains(MessageId::FileNotFound));
  EXPECT_EQ(fm.openCount(), 0);
  shown().clear();
  EXPECT_EQ(fm.TryOpen(), Status::Failed);
  EXPECT_TRUE(shown().messages.empty()) << "the quiet open shows nothing";
}

TEST_F(FileManagerTest, FileThatCannotBeCreatedGivesTheCreationMessage) {
  TestFile nowhere("no-such-directory/TESTS");
  FileManager m;
  m.Init(*nowhere.file, "Tests");
  EXPECT_EQ(m.OpenFile(), Status::Failed);
  EXPECT_TRUE(shown().contains(MessageId::FileCreationError));
  EXPECT_FALSE(shown().contains(MessageId::FileAccessError)) << "one failure, one message";
  EXPECT_EQ(m.openCount(), 0);
}

TEST_F(FileManagerTest, MissingKeyIsRebuiltAfterTellingTheUser) {
  ASSERT_TRUE(tf->create());
  ASSERT_TRUE(tf->open());
  tf.addRec("b", "h1");
  tf.addRec("a", "h2");
  ASSERT_TRUE(tf->close());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(tf->path().c_str(), &db), SQLITE_OK);
  std::string index;
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL",
                     -1, &s, nullptr);
  if (sqlite3_step(s) == SQLITE_ROW)
    index = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
  sqlite3_finalize(s);
  ASSERT_FALSE(index.empty());
  ASSERT_EQ(sqlite3_exec(db, ("DROP INDEX \"" + index + "\"").c_str(), nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  EXPECT_TRUE(shown().contains(MessageId::KeyRebuildNeeded));
  tf->setKeyOrder(kName);
  EXPECT_EQ(tf.walk(), (std::vector<std::string>{"a", "b"}));
}

// Another program holds the file for writing while this one opens it.
TEST_F(FileManagerTest, FileHeldByAnotherProgramOpensForReadingOnly) {
  ASSERT_TRUE(tf->create());
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TestFile holder;
    const char ok = holder->open() ? 'y' : 'n';
    (void)!::write(ready[1], &ok, 1);
    char c;
    (void)!::read(release[0], &c, 1);
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');

  const Status s = fm.OpenFile();
  const char go = 'x';
  (void)!::write(release[1], &go, 1);
  int status = 0;
  ::waitpid(child, &status, 0);

  ASSERT_EQ(s, Status::Ok);
  EXPECT_TRUE(tf->isReadOnly());
  ASSERT_TRUE(shown().contains(MessageId::AccessDenied));
  EXPECT_NE(shown().messages.back().text.find("Tests"), std::string::npos);
  shown().clear();
  tf.set("x");
  EXPECT_EQ(fm.InsertRecord(), Status::Failed);
  EXPECT_TRUE(shown().contains(MessageId::RecordNotAdded));
}

TEST_F(FileManagerTest, DuplicateInAnyLetterCaseIsRefusedWithTheKeyInTheMessage) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  tf.set("Example.com");
  ASSERT_EQ(fm.InsertRecord(), Status::Ok);
  tf.set("EXAMPLE.COM", "other");
  EXPECT_EQ(fm.InsertRecord(), Status::Failed);
  ASSERT_EQ(shown().messages.size(), 1u);
  const auto& m = shown().messages[0];
  EXPECT_EQ(m.caption, "Duplicate Key Error");
  EXPECT_NE(m.text.find("TST:name"), std::string::npos) << m.text;
  EXPECT_NE(m.text.find("Tests"), std::string::npos) << m.text;
  EXPECT_EQ(countOnDisk(), 1);
  shown().clear();
  EXPECT_EQ(fm.TryInsert(), Status::Failed);
  EXPECT_EQ(errorCode(), ErrorCode::DuplicateKey);
  EXPECT_TRUE(shown().messages.empty());
}

TEST_F(FileManagerTest, UpdateToAnotherRecordsKeyLeavesBothRecordsAsTheyWere) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  tf.addRec("alpha", "h");
  tf.addRec("beta", "h");
  tf.rec.name = "ALPHA";
  EXPECT_EQ(fm.UpdateRecord(), Status::Failed);
  EXPECT_TRUE(shown().contains(MessageId::DuplicateKey));
  tf->setKeyOrder(kName);
  EXPECT_EQ(tf.walk(), (std::vector<std::string>{"alpha", "beta"}));
}

TEST_F(FileManagerTest, DeleteAsksAndKeepsTheRecordOnNo) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  tf.addRec("keep");
  shown().answer = Answer::No;
  EXPECT_EQ(fm.DeleteRecord(), Status::Cancelled);
  ASSERT_EQ(shown().messages.size(), 1u);
  EXPECT_EQ(shown().messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(tf->records(), 1);
  shown().answer = Answer::Yes;
  EXPECT_EQ(fm.DeleteRecord(), Status::Ok);
  EXPECT_EQ(tf->records(), 0);
}

TEST_F(FileManagerTest, ReadsReportTheEndQuietly) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  tf.addRec("one");
  tf->setKeyOrder(kName);
  EXPECT_EQ(fm.NextRecord(), Status::Ok);
  EXPECT_EQ(fm.NextRecord(), Status::EndOfFile);
  tf.set("none");
  EXPECT_EQ(fm.FetchByKey(kName), Status::EndOfFile);
  tf.set("ONE");
  EXPECT_EQ(fm.FetchByKey(kName), Status::Ok);
  EXPECT_EQ(tf.rec.name.str(), "one");
  EXPECT_TRUE(shown().messages.empty());
}

TEST_F(FileManagerTest, AutoNumberStartsAtOneThenFollowsTheLastInKeyOrder) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  EXPECT_EQ(tf.rec.name.str(), "1");
  EXPECT_EQ(tf->records(), 1) << "the number is reserved by adding the record at once";
  tf.rec.host = "typed";
  ASSERT_EQ(fm.UpdateRecord(), Status::Ok) << "the form completes the reserved record";
  EXPECT_EQ(fm.reservedPosition(), 0);
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  EXPECT_EQ(tf.rec.name.str(), "2");
  EXPECT_TRUE(tf.rec.host.blank()) << "a primed record starts blank";
  EXPECT_EQ(tf->records(), 2);
}

TEST_F(FileManagerTest, AutoNumberRetriesTakenNumbersThenGivesUp) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  // In text order "9" sorts last, though "10" and "11" are taken: two refusals, then 12.
  for (const char* n : {"9", "10", "11"}) tf.addRec(n);
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  EXPECT_EQ(tf.rec.name.str(), "12");
  EXPECT_TRUE(shown().messages.empty());
  // "9" still sorts last; 10, 11 and 12 are taken: the third refusal is reported.
  EXPECT_EQ(fm.PrimeRecord(), Status::Failed);
  EXPECT_TRUE(shown().contains(MessageId::DuplicateKey));
  EXPECT_EQ(tf->records(), 4);
}

TEST_F(FileManagerTest, AutoNumberCountsWithinTheLeadingComponents) {
  FileManager byHost;
  byHost.Init(*tf.file, "Tests");
  byHost.AddKey(kHostDate, "host, date", 2);
  ASSERT_EQ(byHost.OpenFile(), Status::Ok);
  tf.addRec("a", "alpha", 5);
  tf.addRec("b", "ALPHA", 9);
  tf.addRec("c", "beta", 40);
  tf.addRec("d", "alphabet", 70);

  tf.rec = Rec{};
  tf.rec.host = "Alpha";
  tf.rec.name = "e";
  ASSERT_EQ(byHost.PrimeRecord(), Status::Ok);
  // Priming clears the buffer, so the leading component is blank: numbering starts at 1.
  EXPECT_EQ(+tf.rec.date, 1);

  struct HostManager : FileManager {
    std::string host;
    void PrimeNewRecord() override { static_cast<Rec*>(recordBuffer())->host = host; }
  } prime;
  prime.Init(*tf.file, "Tests");
  prime.AddKey(kHostDate, "host, date", 2);
  prime.host = "alpha";
  ASSERT_EQ(prime.OpenFile(), Status::Ok);
  ASSERT_EQ(prime.PrimeRecord(), Status::Ok);
  EXPECT_EQ(+tf.rec.date, 10) << "after the last of the same host in any case";
  EXPECT_EQ(tf.rec.host.str(), "alpha");
  prime.host = "gamma";
  ASSERT_EQ(prime.PrimeRecord(), Status::Ok);
  EXPECT_EQ(+tf.rec.date, 1);
  prime.Kill();
  byHost.Kill();
}

TEST_F(FileManagerTest, CancelledInsertDropsTheReservedRecord) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  tf.addRec("zzz");
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  EXPECT_EQ(tf->records(), 2);
  EXPECT_EQ(fm.CancelAutoNumber(), Status::Ok);
  EXPECT_EQ(tf->records(), 1);
  tf->setKeyOrder(kName);
  EXPECT_EQ(tf.walk(), (std::vector<std::string>{"zzz"}));
}

TEST_F(FileManagerTest, DuplicateNamesTheKeyThatClashesByItsDescriptionAndTheValue) {
  FileDesc d = recDesc("UNIQUE");
  d.keys[kHost].duplicates = false;
  Rec rec{};
  char memo[30];
  KeyedFile f(d, &rec, {memo});
  FileManager m;
  m.Init(f, "Tests");
  m.AddKey(kName, "name of the test");
  m.AddKey(kHost, "host of the test");
  ASSERT_EQ(m.OpenFile(), Status::Ok);
  rec.name = "a";
  rec.host = "h1";
  ASSERT_EQ(m.InsertRecord(), Status::Ok);
  rec.name = "b";
  rec.host = "H1";
  EXPECT_EQ(m.InsertRecord(), Status::Failed);
  ASSERT_EQ(shown().messages.size(), 1u);
  const std::string& text = shown().messages[0].text;
  EXPECT_NE(text.find("\"H1\" under the key \"host of the test\""), std::string::npos) << text;
  EXPECT_EQ(text.find("name of the test"), std::string::npos) << text;
  m.Kill();
}

// The state a program killed with an insert form open leaves, and what the next start removes.
TEST_F(FileManagerTest, StartRemovesOnlyReservationsLeftAsPrimed) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  tf.addRec("5");  // a real record that holds only a number
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  ASSERT_EQ(fm.UpdateRecord(), Status::Ok);  // completed as it was primed: "6"
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  tf.rec.host = "typed";
  ASSERT_TRUE(tf->put());  // "7", written by a file statement, not through the manager
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  std::memcpy(tf.memo, "a note", 6);
  ASSERT_TRUE(tf->put());  // "8", only its memo typed
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  ASSERT_EQ(tf.rec.name.str(), "9");
  fm.Kill();

  TestFile again;
  FileManager next;
  next.Init(*again.file, "Tests");
  next.AddKey(kName, "TST:name", 1);
  EXPECT_EQ(next.RemovePlaceholders(), Status::Ok);
  EXPECT_EQ(next.openCount(), 0);
  again->open();
  again->setKeyOrder(kName);
  EXPECT_EQ(again.walk(), (std::vector<std::string>{"5", "6", "7", "8"}));
  again->close();
  EXPECT_TRUE(shown().messages.empty());
}

// Each cause that keeps a file from being written is told as itself, never as another
// program's use. In a child: without root's privileges, or with a file size limit.
TEST_F(FileManagerTest, EachCauseThatKeepsAFileFromBeingWrittenIsToldAsItself) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(tf.addRec("kept" + std::to_string(i)));
  fm.Kill();
  ASSERT_EQ(::chmod(tf->path().c_str(), 0666), 0);
  auto toldAs = [&](MessageId id, const char* words) {
    if (!shown().contains(id)) return failedStep(10);
    const std::string& text = shown().messages.back().text;
    if (text.find(words) == std::string::npos) return failedStep(11);
    return text.find("another program") == std::string::npos ? 0 : failedStep(12);
  };
  auto readOnlyWith = [&](const std::function<void()>& make, const char* words) {
    make();
    return unprivileged([&] {
      if (fm.OpenFile() != Status::Ok || !tf->isReadOnly()) return failedStep(1);
      if (tf.walk().size() != 5) return failedStep(2);
      return toldAs(MessageId::ReadOnlyPlace, words);
    });
  };
  EXPECT_EQ(readOnlyWith([&] { ::chmod(dir.path().c_str(), 0555); }, "Read-only: Tests"), 0);
  ::chmod(dir.path().c_str(), 0777);
  EXPECT_EQ(readOnlyWith([&] { ::chmod(tf->path().c_str(), 0444); }, "Read-only: Tests"), 0);
  ::chmod(tf->path().c_str(), 0666);

  const int full = inChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG, as on a full disk
    if (fm.OpenFile() != Status::Ok) return failedStep(1);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Status s = Status::Ok;
    for (int i = 0; i < 5000 && s == Status::Ok; ++i) {
      tf.set("n" + std::to_string(i));
      tf.memo[0] = 'x';
      s = fm.InsertRecord();
    }
    if (s == Status::Ok || errorCode() != ErrorCode::DiskFull) return failedStep(2);
    return toldAs(MessageId::RecordNotAdded, "disk is full");
  });
  EXPECT_EQ(full, 0);
}

TEST_F(FileManagerTest, PlaceholderOfAFileHeldByAnotherProgramWaitsForALaterStart) {
  ASSERT_EQ(fm.OpenFile(), Status::Ok);
  ASSERT_EQ(fm.PrimeRecord(), Status::Ok);
  fm.Kill();
  {
    OtherProgram other({"TESTS"});
    ASSERT_TRUE(other.holding());
    EXPECT_EQ(fm.RemovePlaceholders(), Status::Ok);
    EXPECT_EQ(countOnDisk(), 1);
  }
  EXPECT_EQ(fm.RemovePlaceholders(), Status::Ok);
  EXPECT_EQ(countOnDisk(), 0);
  EXPECT_TRUE(shown().messages.empty());
}

TEST(Messages, PlaceholdersAreFilledOnceAndValuesAreNotReread) {
  MessageValues v;
  v.file = "Domains";
  v.field = "%File";  // a value that looks like a placeholder stays as it is
  v.procedure = "UpdateDomains";
  v.errorCode = "40";
  EXPECT_EQ(expandMessage("%Field in %File (%ErrorCode) %Procedure%", v),
            "%File in Domains (40) UpdateDomains%");
}

std::string& otherThreadsName() {
  static std::string name = "BrowseNotes";
  return name;
}

TEST_F(FileManagerTest, MessagesNameTheProcedureOfTheCurrentThread) {
  char line[255];
  LineFile text("Lines", line, sizeof line);
  FileManager lines;
  lines.Init(text, "Lines");
  setProcedureNameProvider(otherThreadsName);
  EXPECT_EQ(lines.FetchByKey(0), Status::Failed) << "a line file has no keys";
  setCurrentProcedure("UpdateDomains");
  EXPECT_EQ(otherThreadsName(), "UpdateDomains");
  setProcedureNameProvider(nullptr);
  EXPECT_EQ(currentProcedure(), "UpdateTests");
  ASSERT_EQ(shown().messages.size(), 1u);
  EXPECT_EQ(shown().messages[0].caption, "Invalid Request");
  EXPECT_NE(shown().messages[0].text.find("BrowseNotes"), std::string::npos)
      << shown().messages[0].text;
}

TEST(Messages, EveryEntryHasItsCaptionAndTheDeleteQuestionAsksYesNo) {
  const std::pair<MessageId, const char*> captions[] = {
      {MessageId::RecordNotAdded, "Record Was Not Added"},
      {MessageId::RecordNotUpdated, "Record Was Not Updated"},
      {MessageId::RecordNotDeleted, "Record Was Not Deleted"},
      {MessageId::DuplicateKey, "Duplicate Key Error"},
      {MessageId::FileAccessError, "File Access Error"},
      {MessageId::FileNotFound, "File Not Found"},
      {MessageId::FileCreationError, "File Creation Error"},
      {MessageId::KeyRebuildNeeded, "Key Rebuild Needed"},
      {MessageId::AccessDenied, "Access Denied"},
      {MessageId::InvalidRequest, "Invalid Request"},
      {MessageId::FileDamaged, "File Access Error"},
  };
  for (const auto& [id, caption] : captions) {
    EXPECT_STREQ(messageEntry(id).caption, caption);
    EXPECT_EQ(messageEntry(id).buttons, MessageButtons::Ok);
  }
  EXPECT_EQ(messageEntry(MessageId::ConfirmDelete).buttons, MessageButtons::YesNo);
}

TEST(Messages, AFileFailureSaysWhetherTheFileIsDamagedAndWhatToDo) {
  defaultReporter().clear();
  setRepairAdvice("Run the fixer.");
  const struct {
    ErrorCode code;
    MessageId id;
    bool advised;
  } cases[] = {
      {ErrorCode::Damaged, MessageId::FileDamaged, true},
      {ErrorCode::InvalidFile, MessageId::NotADataFile, false},
      {ErrorCode::LayoutDiffers, MessageId::OtherLayout, false},
      {ErrorCode::AccessDenied, MessageId::FileAccessError, false},
      {ErrorCode::DiskFull, MessageId::FileAccessError, false},
      {ErrorCode::FileSystemError, MessageId::FileAccessError, false},
  };
  for (const auto& c : cases) {
    reportFileFailure("Tests", ErrorState{c.code, "it broke", "TESTS.db"});
    ASSERT_FALSE(defaultReporter().messages.empty());
    const ReportedMessage& m = defaultReporter().messages.back();
    EXPECT_EQ(m.id, c.id);
    EXPECT_EQ(m.text.find("Tests"), 0u) << m.text;
    EXPECT_NE(m.text.find("it broke"), std::string::npos) << m.text;
    EXPECT_EQ(m.text.find("Run the fixer.") != std::string::npos, c.advised) << m.text;
  }
  setRepairAdvice({});
  defaultReporter().clear();
}

}  // namespace
}  // namespace rt::testing
