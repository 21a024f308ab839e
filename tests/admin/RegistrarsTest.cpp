// The registrar browse and form: the shell address, the placeholder name, check boxes, the
// drop list of the domain form, and domains left alone by registrar changes.
#include <QAbstractItemView>
#include <QComboBox>

#include "admin/Domains.h"
#include "admin/Registrars.h"
#include "common/Procedures.h"
#include "runtime/ui/IniAccess.h"
#include "tests/support/DomainsTestFixture.h"

namespace domaintest {
namespace {

enum { rList = 1, rInsert, rChange, rDelete, rPrint, rClose = 8 };
enum { gCurrent = 3, gName = 5, gUrl = 7, gWeb = 8, gIcann = 27, gOk = 33, gCancel = 34 };

void addRegistrar(std::string_view name) {
  addRecords<RegistrarsRecord>(RegistrarsDesc(),
                               {[&](RegistrarsRecord& r) { r.COMPANYNAME = name; }});
}

class RegistrarsTest : public WindowsTest {
 protected:
  rt::Window* openForm(rt::Request request) {
    return open(&UpdateRegistrars, "UpdateRegistrars", request);
  }
  rt::Window* openBrowse() { return open(&BrowseRegistrars, "BrowseRegistrars"); }
  void finish(rt::Window* w, int button, std::string_view name) {
    ASSERT_TRUE(driver.press(w, button));
    ASSERT_TRUE(driver.waitForClose(name));
  }
};

TEST_F(RegistrarsTest, ChecksAreStoredAsYAndNAndThePlaceholderNameIsBlanked) {
  rt::Window* w = openForm(rt::Request::Insert);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->title(), "Record will be Added");
  EXPECT_EQ(w->text(gName), "");
  ASSERT_TRUE(driver.type(w, gName, "Names Inc"));
  ASSERT_TRUE(driver.press(w, gCurrent));
  finish(w, gOk, "UpdateRegistrars");
  auto recs = readRecords<RegistrarsRecord>(RegistrarsDesc());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].COMPANYNAME.str(), "Names Inc");
  EXPECT_EQ(recs[0].CURRENTLYUSE.str(), "Y");
  EXPECT_EQ(recs[0].ACCREDITEDBYICANN.str(), "N");
}

TEST_F(RegistrarsTest, AnEmptyRegistrarFileGivesAnEmptyListAndDropList) {
  const ProcedureEntry report = SetProcedure("PrintRegistrars", nullptr);
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  EXPECT_EQ(driver.rowCount(b, rList), 0);
  EXPECT_EQ(b->title(), "Browse the Registrars File");
  EXPECT_FALSE(b->enabled(rPrint));  // without its report in the program
  finish(b, rClose, "BrowseRegistrars");
  SetProcedure("PrintRegistrars", report);

  rt::Window* f = open(&UpdateDomains, "UpdateDomains", rt::Request::Insert);
  ASSERT_TRUE(f);
  auto* box = qobject_cast<QComboBox*>(f->control(10));
  ASSERT_TRUE(box);
  EXPECT_EQ(box->count(), 0);
  finish(f, 126, "UpdateDomains");
}

TEST_F(RegistrarsTest, TheDomainFormCopiesTheChosenRegistrar) {
  addRegistrar("Zed Names");
  addRegistrar("Alpha Registry");
  rt::Window* f = open(&UpdateDomains, "UpdateDomains", rt::Request::Insert);
  ASSERT_TRUE(f);
  auto* box = qobject_cast<QComboBox*>(f->control(10));
  ASSERT_TRUE(box);
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->itemText(0).toStdString(), "Zed Names");  // record order
  ASSERT_TRUE(driver.type(f, 4, "mine.com"));
  ASSERT_TRUE(driver.choose(f, 10, 2));
  finish(f, 125, "UpdateDomains");
  const auto recs = readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0].REGISTRAR.str(), "Alpha Registry");
}

TEST_F(RegistrarsTest, DeletingOrRenamingARegistrarLeavesTheDomainsAlone) {
  addRegistrar("Alpha Registry");
  addRegistrar("Beta Names");
  addRecords<DomainsRecord>(DomainsDesc(), {[](DomainsRecord& r) {
                                              r.DOMAINNAME = "a.com";
                                              r.REGISTRAR = "Alpha Registry";
                                            },
                                            [](DomainsRecord& r) {
                                              r.DOMAINNAME = "b.com";
                                              r.REGISTRAR = "Beta Names";
                                            }});
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  ASSERT_EQ(driver.rowCount(b, rList), 2);
  EXPECT_EQ(driver.cell(b, rList, 1, 1), "Alpha Registry");
  // A typed initial moves to the first company beginning with it.
  driver.pressKey(b, rList, 'b');
  driver.pump();
  EXPECT_EQ(b->listView(rList)->currentIndex().row(), 1);
  ASSERT_TRUE(driver.press(b, rChange));
  rt::Window* f = driver.waitForWindow("UpdateRegistrars");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->title(), "Record will be Changed");
  ASSERT_TRUE(driver.type(f, gName, "Gamma Names"));
  finish(f, gOk, "UpdateRegistrars");
  b->listView(rList)->setCurrentIndex(b->listView(rList)->model()->index(0, 0));
  ASSERT_TRUE(driver.press(b, rDelete));
  EXPECT_TRUE(driver.waitUntil([&] { return driver.rowCount(b, rList) == 1; }));
  EXPECT_EQ(driver.cell(b, rList, 1, 1), "Gamma Names");
  finish(b, rClose, "BrowseRegistrars");
  const auto domains = readRecords<DomainsRecord>(DomainsDesc());
  ASSERT_EQ(domains.size(), 2u);
  EXPECT_EQ(domains[0].REGISTRAR.str(), "Alpha Registry");
  EXPECT_EQ(domains[1].REGISTRAR.str(), "Beta Names");
}

TEST_F(RegistrarsTest, F9SwitchesTheLayoutsKeptUnderTheBrowsesSection) {
  rt::Window* b = openBrowse();
  ASSERT_TRUE(b);
  finish(b, rClose, "BrowseRegistrars");
  const std::string design = ini("BrowseRegistrars", "?Browse:1:ORIG");
  EXPECT_EQ(design.substr(0, 20), "23C(2)|M~ Use~@s1@80");
  std::string user = design;
  user.replace(0, 2, "40");
  rt::iniPut("BrowseRegistrars", "?Browse:1:USER", user);
  b = openBrowse();
  ASSERT_TRUE(b);
  driver.pressKey(b, rList, rt::key::F9);
  driver.pump();
  finish(b, rClose, "BrowseRegistrars");
  EXPECT_EQ(ini("BrowseRegistrars", "?Browse:1:USER"), design);
}

}  // namespace
}  // namespace domaintest
