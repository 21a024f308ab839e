#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>

#include "runtime/data/KeyedFile.h"
#include "runtime/data/Transaction.h"
#include "tests/data/DataTestSupport.h"

namespace rt::testing {
namespace {

class KeyedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(t->create()) << errors().text;
    ASSERT_TRUE(t->open()) << errors().text;
  }
  WorkDir dir;
  TestFile t;
};

TEST_F(KeyedFileTest, UniqueKeyIsCaseInsensitiveAndRefusesDuplicatesWithoutWriting) {
  ASSERT_TRUE(t.addRec("alpha.com", "h1"));
  EXPECT_FALSE(t.addRec("ALPHA.COM", "h2"));
  EXPECT_EQ(errorCode(), ErrorCode::DuplicateKey);
  EXPECT_EQ(t->records(), 1);

  // GET matches in any letter case.
  t.set("Alpha.Com");
  ASSERT_TRUE(t->get(kName));
  EXPECT_EQ(t.rec.host.str(), "h1");

  // A PUT that would duplicate is refused and the stored record stays as it was.
  ASSERT_TRUE(t.addRec("beta.com", "h3"));
  t.set("beta.com");
  ASSERT_TRUE(t->get(kName));
  t.rec.name = "ALPHA.com";
  t.rec.host = "changed";
  EXPECT_FALSE(t->put());
  EXPECT_EQ(errorCode(), ErrorCode::DuplicateKey);
  t.set("beta.com");
  ASSERT_TRUE(t->get(kName));
  EXPECT_EQ(t.rec.host.str(), "h3");
  EXPECT_EQ(t->records(), 2);
}

// Statements are made when first needed: each kind works on its first use after every OPEN,
// a read-only OPEN refuses a write as read-only, and a reopened file reads what was written.
TEST_F(KeyedFileTest, EveryStatementWorksOnItsFirstUseAfterEachOpen) {
  ASSERT_TRUE(t.addRec("first", "h1"));
  const std::int64_t firstPos = t->position();
  ASSERT_TRUE(t->close());
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(t->open()) << errors().text;
    ASSERT_TRUE(t->getPosition(firstPos)) << errors().text;
    EXPECT_EQ(t.rec.host.str(), round == 0 ? "h1" : "h2");
    t.rec.host = "h2";
    ASSERT_TRUE(t->put()) << errors().text;
    ASSERT_TRUE(t.addRec("extra" + std::to_string(round))) << errors().text;
    ASSERT_TRUE(t->erase()) << errors().text;
    ASSERT_TRUE(t->close());
  }
  ASSERT_TRUE(t->open({Access::ReadOnly, Share::DenyNone})) << errors().text;
  t.set("refused");
  EXPECT_FALSE(t->add());
  EXPECT_EQ(errorCode(), ErrorCode::ReadOnly);
  ASSERT_TRUE(t->getPosition(firstPos)) << errors().text;
  EXPECT_EQ(t.rec.host.str(), "h2");
  t->setRecordOrder();
  EXPECT_EQ(t.walk(), std::vector<std::string>{"first"});
}

TEST_F(KeyedFileTest, BlankKeyValuesStayOutOfKeyOrderButNotRecordOrder) {
  ASSERT_TRUE(t.addRec("a", "H"));
  ASSERT_TRUE(t.addRec("b", ""));
  ASSERT_TRUE(t.addRec("", "H"));
  ASSERT_TRUE(t.addRec("", ""));  // two blank names do not collide in the unique key
  t->setKeyOrder(kHost);
  EXPECT_EQ(t.walk(), (std::vector<std::string>{"a", ""}));
  t->setKeyOrder(kName);
  EXPECT_EQ(t.walk(), (std::vector<std::string>{"a", "b"}));
  t->setRecordOrder();
  EXPECT_EQ(t.walk().size(), 4u);
  t.set("");
  EXPECT_FALSE(t->get(kName));
  EXPECT_EQ(errorCode(), ErrorCode::NoRecord);
}

TEST_F(KeyedFileTest, KeyOrderFoldsCaseAndKeepsRecordOrderAmongEquals) {
  for (auto [name, host] :
       {std::pair{"r1", "b"}, {"r2", "A"}, {"r3", "B"}, {"r4", "a_"}, {"r5", "a"}, {"r6", "ab"}}) {
    ASSERT_TRUE(t.addRec(name, host));
  }
  t->setKeyOrder(kHost);
  // Folded to upper case, "_" sorts after the letters ("AB" before "A_").
  EXPECT_EQ(t.walk(), (std::vector<std::string>{"r2", "r5", "r6", "r4", "r1", "r3"}));
}

TEST_F(KeyedFileTest, LongRunsOfEqualKeysWalkInOrderBothWays) {
  // Few distinct hosts and dates: every batch boundary falls inside a run of equal values.
  struct Row {
    std::string host, name;
    std::int32_t date;
  };
  std::vector<Row> rows;
  for (int i = 0; i < 700; ++i) {
    const std::string host = i % 3 ? "h" + std::to_string(i % 2) : "H" + std::to_string(i % 2);
    rows.push_back({host, "n" + std::to_string(i), (i / 7) % 4});
    ASSERT_TRUE(t.addRec(rows.back().name, host, rows.back().date));
  }
  auto upper = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
    return std::pair(upper(a.host), a.date) < std::pair(upper(b.host), b.date);
  });
  std::vector<std::string> expected;
  for (const auto& r : rows) expected.push_back(r.name);
  t->setKeyOrder(kHostDate);
  EXPECT_EQ(t.walk(), expected);
  std::vector<std::string> back;
  t->setKeyOrder(kHostDate);
  while (t->previous()) back.push_back(t.rec.name.str());
  std::reverse(back.begin(), back.end());
  EXPECT_EQ(back, expected);

  // From a value inside a run: the first entry of host "H1" with date 2.
  t.set("", "h1", 2);
  t->setKeyFrom(kHostDate);
  ASSERT_TRUE(t->next());
  const auto first = std::find_if(
      rows.begin(), rows.end(), [&](const Row& r) { return upper(r.host) == "H1" && r.date == 2; });
  EXPECT_EQ(t.rec.name.str(), first->name);
}

TEST_F(KeyedFileTest, SetKeyThenRecordStartsAtKeyValueAndContinuesInRecordOrder) {
  for (auto name : {"delta", "alpha", "charlie", "bravo", "echo"}) ASSERT_TRUE(t.addRec(name));
  t.set("C");
  t->setKeyThenRecord(kName);
  EXPECT_EQ(t.walk(), (std::vector<std::string>{"charlie", "bravo", "echo"}));

  t.set("c");
  t->setKeyFrom(kName);
  EXPECT_EQ(t.walk(), (std::vector<std::string>{"charlie", "delta", "echo"}));

  t.set("C");
  t->setKeyThenRecord(kName);
  EXPECT_FALSE(t->eof());
  t.set("zulu");
  t->setKeyThenRecord(kName);
  EXPECT_TRUE(t->eof());
  EXPECT_FALSE(t->next());
  EXPECT_EQ(errorCode(), ErrorCode::RecordNotAvailable);
}

TEST_F(KeyedFileTest, DeleteDuringNextWalkNeitherSkipsNorRepeats) {
  for (int order : {static_cast<int>(kName), -1}) {
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(t.addRec("n" + std::to_string(1000 + (i * 7) % 300)));
    if (order < 0)
      t->setRecordOrder();
    else
      t->setKeyOrder(order);
    std::set<std::string> seen;
    int visited = 0;
    while (t->next()) {
      ++visited;
      EXPECT_TRUE(seen.insert(t.rec.name.str()).second) << "repeated " << t.rec.name.str();
      if (visited % 2) {
        ASSERT_TRUE(t->erase()) << errors().text;
      }
    }
    EXPECT_EQ(visited, 300);
    EXPECT_EQ(t->records(), 150);
    // Clear the rest for the next order.
    t->setRecordOrder();
    while (t->next()) ASSERT_TRUE(t->erase());
    EXPECT_EQ(t->records(), 0);
  }
}

TEST_F(KeyedFileTest, PutDuringNextWalkVisitsEveryRecordOnce) {
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(t.addRec("n" + std::to_string(1000 + (i * 7) % 200)));
  for (int key : {static_cast<int>(kName), static_cast<int>(kHost), -1}) {
    if (key < 0)
      t->setRecordOrder();
    else
      t->setKeyOrder(key);
    std::set<std::string> seen;
    while (t->next()) {
      EXPECT_TRUE(seen.insert(t.rec.name.str()).second) << "repeated " << t.rec.name.str();
      // Fields outside the key walked on: the record keeps its place.
      t.rec.fee = key + 2;
      if (key == kName) t.rec.host = "changed";
      ASSERT_TRUE(t->put()) << errors().text;
    }
    EXPECT_EQ(seen.size(), 200u) << "key " << key;
  }
}

TEST_F(KeyedFileTest, PreviousWalksBackwardsAndTurnsAround) {
  for (auto name : {"c", "a", "d", "b"}) ASSERT_TRUE(t.addRec(name));
  t->setKeyOrder(kName);
  std::vector<std::string> back;
  while (t->previous()) back.push_back(t.rec.name.str());
  EXPECT_EQ(back, (std::vector<std::string>{"d", "c", "b", "a"}));

  t->setKeyOrder(kName);
  ASSERT_TRUE(t->next());
  ASSERT_TRUE(t->next());
  ASSERT_TRUE(t->next());
  EXPECT_EQ(t.rec.name.str(), "c");
  ASSERT_TRUE(t->previous());
  EXPECT_EQ(t.rec.name.str(), "b");
  ASSERT_TRUE(t->next());
  EXPECT_EQ(t.rec.name.str(), "c");
}

TEST_F(KeyedFileTest, EofTellsWhetherAnotherRecordFollows) {
  t->setRecordOrder();
  EXPECT_TRUE(t->eof());
  ASSERT_TRUE(t.addRec("a"));
  ASSERT_TRUE(t.addRec("b"));
  t->setRecordOrder();
  EXPECT_FALSE(t->eof());
  ASSERT_TRUE(t->next());
  EXPECT_FALSE(t->eof());
  ASSERT_TRUE(t->next());
  EXPECT_TRUE(t->eof());
  EXPECT_FALSE(t->next());
}

TEST_F(KeyedFileTest, GetByKeyAndPosition) {
  ASSERT_TRUE(t.addRec("one", "h", 10));
  const auto posOne = t->position();
  ASSERT_TRUE(t.addRec("two", "h", 20));
  t.set("", "H", 20);
  ASSERT_TRUE(t->get(kHostDate));
  EXPECT_EQ(t.rec.name.str(), "two");
  t.set("", "h", 15);
  EXPECT_FALSE(t->get(kHostDate));  // exact match only
  ASSERT_TRUE(t->getPosition(posOne));
  EXPECT_EQ(t.rec.name.str(), "one");
  EXPECT_EQ(t->position(), posOne);
  EXPECT_FALSE(t->getPosition(posOne + 100));
  EXPECT_EQ(errorCode(), ErrorCode::NoRecord);

  // PUT and DELETE act on the record GET made current.
  t.rec.host = "moved";
  ASSERT_TRUE(t->put());
  t.set("one");
  ASSERT_TRUE(t->get(kName));
  EXPECT_EQ(t.rec.host.str(), "moved");
  ASSERT_TRUE(t->erase());
  EXPECT_FALSE(t->erase());
  EXPECT_EQ(errorCode(), ErrorCode::NoRecord);
  EXPECT_EQ(t->records(), 1);
}

TEST_F(KeyedFileTest, EveryFieldTypeAndTheMemoRoundTrip) {
  t.set("types", "x", 80000);
  t.rec.fee = -999999;
  t.rec.real = 3.25;
  t.rec.shortv = -1234;
  t.rec.bytev = 250;
  rt::assignPadded(t.memo, sizeof t.memo, "a memo line");
  ASSERT_TRUE(t->add());
  t.set("");
  std::memset(t.memo, 'z', sizeof t.memo);
  t->setRecordOrder();
  ASSERT_TRUE(t->next());
  EXPECT_EQ(t.rec.name.str(), "types");
  // Copies: the packed members are not aligned for a reference.
  const Rec r = t.rec;
  const std::int32_t fee = r.fee, date = r.date;
  const double real = r.real;
  const int shortv = r.shortv, bytev = r.bytev;
  EXPECT_EQ(fee, -999999);
  EXPECT_EQ(date, 80000);
  EXPECT_DOUBLE_EQ(real, 3.25);
  EXPECT_EQ(shortv, -1234);
  EXPECT_EQ(bytev, 250);
  EXPECT_EQ(rt::clipView(t.memo, sizeof t.memo), "a memo line");
}

TEST_F(KeyedFileTest, TextLongerThanItsFieldIsCutOnReading) {
  ASSERT_TRUE(t.addRec("short", "host"));
  ASSERT_TRUE(t->close());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open("TESTS.db", &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "UPDATE Tests SET NAME = 'abcdefghijklmnopqrstuvwxyz', "
                         "Notes = '0123456789012345678901234567890123456789'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  ASSERT_TRUE(t->open());
  t->setRecordOrder();
  ASSERT_TRUE(t->next());
  EXPECT_EQ(std::string(t.rec.name.raw()), "abcdefghijklmnopqrst");
  EXPECT_EQ(t.rec.host.str(), "host");  // the neighbour is untouched
  EXPECT_EQ(std::string(t.memo, sizeof t.memo), "012345678901234567890123456789");
}

TEST_F(KeyedFileTest, FileStaysReadableWithPlainSql) {
  ASSERT_TRUE(t.addRec("plain", "h", 5));
  ASSERT_TRUE(t->close());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2("TESTS.db", &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT NAME, HOST, DATE FROM Tests", -1, &s, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "plain");
  EXPECT_EQ(sqlite3_column_int(s, 2), 5);
  sqlite3_finalize(s);
  sqlite3_close(db);
}

// The log may stay beside a closed file, but emptied: a copy of the file alone, or a reader
// that ignores the log, has every record.
TEST_F(KeyedFileTest, ClosedFileHoldsItsRecordsWithoutTheLog) {
  ASSERT_TRUE(t.addRec("kept", "h", 1));
  ASSERT_TRUE(t->close());
  struct stat st;
  EXPECT_TRUE(::stat("TESTS.db-wal", &st) != 0 || st.st_size == 0);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2("file:TESTS.db?immutable=1", &db,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr),
            SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM Tests", -1, &s, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(s, 0), 1);
  sqlite3_finalize(s);
  sqlite3_close(db);
}

// A bulk run leaves its records in the log, where a checkpoint every 1000 frames would have
// moved most of them into the file; ending it moves them all.
TEST_F(KeyedFileTest, BulkWritesReachTheFileOnlyWhenTheyEnd) {
  auto inFileAlone = [] {
    sqlite3* db = nullptr;
    sqlite3_open_v2("file:TESTS.db?immutable=1", &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                    nullptr);
    sqlite3_stmt* s = nullptr;
    int n = -1;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Tests", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      n = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    sqlite3_close(db);
    return n;
  };
  auto addMany = [this](std::string_view prefix) {
    for (int i = 0; i < 1200; ++i)
      if (!t.addRec(std::string(prefix) + std::to_string(i), "h", i)) return false;
    return true;
  };
  ASSERT_TRUE(addMany("plain"));
  const int checkpointed = inFileAlone();
  EXPECT_GT(checkpointed, 0);
  EXPECT_TRUE(t->send("BULKWRITE=on"));
  ASSERT_TRUE(addMany("bulk"));
  EXPECT_EQ(inFileAlone(), checkpointed);
  EXPECT_TRUE(t->send("BULKWRITE=off"));
  EXPECT_EQ(inFileAlone(), 2400);
  EXPECT_EQ(t->records(), 2400);
}

TEST_F(KeyedFileTest, AppendThenBuildGivesTheSameKeyOrderAsAdd) {
  TestFile appended("APPENDED");
  ASSERT_TRUE(appended->create());
  ASSERT_TRUE(appended->open());
  for (int i = 0; i < 500; ++i) {
    const std::string host = "h" + std::to_string((i * 37) % 23);
    const std::int32_t date = (i * 11) % 17;
    ASSERT_TRUE(t.addRec("n" + std::to_string(i), host, date));
    appended.set("n" + std::to_string(i), host, date);
    ASSERT_TRUE(appended->append());
  }
  ASSERT_TRUE(appended->close());  // the batch is committed on CLOSE
  ASSERT_TRUE(appended->build());
  ASSERT_TRUE(appended->open());
  EXPECT_EQ(appended->records(), 500);
  for (int key : {kName, kHost, kHostDate}) {
    t->setKeyOrder(key);
    appended->setKeyOrder(key);
    EXPECT_EQ(appended.walk(), t.walk()) << "key " << key;
  }
}

TEST_F(KeyedFileTest, TransactionRollsBackOrCommitsAllItsFiles) {
  TestFile other("OTHER");
  ASSERT_TRUE(other->create());
  ASSERT_TRUE(other->open());
  ASSERT_TRUE(t.addRec("keep"));
  {
    Transaction tx{t.file.get(), other.file.get()};
    ASSERT_TRUE(tx.active());
    ASSERT_TRUE(t.addRec("dropped"));
    ASSERT_TRUE(other.addRec("dropped"));
    t.set("keep");
    ASSERT_TRUE(t->get(kName));
    ASSERT_TRUE(t->erase());
  }  // no commit: rolled back
  EXPECT_EQ(t->records(), 1);
  EXPECT_EQ(other->records(), 0);
  {
    Transaction tx{t.file.get(), other.file.get()};
    ASSERT_TRUE(t.addRec("kept"));
    ASSERT_TRUE(other.addRec("kept"));
    EXPECT_TRUE(tx.commit());
  }
  EXPECT_EQ(t->records(), 2);
  EXPECT_EQ(other->records(), 1);
}

// Deletions inside a change over several files are carried out at its commit: the file's own
// reads no longer see them, and a deletion a file refuses takes back what the other files
// had committed, updates included.
TEST_F(KeyedFileTest, ChangeOverFilesIsWholeOrNotAtAll) {
  TestFile other("OTHER");
  ASSERT_TRUE(other->create());
  ASSERT_TRUE(other->open());
  ASSERT_TRUE(t.addRec("a", "old"));
  ASSERT_TRUE(t.addRec("b"));
  ASSERT_TRUE(other.addRec("gone"));
  ASSERT_EQ(sqlite3_exec(other->connection(),
                         "CREATE TRIGGER refuse BEFORE DELETE ON \"Tests\" WHEN old.NAME = 'kept' "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  auto names = [](TestFile& f) {
    std::vector<std::string> out;
    f->setKeyOrder(kName);
    while (f->next()) out.push_back(f.rec.name.str() + "/" + f.rec.host.str());
    return out;
  };
  {
    Transaction tx{t.file.get(), other.file.get()};
    t.set("a");
    ASSERT_TRUE(t->get(kName));
    t.rec.host = "new";
    ASSERT_TRUE(t->put());
    ASSERT_TRUE(t.addRec("c"));
    other.set("gone");
    ASSERT_TRUE(other->get(kName));
    ASSERT_TRUE(other->erase());
    EXPECT_TRUE(names(other).empty());
    EXPECT_TRUE(tx.commit()) << errors().text;
  }
  EXPECT_EQ(names(t), (std::vector<std::string>{"a/new", "b/", "c/"}));
  EXPECT_TRUE(names(other).empty());

  ASSERT_TRUE(other.addRec("kept"));
  {
    Transaction tx{t.file.get(), other.file.get()};
    t.set("a");
    ASSERT_TRUE(t->get(kName));
    t.rec.host = "newer";
    ASSERT_TRUE(t->put());
    ASSERT_TRUE(t.addRec("d"));
    t.set("b");
    ASSERT_TRUE(t->get(kName));
    ASSERT_TRUE(t->erase());
    other.set("kept");
    ASSERT_TRUE(other->get(kName));
    ASSERT_TRUE(other->erase());
    EXPECT_FALSE(tx.commit());
    EXPECT_EQ(tx.failedFile(), other.file.get());
  }
  EXPECT_EQ(names(t), (std::vector<std::string>{"a/new", "b/", "c/"}));
  EXPECT_EQ(names(other), (std::vector<std::string>{"kept/"}));
}

// A transaction inside another takes back only its own changes, deletions noted for the
// outer change's commit included; what it commits waits for the outer one.
TEST_F(KeyedFileTest, InnerTransactionTakesBackOnlyItsOwnChanges) {
  TestFile other("OTHER");
  ASSERT_TRUE(other->create());
  ASSERT_TRUE(other->open());
  ASSERT_TRUE(t.addRec("a"));
  ASSERT_TRUE(t.addRec("b"));
  auto count = [](TestFile& f) {
    int n = 0;
    for (f->setKeyOrder(kName); f->next();) ++n;
    return n;
  };
  {
    Transaction outer{t.file.get(), other.file.get()};
    ASSERT_TRUE(other.addRec("kept"));
    {
      Transaction inner{t.file.get(), other.file.get()};
      ASSERT_TRUE(other.addRec("taken back"));
      t.set("a");
      ASSERT_TRUE(t->get(kName));
      ASSERT_TRUE(t->erase());
      EXPECT_EQ(count(t), 1);
    }
    EXPECT_EQ(count(t), 2);
    EXPECT_EQ(count(other), 1);
    {
      Transaction inner{t.file.get(), other.file.get()};
      t.set("b");
      ASSERT_TRUE(t->get(kName));
      ASSERT_TRUE(t->erase());
      EXPECT_TRUE(inner.commit());
    }
    EXPECT_EQ(count(t), 1);
    EXPECT_TRUE(outer.commit()) << errors().text;
  }
  EXPECT_EQ(count(t), 1);
  EXPECT_EQ(count(other), 1);
  t.set("a");
  EXPECT_TRUE(t->get(kName));
}

// A change is noted beside its own files, also after the program changed directory.
TEST(ChangeJournalTest, EachDirectoryKeepsItsOwnJournal) {
  for (int round = 0; round < 2; ++round) {
    WorkDir dir;
    TestFile a("A"), b("B");
    for (TestFile* f : {&a, &b}) ASSERT_TRUE((*f)->create() && (*f)->open());
    Transaction tx{a.file.get(), b.file.get()};
    ASSERT_TRUE(a.addRec("x"));
    ASSERT_TRUE(b.addRec("y"));
    ASSERT_TRUE(tx.commit());
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/CHANGES.db")) << round;
  }
}

TEST_F(KeyedFileTest, PendingAppendsSurviveTransactionsAndDestruction) {
  ASSERT_TRUE(t.addRec("added"));
  t.set("appended");
  ASSERT_TRUE(t->append());
  {
    Transaction tx{t.file.get()};  // commits the appends before it begins
    ASSERT_TRUE(t.addRec("rolled back"));
  }
  EXPECT_EQ(t->records(), 2);
  {
    TestFile other("OTHER");
    ASSERT_TRUE(other->create());
    ASSERT_TRUE(other->open());
    other.set("only appended");
    ASSERT_TRUE(other->append());
  }  // neither FLUSH nor CLOSE: the object going away writes the batch
  TestFile other("OTHER");
  ASSERT_TRUE(other->open());
  EXPECT_EQ(other->records(), 1);
}

TEST_F(KeyedFileTest, StatementsNeedAnOpenWritableFile) {
  ASSERT_TRUE(t.addRec("a"));
  EXPECT_FALSE(t->open());
  EXPECT_EQ(errorCode(), ErrorCode::AlreadyOpen);
  ASSERT_TRUE(t->close());
  EXPECT_FALSE(t->next());
  EXPECT_EQ(errorCode(), ErrorCode::NotOpen);
  EXPECT_FALSE(t->close());
  ASSERT_TRUE(t->open({Access::ReadOnly, Share::DenyNone}));
  EXPECT_FALSE(t.addRec("b"));
  EXPECT_EQ(errorCode(), ErrorCode::ReadOnly);
  t->setRecordOrder();
  ASSERT_TRUE(t->next());
  EXPECT_FALSE(t->put());
  EXPECT_EQ(errorCode(), ErrorCode::ReadOnly);
}

TEST_F(KeyedFileTest, ResetReturnsToAPositionInKeyOrder) {
  for (auto [name, host] : {std::pair{"a", "x"}, {"b", "y"}, {"c", "x"}, {"d", "x"}})
    ASSERT_TRUE(t.addRec(name, host));
  t->setKeyOrder(kHost);
  ASSERT_TRUE(t->next());
  ASSERT_TRUE(t->next());
  const auto pos = t->position();  // "c": second of the three "x"
  ASSERT_TRUE(t->next());
  ASSERT_TRUE(t->resetTo(kHost, pos));
  EXPECT_EQ(t.walk(), (std::vector<std::string>{"c", "d", "b"}));
  ASSERT_TRUE(t->resetTo(-1, pos));
  EXPECT_EQ(t.walk(), (std::vector<std::string>{"c", "d"}));
  t.set("c");
  ASSERT_TRUE(t->get(kName));
  ASSERT_TRUE(t->erase());
  EXPECT_FALSE(t->resetTo(kHost, pos));
  EXPECT_EQ(errorCode(), ErrorCode::NoRecord);
}

TEST_F(KeyedFileTest, CursorStateCanBeSwappedBetweenReaders) {
  for (auto name : {"a", "b", "c", "d"}) ASSERT_TRUE(t.addRec(name));
  t->setKeyOrder(kName);
  ASSERT_TRUE(t->next());
  const auto saved = t->cursorState();
  ASSERT_TRUE(t->next());
  ASSERT_TRUE(t->next());
  t->setCursorState(saved);
  ASSERT_TRUE(t->next());
  EXPECT_EQ(t.rec.name.str(), "b");
}

class KeyedFileOpenTest : public ::testing::Test {
 protected:
  WorkDir dir;
  TestFile t;
  void writeFile(const char* name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
};

TEST_F(KeyedFileOpenTest, MissingFileIsNotFoundAndCreateMakesIt) {
  EXPECT_FALSE(t->open());
  EXPECT_EQ(errorCode(), ErrorCode::FileNotFound);
  EXPECT_NE(errors().text.find("TESTS.db"), std::string::npos);
  ASSERT_TRUE(t->create());
  ASSERT_TRUE(t->open());
  EXPECT_EQ(t->records(), 0);
}

TEST_F(KeyedFileOpenTest, ForeignFilesAreRefusedByTheirCause) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* sql;
    ErrorCode code;
  };
  const Case cases[] = {
      {"garbage", std::string(5000, 'x'), nullptr, ErrorCode::InvalidFile},
      {"truncated header", "SQLite format 3", nullptr, ErrorCode::InvalidFile},
      {"zero bytes", "", nullptr, ErrorCode::InvalidFile},
      {"empty database", "", "PRAGMA user_version=1", ErrorCode::InvalidFile},
      {"foreign table", "", "CREATE TABLE Tests (a TEXT)", ErrorCode::LayoutDiffers},
      {"other table", "", "CREATE TABLE Elsewhere (a TEXT)", ErrorCode::LayoutDiffers},
  };
  for (const auto& c : cases) {
    ::unlink("TESTS.db");
    if (c.sql) {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open("TESTS.db", &db), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(db, c.sql, nullptr, nullptr, nullptr), SQLITE_OK);
      sqlite3_close(db);
    } else {
      writeFile("TESTS.db", c.bytes);
    }
    for (Access a : {Access::ReadWrite, Access::ReadOnly}) {
      EXPECT_FALSE(t->open({a, Share::DenyWrite})) << c.what;
      EXPECT_EQ(errorCode(), c.code) << c.what << ": " << errors().text;
      EXPECT_FALSE(t->isOpen());
    }
    // CREATE replaces it with a good file.
    ASSERT_TRUE(t->create()) << c.what << ": " << errors().text;
    ASSERT_TRUE(t->open()) << c.what;
    ASSERT_TRUE(t->close());
  }
}

TEST_F(KeyedFileOpenTest, DamageInsideTheFileEndsAWalkAsDamaged) {
  ASSERT_TRUE(t->create());
  ASSERT_TRUE(t->open());
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(t.addRec("name" + std::to_string(i), "host"));
  ASSERT_TRUE(t->close());
  {
    // Garbage over pages in the middle; the first page (the schema) stays sound.
    std::fstream f("TESTS.db", std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4096 * 8);
    const std::string junk(4096 * 6, '\x5a');
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
  }
  ASSERT_TRUE(t->open()) << errors().text;
  for (int key : {-1, static_cast<int>(kName), static_cast<int>(kHost)}) {
    if (key < 0)
      t->setRecordOrder();
    else
      t->setKeyOrder(key);
    int read = 0;
    while (t->next()) ++read;
    EXPECT_LT(read, 3000) << "key " << key;
    EXPECT_EQ(errorCode(), ErrorCode::Damaged) << "key " << key << ": " << errors().text;
  }
}

TEST_F(KeyedFileOpenTest, MissingKeyNeedsRebuildAndBuildRepairsIt) {
  ASSERT_TRUE(t->create());
  ASSERT_TRUE(t->open());
  ASSERT_TRUE(t.addRec("b", "x"));
  ASSERT_TRUE(t.addRec("a", "y"));
  ASSERT_TRUE(t->close());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open("TESTS.db", &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "DROP INDEX \"Tests_host\"", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  EXPECT_FALSE(t->open());
  EXPECT_EQ(errorCode(), ErrorCode::KeyRebuildNeeded);
  ASSERT_TRUE(t->build()) << errors().text;
  ASSERT_TRUE(t->open()) << errors().text;
  t->setKeyOrder(kHost);
  EXPECT_EQ(t.walk(), (std::vector<std::string>{"b", "a"}));
}

TEST_F(KeyedFileOpenTest, BuildRefusesDuplicatesInAUniqueKey) {
  ASSERT_TRUE(t->create());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open("TESTS.db", &db), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(db, "DROP INDEX \"Tests_name\"; INSERT INTO Tests (NAME) VALUES ('x'), ('X')",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(db);
  EXPECT_FALSE(t->open());
  EXPECT_EQ(errorCode(), ErrorCode::KeyRebuildNeeded);
  EXPECT_FALSE(t->build());
  EXPECT_EQ(errorCode(), ErrorCode::DuplicateKey) << errors().text;
}

TEST_F(KeyedFileOpenTest, DiskNameMatchesInAnyLetterCase) {
  ASSERT_TRUE(t->create());
  ASSERT_EQ(::rename("TESTS.db", "tests.DB"), 0);
  ASSERT_TRUE(t->open()) << errors().text;
  ASSERT_TRUE(t.addRec("x"));
  ASSERT_TRUE(t->close());
  EXPECT_FALSE(std::filesystem::exists("TESTS.db"));
  EXPECT_EQ(t->path(), "tests.DB");
}

TEST_F(KeyedFileOpenTest, ReadOnlyDirectoryGivesClearErrorsNamingTheFile) {
  TestFile existing("EXISTING");
  ASSERT_TRUE(existing->create());
  ASSERT_TRUE(existing->open());
  ASSERT_TRUE(existing.addRec("kept"));
  ASSERT_TRUE(existing->close());
  // The file itself may be written by anybody: only the directory refuses.
  ASSERT_EQ(::chmod("EXISTING.db", 0666), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);

  const int step = unprivileged([&] {
    if (t->create() || errorCode() != ErrorCode::CreateError ||
        errors().text.find("TESTS.db") == std::string::npos)
      return failedStep(1);
    // Writing needs the journal beside the file: refused, but reading still works.
    if (existing->open() || errorCode() != ErrorCode::ReadOnlyPlace ||
        errors().text.find("EXISTING.db") == std::string::npos)
      return failedStep(2);
    if (!existing->open({Access::ReadOnly, Share::DenyWrite})) return failedStep(3);
    existing->setRecordOrder();
    if (!existing->next() || existing.rec.name.str() != "kept") return failedStep(4);
    return 0;
  });
  EXPECT_EQ(step, 0);
}

TEST_F(KeyedFileOpenTest, DenyWriteRefusesWritersOfOtherProgramsOnly) {
  ASSERT_TRUE(t->create());
  ASSERT_TRUE(t->open({Access::ReadWrite, Share::DenyWrite}));
  ASSERT_TRUE(t.addRec("parent"));

  // The same program may open the file again.
  TestFile again;
  ASSERT_TRUE(again->open({Access::ReadWrite, Share::DenyWrite})) << errors().text;
  ASSERT_TRUE(again->close());

  // Another program: writers are refused, readers see the data.
  auto probe = [](const char* how) {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::execl(TW_LOCK_PROBE, TW_LOCK_PROBE, how, static_cast<char*>(nullptr));
      ::_exit(98);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
  };
  EXPECT_EQ(probe("rw-deny"), 1);
  EXPECT_EQ(probe("rw-none"), 1);
  EXPECT_EQ(probe("ro"), 0);
  EXPECT_EQ(probe("remove"), 1);

  ASSERT_TRUE(t->close());
  EXPECT_EQ(probe("rw-deny"), 0);
  // A program that shares writing keeps out one that denies it.
  ASSERT_TRUE(t->open({Access::ReadWrite, Share::DenyNone}));
  EXPECT_EQ(probe("rw-deny"), 1);
  EXPECT_EQ(probe("rw-none"), 0);
}

TEST(KeyedFileSql, CursorAndGetQueriesSearchAnIndex) {
  WorkDir dir;
  TestFile t;
  ASSERT_TRUE(t->create());
  ASSERT_TRUE(t->open());
  for (int key = -1; key < static_cast<int>(t.desc.keys.size()); ++key) {
    const auto queries = t->querySql(key);
    EXPECT_FALSE(queries.empty()) << "key " << key;
    for (const auto& q : queries) {
      const std::string plan = queryPlan(t->connection(), q);
      EXPECT_EQ(plan.find("SCAN"), std::string::npos) << "key " << key << "\n" << q << plan;
      EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << "key " << key << "\n" << plan;
      EXPECT_NE(plan.find("SEARCH"), std::string::npos) << plan;
    }
  }
}

TEST(ErrorState, ProviderRedirectsTheState) {
  static ErrorState slot;
  clearError();
  setErrorStateProvider([]() -> ErrorState& { return slot; });
  setError(ErrorCode::DuplicateKey, "F");
  EXPECT_EQ(slot.code, ErrorCode::DuplicateKey);
  EXPECT_EQ(slot.text, errorCodeText(ErrorCode::DuplicateKey));
  setErrorStateProvider(nullptr);
  EXPECT_EQ(errorCode(), ErrorCode::NoError);
}

}  // namespace
}  // namespace rt::testing
