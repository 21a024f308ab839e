// The tabs of a page form that list the page's records of one detail file, as both programs'
// page forms have them: the list, then its Insert, Change and Delete buttons, numbered on
// from the tab's own control number.
#pragma once

#include <cstddef>
#include <vector>

#include "runtime/ui/TableWindows.h"

namespace detailtab {
inline constexpr int List = 1, Insert = 2, Change = 3, Delete = 4;
}

// A tab on `sheet`. Its buttons drive list `list`; without insertAndDelete the Insert and
// Delete buttons are there but do nothing (the caller hides them).
void AddDetailTab(std::vector<rt::ControlRow>& c, std::vector<rt::ButtonRow>& b, int sheet, int tab,
                  const char* text, std::size_t list, const char* changeText = "&Change",
                  bool insertAndDelete = true);

// The tab's list of the records whose page path is the page's (WEB:PAGEPATH), whatever their
// domain; its buttons run child `child`.
rt::ListTable DetailTabList(int tab, rt::KeyedFile& file, const char* format,
                            std::vector<const char*> fields, const char* key, int child,
                            const char* locator = nullptr);

// The view forms of the five detail kinds by child number, each program's own by name:
// 1 meta tags, 2 links, 3 forms, 4 images, 5 scripts.
std::vector<rt::ChildRow> DetailFormChildren();
