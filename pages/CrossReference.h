// The cross-reference views: every record of one page-detail file of all domains, narrowed
// by a query by example and handed over, with its filter, to the file's listing.
#pragma once

#include "pages/QueryListings.h"

namespace pages {

void viewimages();
void viewforms();
void viewlinks();
void viewmeta();
void viewscripts();

}  // namespace pages
