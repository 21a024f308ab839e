#include "admin/Procedures.h"

#include <array>

#include "admin/Domains.h"
#include "admin/Main.h"
#include "admin/Registrars.h"
#include "admin/Reminders.h"
#include "admin/Startup.h"

namespace {

constexpr long kLarge = 50000;
constexpr long kSmall = 25000;

// Later procedures are listed without an entry point until their code joins the program.
std::array<ProcedureInfo, 27> table = {{
    {"BrowseDomains", kLarge, &BrowseDomains},
    {"BrowseHosts", kLarge, nullptr},
    {"BrowseRegistrars", kLarge, &BrowseRegistrars},
    {"PrintDomains", kLarge, nullptr},
    {"PrintHosts", kLarge, nullptr},
    {"PrintRegistrars", kLarge, nullptr},
    {"PrintDomains2", kSmall, nullptr},
    {"BrowseWebPages", kSmall, nullptr},
    {"BrowseWebPages2", kSmall, nullptr},
    {"viewimages", kSmall, nullptr},
    {"viewforms", kSmall, nullptr},
    {"viewlinks", kSmall, nullptr},
    {"viewmeta", kSmall, nullptr},
    {"viewscripts", kSmall, nullptr},
    {"comparisons", kSmall, nullptr},
    {"notice", kSmall, &notice},
    {"webpagereport", kSmall, nullptr},
    {"preimgreport", kSmall, nullptr},
    {"ConfigureControlPanel", kSmall, nullptr},
    {"delpages", kSmall, nullptr},
    {"ChgLoPaWindow", kSmall, nullptr},
    {"chgcurruse", kSmall, nullptr},
    {"RebuildIndexes", kSmall, nullptr},
    {"cpanel2", kSmall, nullptr},
    {"BrowseNotes", kSmall, nullptr},
    {"RunPageReader", kSmall, &RunPageReader},
    {"splash", kSmall, &splash},
}};

ProcedureInfo* lookup(std::string_view name) {
  for (ProcedureInfo& p : table)
    if (name == p.name) return &p;
  return nullptr;
}

}  // namespace

ProcedureEntry FindProcedure(std::string_view name) {
  const ProcedureInfo* p = lookup(name);
  return p ? p->entry : nullptr;
}

bool ProcedureAvailable(std::string_view name) {
  return FindProcedure(name) != nullptr;
}

long ProcedureStack(std::string_view name) {
  const ProcedureInfo* p = lookup(name);
  return p ? p->stack : kSmall;
}

ProcedureEntry SetProcedure(std::string_view name, ProcedureEntry entry) {
  ProcedureInfo* p = lookup(name);
  if (!p) return nullptr;
  ProcedureEntry previous = p->entry;
  p->entry = entry;
  return previous;
}
