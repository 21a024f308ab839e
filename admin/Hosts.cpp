#include "admin/Hosts.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "runtime/text/Dates.h"
#include "runtime/ui/Window.h"

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

const rt::WindowTable& browseTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "BrowseHosts",
      .title = "Browse the Hosts File",
      .statusText = "Browse Hosting Companies File",
      .controls =
          {
              BrowseListRow(1),
              InsertRow(2),
              ChangeRow(3),
              {4, K::Button, "&Print All Hosts"},
              DeleteRow(5),
              {6, K::Sheet},
              {7, K::Tab, "Host Name", 6},
              CloseRow(8),
              {9, K::Button, "Help"},
              {10, K::Prompt, kResizeHint},
          },
      .buttons = {{2, B::Insert},
                  {3, B::Change},
                  {5, B::Delete},
                  {4, B::Print},
                  {8, B::Close},
                  {9, B::Help}},
      .lists = {{
          .control = 1,
          .file = &Hosts,
          .format = "20C|M~Use~L(2)@s1@80L(2)|M~Host Name~@s50@80L(2)|M~Contact "
                    "Name~@s30@80L(2)|M~Phone Number~@s20@80L(2)|M~Fax Number~@s20@80L(2)|M~"
                    "Support Email~@s40@80L(2)|M~URL~@s40@80L(2)|M~Street "
                    "Address~@s40@80L(2)|M~Hos City~@s30@24L(2)|M~State~@s2@",
          .fields = {"HOS:CURRENTLYUSE", "HOS:HOSTNAME", "HOS:CONTACTNAME", "HOS:PHONENUMBER",
                     "HOS:FAXNUMBER", "HOS:SUPPORTEMAIL", "HOS:URL", "HOS:STREETADDRESS",
                     "HOS:HOSCITY", "HOS:STATE"},
          .orders =
              {{.key = "HOS:name", .appended = "hos:hostname", .locatorField = "HOS:HOSTNAME"}},
          .update = 1,
          .print = 2,
          .layouts = rt::LayoutKeeping::F9Switch,
      }},
      .children = {{1, &UpdateHosts}, {2, nullptr, "PrintHosts"}},
      .relations = {&HostsRelations},
  };
  return t;
}

// ---- the form ----

// The controls the table refers to; the others are numbered as they come.
enum : int {
  cSheet = 1,
  cHostName = 5,
  cWeb = 22,
  cMailTo = 26,
  cOk = 105,
  cCancel = 106,
  cHelp = 107,
};

// The fields whose acceptance recomputes the monthly total.
constexpr const char* kCostFields[] = {"HOS:FEEMONTHLY", "HOS:FEESETUP", "HOS:ECOMCOST",
                                       "HOS:TOTALMONTHLYCOST"};

void expectNumber(int n, int expected) {
  if (n != expected) throw std::logic_error("UpdateHosts: control numbers out of step");
}

// A radio of an option group: its text and the value the group stores.
struct Choice {
  const char* text;
  const char* value;
};

void addPrompted(std::vector<rt::ControlRow>& c, int& n, int tab, const char* prompt,
                 const char* field, const char* picture, const char* tip = "") {
  c.push_back({n++, K::Prompt, prompt, tab});
  c.push_back({n++, K::Entry, "", tab, field, picture, tip});
}

void addChecks(std::vector<rt::ControlRow>& c, int& n, int parent,
               std::initializer_list<std::pair<const char*, const char*>> checks) {
  for (const auto& [text, field] : checks) c.push_back({n++, K::Check, text, parent, field});
}

void addOption(std::vector<rt::ControlRow>& c, int& n, int tab, const char* text, const char* field,
               std::initializer_list<Choice> choices) {
  const int group = n++;
  c.push_back({group, K::Option, text, tab, field});
  for (const Choice& ch : choices)
    c.push_back(
        {.number = n++, .kind = K::Radio, .text = ch.text, .parent = group, .value = ch.value});
}

std::vector<rt::ControlRow> formControls() {
  std::vector<rt::ControlRow> c = {
      {cSheet, K::Sheet},
      {2, K::Tab, "Main Data", cSheet},
      {3, K::Check, "Currently Use", 2, "HOS:CURRENTLYUSE"},
  };
  int n = 4;
  addPrompted(c, n, 2, "Host Name:", "HOS:HOSTNAME", "@s50");
  addPrompted(c, n, 2, "Contact Name:", "HOS:CONTACTNAME", "@s30");
  addPrompted(c, n, 2, "Phone Number:", "HOS:PHONENUMBER", "@s20");
  addPrompted(c, n, 2, "Fax Number:", "HOS:FAXNUMBER", "@s20");
  addPrompted(c, n, 2, "Street Address:", "HOS:STREETADDRESS", "@s40");
  addPrompted(c, n, 2, "City:", "HOS:HOSCITY", "@s30");
  addPrompted(c, n, 2, "State:", "HOS:STATE", "@s2");
  addPrompted(c, n, 2, "Zip Code:", "HOS:ZIPCODE", "@s10");
  addPrompted(c, n, 2, "URL:", "HOS:URL", "@s40");
  expectNumber(n, cWeb);
  c.push_back(
      {n++, K::Button, "Web", 2, nullptr, "", "Web: Click to call browser with address shown."});

  const int support = n++;
  c.push_back({support, K::Tab, "Support", cSheet});
  addPrompted(c, n, support, "Support Email Address:", "HOS:SUPPORTEMAIL", "@s40");
  expectNumber(n, cMailTo);
  c.push_back({n++, K::Button, "< MailTo", support});
  addChecks(c, n, support, {{"Voice Support Available", "HOS:VOICESUPPORT"}});
  addPrompted(c, n, support, "Voice Support Phone:", "HOS:VOICESUPPORTPHONE", "@s20");

  const int mail = n++;
  c.push_back({mail, K::Tab, "EMail", cSheet});
  addPrompted(c, n, mail, "POP 3 Number of Accounts Allowed:", "HOS:POP3NUMBER", "@N-3");
  addPrompted(c, n, mail, "SMTP (does the host provide ability to send mail?)", "HOS:SMTP", "@s1");
  addOption(c, n, mail, "Email Administration", "HOS:EMAILCONTROL",
            {{"User Controlled", "User"}, {"ISP Controlled", "ISP"}, {"None", "None"}});
  addChecks(c, n, mail,
            {{"Email Forwarding is allowed by host", "HOS:EMAILFORWARDING"},
             {"Host provides Web Based Email retrieval", "HOS:WEBBASEDEMAIL"}});

  const int costs = n++;
  c.push_back({costs, K::Tab, "Costs", cSheet});
  addPrompted(c, n, costs, "Fee Monthly:", "HOS:FEEMONTHLY", "@n10.2");
  addPrompted(c, n, costs, "Fee Setup:", "HOS:FEESETUP", "@n10.2");
  addPrompted(c, n, costs, "ECom Cost:", "HOS:ECOMCOST", "@n5.2");
  addPrompted(c, n, costs, "Total Monthly Cost:", "HOS:TOTALMONTHLYCOST", "@n8.2");
  addPrompted(c, n, costs, "Annual Prepayment:", "HOS:ANNUALPREPAYMENT", "@n7.2");
  addPrompted(c, n, costs, "Minimum Contract:", "HOS:MINIMUMCONTRACT", "@s10");
  c.push_back({n++, K::Prompt,
               "Note: These costs are for hosting comparison purposes and are not transferred "
               "to the Domains file.             The Domain records have their own costing "
               "screen.",
               costs});
  addOption(c, n, costs, "Payment By:", "HOS:PAYMENTBY",
            {{"Amex", "A"}, {"Check", "K"}, {"Discover", "D"}, {"Mastercard", "M"}, {"Visa", "V"}});

  const int standard = n++;
  c.push_back({standard, K::Tab, "Standard Features", cSheet});
  addChecks(c, n, standard, {{"Internet Access", "HOS:INTERNETACCESS"}});
  addOption(c, n, standard, "Internet Access Use", "HOS:INTERNETACCESSUSE",
            {{"Unlimited", "U"},
             {"MultipleLogins", "M"},
             {"LimitedTime", "L"},
             {"SingleUse", "S"},
             {"None", "N"}});
  addChecks(c, n, standard,
            {{"Local Access Numbers", "HOS:LOCALACCESSNUMBERS"},
             {"National Access Numbers", "HOS:NATIONALACCESSNUMBERS"},
             {"Free Transfer Domain Name", "HOS:FREETRANSFERDOMAINNAME"}});
  // Stored files hold these two values as they are, quotes included.
  addOption(c, n, standard, "File Downloads", "HOS:FILEDOWNLOADS",
            {{"FTP", "\"F"}, {"Other", "O\""}});
  addChecks(c, n, standard, {{"ECom Avail", "HOS:ECOMAVAIL"}});
  const int platforms = n++;
  c.push_back({platforms, K::Group, "Operating Platfroms", standard});
  addChecks(c, n, platforms,
            {{"Linux", "HOS:LINUX"},
             {"Windows NT", "HOS:WINDOWSNT"},
             {"Other Unix", "HOS:OTHERUNIX"},
             {"Windows 2000", "HOS:WINDOWS2000"}});

  const int site = n++;
  c.push_back({site, K::Tab, "SiteManagement", cSheet});
  addChecks(c, n, site,
            {{"Cgi Perl Scripts", "HOS:CGIPERLSCRIPTS"},
             {"Personal CGIDirectory", "HOS:PERSONALCGIDIRECTORY"},
             {"Perl CGI checker", "HOS:PERLCGICHECKER"},
             {"Free CGI scripts", "HOS:FREECGISCRIPTS"},
             {"Control Panel", "HOS:CONTROLPANEL"},
             {"Traffic Statistics Report", "HOS:TRAFFICESTATS"},
             {"Access Control", "HOS:ACCESSCONTROL"},
             {"Telnet", "HOS:TELNETACCESS"},
             {"On Line Docs", "HOS:ONLINEDOCS"},
             {"Software Shareware", "HOS:SOFTWARESHAREWARE"},
             {"Web Site Passwords", "HOS:WEBSITEPASSWORDS"},
             {"Secure Server Access", "HOS:SECURESERVERACCESS"},
             {"Daily Backup", "HOS:DAILYBACKUP"},
             {"Adobe Go Live", "HOS:ADOBEGOLIVE"},
             {"Front Page Ext", "HOS:FRONTPAGEEXT"},
             {"Acive Server Pages (ASP)", "HOS:ACTIVESERVERPAGESASP"}});
  addPrompted(c, n, site, "Disk Space (in Megabytes):", "HOS:DISKSPACE", "@s20");
  addPrompted(c, n, site, "Data Transfer Per Month:", "HOS:DATATRANSFERPERMONTH", "@s10");

  const int notes = n++;
  c.push_back({notes, K::Tab, "Notes", cSheet});
  c.push_back({n++, K::Prompt, "Notes:", notes});
  c.push_back(
      {n++, K::Text, "", notes, "HOS:Notes", "", "Free style brief notes about this host."});

  expectNumber(n, cOk);
  c.push_back({cOk, K::Button, "OK"});
  c.push_back({cCancel, K::Button, "Cancel"});
  c.push_back({cHelp, K::Button, "Help"});
  return c;
}

const rt::WindowTable& formTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "UpdateHosts",
      .title = "Update the Hosts File",
      .statusText = "Update Hosting Company Records",
      .controls = formControls(),
      .buttons = {{cOk, B::Ok},
                  {cCancel, B::Cancel},
                  {cHelp, B::Help},
                  {cWeb, B::Shell, "", "HOS:URL"},
                  {cMailTo, B::Shell, "mailto:", "HOS:SUPPORTEMAIL"}},
      .relations = {&HostsRelations, &IntlinkRelations},
      .manager = &HostsManager,
      .required = {{cHostName, "Host Name is required."}},
      .placeholderField = "HOS:HOSTNAME",
  };
  return t;
}

const rt::WindowTableRegistration tables{{"BrowseHosts", &browseTable},
                                         {"UpdateHosts", &formTable}};

bool isCostControl(const rt::WindowTable& t, int control) {
  for (const rt::ControlRow& r : t.controls)
    if (r.number == control && r.field)
      for (const char* f : kCostFields)
        if (std::string_view(r.field) == f) return true;
  return false;
}

// Adds or changes the link under the key in INL.RECID.
bool putLink(std::string_view recid, std::uint8_t type, std::string_view link) {
  INL.RECID = recid;
  const int key = IntlinkDesc().keyIndex("INL:recids");
  const rt::Status found = IntlinkManager->FetchByKey(key);
  if (found == rt::Status::Failed) return false;  // not read: writing now could hit any record
  INL.RECID = recid;
  INL.TYPE = type;
  INL.DESCRIPTION = HOS.HOSTNAME.clip();
  INL.LINK = link;
  if (found == rt::Status::Ok) return IntlinkManager->UpdateRecord() == rt::Status::Ok;
  return IntlinkManager->InsertRecord() == rt::Status::Ok && Intlink.flush();
}

class HostForm : public rt::TableForm {
 public:
  HostForm() : TableForm(formTable()) {}

  rt::Flow OnAccepted() override {
    const rt::Flow f = TableForm::OnAccepted();
    if (f == rt::Flow::Continue && isCostControl(table(), control())) {
      updateTotal();
      RefreshItems();
    }
    return f;
  }

  rt::Flow CheckCompletion() override {
    const rt::Flow f = TableForm::CheckCompletion();
    if (f != rt::Flow::Continue ||
        (request() != rt::Request::Insert && request() != rt::Request::Change))
      return f;
    updateTotal();
    RefreshItems();
    return UpdateHostLinks() ? f : rt::Flow::Cycle;
  }

 private:
  static void updateTotal() { HOS.TOTALMONTHLYCOST = HOS.FEESETUP + HOS.FEEMONTHLY + HOS.ECOMCOST; }
};

}  // namespace

bool UpdateHostLinks() {
  if (IntlinkManager->OpenFile() != rt::Status::Ok) return false;
  if (HOS.RECID.blank())
    HOS.RECID = "HS" + std::to_string(rt::TODAY()) + std::to_string(rt::CLOCK());
  const std::string web(HOS.RECID.clip());
  bool ok = putLink(web, 2, HOS.URL.clip());
  if (ok && !HOS.SUPPORTEMAIL.blank()) ok = putLink("A" + web, 1, HOS.SUPPORTEMAIL.clip());
  IntlinkManager->CloseFile();
  return ok;
}

void BrowseHosts() {
  rt::RunBrowse(browseTable());
}

void UpdateHosts() {
  HostForm w;
  w.Run();
}
