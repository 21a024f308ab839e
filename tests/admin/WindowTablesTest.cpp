// Every window table of the program builds; a misspelt name fails naming itself.
#include <stdexcept>

#include "common/System.h"
#include "tests/support/DomainsTestFixture.h"

namespace domaintest {
namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

TEST(WindowTables, EveryRegisteredTableBuilds) {
  std::vector<std::string> names;
  for (const rt::RegisteredTable& r : rt::windowTables()) {
    names.emplace_back(r.name);
    EXPECT_NO_THROW(rt::checkTable(r.table())) << r.name;
  }
  for (const char* landed : {"BrowseDomains", "UpdateDomains", "notice", "BrowseRegistrars",
                             "UpdateRegistrars", "BrowseHosts", "UpdateHosts"})
    EXPECT_NE(std::find(names.begin(), names.end(), landed), names.end()) << landed;
}

// Tables are built once, on whichever procedure thread opens their window first; nothing of
// theirs may point into that thread's stack, which the next thread overwrites.
TEST(WindowTables, ATableFirstBuiltOnAnEndedThreadKeepsItsTexts) {
  auto texts = [] {
    std::vector<std::string> out;
    for (const rt::RegisteredTable& r : rt::windowTables())
      for (const rt::ControlRow& c : r.table().controls)
        for (const char* t : {c.text, c.field, c.picture, c.tip, c.status, c.icon})
          out.emplace_back(t ? t : "");
    return out;
  };
  std::vector<std::string> built;
  rt::TestDriver driver;
  driver.start([&] { built = texts(); });
  driver.waitForThreadsToEnd();
  driver.start([] {
    volatile char scribble[64 * 1024];
    for (volatile char& c : scribble) c = '#';
  });
  driver.waitForThreadsToEnd();
  EXPECT_EQ(texts(), built);
}

// A small browse and form over the domains; each case spoils one name.
TEST(WindowTables, AMisspeltNameFailsNamingIt) {
  const rt::WindowTable good{
      .context = &SystemTables(),
      .procedure = "Probe",
      .title = "Probe",
      .controls = {{1, K::List},
                   {2, K::Entry, "", 0, "DOM:DOMAINNAME"},
                   {3, K::Button, "Mail"},
                   {4, K::DropList},
                   {5, K::Option, "", 0, "DOM:OWNERNAME"},
                   {.number = 6, .kind = K::Radio, .text = "Mine", .parent = 5, .value = "M"}},
      .buttons = {{3, B::Shell, "mailto:", "DOM:CONTACTEMAIL"}},
      .lists = {{.control = 1,
                 .file = &Domains,
                 .format = "80L(2)|M~Name~@s50@",
                 .fields = {"DOM:DOMAINNAME"},
                 .orders = {{.key = "DOM:name",
                             .appended = "dom:renewaldate",
                             .locatorField = "DOM:DOMAINNAME",
                             .filter = "dom:feepaid > 0",
                             .range = {"REG:COMPANYNAME"}}}}},
      .manager = &DomainsManager,
      .dropLists = {{4, &Registrars, "REG:COMPANYNAME", "DOM:REGISTRAR"}},
      .placeholderField = "DOM:DOMAINNAME",
  };
  ASSERT_NO_THROW(rt::checkTable(good));
  struct Case {
    const char* bad;
    std::function<void(rt::WindowTable&)> spoil;
  };
  const Case cases[] = {
      {"DOM:DOMIANNAME", [](rt::WindowTable& t) { t.controls[1].field = "DOM:DOMIANNAME"; }},
      {"XYZ:NAME", [](rt::WindowTable& t) { t.controls[1].field = "XYZ:NAME"; }},
      {"DOM:NAMEE", [](rt::WindowTable& t) { t.lists[0].fields[0] = "DOM:NAMEE"; }},
      {"DOM:nmae", [](rt::WindowTable& t) { t.lists[0].orders[0].key = "DOM:nmae"; }},
      {"dom:renewal", [](rt::WindowTable& t) { t.lists[0].orders[0].appended = "dom:renewal"; }},
      {"DOM:DOMAIN", [](rt::WindowTable& t) { t.lists[0].orders[0].locatorField = "DOM:DOMAIN"; }},
      {"dom:feepaidd",
       [](rt::WindowTable& t) { t.lists[0].orders[0].filter = "dom:feepaidd > 0"; }},
      {"REG:COMPANY", [](rt::WindowTable& t) { t.lists[0].orders[0].range[0] = "REG:COMPANY"; }},
      {"DOM:CONTACTMAIL", [](rt::WindowTable& t) { t.buttons[0].field = "DOM:CONTACTMAIL"; }},
      {"DOM:REGISTRA", [](rt::WindowTable& t) { t.dropLists[0].targetField = "DOM:REGISTRA"; }},
      {"REG:NAME", [](rt::WindowTable& t) { t.dropLists[0].sourceField = "REG:NAME"; }},
      {"DOM:NAME", [](rt::WindowTable& t) { t.placeholderField = "DOM:NAME"; }},
      {"99", [](rt::WindowTable& t) { t.buttons[0].control = 99; }},
      {"98", [](rt::WindowTable& t) { t.hidden = {98}; }},
      {"6", [](rt::WindowTable& t) { t.controls[5].parent = 4; }},
  };
  for (const Case& c : cases) {
    rt::WindowTable t = good;
    c.spoil(t);
    try {
      rt::checkTable(t);
      ADD_FAILURE() << c.bad << " was taken";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.bad), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace domaintest
