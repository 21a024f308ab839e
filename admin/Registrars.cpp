#include "admin/Registrars.h"

#include "common/System.h"
#include "dictionary/Dictionary.h"

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

const rt::WindowTable& browseTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "BrowseRegistrars",
      .title = "Browse the Registrars File",
      .statusText = "Browse Registrar Company Records",
      .controls =
          {
              BrowseListRow(1),
              InsertRow(2),
              ChangeRow(3),
              DeleteRow(4),
              {5, K::Button, "&Print Registrars"},
              {6, K::Sheet},
              {7, K::Tab, "Registrars", 6},
              CloseRow(8),
              {9, K::Button, "Help"},
              {10, K::Prompt, kResizeHint},
          },
      .buttons = {{2, B::Insert},
                  {3, B::Change},
                  {4, B::Delete},
                  {5, B::Print},
                  {8, B::Close},
                  {9, B::Help}},
      .lists = {{
          .control = 1,
          .file = &Registrars,
          .format = "23C(2)|M~ Use~@s1@80L(2)|M~Company Name~@s40@80L(2)|M~Address~@s40@80L(2)|M~"
                    "City~@s20@24L(2)|M~State~@s2@80L(2)|M~URL~@s50@80L(2)|M~Support "
                    "Email~@s50@80L(2)|M~Phone~@s20@80L(2)|M~Fax~@s20@48D(12)|M~Regular "
                    "Fee~C(0)@n10.2@",
          .fields = {"REG:CURRENTLYUSE", "REG:COMPANYNAME", "REG:ADDRESS", "REG:CITY", "REG:STATE",
                     "REG:URL", "REG:SUPPORTEMAIL", "REG:PHONE", "REG:FAX", "REG:REGULARFEE"},
          .orders = {{.key = "REG:name",
                      .appended = "reg:companyname",
                      .locatorField = "REG:COMPANYNAME"}},
          .update = 1,
          .print = 2,
          .layouts = rt::LayoutKeeping::F9Switch,
      }},
      .children = {{1, &UpdateRegistrars}, {2, nullptr, "PrintRegistrars"}},
      .relations = {&RegistrarsRelations},
  };
  return t;
}

const rt::WindowTable& formTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "UpdateRegistrars",
      .title = "Update the Registrars File",
      .statusText = "Update Registrar Company Records",
      .controls =
          {
              {1, K::Sheet},
              {2, K::Tab, "General", 1},
              {3, K::Check, "Currently Use", 2, "REG:CURRENTLYUSE", "",
               "Do you currently use this registar company?"},
              {4, K::Prompt, "Company Name:", 2},
              {5, K::Entry, "", 2, "REG:COMPANYNAME", "@s40"},
              {6, K::Prompt, "URL:", 2},
              {7, K::Entry, "", 2, "REG:URL", "@s50"},
              {8, K::Button, "Web", 2, nullptr, "",
               "Web: Click to call browser with address shown."},
              {9, K::Prompt, "*Address:", 2},
              {10, K::Entry, "", 2, "REG:ADDRESS", "@s40"},
              {11, K::Prompt, "*City:", 2},
              {12, K::Entry, "", 2, "REG:CITY", "@s20"},
              {13, K::Prompt, "*State:", 2},
              {14, K::Entry, "", 2, "REG:STATE", "@s2"},
              {15, K::Prompt, "*Zip Code:", 2},
              {16, K::Entry, "", 2, "REG:ZIPCODE", "@s10"},
              {17, K::Prompt, "*Support Email:", 2},
              {18, K::Entry, "", 2, "REG:SUPPORTEMAIL", "@s50"},
              {19, K::Prompt, "*Phone:", 2},
              {20, K::Entry, "", 2, "REG:PHONE", "@s20"},
              {21, K::Prompt, "*Fax:", 2},
              {22, K::Entry, "", 2, "REG:FAX", "@s20"},
              {23, K::Prompt, "Regular Fee:", 2},
              {24, K::Entry, "", 2, "REG:REGULARFEE", "@n10.2",
               "This is the regular annual fee for one domain name."},
              {25, K::Prompt, "Renewal Time:", 2},
              {26, K::Entry, "", 2, "REG:RENEWALPERIOD", "@s20",
               "This is the renewal period for a domain name."},
              {27, K::Check, "*Accredited By ICANN", 2, "REG:ACCREDITEDBYICANN"},
              {28, K::Check, "*Pending Accreditation", 2, "REG:PENDINGACCREDITATION"},
              {29, K::Tab, "Notes", 1},
              {30, K::Prompt, "Notes:", 29},
              {31, K::Text, "", 29, "REG:Notes", "", "Notes about this registar company."},
              {32, K::Prompt, "*OPTIONAL information."},
              {33, K::Button, "OK"},
              {34, K::Button, "Cancel"},
              {35, K::Button, "Help"},
          },
      .buttons = {{33, B::Ok}, {34, B::Cancel}, {35, B::Help}, {8, B::Shell, "", "REG:URL"}},
      .relations = {&RegistrarsRelations},
      .manager = &RegistrarsManager,
      .actionTexts = {.insert = "Record will be Added",
                      .change = "Record will be Changed",
                      .remove = "",
                      .view = ""},
      .required = {{5, "Company Name is required."}},
      .placeholderField = "REG:COMPANYNAME",
  };
  return t;
}

const rt::WindowTableRegistration tables{{"BrowseRegistrars", &browseTable},
                                         {"UpdateRegistrars", &formTable}};

}  // namespace

void BrowseRegistrars() {
  rt::RunBrowse(browseTable());
}

void UpdateRegistrars() {
  rt::TableForm w(formTable());
  w.Run();
}
