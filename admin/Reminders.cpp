#include "admin/Reminders.h"

#include "common/System.h"
#include "dictionary/Dictionary.h"

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

const rt::WindowTable& noticeTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "notice",
      .title = "Domain Reminders:   Due In 30 Days or Less",
      .statusText = "",
      // The list goes first so the notice below it does not squeeze it into a column.
      .controls =
          {
              BrowseListRow(2),
              {1, K::Prompt,
               "This window shows either Registrar Renewals or Hosting Renewals that may occur "
               "in the next 30 days. Please note the domains listed."},
              {3, K::Sheet},
              {4, K::Tab, "Domains", 3},
              {5, K::Button, "Close"},
              {6, K::Button, "Help"},
              {7, K::Button, "&Print"},
          },
      .buttons = {{5, B::Close}, {6, B::Help}, {7, B::Print}},
      .lists = {{
          .control = 2,
          .file = &Domains,
          .format = "80L(2)|FM~Domain Name~@s50@62R(2)|FM~Reg Date Started~C(0)@D2@60R(2)|FM~"
                    "Renewal Date~C(0)@D2@50C(2)|FM~Host Date~C(0)@D2@26L(2)|~Fee "
                    "Paid~L(0)@n10.2@/",
          .fields = {"DOM:DOMAINNAME", "DOM:DATESTARTED", "DOM:RENEWALDATE", "DOM:HOSTDATE",
                     "DOM:FEEPAID"},
          .orders =
              {{.key = "DOM:name", .locatorField = "DOM:DOMAINNAME", .filter = kNoticeFilter}},
          .print = 1,
          .layouts = rt::LayoutKeeping::KeptWithDesign,
      }},
      .children = {{1, nullptr, "PrintDomains2"}},
      .relations = {&DomainsRelations},
  };
  return t;
}

const rt::WindowTableRegistration tables{{"notice", &noticeTable}};

}  // namespace

void notice() {
  rt::RunBrowse(noticeTable());
}
