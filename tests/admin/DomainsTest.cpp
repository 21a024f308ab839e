// The domain browse and form over real files: cost totals, the local directory, shell
// addresses, drop lists, refused duplicates, cascade deletes, layouts and the locator.
#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <cstring>

#include "admin/Domains.h"
#include "common/Procedures.h"
#include "runtime/text/Dates.h"
#include "runtime/ui/IniAccess.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/ProgramFixture.h"

namespace domaintest {
namespace {

enum BrowseControl {
  bList = 1,
  bInsert,
  bChange,
  bDelete,
  bLocator = 8,
  bWebPages,
  bHosts,
  bRegistrars,
  bClose
};
enum FormControl {
  fSheet = 1,
  fName = 4,
  fRenewal = 16,
  fHostList = 30,
  fPrimaryIp = 38,
  fPrimaryWeb = 39,
  fFee = 48,
  fDesign = 52,
  fNonMonthTotal = 61,
  fHosting = 63,
  fDesignMaint = 86,
  fMonthlyTotal = 89,
  fMail1 = 93,
  fAccount1 = 94,
  fForward1 = 95,
  fLocalDir = 116,
  fOk = 125,
  fCancel = 126,
};

constexpr char kDesign[] =
    "142L(2)|M~Domain Name~@s50@49R(2)|M~Date Started~C(0)@D2@51R(2)|M~Renewal "
    "Date~C(0)@D2@80L(2)|M~Registrar~@s40@80L(2)|M~Reg Login~@s20@80L(2)|M~Reg Login "
    "Pwd~@s20@44D(12)|M~Fee Paid~C(0)@n10.2@80L(2)|M~Owner Name~@s40@80L(2)|M~Contact "
    "Person~@s20@";

std::string trimmed(std::string s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The highlighted row of the browse's list, from 1 (0: none).
int highlighted(rt::Window* w) {
  const QModelIndex i = w->listView(bList)->currentIndex();
  return i.isValid() ? i.row() + 1 : 0;
}

// Highlights a row without acting on it (a double click would change it).
void highlight(rt::Window* w, int row) {
  QAbstractItemView* v = w->listView(bList);
  v->setCurrentIndex(v->model()->index(row - 1, 0));
}

rt::Decimal money(std::int32_t hundredths) {
  return rt::Decimal{hundredths};
}

class DomainsTest : public WindowsTest {
 protected:
  // Opens the form on an existing domain, as the browse does with the highlighted row.
  rt::Window* change(std::string_view name) {
    holding = DomainsRelations->OpenFiles() == rt::Status::Ok;
    DOM.DOMAINNAME = name;
    EXPECT_TRUE(Domains.get(DOM_name)) << name;
    return open(&UpdateDomains, "UpdateDomains", rt::Request::Change);
  }
  rt::Window* insert() { return open(&UpdateDomains, "UpdateDomains", rt::Request::Insert); }
  void release() {
    if (holding) DomainsRelations->CloseFiles();
    holding = false;
  }
  void TearDown() override {
    release();
    WindowsTest::TearDown();
  }

  bool holding = false;
};

TEST_F(DomainsTest, AnyCostFieldRecomputesBothTotals) {
  addRecords<DomainsRecord>(DomainsDesc(), {[](DomainsRecord& r) {
                              r.DOMAINNAME = "costs.com";
                              r.FEEPAID = money(1200);
                              r.INITIALDESIGNCOST = money(10000);
                              r.HOSTMOCOST = money(995);
                              r.DESIGNMOCOST = money(5);
                              r.NONMONTHTOTAL = money(1);  // stale totals
                              r.MONTHLYTOTAL = money(2);
                            }});
  rt::Window* w = change("costs.com");
  ASSERT_TRUE(w);
  // Stored totals stand until a cost is accepted.
  EXPECT_EQ(trimmed(w->text(fNonMonthTotal)), "0.01");
  EXPECT_EQ(trimmed(w->text(fMonthlyTotal)), "0.02");

  // Each cost typed refreshes both totals, a monthly one the one-time total as well; a
  // total typed by hand is replaced by the sum when it is left.
  const struct {
    int control;
    const char* typed;
    const char* nonMonthly;
    const char* monthly;
  } steps[] = {{fHosting, "20.00", "112.00", "20.05"},
               {fDesign, "-50.50", "-38.50", "20.05"},
               {fDesignMaint, "1,000.00", "-38.50", "1,020.00"},
               {fNonMonthTotal, "999.99", "-38.50", "1,020.00"},
               {fMonthlyTotal, "5", "-38.50", "1,020.00"}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.typed);
    ASSERT_TRUE(driver.type(w, s.control, s.typed));
    driver.pump();
    EXPECT_EQ(trimmed(w->text(fNonMonthTotal)), s.nonMonthly);
    EXPECT_EQ(trimmed(w->text(fMonthlyTotal)), s.monthly);
  }

  ASSERT_TRUE(driver.press(w, fOk));
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  release();
  const auto recs = readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].NONMONTHTOTAL.hundredths, -3850);
  EXPECT_EQ(recs[0].MONTHLYTOTAL.hundredths, 102000);
}

TEST(DomainCostTotalsTest, SumsOneTimeAndMonthlyCostsApartAndRefusesOverflow) {
  DomainsRecord r{};
  r.FEEPAID = money(1500);
  EXPECT_EQ(DomainCostTotals(r)->nonMonthly.hundredths, 1500);
  EXPECT_EQ(DomainCostTotals(r)->monthly.hundredths, 0);
  r.ECOMMOCOST = money(100);
  r.ADVERTISINGMOCOST = money(200);
  r.ADDLMOCOST = money(300);
  r.BANKCHGSMOCOST = money(400);
  r.SERVICEMOCOST = money(500);
  r.PROGRAMMOCOST = money(600);
  r.MISCSETUPCOSTS = money(7);
  r.INITPROGRAMCOST = money(8);
  EXPECT_EQ(DomainCostTotals(r)->nonMonthly.hundredths, 1515);
  EXPECT_EQ(DomainCostTotals(r)->monthly.hundredths, 2100);
  // Two costs at the top of the range do not fit one total: no wrapped value.
  r.HOSTMOCOST = money(rt::Decimal::kMax);
  EXPECT_FALSE(DomainCostTotals(r).has_value());
  r = DomainsRecord{};
  r.HOSTMOCOST = money(-rt::Decimal::kMax);
  r.ECOMMOCOST = money(-100);
  EXPECT_FALSE(DomainCostTotals(r).has_value());
}

TEST_F(DomainsTest, ATotalBeyondItsFieldIsRefusedWithAMessage) {
  addRecords<DomainsRecord>(DomainsDesc(), {[](DomainsRecord& r) {
                              r.DOMAINNAME = "big.com";
                              r.HOSTMOCOST = money(9000000);
                              r.MONTHLYTOTAL = money(9000000);
                            }});
  rt::Window* w = change("big.com");
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.type(w, fDesignMaint, "50,000.00"));
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(driver.messageCaption(box), "Domain Data Error");
  driver.answer(rt::button::Ok);
  driver.pump();
  EXPECT_EQ(trimmed(w->text(fMonthlyTotal)), "90,000.00");

  // OK is refused while the total cannot hold the sum: nothing stored with a stale total.
  driver.activate(w);
  ASSERT_TRUE(driver.press(w, fOk));
  box = driver.waitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(driver.messageCaption(box), "Domain Data Error");
  driver.answer(rt::button::Ok);
  driver.pump();
  EXPECT_TRUE(driver.isOpen(w));
  driver.activate(w);
  EXPECT_EQ(w->focusedControl(), fDesignMaint);
  driver.press(w, fCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  release();
  const auto recs = readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].DESIGNMOCOST.hundredths, 0);
  EXPECT_EQ(recs[0].MONTHLYTOTAL.hundredths, 9000000);
}

// A refused entry keeps the user's text and the focus, and says what it takes, however
// the form is redrawn meanwhile (another tab shown, the totals recomputed).
TEST_F(DomainsTest, RefusedInputStaysWithItsMessage) {
  addRecords<DomainsRecord>(DomainsDesc(), {[](DomainsRecord& r) {
                              r.DOMAINNAME = "typo.com";
                              r.RENEWALDATE = rt::dateFromYmd(2026, 3, 1);
                              r.HOSTMOCOST = money(995);
                            }});
  rt::Window* w = change("typo.com");
  ASSERT_TRUE(w);
  auto* bar = w->widget()->findChild<QStatusBar*>();
  ASSERT_NE(bar, nullptr);
  const std::string date = "Enter a date as MM/DD/YYYY", number = "Enter a number up to 99,999.99";
  const struct {
    int control;
    const char* typed;
    const std::string& says;
    int redraw;  // what the user does next: another tab, or another cost accepted
  } cases[] = {
      {fRenewal, "02/31/2026", date, 0},   {fRenewal, "00/00/0000", date, 0},
      {fRenewal, "abc", date, 0},          {fHosting, "123456789", number, fDesignMaint},
      {fHosting, "999,999.99", number, 0},  // the picture shows it; DECIMAL cannot hold it
  };
  // The focus put into the field; then as a user: its text replaced, Tab to leave it.
  auto typeInto = [&](int control, const char* text) {
    w->selectControl(control);
    ASSERT_EQ(driver.focusedControl(), control);
    ASSERT_TRUE(driver.hitKey(Qt::Key_A, Qt::ControlModifier));
    ASSERT_TRUE(driver.typeKeys(text));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    driver.pump();
  };
  driver.activate(w);
  for (const auto& c : cases) {
    typeInto(c.control, c.typed);
    EXPECT_EQ(w->focusedControl(), c.control) << c.typed;
    EXPECT_EQ(bar->currentMessage().toStdString(), c.says) << c.typed;
    auto* tip = w->widget()->findChild<QLabel*>("refusalTip");
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible()) << c.typed;
    EXPECT_EQ(tip->text().toStdString(), c.says) << c.typed;
    if (c.redraw)
      typeInto(c.redraw, "1.00");
    else
      ASSERT_TRUE(driver.selectTab(w, fSheet, 3));
    driver.pump();
    EXPECT_EQ(trimmed(w->text(c.control)), c.typed);
  }
  EXPECT_EQ(trimmed(w->text(fMonthlyTotal)), "10.95");
  // Mended, the field is taken and shows as its picture does.
  typeInto(fHosting, "12");
  EXPECT_EQ(trimmed(w->text(fHosting)), "12.00");
  EXPECT_FALSE(w->widget()->findChild<QLabel*>("refusalTip")->isVisible());
  EXPECT_EQ(trimmed(w->text(fMonthlyTotal)), "13.00");
  // OK goes back to a field still refused.
  ASSERT_TRUE(driver.press(w, fOk));
  EXPECT_TRUE(driver.isOpen(w));
  EXPECT_EQ(w->focusedControl(), fRenewal);
  EXPECT_EQ(trimmed(w->text(fRenewal)), "abc");
  driver.press(w, fCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  release();
  EXPECT_EQ(readRecords<DomainsRecord>(DomainsDesc())[0].RENEWALDATE, rt::dateFromYmd(2026, 3, 1));
}

TEST_F(DomainsTest, APlaceholderNameOfOneIsBlankedWhenTheFormOpens) {
  addDomain("1");
  addDomain("10");
  rt::Window* w = change("1");
  ASSERT_TRUE(w);
  EXPECT_EQ(trimmed(w->text(fName)), "");
  driver.press(w, fCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  release();
  w = change("10");
  ASSERT_TRUE(w);
  EXPECT_EQ(trimmed(w->text(fName)), "10");
  driver.press(w, fCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
}

TEST_F(DomainsTest, AMissingLocalDirectoryIsAskedAboutAndCreatedOnYes) {
  addDomain("site.com");
  const std::string existing = dir.path().toStdString();
  const std::string fresh = existing + "/html";
  rt::Window* w = change("site.com");
  ASSERT_TRUE(w);

  // An existing directory raises nothing.
  ASSERT_TRUE(driver.type(w, fLocalDir, existing));
  driver.pump();
  EXPECT_EQ(driver.messageBox(), nullptr);

  // No: the field keeps the value and has the focus again.
  ASSERT_TRUE(driver.type(w, fLocalDir, fresh));
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(driver.messageCaption(box), "Data Warning");
  EXPECT_EQ(driver.messageText(box), "The directory entered, does not exist.||\"" + fresh +
                                         "\"||Do you wish to create it (only 1 level deep)?");
  ASSERT_TRUE(driver.answer(rt::button::No));
  driver.pump();
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(fresh)));
  driver.activate(w);  // offscreen, the box took the activation with it
  EXPECT_EQ(w->focusedControl(), fLocalDir);
  EXPECT_EQ(trimmed(w->text(fLocalDir)), fresh);

  // Yes creates it.
  ASSERT_TRUE(driver.type(w, fLocalDir, fresh));
  box = driver.waitForMessageBox();
  ASSERT_TRUE(box);
  ASSERT_TRUE(driver.answer(rt::button::Yes));
  driver.pump();
  EXPECT_TRUE(QFileInfo(QString::fromStdString(fresh)).isDir());
  EXPECT_EQ(driver.messageBox(), nullptr);
  driver.press(w, fCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
}

TEST_F(DomainsTest, AFailedDirectoryCreationIsReportedAndReturnsToTheField) {
  addDomain("site.com");
  const std::string deep = dir.path().toStdString() + "/no/such/level";
  rt::Window* w = change("site.com");
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.type(w, fLocalDir, deep));
  ASSERT_TRUE(driver.waitForMessageBox());
  ASSERT_TRUE(driver.answer(rt::button::Yes));
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(driver.messageCaption(box), "Data Warning");
  EXPECT_NE(driver.messageText(box).find("could not be created"), std::string::npos);
  EXPECT_NE(driver.messageText(box).find(deep), std::string::npos);
  driver.answer(rt::button::Ok);
  driver.pump();
  driver.activate(w);  // offscreen, the box took the activation with it
  EXPECT_EQ(w->focusedControl(), fLocalDir);
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(deep)));
  driver.press(w, fCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
}

TEST_F(DomainsTest, WebAndMailButtonsHandTheirAddressesToTheShell) {
  addDomain("site.com");
  rt::Window* w = change("site.com");
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.type(w, fPrimaryIp, "192.168.1.20"));
  ASSERT_TRUE(driver.press(w, fPrimaryWeb));
  driver.pump();
  // The account of the row, never its forward.
  ASSERT_TRUE(driver.type(w, fAccount1, "info@site.com"));
  ASSERT_TRUE(driver.type(w, fForward1, "me@home.net"));
  ASSERT_TRUE(driver.press(w, fMail1));
  driver.pump();
  // Nothing is tested before the call: an empty address still goes out.
  ASSERT_TRUE(driver.press(w, 42));
  driver.pump();
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_EQ(opened[0], rt::shellUrl("http://www.192.168.1.20"));
  EXPECT_EQ(opened[0].toString().toStdString(), "http://www.192.168.1.20");
  EXPECT_EQ(opened[1], rt::shellUrl("mailto:info@site.com"));
  EXPECT_EQ(opened[2], rt::shellUrl("http://www."));
  driver.press(w, fCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
}

TEST_F(DomainsTest, AChosenHostNameIsCutToTheDomainsField) {
  const std::string longName(50, 'h');
  addRecords<HostsRecord>(HostsDesc(), {[&](HostsRecord& r) { r.HOSTNAME = longName; }});
  addDomain("site.com");
  rt::Window* w = change("site.com");
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.choose(w, fHostList, 1));
  driver.pump();
  ASSERT_TRUE(driver.press(w, fOk));
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  release();
  const auto recs = readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].HOST.str(), longName.substr(0, 40));
}

TEST_F(DomainsTest, ADuplicateNameIsRefusedAndTheFormStaysOpen) {
  addDomain("alpha.com");
  rt::Window* w = insert();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->title(), "Record will be added");
  ASSERT_TRUE(driver.type(w, fName, "ALPHA.COM"));
  ASSERT_TRUE(driver.press(w, fOk));
  driver.pump();
  EXPECT_TRUE(driver.isOpen(w));
  EXPECT_TRUE(rt::defaultReporter().contains(rt::MessageId::DuplicateKey));
  ASSERT_TRUE(driver.press(w, fCancel));
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  const auto recs = readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].DOMAINNAME.str(), "alpha.com");
}

TEST_F(DomainsTest, CancelledInsertsLeaveNoPlaceholderBehind) {
  addDomain("alpha.com");
  for (int round = 0; round < 3; ++round) {
    rt::Window* w = insert();
    ASSERT_TRUE(w);
    EXPECT_EQ(trimmed(w->text(fName)), "");
    if (round == 2)
      driver.close(w);  // the close box as well as Cancel
    else
      ASSERT_TRUE(driver.press(w, fCancel));
    ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
    EXPECT_EQ(readRecords<DomainsRecord>(DomainsDesc()).size(), 1u) << round;
  }
  rt::Window* w = insert();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.type(w, fName, "beta.com"));
  ASSERT_TRUE(driver.press(w, fOk));
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  const auto recs = readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(recs.size(), 2u);
  for (const DomainsRecord& r : recs) {
    EXPECT_NE(r.DOMAINNAME.str(), "1");
    EXPECT_NE(r.DOMAINNAME.str(), "");
  }
}

// Every key leaves blank names out: such a record could never be listed again.
TEST_F(DomainsTest, BlankNameIsRefusedAtOkAndNothingIsStored) {
  addDomain("kept.com");
  for (const bool inserting : {true, false}) {
    SCOPED_TRACE(inserting ? "insert" : "change");
    rt::Window* w = inserting ? insert() : change("kept.com");
    ASSERT_TRUE(w);
    ASSERT_TRUE(driver.type(w, fName, "   "));
    ASSERT_TRUE(driver.type(w, fPrimaryIp, "10.0.0.1"));
    ASSERT_TRUE(driver.press(w, fOk));
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(driver.messageText(box), "Domain Name is required.");
    ASSERT_TRUE(driver.answer(rt::button::Ok));
    driver.pump();
    EXPECT_TRUE(driver.isOpen(w));
    driver.activate(w);  // offscreen, the box took the activation with it
    EXPECT_EQ(w->focusedControl(), fName);
    ASSERT_TRUE(driver.press(w, fCancel));
    ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
    release();
    const auto recs = readRecords<DomainsRecord>(DomainsDesc());
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].DOMAINNAME.str(), "kept.com");
    EXPECT_EQ(recs[0].IPPRIMARYADDRESS.str(), "");
  }
}

// ---- the browse ----

TEST_F(DomainsTest, DeletingADomainFromTheBrowseDeletesItsPages) {
  addDomain("a.com");
  addDomain("b.com");
  addRecords<WebPagesRecord>(
      WebPagesDesc(),
      {[](WebPagesRecord& r) { r.DOMAINNAME = "a.com", r.PAGENAME = "index", r.PAGEPATH = "a/i"; },
       [](WebPagesRecord& r) { r.DOMAINNAME = "A.COM", r.PAGENAME = "about", r.PAGEPATH = "a/b"; },
       [](WebPagesRecord& r) {
         r.DOMAINNAME = "b.com", r.PAGENAME = "index", r.PAGEPATH = "b/i";
       }});
  rt::Window* w = open(&BrowseDomains, "BrowseDomains");
  ASSERT_TRUE(w);
  ASSERT_EQ(driver.rowCount(w, bList), 2);
  highlight(w, 1);
  ASSERT_TRUE(driver.press(w, bDelete));
  driver.pump();
  EXPECT_TRUE(rt::defaultReporter().contains(rt::MessageId::ConfirmDelete));
  EXPECT_TRUE(driver.waitUntil([&] { return driver.rowCount(w, bList) == 1; }));
  EXPECT_EQ(driver.cell(w, bList, 1), "b.com");
  driver.press(w, bClose);
  ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
  const auto pages = readRecords<WebPagesRecord>(WebPagesDesc());
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].DOMAINNAME.str(), "b.com");
}

TEST_F(DomainsTest, TheLocatorBeyondTheLastNameStaysOnTheLastRow) {
  for (const char* n : {"delta.com", "alpha.com", "charlie.com"}) addDomain(n);
  rt::Window* w = open(&BrowseDomains, "BrowseDomains");
  ASSERT_TRUE(w);
  ASSERT_EQ(driver.rowCount(w, bList), 3);
  EXPECT_EQ(driver.cell(w, bList, 1), "alpha.com");
  ASSERT_TRUE(driver.type(w, bLocator, "C"));
  driver.pump();
  EXPECT_EQ(highlighted(w), 2);
  ASSERT_TRUE(driver.type(w, bLocator, "zzz"));
  driver.pump();
  EXPECT_EQ(highlighted(w), 3);
  driver.press(w, bClose);
  ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
}

TEST_F(DomainsTest, TheStatusBarFollowsTheFocusedControl) {
  rt::Window* w = open(&BrowseDomains, "BrowseDomains");
  ASSERT_TRUE(w);
  auto* bar = w->widget()->findChild<QStatusBar*>();
  ASSERT_NE(bar, nullptr);
  w->control(8)->setFocus();
  driver.pump();
  EXPECT_EQ(bar->currentMessage().toStdString(), "This is the actual domain name.");
  w->control(1)->setFocus();
  driver.pump();
  EXPECT_EQ(bar->currentMessage().toStdString(), "Browsing Records");
  w->control(bClose)->setFocus();
  driver.pump();
  EXPECT_EQ(bar->currentMessage().toStdString(), "Browse Domains File");
  driver.press(w, bClose);
  ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
}

TEST_F(DomainsTest, LayoutsStartAsDesignedAndF9TwiceReturnsToTheUsersLayout) {
  rt::Window* w = open(&BrowseDomains, "BrowseDomains");
  ASSERT_TRUE(w);
  driver.press(w, bClose);
  ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
  EXPECT_EQ(ini("BrowseDomains", "?Browse:1:ORIG"), kDesign);
  EXPECT_EQ(ini("BrowseDomains", "?Browse:1:USER"), kDesign);

  std::string user = kDesign;
  user.replace(0, 3, "200");  // the user widened the first column
  rt::iniPut("BrowseDomains", "?Browse:1:USER", user);
  for (int presses : {2, 1}) {
    SCOPED_TRACE(presses);
    w = open(&BrowseDomains, "BrowseDomains");
    ASSERT_TRUE(w);
    for (int i = 0; i < presses; ++i) driver.pressKey(w, bList, rt::key::F9);
    driver.pump();
    driver.press(w, bClose);
    ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
    // What shows at the close is kept as the user's layout.
    EXPECT_EQ(ini("BrowseDomains", "?Browse:1:USER"), presses == 2 ? user : kDesign);
    EXPECT_EQ(ini("BrowseDomains", "?Browse:1:ORIG"), kDesign);
  }
}

TEST_F(DomainsTest, ButtonsForWindowsNotInTheProgramAreUnavailable) {
  const ProcedureEntry hosts = SetProcedure("BrowseHosts", nullptr);
  const ProcedureEntry pages = SetProcedure("BrowseWebPages", nullptr);
  rt::Window* w = open(&BrowseDomains, "BrowseDomains");
  ASSERT_TRUE(w);
  EXPECT_FALSE(w->enabled(bWebPages));
  EXPECT_FALSE(w->enabled(bHosts));
  EXPECT_TRUE(w->enabled(bRegistrars));
  EXPECT_EQ(w->title(), "Browse the Domains File");
  // An empty file still inserts.
  ASSERT_TRUE(driver.press(w, bInsert));
  rt::Window* f = driver.waitForWindow("UpdateDomains");
  ASSERT_TRUE(f);
  driver.press(f, fCancel);
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  // Registrars opens modal over the browse and returns to it.
  ASSERT_TRUE(driver.press(w, bRegistrars));
  rt::Window* r = driver.waitForWindow("BrowseRegistrars");
  ASSERT_TRUE(r);
  EXPECT_TRUE(w->blocked());
  driver.press(r, 8);
  ASSERT_TRUE(driver.waitForClose("BrowseRegistrars"));
  EXPECT_FALSE(w->blocked());
  driver.press(w, bClose);
  ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
  SetProcedure("BrowseHosts", hosts);
  SetProcedure("BrowseWebPages", pages);
}

TEST_F(DomainsTest, ARegistrarAddedFromTheBrowseLeavesTheDomainsAsTheyWere) {
  addRecords<DomainsRecord>(DomainsDesc(), {[](DomainsRecord& r) {
                              r.DOMAINNAME = "a.com";
                              r.REGISTRAR = "Old Registry";
                              r.FEEPAID = money(1234);
                            }});
  const auto before = readRecords<DomainsRecord>(DomainsDesc());
  rt::Window* w = open(&BrowseDomains, "BrowseDomains");
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.press(w, bRegistrars));
  rt::Window* r = driver.waitForWindow("BrowseRegistrars");
  ASSERT_TRUE(r);
  ASSERT_TRUE(driver.press(r, 2));
  rt::Window* f = driver.waitForWindow("UpdateRegistrars");
  ASSERT_TRUE(f);
  ASSERT_TRUE(driver.type(f, 5, "New Registry"));
  ASSERT_TRUE(driver.press(f, 33));
  ASSERT_TRUE(driver.waitForClose("UpdateRegistrars"));
  EXPECT_EQ(driver.rowCount(r, 1), 1);
  ASSERT_TRUE(driver.press(r, 8));
  ASSERT_TRUE(driver.waitForClose("BrowseRegistrars"));
  EXPECT_EQ(driver.cell(w, bList, 1), "a.com");
  ASSERT_TRUE(driver.press(w, bClose));
  ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
  const auto after = readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(std::memcmp(&after[0], &before[0], sizeof(DomainsRecord)), 0);
  EXPECT_EQ(readRecords<RegistrarsRecord>(RegistrarsDesc()).size(), 1u);
}

std::vector<std::string>& seen() {
  static std::vector<std::string> s;
  return s;
}

TEST_F(DomainsTest, WebPagesFindsTheHighlightedDomainInTheBuffer) {
  for (const char* n : {"a.com", "b.com", "c.com"}) addDomain(n);
  seen().clear();
  const ProcedureEntry before =
      SetProcedure("BrowseWebPages", [] { seen().push_back(DOM.DOMAINNAME.str()); });
  rt::Window* w = open(&BrowseDomains, "BrowseDomains");
  ASSERT_TRUE(w);
  ASSERT_TRUE(w->enabled(bWebPages));
  highlight(w, 2);
  driver.pump();
  ASSERT_TRUE(driver.press(w, bWebPages));
  highlight(w, 3);
  driver.pump();
  ASSERT_TRUE(driver.press(w, bWebPages));
  EXPECT_EQ(seen(), (std::vector<std::string>{"b.com", "c.com"}));
  driver.press(w, bClose);
  ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
  SetProcedure("BrowseWebPages", before);
}

}  // namespace
}  // namespace domaintest

namespace admintest {
namespace {

using DomainsFromFrameTest = ProgramTest;

TEST_F(DomainsFromFrameTest, TheMainWorkAreaAddsADomainAndShowsIt) {
  SetProcedure("BrowseDomains", &BrowseDomains);
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  ASSERT_TRUE(frame->menuEnabled(frameitem::BrowseDomains));
  ASSERT_TRUE(driver.pickMenu(frame, frameitem::BrowseDomains));
  rt::Window* b = driver.waitForWindow("BrowseDomains");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(rt::requestedStack(b->thread()), 50000);
  EXPECT_EQ(driver.rowCount(b, 1), 0);
  ASSERT_TRUE(driver.press(b, 2));
  rt::Window* f = driver.waitForWindow("UpdateDomains");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->thread(), b->thread());
  ASSERT_TRUE(driver.type(f, 4, "new.com"));
  ASSERT_TRUE(driver.press(f, 125));
  ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
  EXPECT_TRUE(driver.waitUntil([&] { return driver.rowCount(b, 1) == 1; }));
  EXPECT_EQ(driver.cell(b, 1, 1), "new.com");
  ASSERT_TRUE(driver.press(b, 12));
  ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
  exitProgram();
  const auto recs = domaintest::readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].DOMAINNAME.str(), "new.com");
}

}  // namespace
}  // namespace admintest
