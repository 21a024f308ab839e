// The administration procedures tarnwick starts by name.
#include "common/Procedures.h"

#include "admin/ControlPanel.h"
#include "admin/ControlSetup.h"
#include "admin/Domains.h"
#include "admin/HostReports.h"
#include "admin/Hosts.h"
#include "admin/Main.h"
#include "admin/Notes.h"
#include "admin/Registrars.h"
#include "admin/Reminders.h"
#include "admin/Reports.h"
#include "admin/Startup.h"

namespace {

const ProcedureRegistration procedures{
    {"BrowseDomains", kLargeStack, &BrowseDomains},
    {"BrowseHosts", kLargeStack, &BrowseHosts},
    {"BrowseRegistrars", kLargeStack, &BrowseRegistrars},
    {"PrintDomains", kLargeStack, &PrintDomains},
    {"PrintHosts", kLargeStack, &PrintHosts},
    {"PrintRegistrars", kLargeStack, &PrintRegistrars},
    {"PrintDomains2", kSmallStack, &PrintDomains2},
    {"comparisons", kSmallStack, &comparisons},
    {"notice", kSmallStack, &notice},
    {"ConfigureControlPanel", kSmallStack, &ConfigureControlPanel},
    {"cpanel2", kSmallStack, &cpanel2},
    {"BrowseNotes", kSmallStack, &BrowseNotes},
    {"printnote", kSmallStack, &printnote},
    {"RunPageReader", kSmallStack, &RunPageReader},
    {"splash", kSmallStack, &splash},
};

}  // namespace
