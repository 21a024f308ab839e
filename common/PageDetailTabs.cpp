#include "common/PageDetailTabs.h"

void AddDetailTab(std::vector<rt::ControlRow>& c, std::vector<rt::ButtonRow>& b, int sheet, int tab,
                  const char* text, std::size_t list, const char* changeText,
                  bool insertAndDelete) {
  using K = rt::ControlKind;
  using B = rt::ButtonRole;
  c.push_back({tab, K::Tab, text, sheet});
  c.push_back({tab + detailtab::List, K::List, "", tab});
  c.push_back({tab + detailtab::Insert, K::Button, "&Insert", tab});
  c.push_back({tab + detailtab::Change, K::Button, changeText, tab});
  c.push_back({tab + detailtab::Delete, K::Button, "&Delete", tab});
  if (insertAndDelete) b.push_back({tab + detailtab::Insert, B::Insert, "", nullptr, list});
  b.push_back({tab + detailtab::Change, B::Change, "", nullptr, list});
  if (insertAndDelete) b.push_back({tab + detailtab::Delete, B::Delete, "", nullptr, list});
}

rt::ListTable DetailTabList(int tab, rt::KeyedFile& file, const char* format,
                            std::vector<const char*> fields, const char* key, int child,
                            const char* locator) {
  return {.control = tab + detailtab::List,
          .file = &file,
          .format = format,
          .fields = std::move(fields),
          .orders = {{.key = key, .locatorField = locator, .range = {"WEB:PAGEPATH"}}},
          .update = child};
}

std::vector<rt::ChildRow> DetailFormChildren() {
  return {{1, nullptr, "UpdateWPMeta"},
          {2, nullptr, "UpdateWPLinks"},
          {3, nullptr, "UpdateWPForm"},
          {4, nullptr, "UpdateWPIMG"},
          {5, nullptr, "UpdateWPScripts"}};
}
