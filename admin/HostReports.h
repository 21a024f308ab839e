// The host reports: the listing of every host and the hosting profile of every host, both in
// the order of the host names.
#pragma once

#include "runtime/ui/Report.h"

void PrintHosts();
void comparisons();

const rt::ReportTable& PrintHostsReport();
const rt::ReportTable& comparisonsReport();
