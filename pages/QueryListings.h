// The listings of what the last cross-reference query selected: each prints its file's
// records that pass the filter in `queryfilter`. The views hand that filter over through
// HandOverQuery, which also notes whose file it was written for: the listings of one page's
// meta tags and links apply it only when it was written for their own file.
#pragma once

#include <string_view>

#include "runtime/ui/Report.h"

namespace rt {
struct FileDesc;
}

namespace pages {

// Copies a view's filter text into queryfilter, cut whole characters short of its size, and
// notes the file it filters (nullptr: none).
void HandOverQuery(std::string_view filter, const rt::FileDesc* file = nullptr);
// The file whose view left the text `queryfilter` holds now; nullptr when none did (never
// set, or written there by other means since).
const rt::FileDesc* QueryFilterFile();

void listimages();
void listlinks();
void listlinks2();
void listmetas();
void listmetas2();
void listscripts();
void listforms2();

// The designs, with the filter the view's own definition holds (none).
const rt::ReportTable& listimagesReport();
const rt::ReportTable& listlinksReport();
const rt::ReportTable& listlinks2Report();
const rt::ReportTable& listmetasReport();
const rt::ReportTable& listmetas2Report();
const rt::ReportTable& listscriptsReport();
const rt::ReportTable& listforms2Report();

// The filter a listing applies: `queryfilter`, or "" when the design keeps to one page and
// the filter was left for another file.
std::string ListingFilter(const rt::ReportTable& design);
// Runs a listing with that filter; a filter the expression language cannot read is told in
// a message naming the fault, and nothing is printed. The window's completion code.
int RunListing(const rt::ReportTable& design);

}  // namespace pages
