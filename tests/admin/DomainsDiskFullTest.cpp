// The domain form's OK when the disk fills under it: one message with the cause, the form
// kept as typed, the file as it was; with space freed, the same OK stores the record once.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>

#include "admin/Domains.h"
#include "common/System.h"
#include "tests/support/DomainsTestFixture.h"

namespace domaintest {
namespace {

enum : int { bList = 1, bInsert, bChange, bClose = 12 };
enum : int { fName = 4, fOk = 125 };

off_t sizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// No file of this process may grow past the data file's or its log's size as they are now,
// as on a full disk; a write that would fails with EFBIG rather than raising SIGXFSZ.
class FullDisk {
 public:
  explicit FullDisk(const std::string& db) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    const auto size = static_cast<rlim_t>(std::min(sizeOf(db), sizeOf(db + "-wal")));
    const rlimit full{size, old_.rlim_max};
    on_ = ::setrlimit(RLIMIT_FSIZE, &full) == 0;
  }
  ~FullDisk() { free(); }
  bool on() const { return on_; }
  void free() {
    if (!on_) return;
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
    on_ = false;
  }

 private:
  void (*handler_)(int);
  rlimit old_{};
  bool on_ = false;
};

std::string trimmed(std::string s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// What DOMAINS.db holds, read by a connection of the test's own.
struct OnDisk {
  std::vector<std::string> names;  // in record order
  std::string integrity;
};

OnDisk onDisk() {
  OnDisk out;
  sqlite3* db = nullptr;
  sqlite3_open_v2(Domains.path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  auto each = [&](const char* text, auto take) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, text, -1, &s, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db);
      return;
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      take(trimmed(t ? t : ""));
    }
    sqlite3_finalize(s);
  };
  each("SELECT DOMAINNAME FROM Domains ORDER BY rowid",
       [&](std::string v) { out.names.push_back(std::move(v)); });
  each("PRAGMA integrity_check", [&](std::string v) { out.integrity += v; });
  sqlite3_close(db);
  return out;
}

class DomainsDiskFullTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    ProgramErrors.Init();  // the file managers' messages as the program shows them
  }
  void TearDown() override {
    ProgramErrors.Kill();
    WindowsTest::TearDown();
  }

  // Enter in the name field, as a user ends the form.
  void enter(rt::Window* f) {
    driver.activate(f);
    f->selectControl(fName);
    driver.pump();
    ASSERT_EQ(driver.focusedControl(), fName);
    ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  }
};

TEST_F(DomainsDiskFullTest, OkOnAFullDiskIsToldOnceAndStoresOnceSpaceIsFreed) {
  const struct {
    int button;
    const char* typed;
    const char* caption;
    const char* says;
    std::vector<std::string> during, after;
  } cases[] = {
      // The Insert reserved its record ("1") when the form opened, before the disk filled.
      {bInsert,
       "new.com",
       "Record Was Not Added",
       "could not be added",
       {"kept.com", "1"},
       {"kept.com", "new.com"}},
      // Change opens on the first row, kept.com.
      {bChange,
       "renamed.com",
       "Record Was Not Updated",
       "could not be changed",
       {"kept.com", "new.com"},
       {"renamed.com", "new.com"}},
  };
  addDomain("kept.com");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    rt::Window* b = open(&BrowseDomains, "BrowseDomains");
    ASSERT_TRUE(b);
    ASSERT_TRUE(driver.press(b, c.button));
    rt::Window* f = driver.waitForWindow("UpdateDomains");
    ASSERT_TRUE(f);
    driver.activate(f);
    f->selectControl(fName);
    driver.pump();
    ASSERT_TRUE(driver.hitKey(Qt::Key_A, Qt::ControlModifier));
    ASSERT_TRUE(driver.typeKeys(c.typed));

    {
      FullDisk full(Domains.path());
      ASSERT_TRUE(full.on());
      enter(f);
    }
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(driver.messageCaption(box), c.caption);
    const std::string text = driver.messageText(box);
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
    EXPECT_NE(text.find("The disk is full"), std::string::npos) << text;
    ASSERT_TRUE(driver.answer(rt::button::Ok));
    driver.pump();
    EXPECT_EQ(driver.messageBox(), nullptr);
    EXPECT_TRUE(rt::defaultReporter().messages.empty());
    ASSERT_TRUE(driver.isOpen(f));
    EXPECT_EQ(trimmed(f->text(fName)), c.typed);
    OnDisk disk = onDisk();
    EXPECT_EQ(disk.names, c.during);
    EXPECT_EQ(disk.integrity, "ok");

    // Space freed: the same OK again.
    enter(f);
    ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
    EXPECT_EQ(driver.messageBox(), nullptr);
    EXPECT_TRUE(driver.waitUntil([&] { return driver.rowCount(b, bList) == 2; }));
    ASSERT_TRUE(driver.press(b, bClose));
    ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
    disk = onDisk();
    EXPECT_EQ(disk.names, c.after);
    EXPECT_EQ(disk.integrity, "ok");
  }
}

}  // namespace
}  // namespace domaintest
