// The web-page procedures tarnwick starts by name; the page windows register their own
// beside their code.
#include "common/Procedures.h"
#include "pages/GlobalChanges.h"
#include "pages/PageMaintenance.h"
#include "pages/PageReports.h"
#include "pages/QueryListings.h"

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
    {"listimages", kSmallStack, &pages::listimages},
    {"listlinks", kSmallStack, &pages::listlinks},
    {"listlinks2", kSmallStack, &pages::listlinks2},
    {"listmetas", kSmallStack, &pages::listmetas},
    {"listmetas2", kSmallStack, &pages::listmetas2},
    {"listscripts", kSmallStack, &pages::listscripts},
    {"listforms2", kSmallStack, &pages::listforms2},
    {"ChgLoPaWindow", kSmallStack, &pages::ChgLoPaWindow},
    {"ChgLoPath", kSmallStack, &pages::ChgLoPath},
    {"chgcurruse", kSmallStack, &pages::chgcurruse},
    {"ChgLoPath1", kSmallStack, &pages::ChgLoPath1},
    {"RebuildIndexes", kSmallStack, &RebuildIndexes},
};

}  // namespace
