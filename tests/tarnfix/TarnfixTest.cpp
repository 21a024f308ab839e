#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dictionary/Dictionary.h"
#include "dictionary/Files.h"
#include "runtime/data/KeyedFile.h"
#include "tarnfix/Repair.h"
#include "tarnfix/RepairWindow.h"
#include "tarnfix/Salvage.h"

namespace {

namespace fs = std::filesystem;

// A temporary working directory, made current for the test's lifetime.
class WorkDir {
 public:
  WorkDir() {
    char tmpl[] = "/tmp/tarnfixXXXXXX";
    dir_ = ::mkdtemp(tmpl);
    old_ = fs::current_path();
    fs::current_path(dir_);
  }
  ~WorkDir() {
    fs::current_path(old_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const std::string& path() const { return dir_; }

 private:
  std::string dir_;
  fs::path old_;
};

// Writes a record buffer field the way the system does: blank-padded text.
void setText(const rt::FileDesc& desc, std::string& record, const char* field,
             const std::string& value) {
  const int i = desc.fieldIndex(field);
  ASSERT_GE(i, 0) << field;
  const rt::FieldDesc& f = desc.fields[i];
  std::string padded = value.substr(0, f.size);
  padded.resize(f.size, ' ');
  std::memcpy(record.data() + f.offset, padded.data(), f.size);
}

// Text fields of one record by name; the rest blank or zero.
using Row = std::vector<std::pair<std::string, std::string>>;

// A new data file of the dictionary holding the rows given.
void makeRecords(const rt::FileDesc& desc, const std::vector<Row>& rows) {
  std::string record(desc.recordSize, '\0');
  std::vector<std::string> memos;
  for (const rt::MemoDesc& m : desc.memos) memos.emplace_back(m.size, ' ');
  std::vector<char*> memoPointers;
  for (std::string& m : memos) memoPointers.push_back(m.data());
  rt::KeyedFile file(desc, record.data(), memoPointers);
  ASSERT_TRUE(file.create());
  ASSERT_TRUE(file.open());
  for (const Row& row : rows) {
    std::fill(record.begin(), record.end(), '\0');
    for (const rt::FieldDesc& f : desc.fields)
      if (f.type == rt::FieldType::String) std::memset(record.data() + f.offset, ' ', f.size);
    for (std::string& m : memos) std::fill(m.begin(), m.end(), ' ');
    for (const auto& [field, value] : row) {
      std::size_t m = 0;
      while (m < desc.memos.size() && desc.memos[m].name != field) ++m;
      if (m < desc.memos.size())
        memos[m].replace(0, value.size(), value);
      else
        setText(desc, record, field.c_str(), value);
    }
    ASSERT_TRUE(file.add()) << rt::errors().text;
  }
  ASSERT_TRUE(file.close());
}

// A data file of the dictionary with records whose name field runs name0, name1, ...
void makeFile(const rt::FileDesc& desc, const char* nameField, int count,
              const char* otherField = nullptr) {
  std::vector<Row> rows;
  for (int n = 0; n < count; ++n) {
    rows.push_back({{nameField, "name" + std::to_string(n) + ".example"}});
    if (otherField) rows.back().emplace_back(otherField, "host" + std::to_string(n % 4));
  }
  makeRecords(desc, rows);
}

struct Db {
  explicit Db(const std::string& path, int flags = SQLITE_OPEN_READWRITE) {
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, flags, nullptr), SQLITE_OK);
  }
  ~Db() { sqlite3_close_v2(db); }
  void exec(const std::string& sql) {
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK)
        << sql << ": " << (err ? err : "");
    sqlite3_free(err);
  }
  std::vector<std::string> column(const std::string& sql) {
    std::vector<std::string> out;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) return out;
    while (sqlite3_step(s) == SQLITE_ROW) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      out.emplace_back(t ? t : "");
    }
    sqlite3_finalize(s);
    return out;
  }
  sqlite3* db = nullptr;
};

// Every record of a file, all columns, in record order: what must survive a repair.
std::vector<std::string> dump(const std::string& path, const std::string& table) {
  Db db(path, SQLITE_OPEN_READONLY);
  sqlite3_stmt* s = nullptr;
  std::vector<std::string> rows;
  const std::string sql = "SELECT rowid, * FROM \"" + table + "\" ORDER BY rowid";
  if (sqlite3_prepare_v2(db.db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) return rows;
  while (sqlite3_step(s) == SQLITE_ROW) {
    std::string row;
    for (int c = 0; c < sqlite3_column_count(s); ++c) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
      row += std::string(t ? t : "<null>") + "|";
    }
    rows.push_back(row);
  }
  sqlite3_finalize(s);
  return rows;
}

bool integritySound(const std::string& path) {
  Db db(path, SQLITE_OPEN_READONLY);
  const auto lines = db.column("PRAGMA integrity_check");
  return lines.size() == 1 && lines[0] == "ok";
}

std::string bytesOf(const std::string& path) {
  if (fs::is_directory(path)) return "<directory>";
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Points the two keys of Domains at each other's index pages: both hold the wrong entries,
// while the file's definition of them stays as it should be.
void swapDomainsIndexes() {
  const std::string path = "DOMAINS.db";
  Db db(path);
  const auto roots = db.column(
      "SELECT rootpage FROM sqlite_master WHERE type = 'index' AND tbl_name = "
      "'Domains' ORDER BY name");
  ASSERT_EQ(roots.size(), 2u);
  const auto names = db.column(
      "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Domains' ORDER BY "
      "name");
  db.exec("PRAGMA writable_schema = ON");
  db.exec("UPDATE sqlite_master SET rootpage = " + roots[1] + " WHERE name = '" + names[0] + "'");
  db.exec("UPDATE sqlite_master SET rootpage = " + roots[0] + " WHERE name = '" + names[1] + "'");
  db.exec("PRAGMA writable_schema = OFF");
}

// Clobbers the page type of a table's root page: damage no key rebuild can mend.
void damageTablePage(const std::string& path, const std::string& table) {
  int root = 0;
  int pageSize = 0;
  {
    Db db(path, SQLITE_OPEN_READONLY);
    root = std::atoi(
        db.column("SELECT rootpage FROM sqlite_master WHERE type='table' AND name='" + table + "'")
            .at(0)
            .c_str());
    pageSize = std::atoi(db.column("PRAGMA page_size").at(0).c_str());
  }
  ASSERT_GT(root, 1);
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(static_cast<std::streamoff>(root - 1) * pageSize);
  f.put('\x01');
}

struct Batch {
  int exitCode = -1;
  QString out;
};

Batch runBatch(const std::string& dir, QStringList more = {}) {
  QProcess p;
  p.setWorkingDirectory(QString::fromStdString(dir));
  p.start(QStringLiteral(TW_TARNFIX), QStringList{QStringLiteral("--batch")} + more);
  Batch b;
  if (!p.waitForFinished(60000)) return b;
  b.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  b.out = QString::fromUtf8(p.readAllStandardOutput());
  return b;
}

QString lineFor(const QString& out, const QString& label) {
  for (const QString& line : out.split('\n'))
    if (line.startsWith(label + " (")) return line;
  return {};
}

// ---- one file at a time ----

TEST(TarnfixCheck, SoundFileIsOkWithItsRecordsCounted) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 12, "DOM:HOST");
  const auto before = dump("DOMAINS.db", "Domains");
  const tarnfix::FileResult r = tarnfix::checkFile(DomainsDesc());
  EXPECT_EQ(r.outcome, tarnfix::Outcome::Ok) << r.text;
  EXPECT_EQ(r.records, 12);
  EXPECT_EQ(r.fileName, "DOMAINS.db");
  EXPECT_EQ(tarnfix::describe(r), "Domains (DOMAINS.db): OK (12 records)");
  EXPECT_EQ(dump("DOMAINS.db", "Domains"), before);
}

TEST(TarnfixCheck, CorruptIndexIsRebuiltAndEveryRecordKept) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 40, "DOM:HOST");
  const auto before = dump("DOMAINS.db", "Domains");
  swapDomainsIndexes();
  ASSERT_FALSE(integritySound("DOMAINS.db"));

  const tarnfix::FileResult r = tarnfix::checkFile(DomainsDesc());
  EXPECT_EQ(r.outcome, tarnfix::Outcome::Rebuilt) << r.text;
  EXPECT_EQ(tarnfix::describe(r),
            "Domains (DOMAINS.db): rebuilt (40 records): its keys were damaged and have been "
            "rebuilt; no record was lost");
  ASSERT_FALSE(r.details.empty());
  EXPECT_NE(r.details[0].find("index"), std::string::npos) << r.details[0];
  EXPECT_EQ(r.records, 40);
  EXPECT_TRUE(integritySound("DOMAINS.db"));
  EXPECT_EQ(dump("DOMAINS.db", "Domains"), before);

  // The mended keys find records again.
  std::string record(DomainsDesc().recordSize, ' ');
  std::string memo(DomainsDesc().memos.at(0).size, ' ');
  rt::KeyedFile file(DomainsDesc(), record.data(), {memo.data()});
  ASSERT_TRUE(file.open());
  setText(DomainsDesc(), record, "DOM:DOMAINNAME", "NAME17.EXAMPLE");
  EXPECT_TRUE(file.get(DomainsDesc().keyIndex("DOM:name")));
  file.close();
}

TEST(TarnfixCheck, MissingKeyIsMadeAnew) {
  WorkDir dir;
  makeFile(HostsDesc(), "HOS:HOSTNAME", 5);
  {
    Db db("HOSTS.db");
    const auto names = db.column("SELECT name FROM sqlite_master WHERE type = 'index'");
    ASSERT_FALSE(names.empty());
    db.exec("DROP INDEX \"" + names[0] + "\"");
  }
  const tarnfix::FileResult r = tarnfix::checkFile(HostsDesc());
  EXPECT_EQ(r.outcome, tarnfix::Outcome::Rebuilt) << r.text;
  EXPECT_EQ(r.records, 5);
  Db db("HOSTS.db", SQLITE_OPEN_READONLY);
  EXPECT_EQ(db.column("SELECT name FROM sqlite_master WHERE type = 'index'").size(),
            HostsDesc().keys.size());
}

// Files that cannot be mended get one sentence each, SQLite's words go to the details, and
// the files stay byte for byte as they were.
TEST(TarnfixCheck, UnmendableFilesAreReportedInASentenceAndLeftUntouched) {
  struct Case {
    const char* what;
    void (*damage)();
    const char* sentence;  // after "Domains (DOMAINS.db): "
    const char* detail;    // in the details
  };
  const char* noDataFile =
      "not a data file (empty, or something else saved under its name); left as it is; move it "
      "away or restore it from a backup";
  const Case cases[] = {
      {"foreign text", [] { std::ofstream("DOMAINS.db") << "not a database at all\n"; }, noDataFile,
       "not a database"},
      {"empty", [] { std::ofstream("DOMAINS.db"); }, noDataFile, "empty"},
      {"another program's database",
       [] {
         Db db("DOMAINS.db", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
         db.exec("CREATE TABLE elsewhere(a, b); INSERT INTO elsewhere VALUES (1, 2)");
       },
       "holds records of another layout than Domains; left as it is; move it away or restore it "
       "from a backup",
       "no Domains table"},
      {"another layout of Domains",
       [] {
         Db db("DOMAINS.db", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
         db.exec("CREATE TABLE Domains(DOMAINNAME TEXT)");
       },
       "holds records of another layout than Domains; left as it is; move it away or restore it "
       "from a backup",
       "other columns"},
      {"damaged table page",
       [] {
         makeFile(DomainsDesc(), "DOM:DOMAINNAME", 30, "DOM:HOST");
         damageTablePage("DOMAINS.db", "Domains");
       },
       "damaged: some of its records cannot be read; left as it is; salvage its readable records "
       "into a fresh file, or restore it from a backup",
       "malformed"},
      {"a directory", [] { fs::create_directory("DOMAINS.db"); }, "cannot be read; left as it is",
       ""},
      {"two domains of one name where the key allows one",
       [] {
         makeFile(DomainsDesc(), "DOM:DOMAINNAME", 4);
         Db db("DOMAINS.db");
         db.exec("DROP INDEX \"Domains_name\"");
         db.exec("INSERT INTO Domains (DOMAINNAME) VALUES ('name2.example')");
       },
       "records 3 and 5 have the same DOM:name \"name2.example\", where the key DOM:name allows "
       "each value once; left as it is",
       "UNIQUE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WorkDir dir;
    c.damage();
    const std::string bytes = bytesOf("DOMAINS.db");
    const tarnfix::FileResult r = tarnfix::checkFile(DomainsDesc());
    EXPECT_EQ(r.outcome, tarnfix::Outcome::Problem);
    EXPECT_EQ(tarnfix::describe(r), std::string("Domains (DOMAINS.db): ") + c.sentence);
    std::string details;
    for (const std::string& d : r.details) details += d + "\n";
    EXPECT_NE(details.find(c.detail), std::string::npos) << details;
    EXPECT_EQ(bytesOf("DOMAINS.db"), bytes);
  }
  WorkDir dir;
  const tarnfix::FileResult none = tarnfix::checkFile(DomainsDesc());
  EXPECT_EQ(tarnfix::describe(none), "Domains (DOMAINS.db): no such file");
  EXPECT_FALSE(fs::exists("DOMAINS.db"));
}

TEST(TarnfixCheck, ClashingKeysAreNamedByTheirRecordsAndValue) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 4);
  {
    Db db("DOMAINS.db");
    db.exec("DROP INDEX \"Domains_name\"");
    db.exec("INSERT INTO Domains (DOMAINNAME) VALUES ('NAME2.EXAMPLE'), ('name1.example')");
  }
  const tarnfix::FileResult r = tarnfix::checkFile(DomainsDesc());
  EXPECT_EQ(r.outcome, tarnfix::Outcome::Problem);
  for (const char* words : {"records 2 and 6 have the same DOM:name \"name1.example\"",
                            "records 3 and 5 have the same DOM:name \"", "allows each value once"})
    EXPECT_NE(r.text.find(words), std::string::npos) << r.text;
  EXPECT_EQ(r.text.find("constraint"), std::string::npos) << r.text;
}

TEST(TarnfixCheck, FindsFilesInAnyLetterCase) {
  WorkDir dir;
  makeFile(RegistrarsDesc(), "REG:COMPANYNAME", 3);
  fs::rename("REGISTRA.db", "registra.DB");
  const auto results = tarnfix::checkWorkingDirectory();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].fileName, "registra.DB");
  EXPECT_EQ(results[0].outcome, tarnfix::Outcome::Ok) << results[0].text;
  EXPECT_EQ(results[0].records, 3);
}

TEST(TarnfixCheck, WorkingDirectoryResultsComeInTheDictionaryOrder) {
  WorkDir dir;
  makeFile(HostsDesc(), "HOS:HOSTNAME", 2);
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 1);
  std::vector<std::string> seen;
  const auto results = tarnfix::checkWorkingDirectory(
      [&](const tarnfix::FileResult& r) { seen.push_back(r.label); });
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(seen, (std::vector<std::string>{"Domains", "Hosts"}));
  EXPECT_EQ(tarnfix::describe(results[0]), "Domains (DOMAINS.db): OK (1 record)");
  EXPECT_TRUE(tarnfix::allSound(results));
}

// ---- salvage ----

// Domains whose first records are long enough to need overflow pages.
void makeSalvageable(int count) {
  std::vector<Row> rows;
  for (int n = 0; n < count; ++n) {
    rows.push_back({{"DOM:DOMAINNAME", "name" + std::to_string(n) + ".example"},
                    {"DOM:HOST", "host" + std::to_string(n % 4)},
                    {"DOM:Notes", std::string(n < 5 ? 990 : 20, char('a' + n % 26))}});
    if (n < 5)
      for (const rt::FieldDesc& f : DomainsDesc().fields)
        if (f.type == rt::FieldType::String && f.name != "DOM:DOMAINNAME")
          rows.back().emplace_back(f.name, std::string(f.size, 'x'));
  }
  makeRecords(DomainsDesc(), rows);
  // Small pages: the long records span several, and the page size is not the usual one.
  Db("DOMAINS.db")
      .exec(
          "PRAGMA journal_mode = DELETE; PRAGMA page_size = 1024; VACUUM; PRAGMA journal_mode = "
          "WAL");
}

std::uint64_t readVarint(const unsigned char*& p) {
  std::uint64_t v = 0;
  for (int i = 0; i < 9; ++i, ++p) {
    if (i == 8) return (v << 8) | *p++;
    v = (v << 7) | (*p & 0x7f);
    if (!(*p & 0x80)) return ++p, v;
  }
  return v;
}

// Spoils the last table leaf page of Domains: the start of its first `cells` cells, or the
// whole page when cells < 0. The rowids of the records it took.
std::set<std::string> spoilLeaf(int cells) {
  int page = 0;
  int size = 0;
  {
    Db db("DOMAINS.db", SQLITE_OPEN_READONLY);
    page = std::atoi(db.column("SELECT max(pageno) FROM dbstat WHERE name = 'Domains' AND "
                               "pagetype = 'leaf'")
                         .at(0)
                         .c_str());
    size = std::atoi(db.column("PRAGMA page_size").at(0).c_str());
  }
  std::fstream f("DOMAINS.db", std::ios::in | std::ios::out | std::ios::binary);
  std::vector<unsigned char> bytes(size);
  f.seekg(static_cast<std::streamoff>(page - 1) * size);
  f.read(reinterpret_cast<char*>(bytes.data()), size);
  EXPECT_EQ(bytes[0], 0x0D);
  const int count = (bytes[3] << 8) | bytes[4];
  std::set<std::string> lost;
  for (int c = 0; c < (cells < 0 ? count : cells); ++c) {
    const int at = (bytes[8 + 2 * c] << 8) | bytes[9 + 2 * c];
    const unsigned char* p = &bytes[at];
    readVarint(p);
    lost.insert(std::to_string(readVarint(p)));
    if (cells >= 0) std::fill_n(&bytes[at], 9, 0xFF);
  }
  if (cells < 0) std::fill(bytes.begin(), bytes.end(), 0);
  f.seekp(static_cast<std::streamoff>(page - 1) * size);
  f.write(reinterpret_cast<const char*>(bytes.data()), size);
  return lost;
}

std::vector<std::string> without(const std::vector<std::string>& rows,
                                 const std::set<std::string>& rowids) {
  std::vector<std::string> out;
  for (const std::string& row : rows)
    if (!rowids.count(row.substr(0, row.find('|')))) out.push_back(row);
  return out;
}

// The one file of the directory whose name marks it damaged.
std::string damagedFile() {
  std::string found;
  for (const auto& e : fs::directory_iterator("."))
    if (e.path().filename().string().starts_with("DOMAINS.damaged-"))
      found += (found.empty() ? "" : ",") + e.path().filename().string();
  return found;
}

TEST(TarnfixSalvage, ReadableRecordsGoToAFreshFileAndTheDamagedOneIsKept) {
  const struct {
    const char* what;
    int cells;
    const char* lost;
  } cases[] = {{"three cells spoilt", 3, "3"}, {"a page destroyed", -1, "an unknown number"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WorkDir dir;
    makeSalvageable(300);
    const auto before = dump("DOMAINS.db", "Domains");
    {
      Db db("DOMAINS.db", SQLITE_OPEN_READONLY);
      ASSERT_NE(db.column("SELECT count(*) FROM dbstat WHERE pagetype = 'overflow'").at(0), "0");
    }
    const std::set<std::string> lost = spoilLeaf(c.cells);
    ASSERT_FALSE(integritySound("DOMAINS.db"));
    const std::string damaged = bytesOf("DOMAINS.db");
    // A name taken already is left alone.
    const std::string date = tarnfix::damagedName("DOMAINS.db").substr(16, 10);
    const std::string taken = "DOMAINS.damaged-" + date + ".db";
    std::ofstream(taken) << "an earlier salvage\n";

    std::vector<std::string> asked;
    tarnfix::Options options;
    options.salvage = [&](const tarnfix::FileResult& r) {
      asked.push_back(r.fileName);
      return true;
    };
    const tarnfix::FileResult r = tarnfix::checkFile(DomainsDesc(), options);
    EXPECT_EQ(asked, std::vector<std::string>{"DOMAINS.db"});
    const std::string keptAs = "DOMAINS.damaged-" + date + "-2.db";
    EXPECT_EQ(tarnfix::describe(r),
              "Domains (DOMAINS.db): damaged; " + std::to_string(300 - lost.size()) +
                  " records were salvaged into a fresh file and " + c.lost +
                  " could not be, and the damaged file is kept as " + keptAs +
                  "; restore the lost records from a backup or enter them again");
    EXPECT_EQ(bytesOf(keptAs), damaged);
    EXPECT_EQ(bytesOf(taken), "an earlier salvage\n");
    EXPECT_TRUE(integritySound("DOMAINS.db"));
    EXPECT_EQ(dump("DOMAINS.db", "Domains"), without(before, lost));
    EXPECT_FALSE(fs::exists("DOMAINS.db-wal") && fs::file_size("DOMAINS.db-wal") > 0);
    EXPECT_FALSE(fs::exists("DOMAINS.salvage.db"));
    // The fresh file is a data file like any other: its keys find its records.
    const tarnfix::FileResult again = tarnfix::checkFile(DomainsDesc());
    EXPECT_EQ(again.outcome, tarnfix::Outcome::Ok) << tarnfix::describe(again);
  }
}

TEST(TarnfixBatch, SalvagesOnlyWhenAskedTo) {
  WorkDir dir;
  makeSalvageable(200);
  const std::set<std::string> lost = spoilLeaf(2);
  const std::string damaged = bytesOf("DOMAINS.db");
  const Batch offer = runBatch(dir.path());
  EXPECT_EQ(offer.exitCode, 1);
  EXPECT_TRUE(lineFor(offer.out, "Domains").startsWith("Domains (DOMAINS.db): damaged: some"))
      << offer.out.toStdString();
  EXPECT_TRUE(offer.out.contains("\n    ")) << "SQLite's findings indented below";
  EXPECT_TRUE(offer.out.contains("tarnfix --batch --salvage")) << offer.out.toStdString();
  EXPECT_EQ(bytesOf("DOMAINS.db"), damaged);
  EXPECT_EQ(damagedFile(), "");

  const Batch done = runBatch(dir.path(), {QStringLiteral("--salvage")});
  EXPECT_EQ(done.exitCode, 1) << "records were lost";
  EXPECT_TRUE(lineFor(done.out, "Domains").contains("198 records were salvaged"))
      << done.out.toStdString();
  EXPECT_EQ(bytesOf(damagedFile()), damaged);
}

// A salvage that runs out of room leaves everything as it was.
TEST(TarnfixBatch, SalvageOnAFullDiskLeavesTheFileAsItIs) {
  WorkDir dir;
  makeSalvageable(300);
  spoilLeaf(2);
  const std::string damaged = bytesOf("DOMAINS.db");
  QProcess p;
  p.setWorkingDirectory(QString::fromStdString(dir.path()));
  // Writes beyond the limit fail as on a full disk (the signal ignored).
  p.start(QStringLiteral("/bin/bash"),
          {QStringLiteral("-c"),
           QStringLiteral("trap '' XFSZ; ulimit -f %1; exec \"$0\" --batch --salvage")
               .arg(damaged.size() * 3 / 4 / 1024),
           QStringLiteral(TW_TARNFIX)});
  ASSERT_TRUE(p.waitForFinished(60000));
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_EQ(lineFor(out, "Domains"),
            "Domains (DOMAINS.db): the disk is full, so it could not be repaired; left as it is; "
            "make room on the disk and run the File Fixer again")
      << out.toStdString();
  EXPECT_EQ(bytesOf("DOMAINS.db"), damaged);
  EXPECT_EQ(damagedFile(), "");
  EXPECT_FALSE(fs::exists("DOMAINS.salvage.db"));
}

// ---- the program in batch mode ----

TEST(TarnfixBatch, EmptyDirectoryIsSound) {
  WorkDir dir;
  const Batch b = runBatch(dir.path());
  EXPECT_EQ(b.exitCode, 0) << b.out.toStdString();
  EXPECT_TRUE(b.out.contains("No data files found.")) << b.out.toStdString();
}

TEST(TarnfixBatch, SoundAndMendedFilesExitZero) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 25, "DOM:HOST");
  makeFile(HostsDesc(), "HOS:HOSTNAME", 4);
  makeFile(WebPagesDesc(), "WEB:PAGENAME", 7);
  swapDomainsIndexes();
  const Batch b = runBatch(dir.path());
  EXPECT_EQ(b.exitCode, 0) << b.out.toStdString();
  EXPECT_TRUE(lineFor(b.out, "Domains").startsWith("Domains (DOMAINS.db): rebuilt (25 records)"))
      << b.out.toStdString();
  EXPECT_EQ(lineFor(b.out, "Hosts"), "Hosts (HOSTS.db): OK (4 records)");
  EXPECT_EQ(lineFor(b.out, "WebPages"), "WebPages (WEBPAGES.db): OK (7 records)");
  EXPECT_TRUE(integritySound("DOMAINS.db"));
}

TEST(TarnfixBatch, ForeignFileFailsTheRunAndTheOthersAreStillChecked) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 10, "DOM:HOST");
  swapDomainsIndexes();
  std::ofstream("WPLINKS.db") << "<html>a page saved under the wrong name</html>\n";
  const std::string foreign = bytesOf("WPLINKS.db");
  const auto records = dump("DOMAINS.db", "Domains");
  const Batch b = runBatch(dir.path());
  EXPECT_EQ(b.exitCode, 1) << b.out.toStdString();
  EXPECT_TRUE(lineFor(b.out, "WPLinks").startsWith("WPLinks (WPLINKS.db): not a data file"))
      << b.out.toStdString();
  EXPECT_TRUE(lineFor(b.out, "Domains").contains("rebuilt")) << b.out.toStdString();
  EXPECT_EQ(bytesOf("WPLINKS.db"), foreign);
  EXPECT_EQ(dump("DOMAINS.db", "Domains"), records);
}

TEST(TarnfixBatch, FileInUseByAnotherProgramIsReportedNotTouched) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 3);
  std::string record(DomainsDesc().recordSize, ' ');
  std::string memo(DomainsDesc().memos.at(0).size, ' ');
  rt::KeyedFile held(DomainsDesc(), record.data(), {memo.data()});
  ASSERT_TRUE(held.open({rt::Access::ReadWrite, rt::Share::DenyWrite}));
  const Batch b = runBatch(dir.path());
  held.close();
  EXPECT_EQ(b.exitCode, 1) << b.out.toStdString();
  EXPECT_EQ(lineFor(b.out, "Domains"),
            "Domains (DOMAINS.db): in use by another program; left as it is; close that program "
            "and run the File Fixer again");
}

// ---- orphans ----

// The name of a field as a column of its table: "WPM:WEBPAGEPATH" is WEBPAGEPATH.
std::string columnOf(const rt::FileDesc& desc, int field) {
  const std::string& name = desc.fields[field].name;
  return name.substr(name.find(':') + 1);
}

// The links to WebPages, one per kind of page detail.
std::vector<DictRelation> detailLinks() {
  std::vector<DictRelation> out;
  for (const DictRelation& r : DictionaryRelations())
    if (r.parent == &WebPagesDesc()) out.push_back(r);
  return out;
}

std::vector<std::string> sortedColumn(const rt::FileDesc& desc, int field) {
  Db db(desc.diskName + ".db", SQLITE_OPEN_READONLY);
  return db.column("SELECT " + columnOf(desc, field) + " FROM " + desc.label + " ORDER BY 1");
}

const char kKeptA[] = "http://kept.example/a.htm";
const char kKeptB[] = "http://kept.example/b.htm";
const char kGoneC[] = "http://gone.example/c.htm";

// A domain with two pages (one naming it in other letters), two pages of a domain that is
// gone, a page of no domain; details of each kind for the pages of both domains, for a
// page that never was and for no page.
void makeSite() {
  makeRecords(DomainsDesc(), {{{"DOM:DOMAINNAME", "kept.example"}}});
  makeRecords(WebPagesDesc(), {{{"WEB:DOMAINNAME", "kept.example"}, {"WEB:PAGEPATH", kKeptA}},
                               {{"WEB:DOMAINNAME", "KEPT.EXAMPLE"}, {"WEB:PAGEPATH", kKeptB}},
                               {{"WEB:DOMAINNAME", "gone.example"}, {"WEB:PAGEPATH", kGoneC}},
                               {{"WEB:DOMAINNAME", "gone.example"}, {"WEB:PAGENAME", "d.htm"}},
                               {{"WEB:PAGENAME", "e.htm"}, {"WEB:PAGEPATH", "http://e/e.htm"}}});
  for (const DictRelation& r : detailLinks()) {
    const std::string path = r.child->fields[r.childField].name;
    makeRecords(*r.child, {{{path, kKeptA}},
                           {{path, kKeptA}},
                           {{path, "HTTP://KEPT.EXAMPLE/B.HTM"}},
                           {{path, kGoneC}},
                           {{path, kGoneC}},
                           {{path, "http://never.example/x.htm"}},
                           {}});
  }
}

TEST(TarnfixOrphans, PagesWithoutDomainAndDetailsWithoutPageAreRemovedAndCounted) {
  WorkDir dir;
  makeSite();
  const DictRelation meta = detailLinks().at(0);
  std::string why;
  EXPECT_EQ(tarnfix::orphans(*meta.child, false, why), 1) << why;  // counted, not removed
  EXPECT_EQ(tarnfix::orphans(WebPagesDesc(), false, why), 2) << why;
  EXPECT_EQ(sortedColumn(*meta.child, meta.childField).size(), 7u);

  const Batch b = runBatch(dir.path());
  EXPECT_EQ(b.exitCode, 0) << b.out.toStdString();
  EXPECT_EQ(lineFor(b.out, "Domains"), "Domains (DOMAINS.db): OK (1 record)");
  EXPECT_EQ(lineFor(b.out, "WebPages"),
            "WebPages (WEBPAGES.db): OK (3 records); 2 orphaned records removed (their domain is "
            "gone)");
  const int path = WebPagesDesc().fieldIndex("WEB:PAGEPATH");
  EXPECT_EQ(sortedColumn(WebPagesDesc(), path),
            (std::vector<std::string>{"http://e/e.htm", kKeptA, kKeptB}));
  for (const DictRelation& r : detailLinks()) {
    SCOPED_TRACE(r.child->label);
    EXPECT_EQ(lineFor(b.out, QString::fromStdString(r.child->label)),
              QString::fromStdString(r.child->label + " (" + r.child->diskName +
                                     ".db): OK (4 records); 3 orphaned records removed (their "
                                     "page is gone)"));
    EXPECT_EQ(sortedColumn(*r.child, r.childField),
              (std::vector<std::string>{"", "HTTP://KEPT.EXAMPLE/B.HTM", kKeptA, kKeptA}));
  }
  const Batch again = runBatch(dir.path());
  EXPECT_EQ(lineFor(again.out, "WebPages"), "WebPages (WEBPAGES.db): OK (3 records)");
}

// Without a sound parent file nothing tells an orphan from a record whose parent is merely
// out of reach: such records are kept.
TEST(TarnfixOrphans, KeptWhileTheirParentFileIsMissingOrUnsound) {
  const struct {
    const char* what;
    void (*spoil)();
  } cases[] = {
      {"no domains file", [] { fs::remove("DOMAINS.db"); }},
      {"domains file foreign", [] { std::ofstream("DOMAINS.db") << "not a database\n"; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WorkDir dir;
    makeSite();
    c.spoil();
    const auto results = tarnfix::checkWorkingDirectory();
    const int path = WebPagesDesc().fieldIndex("WEB:PAGEPATH");
    EXPECT_EQ(sortedColumn(WebPagesDesc(), path).size(), 5u);
    for (const tarnfix::FileResult& r : results) {
      SCOPED_TRACE(r.label);
      // Details whose page is gone go; those of the gone domain's pages stay with them.
      EXPECT_EQ(r.orphansRemoved, r.label == "WebPages" || r.label == "Domains" ? 0 : 1);
    }
  }
}

// ---- the window ----

QPushButton* button(QWidget& w, const QString& text) {
  for (QPushButton* b : w.findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

TEST(TarnfixWindow, CheckAndRepairListsEveryFileAndTheVerdict) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 2);
  std::ofstream("WPLINKS.db") << "plain text\n";
  tarnfix::RepairWindow window;
  window.show();
  EXPECT_FALSE(window.windowIcon().isNull());
  auto* list = window.findChild<QListWidget*>("results");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 0);
  QPushButton* check = button(window, "Check and Repair");
  ASSERT_NE(check, nullptr);
  check->click();
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), "Domains (DOMAINS.db): OK (2 records)");
  EXPECT_TRUE(list->item(1)->text().startsWith("WPLinks (WPLINKS.db): not a data file"));
  EXPECT_NE(list->item(1)->foreground().color(), list->item(0)->foreground().color());
  EXPECT_EQ(list->item(2)->text(), "Some data files need attention.");
  EXPECT_TRUE(check->isEnabled());

  // A second run starts a fresh list.
  fs::remove("WPLINKS.db");
  check->click();
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), "All data files are sound.");

  button(window, "Close")->click();
  EXPECT_FALSE(window.isVisible());
}

TEST(TarnfixWindow, AsksBeforeSalvagingAndShowsTheDetailsOnRequest) {
  for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
    SCOPED_TRACE(answer == QMessageBox::Yes ? "yes" : "no");
    WorkDir dir;
    makeSalvageable(100);
    spoilLeaf(1);
    tarnfix::RepairWindow window;
    window.show();
    const QString keptAs = QString::fromStdString(tarnfix::damagedName("DOMAINS.db"));
    QString asked;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      asked = box->text();
      box->button(answer)->click();
    });
    button(window, "Check and Repair")->click();
    EXPECT_TRUE(asked.startsWith("Domains (DOMAINS.db) is damaged")) << asked.toStdString();
    EXPECT_TRUE(asked.contains(keptAs)) << asked.toStdString();
    auto* list = window.findChild<QListWidget*>("results");
    ASSERT_GE(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().startsWith(answer == QMessageBox::Yes
                                                     ? "Domains (DOMAINS.db): damaged; 99 records"
                                                     : "Domains (DOMAINS.db): damaged: some"))
        << list->item(0)->text().toStdString();
    auto* details = window.findChild<QPlainTextEdit*>("details");
    ASSERT_NE(details, nullptr);
    EXPECT_FALSE(details->isVisible());
    button(window, "Details")->click();
    EXPECT_TRUE(details->isVisible());
    EXPECT_TRUE(details->toPlainText().startsWith("Domains (DOMAINS.db):\n    "));
  }
}

TEST(TarnfixWindow, EnterChecksAndEscapeCloses) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 1);
  tarnfix::RepairWindow window;
  window.show();
  window.activateWindow();
  QApplication::processEvents();
  auto press = [](int key) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(focus, &down);
    QApplication::sendEvent(focus, &up);
    QApplication::processEvents();
  };
  press(Qt::Key_Return);
  auto* list = window.findChild<QListWidget*>("results");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "Domains (DOMAINS.db): OK (1 record)");
  press(Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}

TEST(TarnfixWindow, LongResultLinesWrapWithinTheList) {
  WorkDir dir;
  makeFile(DomainsDesc(), "DOM:DOMAINNAME", 4);
  {
    Db db("DOMAINS.db");
    db.exec("DROP INDEX \"Domains_name\"");
    db.exec("INSERT INTO Domains (DOMAINNAME) VALUES ('NAME2.EXAMPLE'), ('name1.example')");
  }
  tarnfix::RepairWindow window;
  window.show();
  auto* list = window.findChild<QListWidget*>("results");
  ASSERT_NE(list, nullptr);
  button(window, "Check and Repair")->click();
  QApplication::processEvents();
  const QListWidgetItem* item = list->item(0);
  ASSERT_NE(item, nullptr);
  const QFontMetrics fm(list->font());
  ASSERT_GT(fm.horizontalAdvance(item->text()), list->viewport()->width()) << "needs a long line";
  const QRect shown = list->visualItemRect(item);
  EXPECT_LE(shown.right(), list->viewport()->rect().right());
  EXPECT_GE(shown.height(), 2 * fm.height()) << "the line wraps onto more rows";
}

}  // namespace
