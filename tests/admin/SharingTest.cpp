// A second program on the same data directory: the files the first holds are told of once,
// then read.
#include "admin/Domains.h"
#include "runtime/text/Dates.h"
#include "tests/data/DataTestSupport.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/ProgramFixture.h"

namespace domaintest {
namespace {

using SharingTest = WindowsTest;

constexpr int kList = 1, kClose = 12;

TEST_F(SharingTest, DomainBrowseNamesTheHeldFilesInOneMessageOncePerRun) {
  addDomain("a.com");
  ASSERT_EQ(DomainsRelations->OpenFiles(), rt::Status::Ok);  // makes the related files
  DomainsRelations->CloseFiles();
  const std::vector<const rt::FileDesc*> held = {&DomainsDesc(),  &WebPagesDesc(), &WPMetaDesc(),
                                                 &WPLinksDesc(),  &WPIMGDesc(),    &WPFormDesc(),
                                                 &WPScriptsDesc()};
  std::vector<std::string> names;
  for (const rt::FileDesc* d : held) names.push_back(d->diskName);
  rt::testing::OtherProgram other(names, "lock");
  ASSERT_TRUE(other.holding());

  for (const std::size_t told : {1u, 0u}) {
    rt::defaultReporter().clear();
    rt::Window* w = open(&BrowseDomains, "BrowseDomains");
    ASSERT_TRUE(w);
    EXPECT_TRUE(driver.waitUntil([&] { return driver.rowCount(w, kList) == 1; }));
    std::vector<rt::ReportedMessage> denied;
    for (const auto& m : rt::defaultReporter().messages)
      if (m.id == rt::MessageId::AccessDenied) denied.push_back(m);
    ASSERT_EQ(denied.size(), told);
    for (std::size_t i = 0; i < told; ++i)
      for (const rt::FileDesc* d : held)
        EXPECT_NE(denied[i].text.find(d->label), std::string::npos) << denied[i].text;
    EXPECT_TRUE(Domains.isReadOnly());
    driver.press(w, kClose);
    ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
  }
}

TEST_F(SharingTest, FormNamesAllItsHeldFilesInOneMessage) {
  for (rt::FileRelations* r : {RegistrarsRelations, HostsRelations}) {
    ASSERT_EQ(r->OpenFiles(), rt::Status::Ok);  // makes the files
    r->CloseFiles();
  }
  rt::testing::OtherProgram other({RegistrarsDesc().diskName, HostsDesc().diskName}, "lock");
  ASSERT_TRUE(other.holding());
  rt::Window* w = open(&UpdateDomains, "UpdateDomains", rt::Request::Insert);
  ASSERT_TRUE(w);
  ASSERT_EQ(rt::defaultReporter().messages.size(), 1u);
  const rt::ReportedMessage& m = rt::defaultReporter().messages[0];
  EXPECT_EQ(m.id, rt::MessageId::AccessDenied);
  for (const char* label : {"Registrars", "Hosts"})
    EXPECT_NE(m.text.find(label), std::string::npos) << m.text;
  EXPECT_FALSE(Domains.isReadOnly());
}

using SharedStartTest = admintest::ProgramTest;

TEST_F(SharedStartTest, RenewalRemindersComeWhileAnotherProgramHoldsTheDomains) {
  addDomain("due.com", rt::TODAY() + 3);
  rt::testing::OtherProgram other({DomainsDesc().diskName}, "lock");
  ASSERT_TRUE(other.holding());
  SetProcedure("notice", &admintest::standIn<admintest::kNotice, true>);
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  rt::Window* n = driver.waitForWindow("notice");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(admintest::calls().back(), "notice:due.com");
  driver.close(n);
  exitProgram();
}

}  // namespace
}  // namespace domaintest
