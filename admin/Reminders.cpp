#include "admin/Reminders.h"

#include "admin/DomainsWindowKit.h"
#include "dictionary/Dictionary.h"

namespace {

using K = rt::ControlKind;

const BrowseTable& noticeTable() {
  static const BrowseTable t{
      .procedure = "notice",
      .title = "Domain Reminders:   Due In 30 Days or Less",
      .statusText = "",
      .file = &Domains,
      .relations = &DomainsRelations,
      // The list goes first so the notice below it does not squeeze it into a column.
      .controls =
          {
              {2, K::List, "", 0, nullptr, "", "", "", "Browsing Records"},
              {1, K::Prompt,
               "This window shows either Registrar Renewals or Hosting Renewals that may occur "
               "in the next 30 days. Please note the domains listed."},
              {3, K::Sheet},
              {4, K::Tab, "Domains", 3},
              {5, K::Button, "Close"},
              {6, K::Button, "Help"},
              {7, K::Button, "&Print"},
          },
      .format =
          "80L(2)|FM~Domain Name~@s50@62R(2)|FM~Reg Date Started~C(0)@D2@60R(2)|FM~Renewal "
          "Date~C(0)@D2@50C(2)|FM~Host Date~C(0)@D2@26L(2)|~Fee Paid~L(0)@n10.2@/",
      .fields = {"DOM:DOMAINNAME", "DOM:DATESTARTED", "DOM:RENEWALDATE", "DOM:HOSTDATE",
                 "DOM:FEEPAID"},
      .key = "DOM:name",
      .appendedOrder = "",
      .locatorField = "DOM:DOMAINNAME",
      .locatorControl = 0,
      .sheet = 3,
      .buttons = {.print = 7, .printProcedure = 1},
      .update = nullptr,
      .printProcedure = "PrintDomains2",
      .calls = {},
      .layouts = LayoutKeeping::KeptWithDesign,
      .filter = kNoticeFilter,
  };
  return t;
}

}  // namespace

void notice() {
  RunBrowse(noticeTable());
}
