// What the page reader found in one page: the five detail browses of the current page, the
// view forms of a detail record, and the page selection the browses switch pages with.
#pragma once

namespace pages {

void BrowseLinks();
void BrowseImages();
void BrowseMeta();
void browsescripts();
void browseforms();

void UpdateWPLinks();
void UpdateWPIMG();
void UpdateWPMeta();
void UpdateWPScripts();
void UpdateWPForm();

void SelectWebPages();

}  // namespace pages
