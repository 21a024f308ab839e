// The domain browse and the domain form.
#pragma once

#include <optional>

#include "dictionary/Records.h"

void BrowseDomains();
void UpdateDomains();

// The one-time and the monthly total of a domain's costs, or nothing when a sum does not
// fit the total's field.
struct DomainTotals {
  rt::Decimal nonMonthly;
  rt::Decimal monthly;
};
std::optional<DomainTotals> DomainCostTotals(const DomainsRecord& rec);
