// The web-page procedures the program starts by name. Those still to be written are known
// without an entry point (their menu items and buttons show unavailable) until their code
// joins the program.
#include "common/Procedures.h"
#include "pages/PageMaintenance.h"

namespace {

const ProcedureRegistration planned{
    {"viewimages", kSmallStack, nullptr},
    {"viewforms", kSmallStack, nullptr},
    {"viewlinks", kSmallStack, nullptr},
    {"viewmeta", kSmallStack, nullptr},
    {"viewscripts", kSmallStack, nullptr},
    {"webpagereport", kSmallStack, nullptr},
    {"preimgreport", kSmallStack, nullptr},
    {"delpages", kSmallStack, [] { RunPageDeletion(TarnwickPageDeletion()); }},
    {"ChgLoPaWindow", kSmallStack, nullptr},
    {"chgcurruse", kSmallStack, nullptr},
    {"RebuildIndexes", kSmallStack, &RebuildIndexes},
};

}  // namespace
