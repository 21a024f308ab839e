// The administration reports: which records each prints and in what order, the date stamp,
// the PDF of the domain grid, and their callers.
#include "admin/Notes.h"
#include "admin/Registrars.h"
#include "admin/Reminders.h"
#include "admin/Reports.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Picture.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/ReportsTestFixture.h"

namespace domaintest {
namespace {

TEST_F(ReportsTest, PrintDomainsPrintsInStoredOrderFourToAPage) {
  for (const char* n : {"zeta.com", "alpha.com", "mid.com", "beta.com", "omega.com"}) addDomain(n);
  rt::Window* w = preview(&PrintDomains, "Print the Domains File");
  ASSERT_TRUE(w);
  EXPECT_EQ(
      printed(w, "DOM:DOMAINNAME"),
      (std::vector<std::string>{"zeta.com", "alpha.com", "mid.com", "beta.com", "omega.com"}));
  const rt::ReportDocument* doc = rt::previewDocument(w);
  ASSERT_EQ(doc->pageCount(), 2);
  int labels = 0;
  std::string stamp;
  for (const rt::DrawnControl& d : doc->layoutPage(2)) {
    labels += d.control->kind == rt::ReportControlKind::Text && d.y >= 1300;
    if (d.control->kind == rt::ReportControlKind::DateStamp) stamp = d.text;
  }
  EXPECT_EQ(labels, 28);
  EXPECT_EQ(stamp, rt::Picture("@d17").format(rt::DateValue{rt::TODAY()}));
  closePreview(w);
}

TEST_F(ReportsTest, PrintDomains2PrintsTheRenewalsFromTodayToThirtyDaysAhead) {
  const std::int32_t today = rt::TODAY();
  addDomain("in31.com", today + 31);
  addDomain("in30.com", today + 30);
  addDomain("yesterday.com", today - 1);
  addDomain("today.com", today);
  rt::Window* w = preview(&PrintDomains2, "Print the Domains File");
  ASSERT_TRUE(w);
  EXPECT_EQ(printed(w, "DOM:DOMAINNAME"), (std::vector<std::string>{"in30.com", "today.com"}));
  closePreview(w);
}

TEST_F(ReportsTest, PrintRegistrarsPrintsByCompanyName) {
  for (const char* n : {"Zed Names", "acme reg", "Beta Domains"})
    addRecords<RegistrarsRecord>(RegistrarsDesc(), {[&](RegistrarsRecord& r) {
                                   r.COMPANYNAME = n;
                                   r.REGULARFEE = 12.5;
                                 }});
  rt::Window* w = preview(&PrintRegistrars, "Print the Registrars File");
  ASSERT_TRUE(w);
  EXPECT_EQ(printed(w, "REG:COMPANYNAME"),
            (std::vector<std::string>{"acme reg", "Beta Domains", "Zed Names"}));
  EXPECT_EQ(printed(w, "REG:REGULARFEE"), std::vector<std::string>(3, "     12.50"));
  closePreview(w);
}

TEST_F(ReportsTest, PrintnotePrintsEveryNoteByDateThenTopic) {
  addRecords<DnotesRecord>(DnotesDesc(), {[](DnotesRecord& r) {
                                            r.TOPIC = "later";
                                            r.DATE = 80000;
                                          },
                                          [](DnotesRecord& r) {
                                            r.TOPIC = "b same day";
                                            r.DATE = 70000;
                                            r.REMINDER = "Y";
                                          },
                                          [](DnotesRecord& r) {
                                            r.TOPIC = "a same day";
                                            r.DATE = 70000;
                                          }});
  rt::Window* w = preview(&printnote, "Tarnwick Notes");
  ASSERT_TRUE(w);
  EXPECT_EQ(printed(w, "DNO:TOPIC"),
            (std::vector<std::string>{"a same day", "b same day", "later"}));
  closePreview(w);
}

TEST_F(ReportsTest, DomainGridPdfHoldsEveryFieldOfEveryDomain) {
  addRecords<DomainsRecord>(DomainsDesc(), {[](DomainsRecord& r) {
                              r.DOMAINNAME = "grid.example";
                              r.REGISTRAR = "Some Registrar";
                              r.FEEPAID = rt::Decimal{123456};
                              r.RENEWALDATE = rt::dateFromYmd(2027, 3, 7);
                              r.EMAILACCT4 = "five@grid.example";
                              r.FORWARD4 = "last@forward.example";
                            }});
  const std::string text = pdfText(PrintDomainsReport());
  for (const char* t :
       {"Print the Domains File", "Email Acct 5", "Forward 5", "grid.example", "Some Registrar",
        "1,234.56", "03/07/2027", "five@grid.example", "last@forward.example", "Page 1"})
    EXPECT_NE(text.find(t), std::string::npos) << t;
}

TEST_F(ReportsTest, BrowseAndReminderButtonsPrintOnTheirWindowsThread) {
  addDomain("due.com", rt::TODAY());
  addRecords<RegistrarsRecord>(RegistrarsDesc(),
                               {[](RegistrarsRecord& r) { r.COMPANYNAME = "Only Reg"; }});
  struct Caller {
    void (*procedure)();
    const char* name;
    int button;
    const char* title;
  };
  for (const Caller& c :
       {Caller{&notice, "notice", 7, "Print the Domains File"},
        Caller{&BrowseRegistrars, "BrowseRegistrars", 5, "Print the Registrars File"}}) {
    rt::Window* w = open(c.procedure, c.name);
    ASSERT_TRUE(w) << c.name;
    ASSERT_TRUE(driver.press(w, c.button)) << c.name;
    rt::Window* p = driver.waitForWindow(std::string("Print Preview - ") + c.title);
    ASSERT_TRUE(p) << c.name;
    EXPECT_EQ(p->thread(), w->thread());
    EXPECT_EQ(printed(p, "DOM:DOMAINNAME").size() + printed(p, "REG:COMPANYNAME").size(), 1u);
    closePreview(p);
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose(c.name));
  }
}

TEST_F(ReportsTest, PrintNotesFromTheReminderOnlyBrowsePrintsEveryNote) {
  addRecords<DnotesRecord>(DnotesDesc(), {[](DnotesRecord& r) {
                                            r.TOPIC = "plain";
                                            r.REMINDER = "N";
                                          },
                                          [](DnotesRecord& r) {
                                            r.TOPIC = "remind";
                                            r.REMINDER = "Y";
                                          }});
  ding = "Y";
  rt::Window* b = open(&BrowseNotes, "BrowseNotes");
  ASSERT_TRUE(b);
  ASSERT_EQ(driver.rowCount(b, 1), 1);
  ASSERT_TRUE(driver.press(b, 8));
  rt::Window* p = driver.waitForWindow("Print Preview - Tarnwick Notes");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->thread(), b->thread());
  EXPECT_EQ(printed(p, "DNO:TOPIC"), (std::vector<std::string>{"plain", "remind"}));
  closePreview(p);
  driver.close(b);
  ASSERT_TRUE(driver.waitForClose("BrowseNotes"));
}

using ReportsMenuTest = admintest::ProgramTest;

TEST_F(ReportsMenuTest, ReportsItemsStartTheirReports) {
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  for (const auto& [item, title] :
       {std::pair{-21, "Print the Domains File"}, std::pair{-22, "Print the Hosts File"},
        std::pair{-23, "Print the Registrars File"},
        std::pair{-24, "Tarnwick Hosting Profile Report"}, std::pair{-26, "Web Pages Report"}}) {
    ASSERT_TRUE(frame->menuEnabled(item)) << item;
    ASSERT_TRUE(driver.pickMenu(frame, item));
    rt::Window* p = driver.waitForWindow(std::string("Print Preview - ") + title);
    ASSERT_TRUE(p) << item;
    EXPECT_NE(p->thread(), frame->thread());
    ASSERT_TRUE(driver.press(p, 32));
    ASSERT_TRUE(driver.waitForClose(std::string("Print Preview - ") + title));
  }
  exitProgram();
}

}  // namespace
}  // namespace domaintest
