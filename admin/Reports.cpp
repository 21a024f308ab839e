#include "admin/Reports.h"

#include "common/Procedures.h"
#include "common/ReportParts.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"

namespace {

using C = rt::ReportControlKind;
using rt::BandKind;
using namespace reportparts;

const std::vector<Row> kDomainPlaces = {
    {{{"Domain Name", "DOM:DOMAINNAME", "@s50"},
      {"Date Started", "DOM:DATESTARTED", "@D2"},
      {"Renewal Date", "DOM:RENEWALDATE", "@D2"},
      {"Registrar", "DOM:REGISTRAR", "@s40"}}},
    {{{"Reg Login", "DOM:REGLOGIN", "@s20"},
      {"Reg Login Pwd", "DOM:REGLOGINPWD", "@s20"},
      {"Fee Paid", "DOM:FEEPAID", "@n10.2"},
      {"Owner Name", "DOM:OWNERNAME", "@s40"}}},
    {{{"Contact Person", "DOM:CONTACTPERSON", "@s20"},
      {"Contact Pwd", "DOM:CONTACTPWD", "@s20"},
      {"Tech Person", "DOM:TECHPERSON", "@s20"},
      {"Tech Pwd", "DOM:TECHPWD", "@s20"}}},
    {{{"Host", "DOM:HOST", "@s40"},
      {"Host Date", "DOM:HOSTDATE", "@D2"},
      {"Host Admin Login Name", "DOM:HOSTADMINLOGINNAME", "@s20"},
      {"Admin Pwd", "DOM:ADMINPWD", "@s20"}}},
    {{{"IPP rimary Address", "DOM:IPPRIMARYADDRESS", "@s20"},
      {"IP Secondary Address", "DOM:IPSECONDARYADDRESS", "@s20"},
      {"Email Acct 1", "DOM:EMAILACCT0", "@s30"},
      {"Email Acct 2", "DOM:EMAILACCT1", "@s30"}}},
    {{{"Email Acct 3", "DOM:EMAILACCT2", "@s30"},
      {"Email Acct 4", "DOM:EMAILACCT3", "@s30"},
      {"Email Acct 5", "DOM:EMAILACCT4", "@s30"},
      {"Forward 1", "DOM:FORWARD0", "@s30"}}},
    {{{"Forward 2", "DOM:FORWARD1", "@s30"},
      {"Forward 3", "DOM:FORWARD2", "@s30"},
      {"Forward 4", "DOM:FORWARD3", "@s30"},
      {"Forward 5", "DOM:FORWARD4", "@s30"}}},
};

rt::ReportTable domainsReport(const char* procedure, const char* filter) {
  return {.context = &SystemTables(),
          .procedure = procedure,
          .title = "Print the Domains File",
          .page = {.bodyX = 1000, .bodyY = 2620, .bodyWidth = 6000, .bodyHeight = 6375},
          .font = kTextFont,
          .bands = gridBands("Print the Domains File", 1625, 1360, 1365, kDomainPlaces,
                             {310, 490, 670, 850, 1030, 1210, 1390},
                             {52, 229, 406, 594, 771, 948, 1125}),
          .view = {.file = &Domains, .filter = filter},
          .relations = {&DomainsRelations}};
}

}  // namespace

const rt::ReportTable& PrintDomainsReport() {
  static const rt::ReportTable t = domainsReport("PrintDomains", "");
  return t;
}

const rt::ReportTable& PrintDomains2Report() {
  static const rt::ReportTable t = domainsReport(
      "PrintDomains2", "dom:renewaldate => today() and dom:renewaldate =< today()+30");
  return t;
}

const rt::ReportTable& PrintRegistrarsReport() {
  static const std::vector<Row> places = {
      {{{"Company Name", "REG:COMPANYNAME", "@s40"},
        {"Address", "REG:ADDRESS", "@s40"},
        {"City", "REG:CITY", "@s20"},
        {"State", "REG:STATE", "@s2"}}},
      {{{"URL", "REG:URL", "@s50"},
        {"Support Email", "REG:SUPPORTEMAIL", "@s50"},
        {"Phone", "REG:PHONE", "@s20"},
        {"Fax", "REG:FAX", "@s20"}}},
      {{{"Regular Fee", "REG:REGULARFEE", "@n10.2"},
        {"Renewal Time", "REG:RENEWALPERIOD", "@s20"},
        {},
        {}}},
  };
  static const rt::ReportTable t{
      .context = &SystemTables(),
      .procedure = "PrintRegistrars",
      .title = "Print the Registrars File",
      .page = {.bodyX = 1000, .bodyY = 1900, .bodyWidth = 6000, .bodyHeight = 7104},
      .font = kTextFont,
      .bands = gridBands("Print the Registrars File", 896, 640, 635, places, {310, 490, 670},
                         {52, 229, 406}),
      .view = {.file = &Registrars, .key = "REG:name", .progressField = "REG:COMPANYNAME"},
      .relations = {&RegistrarsRelations}};
  return t;
}

const rt::ReportTable& printnoteReport() {
  constexpr int width = 6500;
  static const rt::ReportTable t{
      .context = &SystemTables(),
      .procedure = "printnote",
      .title = "Tarnwick Notes",
      .page = {.bodyX = 1000, .bodyY = 1700, .bodyWidth = width, .bodyHeight = 7250},
      .font = kTextFont,
      .bands =
          {
              {.kind = BandKind::PageHeader,
               .x = 1000,
               .y = 1000,
               .width = width,
               .height = 650,
               .controls =
                   [] {
                     auto c = topLine("Tarnwick Notes", width);
                     c.push_back(text(0, 400, 4200, "Topic", kLabelFont));
                     c.push_back(text(4300, 400, 800, "Reminder", kLabelFont));
                     c.push_back(text(5300, 400, 1200, "Date", kLabelFont));
                     c.push_back({.kind = C::Line, .x = 0, .y = 600, .width = width});
                     return c;
                   }()},
              {.number = 3,
               .width = width,
               .height = 200,
               .controls = {field(0, 15, 4200, "DNO:TOPIC", "@s60"),
                            field(4300, 15, 800, "DNO:REMINDER", "@s1"),
                            field(5300, 15, 1200, "DNO:DATE", "@d17")}},
              pageFooter(1000, 9000, width),
          },
      .view = {.file = &dnotes, .appended = "dno:date,dno:topic"},
      .relations = {&DnotesRelations}};
  return t;
}

void printnote() {
  rt::RunReport(printnoteReport());
}
void PrintDomains() {
  rt::RunReport(PrintDomainsReport());
}
void PrintDomains2() {
  rt::RunReport(PrintDomains2Report());
}
void PrintRegistrars() {
  rt::RunReport(PrintRegistrarsReport());
}
