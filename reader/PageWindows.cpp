#include "reader/PageWindows.h"

#include <deque>
#include <string>

#include "common/PageDetailTabs.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"

namespace reader {

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

// Names and captions made by number live as long as the tables that point at them.
const char* kept(std::string text) {
  static std::deque<std::string> texts;
  return texts.emplace_back(std::move(text)).c_str();
}

const rt::WindowTable& pageFormTable() {
  static const rt::WindowTable t = [] {
    std::vector<rt::ControlRow> c = {
        {pageform::Sheet, K::Sheet},
        {2, K::Tab, "General", pageform::Sheet},
        {3, K::Prompt, "Domain Name:", 2},
        {4, K::Entry, "", 2, "WEB:DOMAINNAME", "@s50"},
        {5, K::Prompt, "Page Name:", 2},
        {6, K::Entry, "", 2, "WEB:PAGENAME", "@s20"},
        {7, K::Check, "Use Now", 2, "WEB:USENOW", "", "Is this page in use now?"},
        {8, K::Prompt, "Page Path:", 2},
        {9, K::Entry, "", 2, "WEB:PAGEPATH", "@s80"},
        {10, K::Prompt, "Local Path:", 2},
        {11, K::Entry, "", 2, "WEB:LOCALPATH", "@s80"},
        {12, K::Prompt, "Local Default Directory:", 2},
        {13, K::Entry, "", 2, "WEB:LOCALDEFAULTDIRECTORY", "@s90"},
        {14, K::Prompt, "Author:", 2},
        {15, K::Entry, "", 2, "WEB:AUTHOR", "@s30"},
        {16, K::Prompt, "Purpose:", 2},
        {17, K::Entry, "", 2, "WEB:PURPOSE", "@s40"},
        {18, K::Prompt, "Implement Date:", 2},
        {19, K::Entry, "", 2, "WEB:IMPLEMENTDATE", "@d17",
         "The date the page will become live on the site."},
        {20, K::Prompt, "File Date Time:", 2},
        {21, K::Entry, "", 2, "WEB:FILEDATETIME", "@s20"},
        {30, K::Tab, "General (cont.)", pageform::Sheet},
        {31, K::Prompt, "File Size:", 30},
        {32, K::Entry, "", 30, "WEB:FILESIZE", "@n-14"},
    };
    for (int i = 1; i <= 5; ++i) {
      c.push_back({31 + 2 * i, K::Prompt, kept("Link To " + std::to_string(i) + ":"), 30});
      c.push_back({32 + 2 * i, K::Entry, "", 30, kept("WEB:LINKTO" + std::to_string(i)), "@s80",
                   "URL link to this page (from where?)"});
    }
    c.insert(c.end(), {
                          {43, K::Prompt, "Html Page Title:", 30},
                          {44, K::Entry, "", 30, "WEB:HTMLPAGETITLE", "@s80",
                           "Page title comes from HTML Page reading."},
                          {45, K::Prompt, "Page Read Date:", 30},
                          {46, K::Entry, "", 30, "WEB:PAGEREADDATE", "@s20"},
                          {50, K::Tab, "Notes", pageform::Sheet},
                          {51, K::Prompt, "Notes:", 50},
                          {52, K::Text, "", 50, "WEB:Notes"},
                      });
    std::vector<rt::ButtonRow> b = {
        {pageform::Ok, B::Ok}, {pageform::Cancel, B::Cancel}, {122, B::Help}};
    AddDetailTab(c, b, pageform::Sheet, pageform::MetaTab, "MetaTags", 0);
    AddDetailTab(c, b, pageform::Sheet, pageform::LinksTab, "Links", 1);
    AddDetailTab(c, b, pageform::Sheet, pageform::FormsTab, "Forms", 2);
    AddDetailTab(c, b, pageform::Sheet, pageform::ImagesTab, "Images", 3);
    AddDetailTab(c, b, pageform::Sheet, pageform::ScriptsTab, "Scripts", 4);
    c.push_back({pageform::Ok, K::Button, "OK"});
    c.push_back({pageform::Cancel, K::Button, "Cancel"});
    c.push_back({122, K::Button, "Help"});
    return rt::WindowTable{
        .context = &SystemTables(),
        .procedure = "UpdateWebPages",
        .title = "Update the Web Pages File (Use Tarnwick for better access)",
        .controls = std::move(c),
        .buttons = std::move(b),
        .lists =
            {DetailTabList(pageform::MetaTab, WPMeta,
                           "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Meta "
                           "Contents~@s200@80L(2)|M~Meta Name~@s20@",
                           {"WPM:DOMAINNAME", "WPM:PAGENAME", "WPM:METACONTENTS", "WPM:METANAME"},
                           "WPM:PagePath", 1),
             DetailTabList(pageform::LinksTab, WPLinks,
                           "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Web Page "
                           "Link~@s200@52R(2)|M~Line Number~@P####PB@",
                           {"WPL:DOMAINNAME", "WPL:PAGENAME", "WPL:WEBPAGELINK", "WPL:LINENUMBER"},
                           "WPL:PathName", 2),
             DetailTabList(pageform::FormsTab, WPForm,
                           "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Form Line "
                           "1~@s200@80L(2)|M~ 2~@s200@80L(2)|M~ 3~@s200@80L(2)|M~ 4~@s200@",
                           {"WPF:DOMAINNAME", "WPF:PAGE", "WPF:FORMLINE1", "WPF:FORMLINE2",
                            "WPF:FORMLINE3", "WPF:FORMLINE4"},
                           "WPF:PageName", 3),
             DetailTabList(pageform::ImagesTab, WPIMG,
                           "80L(2)|M~Domain Name~@s50@80L(2)|M~Page~@s20@80L(2)|M~Web Page "
                           "IMG~@s200@52R(2)|M~Line Number~@n-7@40L(2)|M~Height~@s20@40L(2)|M~"
                           "Width~@s20@80L(2)|M~imagepath~@s80@",
                           {"WPI:DOMAINNAME", "WPI:PAGE", "WPI:WEBPAGEIMG", "WPI:LINENUMBER",
                            "WPI:HEIGHT", "WPI:WIDTH", "WPI:IMAGEPATH"},
                           "WPI:PageName", 4, "WPI:WEBPAGEIMG"),
             DetailTabList(pageform::ScriptsTab, WPScripts,
                           "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Script "
                           "Line 1~@s200@80L(2)|M~Script Line 1~@s200@80L(2)|M~Script Line "
                           "1~@s200@80L(2)|M~Script Line 1~@s200@80L(2)|M~Script Line 1~@s200@",
                           {"WPS:DOMAINNAME", "WPS:PAGENAME", "WPS:SCRIPTLINE1", "WPS:SCRIPTLINE2",
                            "WPS:SCRIPTLINE3", "WPS:SCRIPTLINE4", "WPS:SCRIPTLINE5"},
                           "WPS:PageNam", 5)},
        .children = DetailFormChildren(),
        .relations = {&WebPagesRelations},
        .manager = &WebPagesManager,
        .actionTexts = {.insert = "Adding a WebPages Record",
                        .change = "Changing a WebPages Record",
                        .remove = "",
                        .view = ""},
    };
  }();
  return t;
}

// The one tab shows the pages of the domain just read, by page name.
const rt::WindowTable& pageBrowseTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "BrowseWebPages",
      .title = "Browse the Web Pages File",
      .controls = {BrowseListRow(pagebrowse::List),
                   {pagebrowse::Insert, K::Button, "&Insert"},
                   {pagebrowse::Change, K::Button, "&Change"},
                   {pagebrowse::Delete, K::Button, "&Delete"},
                   {5, K::Sheet},
                   {6, K::Tab, "Pages Read In", 5},
                   {7, K::Prompt,
                    "Pages shown are for domain just read in. Use Tarnwick for general work.", 6},
                   {pagebrowse::Close, K::Button, "Close"},
                   {9, K::Button, "Help"}},
      .buttons = {{pagebrowse::Insert, B::Insert},
                  {pagebrowse::Change, B::Change},
                  {pagebrowse::Delete, B::Delete},
                  {pagebrowse::Close, B::Close},
                  {9, B::Help}},
      .lists = {{.control = pagebrowse::List,
                 .file = &WebPages,
                 .format = "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@36C(2)|M~Use "
                           "Now~@s1@80L(2)|M~Page Path~@s80@80L(2)|M~Local Path~@s80@80L(2)|M~"
                           "Local Default Directory~@s90@80L(2)|M~Author~@s30@80L(2)|M~"
                           "Purpose~@s40@40R(2)|M~Implement Date~@d17@",
                 .fields = {"WEB:DOMAINNAME", "WEB:PAGENAME", "WEB:USENOW", "WEB:PAGEPATH",
                            "WEB:LOCALPATH", "WEB:LOCALDEFAULTDIRECTORY", "WEB:AUTHOR",
                            "WEB:PURPOSE", "WEB:IMPLEMENTDATE"},
                 // The orders of a second and third tab, which this window does not have.
                 .orders = {{.key = "WEB:Path", .locatorField = "WEB:PAGEPATH"},
                            {.key = "WEB:Pages", .locatorField = "WEB:PAGENAME"},
                            {.key = "WEB:NAMES",
                             .appended = "web:pagename",
                             .filter = "(web:domainname=domainname)"}},
                 .otherOrder = 2,
                 .update = 1,
                 .layouts = rt::LayoutKeeping::F9Switch}},
      .children = {{1, nullptr, "UpdateWebPages"}},
      .relations = {&WebPagesRelations},
  };
  return t;
}

// ---- the detail forms ------------------------------------------------------------------

constexpr char kOverwritten[] =
    "This record will be overwritten the next time you read in the web page. Therefore it is "
    "not advisable to update or change this record.";

struct DetailField {
  const char* prompt;  // "" for a check box, whose caption is `check`
  const char* field;
  const char* picture = "";
  int tab = 0;  // position among the form's tabs, from 1; 0: above them
  const char* tip = "";
  const char* check = "";
};

struct DetailForm {
  const char* procedure;
  const char* title;
  rt::FileManager** manager;
  std::vector<rt::FileRelations**> relations;
  const char* insertText;
  const char* changeText;
  std::vector<const char*> tabs;
  std::vector<DetailField> fields;
};

constexpr int kSheet = 1;
constexpr int kFirstTab = 3;
constexpr int kFirstField = 20;

rt::WindowTable detailTable(DetailForm f) {
  std::vector<rt::ControlRow> c;
  if (!f.tabs.empty()) c.push_back({kSheet, K::Sheet});
  for (std::size_t i = 0; i < f.tabs.size(); ++i)
    c.push_back({kFirstTab + static_cast<int>(i), K::Tab, f.tabs[i], kSheet});
  int number = kFirstField;
  for (const DetailField& d : f.fields) {
    const int parent = d.tab == 0 ? 0 : kFirstTab + d.tab - 1;
    if (*d.check) {
      c.push_back({number++, K::Check, d.check, parent, d.field, "", d.tip});
      continue;
    }
    c.push_back({number++, K::Prompt, d.prompt, parent});
    c.push_back({number++, K::Entry, "", parent, d.field, d.picture, d.tip});
  }
  c.push_back({detailform::Warning, K::Prompt, kOverwritten});
  c.push_back({detailform::Ok, K::Button, "OK"});
  c.push_back({detailform::Cancel, K::Button, "Cancel"});
  c.push_back({detailform::Cancel + 1, K::Button, "Help"});
  return rt::WindowTable{
      .context = &SystemTables(),
      .procedure = f.procedure,
      .title = f.title,
      .controls = std::move(c),
      .buttons = {{detailform::Ok, B::Ok},
                  {detailform::Cancel, B::Cancel},
                  {detailform::Cancel + 1, B::Help}},
      .relations = std::move(f.relations),
      .manager = f.manager,
      .actionTexts = {.insert = f.insertText, .change = f.changeText, .remove = "", .view = ""},
  };
}

// Lines first to last of a block of numbered fields ("WPF:FORMLINE") on one tab.
void addLines(std::vector<DetailField>& into, const char* prompt, const char* field, int first,
              int last, int tab, const char* tip = "") {
  for (int n = first; n <= last; ++n)
    into.push_back({kept(std::string(prompt) + " " + std::to_string(n) + ":"),
                    kept(std::string(field) + std::to_string(n)), "@s200", tab, tip});
}

const rt::WindowTable& metaTable() {
  static const rt::WindowTable t = detailTable({
      .procedure = "UpdateWPMeta",
      .title = "Update the Meta Tags File",
      .manager = &WPMetaManager,
      .relations = {&WPMetaRelations},
      .insertText = "Adding a WPMeta Record",
      .changeText = "Changing a WPMeta Record",
      .tabs = {},
      .fields = {{"Page Path:", "WPM:WEBPAGEPATH", "@s80"},
                 {"Domain Name:", "WPM:DOMAINNAME", "@s50"},
                 {"Page Name:", "WPM:PAGENAME", "@s20"},
                 {"Local Path:", "WPM:LOCALPATH", "@s80"},
                 {"Meta Name:", "WPM:METANAME", "@s20"},
                 {"Meta Contents:", "WPM:METACONTENTS", "@s200"}},
  });
  return t;
}

const rt::WindowTable& linksTable() {
  static const rt::WindowTable t = detailTable({
      .procedure = "UpdateWPLinks",
      .title = "Update the Links File",
      .manager = &WPLinksManager,
      .relations = {&WPLinksRelations},
      .insertText = "Adding a Links Record",
      .changeText = "Changing a Links Record",
      .tabs = {},
      .fields = {{"Web Page Path Name:", "WPL:WEBPAGEPATHNAME", "@s80"},
                 {"Web Page Link:", "WPL:WEBPAGELINK", "@s200"}},
  });
  return t;
}

const rt::WindowTable& formTable() {
  static const rt::WindowTable t = [] {
    std::vector<DetailField> fields = {{"Page Path:", "WPF:WEBPAGEPATHNAME", "@s80", 1},
                                       {"Domain Name:", "WPF:DOMAINNAME", "@s50", 1},
                                       {"Page Name:", "WPF:PAGE", "@s20", 1}};
    addLines(fields, "Form Line", "WPF:FORMLINE", 1, 5, 1);
    for (int tab = 2; tab <= 5; ++tab)
      addLines(fields, "Form Line", "WPF:FORMLINE", tab * 10 - 14, std::min(tab * 10 - 5, 40), tab);
    return detailTable({
        .procedure = "UpdateWPForm",
        .title = "Update the Forms File",
        .manager = &WPFormManager,
        .relations = {&WPFormRelations},
        .insertText = "Adding a Form Record",
        .changeText = "Changing a Form Record",
        .tabs = {"General", "Lines 6-15", "Lines 16-25", "Lines 26-35", "Lines 36-40"},
        .fields = std::move(fields),
    });
  }();
  return t;
}

const rt::WindowTable& imageTable() {
  static const rt::WindowTable t = detailTable({
      .procedure = "UpdateWPIMG",
      .title = "Update the IMAGE Data File",
      .manager = &WPIMGManager,
      .relations = {&WPIMGRelations, &DomainsRelations},
      .insertText = "Adding a WPIMG Record",
      .changeText = "Changing a WPIMG Record",
      .tabs = {},
      .fields = {{"Page Name:", "WPI:WEBPAGEPATHNAME", "@s80"},
                 {"Height:", "WPI:HEIGHT", "@s20"},
                 {"Width:", "WPI:WIDTH", "@s20"},
                 {"Web Page IMG:", "WPI:WEBPAGEIMG", "@s200"},
                 {"Line Number:", "WPI:LINENUMBER", "@n-7"},
                 {"Date Entered:", "WPI:DATEENTERED", "@d17"},
                 {"", "WPI:CURRENTLYUSE", "", 0, "", "Currently Use"}},
  });
  return t;
}

const rt::WindowTable& scriptsTable() {
  static const rt::WindowTable t = [] {
    static constexpr char kTip[] =
        "Lines may extend beyond width of field on screen. Just use your right arrow (in field) "
        "to scroll, or \"end key\" to jump,  to end of line.";
    std::vector<DetailField> fields = {{"Page Path:", "WPS:WEBPAGEPATHNAME", "@s80", 1},
                                       {"Domain Name:", "WPS:DOMAINNAME", "@s50", 1},
                                       {"Page Name:", "WPS:PAGENAME", "@s20", 1}};
    for (int tab = 1; tab <= 4; ++tab)
      addLines(fields, "Script Line", "WPS:SCRIPTLINE", tab * 10 - 9, tab * 10, tab, kTip);
    return detailTable({
        .procedure = "UpdateWPScripts",
        .title = "Update the Scripts File",
        .manager = &WPScriptsManager,
        .relations = {&WPScriptsRelations},
        .insertText = "Adding a Scripts Record",
        .changeText = "Changing a Scripts Record",
        .tabs = {"Lines 1-10", "Lines 11-20", "Lines 21-30", "Lines 31-40"},
        .fields = std::move(fields),
    });
  }();
  return t;
}

void runForm(const rt::WindowTable& table) {
  rt::TableForm w(table);
  w.Run();
}

const rt::WindowTableRegistration tables{
    {"BrowseWebPages", &pageBrowseTable}, {"UpdateWebPages", &pageFormTable},
    {"UpdateWPMeta", &metaTable},         {"UpdateWPLinks", &linksTable},
    {"UpdateWPForm", &formTable},         {"UpdateWPIMG", &imageTable},
    {"UpdateWPScripts", &scriptsTable},
};

}  // namespace

const rt::WindowTable& BrowseWebPagesTable() {
  return pageBrowseTable();
}
const rt::WindowTable& UpdateWebPagesTable() {
  return pageFormTable();
}

void BrowseWebPages() {
  rt::RunBrowse(pageBrowseTable());
}
void UpdateWebPages() {
  runForm(pageFormTable());
}
void UpdateWPMeta() {
  runForm(metaTable());
}
void UpdateWPLinks() {
  runForm(linksTable());
}
void UpdateWPForm() {
  runForm(formTable());
}
void UpdateWPIMG() {
  runForm(imageTable());
}
void UpdateWPScripts() {
  runForm(scriptsTable());
}

}  // namespace reader
