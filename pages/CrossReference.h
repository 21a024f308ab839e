// The cross-reference views: every record of one page-detail file of all domains, narrowed
// by a query by example and handed over, with its filter, to the file's listing.
#pragma once

#include <string_view>

namespace pages {

void viewimages();
void viewforms();
void viewlinks();
void viewmeta();
void viewscripts();

// Copies a view's filter text into queryfilter, cut whole characters short of its size.
void HandOverQuery(std::string_view filter);

}  // namespace pages
