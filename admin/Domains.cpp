#include "admin/Domains.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "admin/Registrars.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "runtime/text/Paths.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/Window.h"

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

// ---- the browse ----

const rt::WindowTable& browseTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "BrowseDomains",
      .title = "Browse the Domains File",
      .statusText = "Browse Domains File",
      .controls =
          {
              BrowseListRow(1),
              InsertRow(2),
              ChangeRow(3),
              {4, K::Button, "&Delete"},
              {5, K::Sheet},
              {6, K::Tab, "By Domain Name", 5},
              {7, K::Prompt, "Domain Name:", 6},
              {8, K::Entry, "", 6, nullptr, "@s50",
               "This is the actual domain name that you have registered.", "",
               "This is the actual domain name."},
              {9, K::Button, "Web Pages", 0, nullptr, "", "", "filefind.ico"},
              {10, K::Button, "Hosts", 0, nullptr, "", "", "hosts.ico"},
              {11, K::Button, "Registrars", 0, nullptr, "", "", "registrars.ico"},
              CloseRow(12),
              {13, K::Button, "Help"},
              {14, K::Prompt, kResizeHint},
          },
      .buttons = {{2, B::Insert},
                  {3, B::Change},
                  {4, B::Delete},
                  {9, B::Call, "BrowseWebPages"},
                  {10, B::Call, "BrowseHosts"},
                  {11, B::Call, "BrowseRegistrars"},
                  {12, B::Close},
                  {13, B::Help}},
      .lists = {{
          .control = 1,
          .file = &Domains,
          .format =
              "142L(2)|M~Domain Name~@s50@49R(2)|M~Date Started~C(0)@D2@51R(2)|M~Renewal "
              "Date~C(0)@D2@80L(2)|M~Registrar~@s40@80L(2)|M~Reg Login~@s20@80L(2)|M~Reg Login "
              "Pwd~@s20@44D(12)|M~Fee Paid~C(0)@n10.2@80L(2)|M~Owner Name~@s40@80L(2)|M~Contact "
              "Person~@s20@",
          .fields = {"DOM:DOMAINNAME", "DOM:DATESTARTED", "DOM:RENEWALDATE", "DOM:REGISTRAR",
                     "DOM:REGLOGIN", "DOM:REGLOGINPWD", "DOM:FEEPAID", "DOM:OWNERNAME",
                     "DOM:CONTACTPERSON"},
          .orders = {{.key = "DOM:name", .locatorField = "DOM:DOMAINNAME", .locatorControl = 8}},
          .update = 1,
          .layouts = rt::LayoutKeeping::F9Switch,
      }},
      .children = {{1, &UpdateDomains}},
      .relations = {&DomainsRelations},
  };
  return t;
}

// ---- the form ----

enum : int {
  cSheet = 1,
  cRegistrarList = 10,
  cContactMail = 24,
  cHostList = 30,
  cPrimaryWeb = 39,
  cSecondaryWeb = 42,
  cNonMonthTotal = 61,
  cMonthlyTotal = 89,
  cLocalDir = 116,
  cOk = 125,
  cCancel = 126,
  cHelp = 127,
};

// A cost of the "Costs" tab: its prompt, its entry and the description beside it.
struct CostRow {
  int prompt;
  const char* text;
  const char* cost;
  const char* description;
  bool monthly;
};

const CostRow kCosts[] = {
    {47, "Registration Fee Paid:", "DOM:FEEPAID", "DOM:FEEDURATION", false},
    {51, "Initial Design Cost:", "DOM:INITIALDESIGNCOST", "DOM:INITDESIGNDESC", false},
    {54, "Initial Programming Cost:", "DOM:INITPROGRAMCOST", "DOM:INITPROGCOSTDESC", false},
    {57, "Misc. Setup Costs:", "DOM:MISCSETUPCOSTS", "DOM:MISCSETUPDESC", false},
    {62, "Hosting Cost:", "DOM:HOSTMOCOST", "DOM:HOSTPLANNAME", true},
    {65, "ECommerce Cost:", "DOM:ECOMMOCOST", "DOM:ECOMCOSTDESC", true},
    {68, "Advertising Cost:", "DOM:ADVERTISINGMOCOST", "DOM:ADVMOCOSTDESC", true},
    {71, "Services Cost:", "DOM:SERVICEMOCOST", "DOM:SERVMOCOSTDESC", true},
    {74, "Bank Chgs Cost:", "DOM:BANKCHGSMOCOST", "DOM:BANKCHGDESC", true},
    {77, "Add'l  Costs:", "DOM:ADDLMOCOST", "DOM:ADDMOCOSTDESC", true},
    {80, "Programming Cost:", "DOM:PROGRAMMOCOST", "DOM:PROGRAMMODESC", true},
    {85, "Design Maint. Cost:", "DOM:DESIGNMOCOST", "DOM:DESMOCOSTDESC", true},
};

// The two totals: their prompts and entries.
struct TotalRow {
  int prompt;
  const char* text;
  const char* field;
};
constexpr TotalRow kNonMonthTotal{60, "Non Monthly Total:", "DOM:NONMONTHTOTAL"};
constexpr TotalRow kMonthlyTotal{88, "Monthly Total:", "DOM:MONTHLYTOTAL"};

bool isCostControl(int control) {
  if (control == cNonMonthTotal || control == cMonthlyTotal) return true;
  for (const CostRow& c : kCosts)
    if (c.prompt + 1 == control) return true;
  return false;
}

// The "Email Accounts" rows: the "Mail To" button, then the account and its forward.
constexpr int kMailRows[] = {93, 96, 99, 102, 105};

constexpr char kMailTip[] = "Mail To = Click to send mail to address shown.";

void addCosts(std::vector<rt::ControlRow>& c, bool monthly, int tab) {
  for (const CostRow& r : kCosts) {
    if (r.monthly != monthly) continue;
    c.push_back({r.prompt, K::Prompt, r.text, tab});
    c.push_back({r.prompt + 1, K::Entry, "", tab, r.cost, "@n-10.2"});
    c.push_back({r.prompt + 2, K::Entry, "", tab, r.description, "@s60"});
  }
  const TotalRow& t = monthly ? kMonthlyTotal : kNonMonthTotal;
  c.push_back({t.prompt, K::Prompt, t.text, tab});
  c.push_back({t.prompt + 1, K::Entry, "", tab, t.field, "@n-10.2"});
}

std::vector<rt::ControlRow> formControls() {
  std::vector<rt::ControlRow> c = {
      {cSheet, K::Sheet},
      {2, K::Tab, "Set Up", cSheet},
      {3, K::Prompt, "Domain Name:", 2},
      {4, K::Entry, "", 2, "DOM:DOMAINNAME", "@s50"},
      {5, K::Prompt, "Date Started:", 2},
      {6, K::Entry, "", 2, "DOM:DATESTARTED", "@D2"},
      {7, K::Prompt, "Owner Name:", 2},
      {8, K::Entry, "", 2, "DOM:OWNERNAME", "@s40"},
      {9, K::Prompt, "Registrar Company:", 2},
      {cRegistrarList, K::DropList, "", 2},
      {11, K::Prompt, "Reg Login:", 2},
      {12, K::Entry, "", 2, "DOM:REGLOGIN", "@s20"},
      {13, K::Prompt, "Reg Login Pwd:", 2},
      {14, K::Entry, "", 2, "DOM:REGLOGINPWD", "@s20"},
      {15, K::Prompt, "Renewal Date:", 2},
      {16, K::Entry, "", 2, "DOM:RENEWALDATE", "@D2"},

      {17, K::Tab, "Admin.", cSheet},
      {18, K::Prompt, "Contact Person:", 17},
      {19, K::Entry, "", 17, "DOM:CONTACTPERSON", "@s20"},
      {20, K::Prompt, "Contact Pwd:", 17},
      {21, K::Entry, "", 17, "DOM:CONTACTPWD", "@s20"},
      {22, K::Prompt, "Contact Email:", 17},
      {23, K::Entry, "", 17, "DOM:CONTACTEMAIL", "@s30"},
      {cContactMail, K::Button, "Mail To", 17},
      {25, K::Prompt, "Tech Person:", 17},
      {26, K::Entry, "", 17, "DOM:TECHPERSON", "@s20"},
      {27, K::Prompt, "Tech Pwd:", 17},
      {28, K::Entry, "", 17, "DOM:TECHPWD", "@s20"},
      {29, K::Prompt, "Hosting Company:", 17},
      {cHostList, K::DropList, "", 17},
      {31, K::Prompt, "Host Date:", 17},
      {32, K::Entry, "", 17, "DOM:HOSTDATE", "@D2"},
      {33, K::Prompt, "Host Admin Login Name:", 17},
      {34, K::Entry, "", 17, "DOM:HOSTADMINLOGINNAME", "@s20"},
      {35, K::Prompt, "Admin Pwd:", 17},
      {36, K::Entry, "", 17, "DOM:ADMINPWD", "@s20"},
      {37, K::Prompt, "IP Primary Address:", 17},
      {38, K::Entry, "", 17, "DOM:IPPRIMARYADDRESS", "@s20"},
      {cPrimaryWeb, K::Button, "Web", 17},
      {40, K::Prompt, "IP Secondary Address:", 17},
      {41, K::Entry, "", 17, "DOM:IPSECONDARYADDRESS", "@s20"},
      {cSecondaryWeb, K::Button, "Web", 17},
      {43, K::Prompt, "Mail To:  Click to send mail to address shown.", 17},
      {44, K::Prompt, "Web: Click to call browser with address shown.", 17},

      {45, K::Tab, "Costs", cSheet},
      {46, K::Prompt, "Non-Monthly Fees", 45},
      {50, K::Prompt, "Describe Cost Items Below", 45},
  };
  addCosts(c, false, 45);
  c.push_back({83, K::Prompt, "Monthly Costs", 45});
  c.push_back({84, K::Prompt, "Describe Cost Items Below", 45});
  addCosts(c, true, 45);

  c.push_back({90, K::Tab, "Email Accounts", cSheet});
  c.push_back({91, K::Prompt, "Email Pop3 Accounts ", 90});
  c.push_back({92, K::Prompt, "Foward This Mail To:", 90});
  static const char* const kAccounts[] = {"DOM:EMAILACCT0", "DOM:EMAILACCT1", "DOM:EMAILACCT2",
                                          "DOM:EMAILACCT3", "DOM:EMAILACCT4"};
  static const char* const kForwards[] = {"DOM:FORWARD0", "DOM:FORWARD1", "DOM:FORWARD2",
                                          "DOM:FORWARD3", "DOM:FORWARD4"};
  for (int i = 0; i < 5; ++i) {
    const int b = kMailRows[i];
    c.push_back({b, K::Button, "Mail To", 90, nullptr, "", kMailTip});
    c.push_back({b + 1, K::Entry, "", 90, kAccounts[i], "@s30"});
    c.push_back({b + 2, K::Entry, "", 90, kForwards[i], "@s30"});
  }
  c.push_back({108, K::Prompt,
               "Forwarding mail is optional.  But if you choose to forward mail for an address, "
               "then",
               90});
  c.push_back({109, K::Prompt, "put the \"forward to\" address next to the real address.", 90});
  c.push_back({110, K::Prompt, "Mail To: Click to send mail to address shown.", 90});

  c.push_back({111, K::Tab, "Special TW Data", cSheet});
  c.push_back({112, K::Prompt,
               "The following data fields are extremely important to your proper operation of "
               "the Tarnwick program.  Please complete these fields for each domain in the "
               "database.",
               111});
  c.push_back({115, K::Prompt, "Default Local Dir:", 111});
  c.push_back({cLocalDir, K::Entry, "", 111, "DOM:DEFAULTLOCALDIR", "@s80",
               "Be sure to include drive letter in path."});
  c.push_back({117, K::Prompt,
               "This is the local path where the HTML pages for this domain are kept.  Provide "
               "the complete path including drive letter, and all subdirectories with path.  For "
               "example:  C:\\HTML\\MyDomain",
               111});
  c.push_back({118, K::Prompt, "Default Web Path:", 111});
  c.push_back({119, K::Entry, "", 111, "DOM:DEFAULTWEBPATH", "@s80",
               "This is where the pages are kept. It should contain the exact path."});
  c.push_back({120, K::Prompt,
               "Provide the complete path where your hosting service keeps the pages.  For "
               "example:  http://www.mydomain.com/pages",
               111});

  c.push_back({121, K::Tab, "Notes", cSheet});
  c.push_back({122, K::Prompt, "Notes:", 121});
  c.push_back({123, K::Text, "", 121, "DOM:Notes", "",
               "These are free form (brief) notes about the domain."});

  c.push_back({cOk, K::Button, "OK"});
  c.push_back({cCancel, K::Button, "Cancel"});
  c.push_back({cHelp, K::Button, "Help"});
  return c;
}

const rt::WindowTable& formTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "UpdateDomains",
      .title = "Update the Domains File",
      .statusText = "Update Domain Records",
      .controls = formControls(),
      .buttons = {{cOk, B::Ok},
                  {cCancel, B::Cancel},
                  {cHelp, B::Help},
                  {cContactMail, B::Shell, "mailto:", "DOM:CONTACTEMAIL"},
                  {cPrimaryWeb, B::Shell, "http://www.", "DOM:IPPRIMARYADDRESS"},
                  {cSecondaryWeb, B::Shell, "http://www.", "DOM:IPSECONDARYADDRESS"},
                  {kMailRows[0], B::Shell, "mailto:", "DOM:EMAILACCT0"},
                  {kMailRows[1], B::Shell, "mailto:", "DOM:EMAILACCT1"},
                  {kMailRows[2], B::Shell, "mailto:", "DOM:EMAILACCT2"},
                  {kMailRows[3], B::Shell, "mailto:", "DOM:EMAILACCT3"},
                  {kMailRows[4], B::Shell, "mailto:", "DOM:EMAILACCT4"}},
      .relations = {&DomainsRelations, &HostsRelations, &RegistrarsRelations},
      .manager = &DomainsManager,
      .actionTexts = {.insert = "Record will be added",
                      .change = "Record will be Changed",
                      .remove = "",
                      .view = ""},
      .dropLists = {{cRegistrarList, &Registrars, "REG:COMPANYNAME", "DOM:REGISTRAR"},
                    {cHostList, &Hosts, "HOS:HOSTNAME", "DOM:HOST"}},
      .required = {{4, "Domain Name is required."}},
      .placeholderField = "DOM:DOMAINNAME",
  };
  return t;
}

const rt::WindowTableRegistration tables{{"BrowseDomains", &browseTable},
                                         {"UpdateDomains", &formTable}};

class DomainForm : public rt::TableForm {
 public:
  DomainForm() : TableForm(formTable()) {}

  rt::Flow OnAccepted() override {
    const rt::Flow f = TableForm::OnAccepted();
    if (f != rt::Flow::Continue) return f;
    if (isCostControl(control())) {
      if (!updateTotals()) {
        tooLarge_ = control();
        window()->selectControl(control());
      }
      RefreshItems();
    } else if (control() == cLocalDir) {
      checkLocalDirectory();
    }
    return f;
  }

  // A total that cannot hold its costs' sum would be stored as if it did.
  rt::Flow CheckCompletion() override {
    const rt::Flow f = TableForm::CheckCompletion();
    if (f != rt::Flow::Continue ||
        (request() != rt::Request::Insert && request() != rt::Request::Change))
      return f;
    const bool fits = updateTotals();
    RefreshItems();
    if (fits) return f;
    window()->selectControl(tooLarge_ ? tooLarge_ : kCosts[0].prompt + 1);
    return rt::Flow::Cycle;
  }

 private:
  bool updateTotals() {
    if (const std::optional<DomainTotals> t = DomainCostTotals(DOM)) {
      DOM.NONMONTHTOTAL = t->nonMonthly;
      DOM.MONTHLYTOTAL = t->monthly;
      tooLarge_ = 0;
      return true;
    }
    // A wrapped or cut total would look right and be wrong: keep the last one and say so.
    rt::ShowMessageBox("The total of these costs is too large for its field (at most 99,999.99).",
                       "Domain Data Error", rt::MessageIcon::Exclamation);
    return false;
  }

  int tooLarge_ = 0;  // the cost whose entry last made a total overflow

  void checkLocalDirectory() {
    const std::string dir(DOM.DEFAULTLOCALDIR.clip());
    if (rt::FileExists(dir)) return;
    const int answer =
        rt::ShowMessageBox("The directory entered, does not exist.||\"" + dir +
                               "\"||Do you wish to create it (only 1 level deep)?",
                           "Data Warning", rt::MessageIcon::None, rt::button::Yes | rt::button::No);
    if (answer == rt::button::Yes) {
      if (rt::MakeDirectory(dir)) return;
      rt::ShowMessageBox("The directory could not be created.||\"" + dir + "\"", "Data Warning",
                         rt::MessageIcon::Exclamation);
    }
    window()->selectControl(cLocalDir);
  }
};

}  // namespace

std::optional<DomainTotals> DomainCostTotals(const DomainsRecord& rec) {
  std::int64_t sums[2] = {0, 0};
  for (const CostRow& c : kCosts) {
    // The record is packed: the costs are read by value from their offsets.
    const rt::FieldDesc& f = DomainsDesc().fields[DomainsDesc().fieldIndex(c.cost)];
    std::int32_t hundredths = 0;
    std::memcpy(&hundredths, reinterpret_cast<const char*>(&rec) + f.offset, sizeof hundredths);
    sums[c.monthly ? 1 : 0] += hundredths;
  }
  const auto nonMonthly = rt::Decimal::fromHundredths(sums[0]);
  const auto monthly = rt::Decimal::fromHundredths(sums[1]);
  if (!nonMonthly || !monthly) return std::nullopt;
  return DomainTotals{*nonMonthly, *monthly};
}

void BrowseDomains() {
  rt::RunBrowse(browseTable());
}

void UpdateDomains() {
  DomainForm w;
  w.Run();
}
