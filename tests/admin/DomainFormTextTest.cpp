// Text that is not UTF-8 (an owner name brought in from an old Windows-1252 page) through
// the domain browse and form: shown as those characters, stored back byte for byte.
#include <QLineEdit>
#include <cstring>

#include "admin/Domains.h"
#include "tests/support/DomainsTestFixture.h"

namespace domaintest {
namespace {

constexpr int kList = 1, kChange = 3, kClose = 12;   // the browse
constexpr int kOwner = 8, kContact = 19, kOk = 125;  // the form
constexpr int kOwnerColumn = 7;

const std::string kLegacyOwner =
    "Caf\xE9 M\xFC"
    "ller \x93quoted\x94 \x80";
const char kShownOwner[] = "Café Müller “quoted” €";

class DomainFormText : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    addRecords<DomainsRecord>(DomainsDesc(), {[](DomainsRecord& r) {
                                r.DOMAINNAME = "legacy.com";
                                r.OWNERNAME = kLegacyOwner;
                              }});
    before = stored();
  }

  static DomainsRecord stored() {
    const auto all = readRecords<DomainsRecord>(DomainsDesc());
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? DomainsRecord{} : all[0];
  }

  // Opens the form from the browse on the only domain, lets edit run on it, and OKs it.
  void changeAndOk(const std::function<void(rt::Window*)>& edit) {
    rt::Window* b = open(&BrowseDomains, "BrowseDomains");
    ASSERT_TRUE(b);
    EXPECT_EQ(driver.cell(b, kList, 1, kOwnerColumn), kShownOwner);
    ASSERT_TRUE(driver.press(b, kChange));
    rt::Window* f = driver.waitForWindow("UpdateDomains");
    ASSERT_TRUE(f);
    EXPECT_EQ(static_cast<QLineEdit*>(f->control(kOwner))->text(), QString::fromUtf8(kShownOwner));
    edit(f);
    ASSERT_TRUE(driver.press(f, kOk));
    ASSERT_TRUE(driver.waitForClose("UpdateDomains"));
    driver.press(b, kClose);
    ASSERT_TRUE(driver.waitForClose("BrowseDomains"));
  }

  DomainsRecord before;
};

TEST_F(DomainFormText, OkWithoutAChangeLeavesTheRecordBytesAsTheyWere) {
  changeAndOk([](rt::Window*) {});
  const DomainsRecord after = stored();
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
  EXPECT_EQ(after.OWNERNAME.str(), kLegacyOwner);
}

TEST_F(DomainFormText, AChangeOfAnotherFieldLeavesItsBytesAsTheyWere) {
  changeAndOk([this](rt::Window* f) { ASSERT_TRUE(driver.type(f, kContact, "Zoë")); });
  const DomainsRecord after = stored();
  EXPECT_EQ(std::memcmp(before.OWNERNAME.data, after.OWNERNAME.data, sizeof before.OWNERNAME), 0);
  EXPECT_EQ(after.CONTACTPERSON.str(), "Zo\xC3\xAB");
}

TEST_F(DomainFormText, TypedTextReplacesItAsUtf8) {
  changeAndOk([this](rt::Window* f) { ASSERT_TRUE(driver.type(f, kOwner, "Café")); });
  EXPECT_EQ(stored().OWNERNAME.str(), "Caf\xC3\xA9");
}

}  // namespace
}  // namespace domaintest
