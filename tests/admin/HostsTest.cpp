// The host browse and form: the host's id and its two links, the monthly total, check boxes
// and option groups as stored, the shell buttons, and a link file that cannot be read.
#include <QAbstractButton>

#include "admin/Domains.h"
#include "admin/Hosts.h"
#include "common/System.h"
#include "runtime/text/Dates.h"
#include "runtime/ui/TableWindows.h"
#include "tests/support/DomainsTestFixture.h"

namespace domaintest {
namespace {

enum { bList = 1, bInsert, bChange, bPrint, bClose = 8 };

const rt::WindowTable& formTable() {
  for (const rt::RegisteredTable& t : rt::windowTables())
    if (std::string_view(t.name) == "UpdateHosts") return t.table();
  throw std::logic_error("no UpdateHosts table");
}

// The form's control that edits a field.
int control(std::string_view field) {
  for (const rt::ControlRow& r : formTable().controls)
    if (r.field && field == r.field) return r.number;
  ADD_FAILURE() << "no control for " << field;
  return 0;
}

int button(std::string_view text) {
  for (const rt::ControlRow& r : formTable().controls)
    if (r.kind == rt::ControlKind::Button && text == r.text) return r.number;
  ADD_FAILURE() << "no button " << text;
  return 0;
}

void addHost(std::string_view name, std::string_view recid = "") {
  addRecords<HostsRecord>(HostsDesc(), {[&](HostsRecord& r) {
                            r.HOSTNAME = name;
                            r.RECID = recid;
                          }});
}

struct Link {
  std::string recid;
  int type;
  std::string description, link;
  bool operator==(const Link&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Link& l) {
  return os << l.recid << "/" << l.type << "/" << l.description << "/" << l.link;
}

std::vector<Link> links() {
  std::vector<Link> out;
  for (const IntlinkRecord& r : readRecords<IntlinkRecord>(IntlinkDesc()))
    out.push_back({r.RECID.str(), r.TYPE, r.DESCRIPTION.str(), r.LINK.str()});
  return out;
}

void addLink(const Link& l) {
  addRecords<IntlinkRecord>(IntlinkDesc(), {[&](IntlinkRecord& r) {
                              r.RECID = l.recid;
                              r.TYPE = static_cast<std::uint8_t>(l.type);
                              r.DESCRIPTION = l.description;
                              r.LINK = l.link;
                            }});
}

std::string trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

class HostsTest : public WindowsTest {
 protected:
  // The form as the program shows it: tabs coloured, redrawn on each change of tab.
  void SetUp() override {
    WindowsTest::SetUp();
    SystemTables().look = ColoredTabs;
  }
  void TearDown() override {
    SystemTables().look = nullptr;
    rt::setClockProvider(nullptr);
    WindowsTest::TearDown();
  }

  rt::Window* openBrowse() { return open(&BrowseHosts, "BrowseHosts"); }
  rt::Window* openForm(rt::Request request) { return open(&UpdateHosts, "UpdateHosts", request); }
  // The browse's Change on its first row.
  rt::Window* change(rt::Window* browse) {
    if (!driver.press(browse, bChange)) return nullptr;
    return driver.waitForWindow("UpdateHosts");
  }

  // As a user: the focus into the field, its text replaced by typing, Tab to leave it. The
  // window settles (a change of tab redraws every field) before the first key, as at a
  // user's pace.
  void typeInto(rt::Window* w, int c, std::string_view text) {
    driver.activate(w);
    w->selectControl(c);
    driver.pump();
    ASSERT_EQ(driver.focusedControl(), c);
    ASSERT_TRUE(driver.hitKey(Qt::Key_A, Qt::ControlModifier));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Delete));
    if (!text.empty()) {
      ASSERT_TRUE(driver.typeKeys(text));
    }
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    driver.pump();
  }
  // A check box or radio ticked from the keyboard.
  void tick(rt::Window* w, int c) {
    driver.activate(w);
    w->selectControl(c);
    driver.pump();
    ASSERT_EQ(driver.focusedControl(), c);
    ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
    driver.pump();
  }
  void pressOk(rt::Window* w) {
    driver.activate(w);
    w->selectControl(control("HOS:HOSTNAME"));
    driver.pump();
    ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
    driver.pump();
  }

  void pinClock(std::int32_t date, std::int32_t time) {
    rt::setClockProvider([=] { return rt::ClockReading{date, time}; });
  }
};

TEST_F(HostsTest, ANewHostKeepsItsIdAndTheSameTwoLinksThroughLaterChanges) {
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  EXPECT_EQ(b->title(), "Browse the Hosts File");
  EXPECT_EQ(driver.rowCount(b, bList), 0);
  EXPECT_FALSE(b->enabled(bPrint));  // no host to print
  ASSERT_TRUE(driver.press(b, bInsert));
  rt::Window* f = driver.waitForWindow("UpdateHosts");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->title(), "Record Will Be Added");
  const std::string name45 = "Very Long Hosting Company Name Incorporated 1";
  ASSERT_EQ(name45.size(), 45u);
  pinClock(82000, 4567);
  typeInto(f, control("HOS:HOSTNAME"), name45);
  typeInto(f, control("HOS:URL"), "www.host.example");
  typeInto(f, control("HOS:SUPPORTEMAIL"), "help@host.example");
  pressOk(f);
  ASSERT_TRUE(driver.waitForClose("UpdateHosts"));
  const std::string id = "HS820004567";
  const std::string cut = name45.substr(0, 40);
  EXPECT_EQ(links(), (std::vector<Link>{{id, 2, cut, "www.host.example"},
                                        {"A" + id, 1, cut, "help@host.example"}}));

  pinClock(82001, 99);  // a later OK makes no new id
  for (int round = 0; round < 2; ++round) {
    rt::Window* g = change(b);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->title(), "Record Will Be Changed");
    if (round == 1) {
      typeInto(g, control("HOS:HOSTNAME"), "Renamed Host");
      typeInto(g, control("HOS:URL"), "https://renamed.example");
      typeInto(g, control("HOS:SUPPORTEMAIL"), "");  // leaves the e-mail link as it was
    }
    pressOk(g);
    ASSERT_TRUE(driver.waitForClose("UpdateHosts"));
  }
  const auto hosts = readRecords<HostsRecord>(HostsDesc());
  ASSERT_EQ(hosts.size(), 1u);
  EXPECT_EQ(hosts[0].RECID.str(), id);
  EXPECT_EQ(links(), (std::vector<Link>{{id, 2, "Renamed Host", "https://renamed.example"},
                                        {"A" + id, 1, cut, "help@host.example"}}));
  ASSERT_TRUE(driver.press(b, bClose));
  ASSERT_TRUE(driver.waitForClose("BrowseHosts"));
  EXPECT_EQ(ini("BrowseHosts", "?Browse:1:ORIG"),
            "20C|M~Use~L(2)@s1@80L(2)|M~Host Name~@s50@80L(2)|M~Contact Name~@s30@80L(2)|M~Phone "
            "Number~@s20@80L(2)|M~Fax Number~@s20@80L(2)|M~Support Email~@s40@80L(2)|M~URL~@s40@"
            "80L(2)|M~Street Address~@s40@80L(2)|M~Hos City~@s30@24L(2)|M~State~@s2@");
}

TEST_F(HostsTest, TheTotalIsTheSumOfTheFeesAndCancelWritesNoLink) {
  rt::Window* f = openForm(rt::Request::Insert);
  ASSERT_TRUE(f);
  typeInto(f, control("HOS:HOSTNAME"), "Cheap Host");
  const int total = control("HOS:TOTALMONTHLYCOST");
  const struct {
    const char* field;
    const char* typed;
    const char* total;
  } steps[] = {
      {"HOS:FEEMONTHLY", "10.00", "10.00"},
      {"HOS:FEESETUP", "25.50", "35.50"},
      {"HOS:ECOMCOST", "4.99", "40.49"},
      {"HOS:TOTALMONTHLYCOST", "99.00", "40.49"},  // a typed total gives way to the sum
  };
  for (const auto& s : steps) {
    typeInto(f, control(s.field), s.typed);
    EXPECT_EQ(trimmed(f->text(total)), s.total) << s.field;
  }
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  ASSERT_TRUE(driver.waitForClose("UpdateHosts"));
  EXPECT_TRUE(links().empty());
  EXPECT_TRUE(readRecords<HostsRecord>(HostsDesc()).empty());
}

TEST_F(HostsTest, RefusedOksKeepTheFormOpenAndTheFirstIdStays) {
  addHost("Alpha Hosting", "HS1");
  rt::Window* f = openForm(rt::Request::Insert);
  ASSERT_TRUE(f);
  pinClock(82000, 11);
  pressOk(f);  // no name yet
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(driver.messageText(box), "Host Name is required.");
  ASSERT_TRUE(driver.answer(rt::button::Ok));
  EXPECT_TRUE(links().empty());

  typeInto(f, control("HOS:HOSTNAME"), "alpha hosting");
  pressOk(f);
  EXPECT_TRUE(rt::defaultReporter().contains(rt::MessageId::DuplicateKey));
  EXPECT_TRUE(driver.isOpen(f));

  pinClock(82000, 22);
  typeInto(f, control("HOS:HOSTNAME"), "Beta Hosting");
  pressOk(f);
  ASSERT_TRUE(driver.waitForClose("UpdateHosts"));
  const auto hosts = readRecords<HostsRecord>(HostsDesc());
  ASSERT_EQ(hosts.size(), 2u);
  EXPECT_EQ(hosts[0].HOSTNAME.str(), "Alpha Hosting");
  EXPECT_EQ(hosts[1].HOSTNAME.str(), "Beta Hosting");
  EXPECT_EQ(hosts[1].RECID.str(), "HS8200011");
  EXPECT_EQ(links(), (std::vector<Link>{{"HS8200011", 2, "Beta Hosting", ""}}));
}

TEST_F(HostsTest, TheDomainBrowseOpensTheHostsAndADeletedHostLeavesItsLinks) {
  addHost("Gone Host", "HS9");
  addLink({"HS9", 2, "Gone Host", "www.gone.example"});
  rt::Window* d = open(&BrowseDomains, "BrowseDomains");
  ASSERT_TRUE(d);
  ASSERT_TRUE(d->enabled(10));
  ASSERT_TRUE(driver.press(d, 10));  // "Hosts", modal on the browse's thread
  rt::Window* b = driver.waitForWindow("BrowseHosts");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->thread(), d->thread());
  ASSERT_EQ(driver.rowCount(b, bList), 1);
  ASSERT_TRUE(driver.press(b, 5));  // Delete, confirmed
  EXPECT_TRUE(driver.waitUntil([&] { return driver.rowCount(b, bList) == 0; }));
  ASSERT_TRUE(driver.press(b, bClose));
  ASSERT_TRUE(driver.waitForClose("BrowseHosts"));
  EXPECT_TRUE(readRecords<HostsRecord>(HostsDesc()).empty());
  EXPECT_EQ(links().size(), 1u);
}

TEST_F(HostsTest, ChecksStoreYAndNAndEveryOptionStoresItsValue) {
  struct Case {
    const char* field;
    const char* radio;
    const char* stored;
  };
  const Case cases[] = {
      {"HOS:EMAILCONTROL", "User Controlled", "User"},
      {"HOS:EMAILCONTROL", "ISP Controlled", "ISP"},
      {"HOS:EMAILCONTROL", "None", "None"},
      {"HOS:PAYMENTBY", "Amex", "A"},
      {"HOS:PAYMENTBY", "Check", "K"},
      {"HOS:PAYMENTBY", "Discover", "D"},
      {"HOS:PAYMENTBY", "Mastercard", "M"},
      {"HOS:PAYMENTBY", "Visa", "V"},
      {"HOS:INTERNETACCESSUSE", "Unlimited", "U"},
      {"HOS:INTERNETACCESSUSE", "MultipleLogins", "M"},
      {"HOS:INTERNETACCESSUSE", "LimitedTime", "L"},
      {"HOS:INTERNETACCESSUSE", "SingleUse", "S"},
      {"HOS:INTERNETACCESSUSE", "None", "N"},
      {"HOS:FILEDOWNLOADS", "FTP", "\"F"},
      {"HOS:FILEDOWNLOADS", "Other", "O\""},
  };
  auto radioOf = [](const Case& c) {
    const int group = control(c.field);
    for (const rt::ControlRow& r : formTable().controls)
      if (r.parent == group && std::string_view(r.text) == c.radio) return r.number;
    ADD_FAILURE() << c.radio;
    return 0;
  };
  addHost("Plan A", "HS7");
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  const auto field = [](const HostsRecord& r, std::string_view name) {
    const rt::FieldDesc& f = HostsDesc().fields[HostsDesc().fieldIndex(name)];
    return std::string(rt::clipView(reinterpret_cast<const char*>(&r) + f.offset, f.size));
  };

  // Only the ticked box is "Y"; every other one was stored "N".
  rt::Window* f = change(b);
  ASSERT_TRUE(f);
  tick(f, control("HOS:TELNETACCESS"));
  pressOk(f);
  ASSERT_TRUE(driver.waitForClose("UpdateHosts"));
  auto hosts = readRecords<HostsRecord>(HostsDesc());
  ASSERT_EQ(hosts.size(), 1u);
  for (const rt::ControlRow& r : formTable().controls) {
    if (r.kind != rt::ControlKind::Check) continue;
    EXPECT_EQ(field(hosts[0], r.field), r.field == std::string_view("HOS:TELNETACCESS") ? "Y" : "N")
        << r.field;
  }

  for (const Case& c : cases) {
    f = change(b);
    ASSERT_TRUE(f);
    tick(f, radioOf(c));
    pressOk(f);
    ASSERT_TRUE(driver.waitForClose("UpdateHosts"));
    hosts = readRecords<HostsRecord>(HostsDesc());
    ASSERT_EQ(hosts.size(), 1u);
    EXPECT_EQ(field(hosts[0], c.field), c.stored) << c.radio;
    f = change(b);  // and shown again as chosen
    ASSERT_TRUE(f);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(f->control(radioOf(c)))->isChecked()) << c.radio;
    ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
    ASSERT_TRUE(driver.waitForClose("UpdateHosts"));
  }
  EXPECT_EQ(readRecords<HostsRecord>(HostsDesc())[0].TELNETACCESS.str(), "Y");
}

// The link file's manager as it is when the disk fails: every look-up ends in an error
// other than a missing record; what would be written is counted.
class UnreadableLinks : public rt::FileManager {
 public:
  rt::Status OpenFile() override { return rt::Status::Ok; }
  rt::Status CloseFile() override { return rt::Status::Ok; }
  rt::Status FetchByKey(int) override {
    rt::setError(rt::ErrorCode::FileSystemError, "Intlink", "disk read error");
    RaiseError(rt::MessageId::FileAccessError);
    return rt::Status::Failed;
  }
  rt::Status InsertRecord() override { return written(); }
  rt::Status UpdateRecord() override { return written(); }
  int writes = 0;

 private:
  rt::Status written() {
    ++writes;
    return rt::Status::Ok;
  }
};

TEST_F(HostsTest, ALinkThatCannotBeReadIsReportedAndNothingIsWritten) {
  addHost("Kept Host", "HS5");
  addLink({"HS5", 2, "Kept Host", "www.kept.example"});
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  rt::Window* f = change(b);
  ASSERT_TRUE(f);
  typeInto(f, control("HOS:URL"), "www.other.example");
  UnreadableLinks failing;
  rt::FileManager* const real = IntlinkManager;
  IntlinkManager = &failing;
  rt::defaultReporter().clear();
  pressOk(f);
  IntlinkManager = real;
  EXPECT_TRUE(rt::defaultReporter().contains(rt::MessageId::FileAccessError));
  EXPECT_EQ(failing.writes, 0);
  EXPECT_TRUE(driver.isOpen(f));  // the host waits with its links
  ASSERT_TRUE(driver.press(f, button("Cancel")));
  ASSERT_TRUE(driver.waitForClose("UpdateHosts"));
  EXPECT_EQ(links(), (std::vector<Link>{{"HS5", 2, "Kept Host", "www.kept.example"}}));
  EXPECT_EQ(readRecords<HostsRecord>(HostsDesc())[0].URL.str(), "");
}

}  // namespace
}  // namespace domaintest
