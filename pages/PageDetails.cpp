#include "pages/PageDetails.h"

#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "common/Procedures.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "dictionary/Globals.h"
#include "runtime/ui/FormCall.h"
#include "runtime/ui/Window.h"

namespace pages {
namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

constexpr char kPagePathTip[] =
    "The complete path of the page as listed under the domain. Include the page name in the path.";
constexpr int kListWidth = 760;  // a few columns in view at opening
constexpr int kSelectPages = 10;
constexpr int kDomainEntry = 10;  // where the members without "Select WebPages" have it

// Names built for the tables live as long as the program.
const char* keep(std::string text) {
  static std::deque<std::string> pool;
  return pool.emplace_back(std::move(text)).c_str();
}

// ---- the detail browses ----

enum class SelectButton { None, Shown, Hidden };

struct DetailBrowse {
  const char* procedure;
  const char* title;
  rt::KeyedFile* file;
  rt::FileRelations** relations;
  const char* key;  // its first component is the page path
  const char* appended;
  const char* locator;  // a step locator's field; nullptr: none
  const char* tab;
  const char* printText;
  const char* printProcedure;
  const char* viewForm;
  const char* domainField;  // shown under the list in place of "Select WebPages"
  SelectButton select;
  bool wideNumbering;  // the buttons one further along, the print button two
  const char* format;
  std::vector<const char*> fields;
};

const DetailBrowse kBrowses[] = {
    {"BrowseLinks",
     "Browse the Web Pages Links File",
     &WPLinks,
     &WPLinksRelations,
     "WPL:PathName",
     "WPL:WEBPAGELINK",
     "WPL:WEBPAGEPATHNAME",
     "PathName",
     "&Print All Links",
     "listlinks2",
     "UpdateWPLinks",
     "WPL:DOMAINNAME",
     SelectButton::None,
     false,
     "80L(2)|M~Page Name~@s20@80L(2)|M~Web Page Link~@s80@",
     {"WPL:PAGENAME", "WPL:WEBPAGELINK"}},
    {"BrowseImages",
     "Browse Images Data File",
     &WPIMG,
     &WPIMGRelations,
     "WPI:PageName",
     "WPI:WEBPAGEIMG",
     "WPI:WEBPAGEIMG",
     "By PageName",
     "&Print All Images",
     "PrintImage2",
     "UpdateWPIMG",
     "WPI:DOMAINNAME",
     SelectButton::None,
     false,
     "80L(2)|M~Page~@s20@80L(2)|M~Web Page IMG~@s80@26R(2)|M~Line~C(0)@n-7@24L(2)|M~Date "
     "Entered~C(0)@d17@",
     {"WPI:PAGE", "WPI:WEBPAGEIMG", "WPI:LINENUMBER", "WPI:DATEENTERED"}},
    {"BrowseMeta",
     "Browse the MetaTags  File",
     &WPMeta,
     &WPMetaRelations,
     "WPM:PagePath",
     "wpm:metaname",
     nullptr,
     "Meta Tags",
     "&Print Meta Tags",
     "listmetas2",
     "UpdateWPMeta",
     nullptr,
     SelectButton::Shown,
     false,
     "80L(2)|M~Page Name~@s20@80L(2)|M~Meta Name~@s20@80L(2)|M~Meta Contents~@s200@",
     {"WPM:PAGENAME", "WPM:METANAME", "WPM:METACONTENTS"}},
    {"browsescripts",
     "Browse the Scripts File",
     &WPScripts,
     &WPScriptsRelations,
     "WPS:PageNam",
     "",
     nullptr,
     "PageName",
     "&Print Scripts",
     "PrintScript",
     "UpdateWPScripts",
     nullptr,
     SelectButton::Hidden,
     false,
     "80L(2)|M~Page Name~@s20@80L(2)|M~Script Line 1~@s80@80L(2)|M~Script Line 2~@s80@80L(2)|M~"
     "Script Line 3~@s80@80L(2)|M~Script Line 4~@s80@80L(2)|M~Script Line 5~@s80@",
     {"WPS:PAGENAME", "WPS:SCRIPTLINE1", "WPS:SCRIPTLINE2", "WPS:SCRIPTLINE3", "WPS:SCRIPTLINE4",
      "WPS:SCRIPTLINE5"}},
    {"browseforms",
     "Browse the Forms File",
     &WPForm,
     &WPFormRelations,
     "WPF:PageName",
     "",
     nullptr,
     "By PageName",
     "&Print Forms",
     "printform",
     "UpdateWPForm",
     nullptr,
     SelectButton::Shown,
     true,
     "80L(2)|M~Page Path~L(2)@s80@80L(2)|M~Domain Name~L(2)@s50@80L(2)|M~Page Name~L(2)@s20@80R(2)|"
     "M~Record Date~C(0)@d17@48R(2)|M~Line Number~C(0)@n-7@80L(2)|M~Form Line 1~L(2)@s200@80L(2)|"
     "M~ 2~L(2)@s200@80L(2)|M~ 3~L(2)@s200@80L(2)|M~ 4~L(2)@s200@",
     {"WPF:WEBPAGEPATHNAME", "WPF:DOMAINNAME", "WPF:PAGE", "WPF:RECORDDATE", "WPF:LINENUMBER",
      "WPF:FORMLINE1", "WPF:FORMLINE2", "WPF:FORMLINE3", "WPF:FORMLINE4"}},
};

struct BrowseNumbers {
  int insert, change, print, sheet;
};

BrowseNumbers numbersOf(const DetailBrowse& m) {
  if (m.wideNumbering) return {4, 5, 7, 8};
  return {3, 4, 5, m.domainField ? 7 : 8};
}

std::vector<rt::ControlRow> browseControls(const DetailBrowse& m) {
  const BrowseNumbers n = numbersOf(m);
  const int tab = n.sheet + 1;
  std::vector<rt::ControlRow> c = {
      {1, K::List, "", 0, nullptr, "", "", "", "Browsing Records", kListWidth},
      {2, K::Button, "&Select"},
      InsertRow(n.insert),
      {n.change, K::Button, "&View Detail", 0, nullptr, "", "", m.wideNumbering ? "chg4.ico" : ""},
      {n.print, K::Button, m.printText},
      DeleteRow(6),
      {n.sheet, K::Sheet},
      {tab, K::Tab, m.tab, n.sheet},
  };
  if (m.domainField) {
    c.push_back({9, K::Prompt, "Domain Name:", tab});
    c.push_back({kDomainEntry, K::Entry, "", tab, m.domainField, "@s50",
                 "This is the actual domain name that you have registered."});
  } else {
    c.push_back({kSelectPages, K::Button, "Select WebPages"});
  }
  c.push_back(CloseRow(11));
  c.push_back({12, K::Button, "Help"});
  c.push_back({13, K::Prompt, kResizeHint});
  return c;
}

rt::WindowTable browseTable(const DetailBrowse& m) {
  const BrowseNumbers n = numbersOf(m);
  rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = m.procedure,
      .title = m.title,
      .controls = browseControls(m),
      .buttons = {{n.insert, B::Insert},
                  {n.change, B::Change},
                  {n.print, B::Print},
                  {6, B::Delete},
                  {11, B::Close},
                  {12, B::Help}},
      .lists = {{
          .control = 1,
          .file = m.file,
          .format = m.format,
          .fields = m.fields,
          // No domain in the range: pages of two domains with one path share their rows.
          .orders = {{.key = m.key,
                      .appended = m.appended,
                      .locatorField = m.locator,
                      .range = {"WEB:PAGEPATH"}}},
          .update = 1,
          .print = 2,
          .layouts = rt::LayoutKeeping::F9Switch,
      }},
      .children = {{1, nullptr, m.viewForm}, {2, nullptr, m.printProcedure}},
      .relations = {m.relations, &WebPagesRelations},
      .hidden = {2, n.insert, 6},
      .disabled = {2},
  };
  if (m.select != SelectButton::None)
    t.buttons.push_back({kSelectPages, B::Call, "SelectWebPages"});
  if (m.select == SelectButton::Hidden) t.hidden.push_back(kSelectPages);
  return t;
}

template <std::size_t I>
const rt::WindowTable& browseTableOf() {
  static const rt::WindowTable t = browseTable(kBrowses[I]);
  return t;
}

class DetailBrowseWindow : public rt::TableBrowse {
 public:
  DetailBrowseWindow(const rt::WindowTable& table, const DetailBrowse& member)
      : TableBrowse(table), member_(member) {}

  rt::Flow OnEvent() override {
    const rt::Flow f = TableBrowse::OnEvent();
    // The domain entry follows the highlighted row.
    if (member_.domainField && window()) window()->display(kDomainEntry);
    return f;
  }

  rt::Flow OnAccepted() override {
    const bool selecting = member_.select != SelectButton::None && control() == kSelectPages;
    if (selecting) rt::setCallRequest(rt::Request::Select);
    const rt::Flow f = TableBrowse::OnAccepted();
    // The range is read again from the page the buffer holds now, picked or not.
    if (selecting) list().SelectSortOrder(list().currentOrder());
    return f;
  }

 private:
  const DetailBrowse& member_;
};

template <std::size_t I>
void runBrowse() {
  DetailBrowseWindow w(browseTableOf<I>(), kBrowses[I]);
  w.Run();
}

// ---- the view forms ----

struct FieldRow {
  const char* prompt;
  const char* field;
  const char* picture;
  const char* tip = "";
};

struct TabRows {
  const char* text;
  std::vector<FieldRow> fields;
};

struct ViewForm {
  const char* procedure;
  const char* title;
  const char* viewing;
  rt::FileManager** manager;
  std::vector<rt::FileRelations**> relations;
  int ok, cancel, help, sheet;
  std::vector<TabRows> tabs;
  std::vector<rt::ControlRow> own = {};  // on the first tab, after its fields
  std::vector<rt::ButtonRow> ownButtons = {};
};

// Block lines first..last of a script or form record, with their prompts.
std::vector<FieldRow> blockLines(const char* prefix, const char* prompt, int first, int last,
                                 const char* tip) {
  std::vector<FieldRow> rows;
  for (int i = first; i <= last; ++i)
    rows.push_back({keep(std::string(prompt) + std::to_string(i) + ":"),
                    keep(std::string(prefix) + std::to_string(i)), "@s200", tip});
  return rows;
}

std::vector<FieldRow> joined(std::vector<FieldRow> a, const std::vector<FieldRow>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<TabRows> scriptTabs() {
  static constexpr char kTip[] = "Line can extend beyond width of field on screen.";
  const FieldRow path{"Page Path:", "WPS:WEBPAGEPATHNAME", "@s80", kPagePathTip};
  const FieldRow page{"Page Name:", "WPS:PAGENAME", "@s20"};
  std::vector<TabRows> tabs = {
      {"Lines 1-10", joined({path, {"Domain Name:", "WPS:DOMAINNAME", "@s50"}, page},
                            blockLines("WPS:SCRIPTLINE", "Script Line ", 1, 10, kTip))}};
  for (int first = 11; first <= 31; first += 10)
    tabs.push_back({keep("Lines " + std::to_string(first) + "-" + std::to_string(first + 9)),
                    joined({path, page},
                           blockLines("WPS:SCRIPTLINE", "Script Line ", first, first + 9, kTip))});
  return tabs;
}

std::vector<TabRows> formTabs() {
  std::vector<TabRows> tabs = {
      {"General", joined({{"Page Path:", "WPF:WEBPAGEPATHNAME", "@s80", kPagePathTip},
                          {"Domain Name:", "WPF:DOMAINNAME", "@s50"},
                          {"Page Name:", "WPF:PAGE", "@s20"}},
                         blockLines("WPF:FORMLINE", "Form Line ", 1, 5, ""))}};
  for (int first = 6; first <= 36; first += 10) {
    const int last = std::min(first + 9, 40);
    tabs.push_back({keep("Lines " + std::to_string(first) + "-" + std::to_string(last)),
                    blockLines("WPF:FORMLINE", "Form Line ", first, last, "")});
  }
  return tabs;
}

// The image form's own controls.
constexpr int kShowWebImage = 10;
constexpr int kPrintImage = 15;
constexpr int kImageRegion = 100;
constexpr int kImage = 101;
constexpr int kImageMark = 102;
constexpr int kImageGuide = 103;

const std::vector<ViewForm>& viewForms() {
  static const std::vector<ViewForm> forms = {
      {"UpdateWPLinks",
       "Update the Links File",
       "Viewing a Links Record",
       &WPLinksManager,
       {&WPLinksRelations},
       7,
       8,
       9,
       1,
       {{"General",
         {{"Web Page Path Name:", "WPL:WEBPAGEPATHNAME", "@s80", kPagePathTip},
          {"Web Page Link:", "WPL:WEBPAGELINK", "@s200"}}}}},
      {"UpdateWPIMG",
       "Update the IMAGE Data File",
       "Viewing an IMG Record",
       &WPIMGManager,
       {&WPIMGRelations, &WebPagesRelations},
       19,
       20,
       24,
       2,
       {{"General",
         {{"Web Page IMG:", "WPI:WEBPAGEIMG", "@s200"},
          {"Page Name:", "WPI:WEBPAGEPATHNAME", "@s80", kPagePathTip},
          {"Height:", "WPI:HEIGHT", "@s20"},
          {"Width:", "WPI:WIDTH", "@s20"},
          {"Line Number:", "WPI:LINENUMBER", "@n-7"},
          {"Date Entered:", "WPI:DATEENTERED", "@d17"}}}},
       {{90, K::Check, "Currently Use", 0, "WPI:CURRENTLYUSE"},
        {kShowWebImage, K::Button, "&Click to see Internet based image."},
        {kPrintImage, K::Button, "&Print", 0, nullptr, "", "Print information"},
        {kImageGuide, K::Prompt,
         "The graphic will begin near X, and extend towards right.  If graphic is too big for "
         "screen, click Print button."},
        {kImageMark, K::Prompt, "X"},
        {kImage, K::Image, "", 0, nullptr, "", "", "", "", 640, 360},
        {kImageRegion, K::Region}},
       {{kShowWebImage, B::Shell, "", "WPI:WEBPAGEIMG"}, {kPrintImage, B::Call, "PrintImage"}}},
      {"UpdateWPMeta",
       "Update the Meta Tags File",
       "Viewing a Meta Record",
       &WPMetaManager,
       {&WPMetaRelations},
       15,
       16,
       17,
       1,
       {{"General",
         {{"Page Path:", "WPM:WEBPAGEPATH", "@s80", kPagePathTip},
          {"Domain Name:", "WPM:DOMAINNAME", "@s50"},
          {"Page Name:", "WPM:PAGENAME", "@s20"},
          {"Local Path:", "WPM:LOCALPATH", "@s80"},
          {"Meta Name:", "WPM:METANAME", "@s20"},
          {"Meta Contents:", "WPM:METACONTENTS", "@s200"}}}}},
      {"UpdateWPScripts",
       "Update the Scripts File",
       "Viewing a Scripts Record",
       &WPScriptsManager,
       {&WPScriptsRelations},
       105,
       106,
       107,
       1,
       scriptTabs()},
      {"UpdateWPForm",
       "Update the Forms File",
       "Viewing a Form Record",
       &WPFormManager,
       {&WPFormRelations},
       93,
       94,
       95,
       1,
       formTabs()},
  };
  return forms;
}

rt::WindowTable formTable(const ViewForm& m) {
  std::vector<int> taken = {m.ok, m.cancel, m.help, m.sheet};
  for (const rt::ControlRow& r : m.own) taken.push_back(r.number);
  int last = 0;
  auto next = [&] {
    do ++last;
    while (std::find(taken.begin(), taken.end(), last) != taken.end());
    return last;
  };
  std::vector<rt::ControlRow> c = {{m.sheet, K::Sheet}};
  for (const TabRows& tab : m.tabs) {
    const int t = next();
    c.push_back({t, K::Tab, tab.text, m.sheet});
    for (const FieldRow& f : tab.fields) {
      c.push_back({next(), K::Prompt, f.prompt, t});
      c.push_back({next(), K::Entry, "", t, f.field, f.picture, f.tip});
    }
    if (&tab == &m.tabs.front())
      for (rt::ControlRow r : m.own) {
        r.parent = t;
        c.push_back(r);
      }
  }
  c.push_back({next(), K::Prompt,
               "This record will be overwritten the next time you read in the web page. "
               "Therefore it is not advisable to update or change this record."});
  c.push_back({m.ok, K::Button, "OK"});
  c.push_back({m.cancel, K::Button, "Cancel"});
  c.push_back({m.help, K::Button, "Help"});
  std::vector<rt::ButtonRow> buttons = {{m.ok, B::Ok}, {m.cancel, B::Cancel}, {m.help, B::Help}};
  buttons.insert(buttons.end(), m.ownButtons.begin(), m.ownButtons.end());
  return {
      .context = &SystemTables(),
      .procedure = m.procedure,
      .title = m.title,
      .controls = std::move(c),
      .buttons = std::move(buttons),
      .relations = m.relations,
      .manager = m.manager,
      .actionTexts = {.insert = "", .change = m.viewing, .remove = "", .view = ""},
      .refused = {.insert = true, .remove = true},
  };
}

template <std::size_t I>
const rt::WindowTable& formTableOf() {
  static const rt::WindowTable t = formTable(viewForms()[I]);
  return t;
}

template <std::size_t I>
void runForm() {
  rt::TableForm w(formTableOf<I>());
  w.Run();
}

constexpr std::size_t kImageForm = 1;

// Shows the local copy of the image; the entry of its address opens it on the web.
class ImageForm : public rt::TableForm {
 public:
  ImageForm() : TableForm(formTableOf<kImageForm>()) { addAlertKey(rt::key::MouseLeft); }

  rt::Flow OnWindowEvent() override {
    if (eventKind() == rt::EventKind::AlertKey && keyCode() == rt::key::MouseLeft) {
      if (control() == kImageRegion) ShellOpen(window(), WPI.WEBPAGEIMG.clip());
      return rt::Flow::Cycle;
    }
    const rt::Flow f = TableForm::OnWindowEvent();
    if (eventKind() == rt::EventKind::OpenWindow) {
      imagepath = WPI.IMAGEPATH.clip();
      window()->setImage(kImage, imagepath.clip());
      layOpenings();
      RefreshItems();
    }
    return f;
  }

 private:
  // The region lies exactly over the address entry; the mark stands bold above the picture.
  void layOpenings() {
    rt::Window& w = *window();
    QWidget* region = w.control(kImageRegion);
    QWidget* entry = w.control(addressEntry());
    if (region && entry) {
      region->setParent(entry->parentWidget());
      region->setGeometry(entry->geometry());
      region->setCursor(Qt::PointingHandCursor);
      region->show();
      region->raise();
    }
    w.setFontStyle(kImageMark, rt::fontstyle::Bold);
    // The picture starts under the mark, however much smaller than its box it is.
    if (auto* image = qobject_cast<QLabel*>(w.control(kImage)))
      image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }

  int addressEntry() const {
    for (const rt::ControlRow& r : table().controls)
      if (r.field && std::string_view(r.field) == "WPI:WEBPAGEIMG") return r.number;
    return 0;
  }
};

// ---- the page selection ----

const rt::WindowTable& selectTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "SelectWebPages",
      .title = "Select a WebPages Record",
      .controls = {{1, K::List, "", 0, nullptr, "", "", "", "Browsing Records", kListWidth},
                   {2, K::Button, "&Select"},
                   {3, K::Sheet},
                   {4, K::Tab, "Names", 3},
                   {5, K::Tab, "Path", 3},
                   {6, K::Tab, "Pages", 3},
                   CloseRow(7),
                   {8, K::Button, "Help"}},
      .buttons = {{2, B::Select}, {7, B::Close}, {8, B::Help}},
      .lists = {{
          .control = 1,
          .file = &WebPages,
          .format = "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@34C(2)|M~Use "
                    "Now~L@s1@80L(2)|M~Page Path~@s80@80L(2)|M~Local Path~@s80@80D(10)|M~Local "
                    "Default Directory~C(0)@s90@80L(2)|M~Author~@s30@80L(2)|M~Purpose~@s40@80R(2)|"
                    "M~Implement Date~C(0)@d17@",
          .fields = {"WEB:DOMAINNAME", "WEB:PAGENAME", "WEB:USENOW", "WEB:PAGEPATH",
                     "WEB:LOCALPATH", "WEB:LOCALDEFAULTDIRECTORY", "WEB:AUTHOR", "WEB:PURPOSE",
                     "WEB:IMPLEMENTDATE"},
          .orders = {{.key = "WEB:Path", .tab = 5, .locatorField = "WEB:PAGEPATH"},
                     {.key = "WEB:Pages", .tab = 6, .locatorField = "WEB:PAGENAME"},
                     {.key = "WEB:NAMES", .tab = 4, .locatorField = "WEB:DOMAINNAME"}},
          .otherOrder = 2,
          .selectMode = true,
      }},
      .relations = {&WebPagesRelations},
      .hidden = {2},
  };
  return t;
}

const rt::WindowTableRegistration tables{
    {"BrowseLinks", &browseTableOf<0>},   {"BrowseImages", &browseTableOf<1>},
    {"BrowseMeta", &browseTableOf<2>},    {"browsescripts", &browseTableOf<3>},
    {"browseforms", &browseTableOf<4>},   {"UpdateWPLinks", &formTableOf<0>},
    {"UpdateWPIMG", &formTableOf<1>},     {"UpdateWPMeta", &formTableOf<2>},
    {"UpdateWPScripts", &formTableOf<3>}, {"UpdateWPForm", &formTableOf<4>},
    {"SelectWebPages", &selectTable},
};

const ProcedureRegistration procedures{
    {"BrowseLinks", kSmallStack, &BrowseLinks},
    {"BrowseImages", kSmallStack, &BrowseImages},
    {"BrowseMeta", kSmallStack, &BrowseMeta},
    {"browsescripts", kSmallStack, &browsescripts},
    {"browseforms", kSmallStack, &browseforms},
    {"UpdateWPLinks", kSmallStack, &UpdateWPLinks},
    {"UpdateWPIMG", kSmallStack, &UpdateWPIMG},
    {"UpdateWPMeta", kSmallStack, &UpdateWPMeta},
    {"UpdateWPScripts", kSmallStack, &UpdateWPScripts},
    {"UpdateWPForm", kSmallStack, &UpdateWPForm},
    {"SelectWebPages", kSmallStack, &SelectWebPages},
};

}  // namespace

void BrowseLinks() {
  runBrowse<0>();
}
void BrowseImages() {
  runBrowse<1>();
}
void BrowseMeta() {
  runBrowse<2>();
}
void browsescripts() {
  runBrowse<3>();
}
void browseforms() {
  runBrowse<4>();
}

void UpdateWPLinks() {
  runForm<0>();
}
void UpdateWPIMG() {
  ImageForm w;
  w.Run();
}
void UpdateWPMeta() {
  runForm<2>();
}
void UpdateWPScripts() {
  runForm<3>();
}
void UpdateWPForm() {
  runForm<4>();
}

void SelectWebPages() {
  rt::RunBrowse(selectTable());
}

}  // namespace pages
