// The web-page procedures the program starts by name. Those still to be written are known
// without an entry point (their menu items and buttons show unavailable) until their code
// joins the program.
#include "common/Procedures.h"
#include "pages/PageMaintenance.h"
#include "pages/PageReports.h"

namespace {

const ProcedureRegistration procedures{
    {"webpagereport", kSmallStack, &pages::webpagereport},
    {"preimgreport", kSmallStack, &pages::preimgreport},
    {"listwebpages", kSmallStack, &pages::listwebpages},
    {"PrintScript", kSmallStack, &pages::PrintScript},
    {"printform", kSmallStack, &pages::printform},
    {"PrintImage", kSmallStack, &pages::PrintImage},
    {"PrintImage2", kSmallStack, &pages::PrintImage2},
    {"PrintImage3", kSmallStack, &pages::PrintImage3},
    {"delpages", kSmallStack, [] { RunPageDeletion(TarnwickPageDeletion()); }},
    {"ChgLoPaWindow", kSmallStack, nullptr},
    {"chgcurruse", kSmallStack, nullptr},
    {"RebuildIndexes", kSmallStack, &RebuildIndexes},
};

}  // namespace
