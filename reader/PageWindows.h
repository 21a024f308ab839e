// The page reader's page browse, its page form with one list per kind of page detail, and
// the detail forms those lists call. tarnwick has windows of the same names that are other
// procedures; these are the reader's own.
#pragma once

#include "common/PageDetailTabs.h"
#include "runtime/ui/TableWindows.h"

namespace reader {

void BrowseWebPages();
void UpdateWebPages();
void UpdateWPMeta();
void UpdateWPLinks();
void UpdateWPForm();
void UpdateWPIMG();
void UpdateWPScripts();

const rt::WindowTable& BrowseWebPagesTable();
const rt::WindowTable& UpdateWebPagesTable();

// Controls of the page form.
namespace pageform {
inline constexpr int Sheet = 1;
inline constexpr int MetaTab = 60, LinksTab = 70, FormsTab = 80, ImagesTab = 90, ScriptsTab = 100;
// Each detail tab holds its list and its Insert, Change and Delete buttons, in that order.
inline constexpr int List = detailtab::List, Insert = detailtab::Insert, Change = detailtab::Change,
                     Delete = detailtab::Delete;
inline constexpr int Ok = 120, Cancel = 121;
}  // namespace pageform

// Controls of the page browse.
namespace pagebrowse {
inline constexpr int List = 1, Insert = 2, Change = 3, Delete = 4, Close = 8;
}

// Controls of every detail form: the warning, then OK and Cancel.
namespace detailform {
inline constexpr int Warning = 2, Ok = 200, Cancel = 201;
}

}  // namespace reader
