// The web-page procedures still to be written: known by name (their menu items and buttons
// show unavailable) until their code joins the program and registers its entry point.
#include "common/Procedures.h"

namespace {

const ProcedureRegistration planned{
    {"BrowseWebPages", kSmallStack, nullptr}, {"BrowseWebPages2", kSmallStack, nullptr},
    {"viewimages", kSmallStack, nullptr},     {"viewforms", kSmallStack, nullptr},
    {"viewlinks", kSmallStack, nullptr},      {"viewmeta", kSmallStack, nullptr},
    {"viewscripts", kSmallStack, nullptr},    {"webpagereport", kSmallStack, nullptr},
    {"preimgreport", kSmallStack, nullptr},   {"delpages", kSmallStack, nullptr},
    {"ChgLoPaWindow", kSmallStack, nullptr},  {"chgcurruse", kSmallStack, nullptr},
    {"RebuildIndexes", kSmallStack, nullptr},
};

}  // namespace
