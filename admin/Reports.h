// The administration reports: the notes, the domains (all, or those due for renewal) and the
// registrar companies.
#pragma once

#include "runtime/ui/Report.h"

void printnote();
void PrintDomains();
void PrintDomains2();
void PrintRegistrars();

const rt::ReportTable& printnoteReport();
const rt::ReportTable& PrintDomainsReport();
const rt::ReportTable& PrintDomains2Report();
const rt::ReportTable& PrintRegistrarsReport();
