#include "admin/HostReports.h"

#include "common/ReportParts.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"

namespace {

using C = rt::ReportControlKind;
using rt::ReportControl;
using namespace reportparts;

constexpr char kProfileTitle[] = "Tarnwick Hosting Profile Report";

// The whole file by name: the menu item and the browse's button both say "all hosts".
const rt::ReportView kHostsByName{.file = &Hosts, .key = "HOS:name"};

// ---- the profile: framed groups of prompted fields and check boxes ----

struct Column {
  int x;
  int promptWidth;
  int fieldWidth;
};

struct Check {
  const char* caption;
  const char* field;
};

class Profile {
 public:
  // A frame with its title in the top corner; what it holds starts a row below the title.
  int group(const char* title, int x, int y, int width, int height) {
    c_.push_back({.kind = C::Box, .x = x, .y = y, .width = width, .height = height});
    c_.push_back(text(x + 60, y + 30, width - 120, title, kLabelFont));
    return y + 220;
  }
  void fields(const Column& col, int y, std::initializer_list<Prompted> rows) {
    addPrompted(c_, col.x, y, col.promptWidth, col.fieldWidth, rows);
  }
  void checks(int x, int y, int width, std::initializer_list<Check> rows) {
    for (const Check& r : rows) {
      c_.push_back({.kind = C::Check,
                    .x = x,
                    .y = y,
                    .width = width,
                    .height = kTextHeight,
                    .text = r.caption,
                    .field = r.field});
      y += kRow;
    }
  }
  void label(int x, int y, int width, const char* t) { c_.push_back(text(x, y, width, t)); }
  void memo(int x, int y, int width, int height, const char* name) {
    c_.push_back(
        {.kind = C::Memo, .x = x, .y = y, .width = width, .height = height, .field = name});
  }
  std::vector<ReportControl> take() { return std::move(c_); }

 private:
  std::vector<ReportControl> c_;
};

std::vector<ReportControl> profileControls() {
  Profile p;
  constexpr int half = kCardWidth / 2;
  int y = p.group("General Data", 0, 0, kCardWidth, 1420);
  p.fields({100, 1000, 2100}, y,
           {{"Host Name:", "HOS:HOSTNAME", "@s50"},
            {"Contact Name:", "HOS:CONTACTNAME", "@s30"},
            {"Phone Number:", "HOS:PHONENUMBER", "@s20"},
            {"Support Email:", "HOS:SUPPORTEMAIL", "@s40"},
            {"URL:", "HOS:URL", "@s40"},
            {"Street Address:", "HOS:STREETADDRESS", "@s40"}});
  p.fields({half + 100, 900, 1800}, y,
           {{"Fax Number:", "HOS:FAXNUMBER", "@s20"},
            {"City:", "HOS:HOSCITY", "@s30"},
            {"State:", "HOS:STATE", "@s2"},
            {"Zip Code:", "HOS:ZIPCODE", "@s10"}});
  p.checks(half + 100, y + 4 * kRow, 2800,
           {{"Currently Use", "HOS:CURRENTLYUSE"}, {"Voice Support", "HOS:VOICESUPPORT"}});

  y = p.group("Costs", 0, 1520, kCardWidth, 880);
  p.fields({100, 1300, 1500}, y,
           {{"Fee Monthly:", "HOS:FEEMONTHLY", "@n10.2"},
            {"Fee Setup:", "HOS:FEESETUP", "@n10.2"},
            {"Total Monthly Cost:", "HOS:TOTALMONTHLYCOST", "@n8.2"}});
  p.fields({half + 100, 1300, 1500}, y,
           {{"ECom Cost:", "HOS:ECOMCOST", "@n5.2"},
            {"Minimum Contract:", "HOS:MINIMUMCONTRACT", "@s10"}});
  p.checks(half + 100, y + 2 * kRow, 2800, {{"ECom Avail", "HOS:ECOMAVAIL"}});

  y = p.group("EMAIL and Internet Access", 0, 2500, kCardWidth, 1160);
  p.fields({100, 2250, 700}, y,
           {{"POP 3 Number of Accounts:", "HOS:POP3NUMBER", "@N-3"},
            {"SMTP (host provides send mail?):", "HOS:SMTP", "@s1"},
            {"Email Control:", "HOS:EMAILCONTROL", "@s10"}});
  p.checks(half + 100, y, 3000,
           {{"Internet Access (as part of hosting)", "HOS:INTERNETACCESS"},
            {"Local Access Numbers", "HOS:LOCALACCESSNUMBERS"},
            {"National Access Numbers", "HOS:NATIONALACCESSNUMBERS"},
            {"Telnet Access", "HOS:TELNETACCESS"},
            {"Web Based Email", "HOS:WEBBASEDEMAIL"}});

  y = p.group("Supported Features", 0, 3760, kCardWidth, 980);
  p.fields({100, 1600, 1300}, y, {{"Allotted Disk Space (MB)", "HOS:DISKSPACE", "@s20"}});
  p.checks(100, y + kRow, 3000,
           {{"Control Panel", "HOS:CONTROLPANEL"},
            {"Daily Backup", "HOS:DAILYBACKUP"},
            {"Traffic Stats", "HOS:TRAFFICESTATS"}});
  p.checks(half + 100, y, 3000,
           {{"Secure Server Access", "HOS:SECURESERVERACCESS"},
            {"Web Site Passwords", "HOS:WEBSITEPASSWORDS"},
            {"On Line Docs", "HOS:ONLINEDOCS"},
            {"Software Shareware", "HOS:SOFTWARESHAREWARE"}});

  // Three narrow frames side by side, the access control under the first.
  constexpr int third = 2100, gap = 100;
  y = p.group("Server Operating Systems", 0, 4840, third, 980);
  p.checks(100, y, third - 150,
           {{"Windows 2000", "HOS:WINDOWS2000"},
            {"Windows NT", "HOS:WINDOWSNT"},
            {"Other Unix", "HOS:OTHERUNIX"},
            {"Linux", "HOS:LINUX"}});
  y = p.group("Perl   CGI", third + gap, 4840, third, 980);
  p.checks(third + gap + 100, y, third - 150,
           {{"Personal CGIDirectory", "HOS:PERSONALCGIDIRECTORY"},
            {"Perl CGI checker", "HOS:PERLCGICHECKER"},
            {"Free CGI scripts", "HOS:FREECGISCRIPTS"},
            {"Cgi Perl Scripts", "HOS:CGIPERLSCRIPTS"}});
  y = p.group("Extensions", 2 * (third + gap), 4840, third, 980);
  p.checks(2 * (third + gap) + 100, y, third - 150,
           {{"Front Page Ext", "HOS:FRONTPAGEEXT"},
            {"Adobe Go Live", "HOS:ADOBEGOLIVE"},
            {"Active Server Pages (ASP)", "HOS:ACTIVESERVERPAGESASP"}});
  y = p.group("Access Control", 0, 5920, third, 440);
  p.checks(100, y, third - 150, {{"Access Control", "HOS:ACCESSCONTROL"}});

  y = p.group("Other", 0, 6460, kCardWidth, 2240);
  p.label(100, y, 600, "Notes:");
  p.memo(750, y, kCardWidth - 850, 1900, "HOS:Notes");
  return p.take();
}

}  // namespace

const rt::ReportTable& PrintHostsReport() {
  static const std::vector<Row> places = {
      {{{"Host Name", "HOS:HOSTNAME", "@s50"},
        {"Contact Name", "HOS:CONTACTNAME", "@s30"},
        {"Phone Number", "HOS:PHONENUMBER", "@s20"},
        {"Fax Number", "HOS:FAXNUMBER", "@s20"}}},
      {{{"Support Email", "HOS:SUPPORTEMAIL", "@s40"},
        {"URL", "HOS:URL", "@s40"},
        {"Street Address", "HOS:STREETADDRESS", "@s40"},
        {"Hos City", "HOS:HOSCITY", "@s30"}}},
      {{{"State", "HOS:STATE", "@s2"},
        {"Zip Code", "HOS:ZIPCODE", "@s10"},
        {"POP 3 Number", "HOS:POP3NUMBER", "@N-3"},
        {"SMTP", "HOS:SMTP", "@s1"}}},
      {{{"Fee Monthly", "HOS:FEEMONTHLY", "@n10.2"},
        {"Fee Setup", "HOS:FEESETUP", "@n10.2"},
        {},
        {}}},
  };
  static const rt::ReportTable t{
      .context = &SystemTables(),
      .procedure = "PrintHosts",
      .title = "Print the Hosts File",
      .page = {.bodyX = 1000, .bodyY = 2080, .bodyWidth = 6000, .bodyHeight = 6924},
      .font = kTextFont,
      .bands = gridBands("Print the Hosts File", 1076, 820, 815, places, {310, 490, 670, 850},
                         {52, 229, 406, 583}),
      .view = kHostsByName,
      .relations = {&HostsRelations}};
  return t;
}

const rt::ReportTable& comparisonsReport() {
  static const rt::ReportTable t{.context = &SystemTables(),
                                 .procedure = "comparisons",
                                 .title = kProfileTitle,
                                 .page = kCardPage,
                                 .font = kTextFont,
                                 .bands = cardBands(kProfileTitle, profileControls(), 8750),
                                 .view = kHostsByName,
                                 .relations = {&HostsRelations}};
  return t;
}

void PrintHosts() {
  rt::RunReport(PrintHostsReport());
}
void comparisons() {
  rt::RunReport(comparisonsReport());
}
