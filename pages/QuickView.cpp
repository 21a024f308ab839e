#include "pages/QuickView.h"

#include <QApplication>

#include "common/PageDetailTabs.h"
#include "common/Procedures.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "runtime/text/FixedString.h"
#include "runtime/ui/MessageBox.h"

namespace quickview {
namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

enum Browse : int {
  bList = 1,
  bView = 2,
  bClose = 3,
  bHelp = 4,
  bSheet = 5,
  bTab = 6,
  bSelect = 7,
  bInsert = 8,
  bDelete = 9,
  bNotice = 10,
};

enum Form : int {
  fSheet = 1,
  fGeneral = 2,
  fGeneral2 = 40,
  fNotes = 60,
  fMeta = 70,
  fLinks = 80,
  fForms = 90,
  fImages = 100,
  fScripts = 110,
  fOk = 120,
  fCancel = 121,
  fHelp = 122,
};

const rt::WindowTable& formTable();

const rt::WindowTable& browseTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "BrowseWebPages2",
      .title = "QuickView WebPages",
      .controls =
          {
              {bList, K::List},
              {bView, K::Button, "View"},
              {bClose, K::Button, "Close"},
              {bHelp, K::Button, "Help"},
              {bSheet, K::Sheet},
              {bTab, K::Tab, "By Page Name", bSheet},
              {bSelect, K::Button, "&Select"},
              {bInsert, K::Button, "Insert"},
              {bDelete, K::Button, "Delete"},
              {bNotice, K::Prompt, "You may not add or delete records from this screen."},
          },
      .buttons = {{bView, B::Change}, {bClose, B::Close}, {bHelp, B::Help}},
      .lists = {{
          .control = bList,
          .file = &WebPages,
          .format = "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@36C(2)|M~Use "
                    "Now~@s1@80L(2)|M~Page Path~@s80@80L(2)|M~Local Path~@s80@80D(12)|M~Local "
                    "Default Directory~C(0)@s90@80L(2)|M~Author~@s30@80L(2)|M~Purpose~@s40@"
                    "80R(2)|M~Implement Date~C(0)@d17@",
          .fields = {"WEB:DOMAINNAME", "WEB:PAGENAME", "WEB:USENOW", "WEB:PAGEPATH",
                     "WEB:LOCALPATH", "WEB:LOCALDEFAULTDIRECTORY", "WEB:AUTHOR", "WEB:PURPOSE",
                     "WEB:IMPLEMENTDATE"},
          .orders = {{.key = "WEB:Pages", .tab = bTab, .locatorField = "WEB:PAGENAME"}},
          .update = 1,
      }},
      .children = {{1, &UpdateWebPages}},
      .relations = {&WebPagesRelations},
      .hidden = {bSelect, bInsert, bDelete},
  };
  return t;
}

// The list keys that would add or delete are answered, and do nothing else.
class QuickViewBrowse : public rt::TableBrowse {
 public:
  QuickViewBrowse() : TableBrowse(browseTable()) {
    desc().width = 800;  // as designed: room for the list's first columns
    desc().height = 440;
    addAlertKey(rt::key::Insert);
    addAlertKey(rt::key::Delete);
  }

  rt::Flow OnWindowEvent() override {
    if (eventKind() == rt::EventKind::AlertKey &&
        (keyCode() == rt::key::Insert || keyCode() == rt::key::Delete)) {
      QApplication::beep();
      rt::ShowMessageBox(keyCode() == rt::key::Insert
                             ? "You cannot insert a record from this screen."
                             : "You cannot delete a record from this screen.",
                         "Error");
      return rt::Flow::Cycle;
    }
    return TableBrowse::OnWindowEvent();
  }
};

const rt::WindowTable& formTable() {
  static const rt::WindowTable t = [] {
    std::vector<rt::ControlRow> c = {
        {fSheet, K::Sheet},
        {fGeneral, K::Tab, "General", fSheet},
        {3, K::Prompt, "Domain Name:", fGeneral},
        {4, K::Entry, "", fGeneral, "WEB:DOMAINNAME", "@s50", "The domain that houses this page."},
        {5, K::Prompt, "Page Name:", fGeneral},
        {6, K::Entry, "", fGeneral, "WEB:PAGENAME", "@s20", "The HTML name of the page."},
        {7, K::Check, "Use Now", fGeneral, "WEB:USENOW", "", "Is this page in use now?"},
        {8, K::Prompt, "Page Path:", fGeneral},
        {9, K::Entry, "", fGeneral, "WEB:PAGEPATH", "@s80",
         "The complete path of the page as listed under the domain. Include the page name in "
         "the path."},
        {10, K::Prompt, "Local Path:", fGeneral},
        {11, K::Entry, "", fGeneral, "WEB:LOCALPATH", "@s80",
         "The path on THIS computer of the page.  Include the name of the page in the path."},
        {12, K::Prompt, "Local Default Directory:", fGeneral},
        {13, K::Entry, "", fGeneral, "WEB:LOCALDEFAULTDIRECTORY", "@s90"},
        {14, K::Prompt, "Author:", fGeneral},
        {15, K::Entry, "", fGeneral, "WEB:AUTHOR", "@s30", "Who designed the page."},
        {16, K::Prompt, "Purpose:", fGeneral},
        {17, K::Entry, "", fGeneral, "WEB:PURPOSE", "@s40", "The main purpose of the page."},
        {18, K::Prompt, "Implement Date:", fGeneral},
        {19, K::Entry, "", fGeneral, "WEB:IMPLEMENTDATE", "@d17",
         "The date the page will become live on the site."},
        {20, K::Prompt, "File Date Time:", fGeneral},
        {21, K::Entry, "", fGeneral, "WEB:FILEDATETIME", "@s20",
         "The last update date of this page."},
        {22, K::Prompt, "File Size:", fGeneral},
        {23, K::Entry, "", fGeneral, "WEB:FILESIZE", "@n-14",
         "The size in bytes of the html file."},
        {fGeneral2, K::Tab, "General (cont.)", fSheet},
    };
    static const char* const kLinkPrompts[] = {
        "Link To 1:", "Link To 2:", "Link To 3:", "Link To 4:", "Link To 5:"};
    static const char* const kLinks[] = {"WEB:LINKTO1", "WEB:LINKTO2", "WEB:LINKTO3", "WEB:LINKTO4",
                                         "WEB:LINKTO5"};
    for (int i = 0; i < 5; ++i) {
      c.push_back({41 + 2 * i, K::Prompt, kLinkPrompts[i], fGeneral2});
      c.push_back({42 + 2 * i, K::Entry, "", fGeneral2, kLinks[i], "@s80",
                   "URL link to this page (from where?)"});
    }
    c.insert(c.end(),
             {
                 {51, K::Prompt, "Html Page Title:", fGeneral2},
                 {52, K::Entry, "", fGeneral2, "WEB:HTMLPAGETITLE", "@s80",
                  "Page title comes from HTML Page reading."},
                 {53, K::Prompt, "Page Read Date:", fGeneral2},
                 {54, K::Entry, "", fGeneral2, "WEB:PAGEREADDATE", "@s20"},
                 {fNotes, K::Tab, "Notes", fSheet},
                 {61, K::Prompt, "Notes:", fNotes},
                 {62, K::Text, "", fNotes, "WEB:Notes", "", "Brief notes about this page."},
             });
    std::vector<rt::ButtonRow> b = {{fOk, B::Ok}, {fCancel, B::Cancel}, {fHelp, B::Help}};
    std::vector<int> hidden;
    const std::pair<int, const char*> tabs[] = {{fMeta, "Meta"},
                                                {fLinks, "Links"},
                                                {fForms, "Forms"},
                                                {fImages, "Images"},
                                                {fScripts, "Scripts"}};
    for (std::size_t i = 0; i < std::size(tabs); ++i) {
      AddDetailTab(c, b, fSheet, tabs[i].first, tabs[i].second, i, "&View Detail", false);
      hidden.push_back(tabs[i].first + detailtab::Insert);
      hidden.push_back(tabs[i].first + detailtab::Delete);
    }
    c.push_back({fOk, K::Button, "OK"});
    c.push_back({fCancel, K::Button, "Cancel"});
    c.push_back({fHelp, K::Button, "Help"});
    return rt::WindowTable{
        .context = &SystemTables(),
        .procedure = "UpdateWebPages",
        .title = "View the Web Pages File",
        .controls = std::move(c),
        .buttons = std::move(b),
        .lists =
            {DetailTabList(
                 fMeta, WPMeta,
                 "80L(2)|M~Page Path~@s80@80L(2)|M~Domain Name~@s50@80L(2)|M~Page "
                 "Name~@s20@80L(2)|M~Local Path~@s80@80L(2)|M~Meta Contents~@s200@80L(2)|M~"
                 "Meta Name~@s20@",
                 {"WPM:WEBPAGEPATH", "WPM:DOMAINNAME", "WPM:PAGENAME", "WPM:LOCALPATH",
                  "WPM:METACONTENTS", "WPM:METANAME"},
                 "WPM:PagePath", 1),
             DetailTabList(fLinks, WPLinks,
                           "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Page "
                           "Path~@s80@80L(2)|M~Web Page Link~@s200@48R(2)|M~Line "
                           "Number~@P####PB@80R(2)|M~Record Date~@d17@",
                           {"WPL:DOMAINNAME", "WPL:PAGENAME", "WPL:WEBPAGEPATHNAME",
                            "WPL:WEBPAGELINK", "WPL:LINENUMBER", "WPL:RECORDDATE"},
                           "WPL:PathName", 2),
             DetailTabList(fForms, WPForm,
                           "80L(2)|M~Page Path~@s80@80L(2)|M~Domain Name~@s50@80L(2)|M~Page "
                           "Name~@s20@80R(2)|M~Record Date~@d17@48R(2)|M~Line Number~@n-7@80L(2)|M~"
                           "Form Line 1~@s200@80L(2)|M~ 2~@s200@80L(2)|M~ 3~@s200@80L(2)|M~ "
                           "4~@s200@",
                           {"WPF:WEBPAGEPATHNAME", "WPF:DOMAINNAME", "WPF:PAGE", "WPF:RECORDDATE",
                            "WPF:LINENUMBER", "WPF:FORMLINE1", "WPF:FORMLINE2", "WPF:FORMLINE3",
                            "WPF:FORMLINE4"},
                           "WPF:PageName", 3),
             DetailTabList(fImages, WPIMG,
                           "80L(2)|M~Page Path~@s80@80L(2)|M~Domain Name~@s50@80L(2)|M~Page~@s20@"
                           "80L(2)|M~Web Page IMG~@s200@48R(2)|M~Line Number~@n-7@80R(2)|M~Date "
                           "Entered~@d17@80L(2)|M~Height~@s20@80L(2)|M~Width~@s20@",
                           {"WPI:WEBPAGEPATHNAME", "WPI:DOMAINNAME", "WPI:PAGE", "WPI:WEBPAGEIMG",
                            "WPI:LINENUMBER", "WPI:DATEENTERED", "WPI:HEIGHT", "WPI:WIDTH"},
                           "WPI:PageName", 4, "WPI:WEBPAGEIMG"),
             // The stored header of all five script-line columns is the first one's.
             DetailTabList(fScripts, WPScripts,
                           "80L(2)|M~Page Path~@s80@80L(2)|M~Domain Name~@s50@80L(2)|M~Page "
                           "Name~@s20@80R(2)|M~Record Date~@d17@80L(2)|M~Script Line "
                           "1~@s200@80L(2)|M~Script Line 1~@s200@80L(2)|M~Script Line "
                           "1~@s200@80L(2)|M~Script Line 1~@s200@80L(2)|M~Script Line 1~@s200@",
                           {"WPS:WEBPAGEPATHNAME", "WPS:DOMAINNAME", "WPS:PAGENAME",
                            "WPS:RECORDDATE", "WPS:SCRIPTLINE1", "WPS:SCRIPTLINE2",
                            "WPS:SCRIPTLINE3", "WPS:SCRIPTLINE4", "WPS:SCRIPTLINE5"},
                           "WPS:PageNam", 5)},
        .children = DetailFormChildren(),
        .relations = {&WPFormRelations},
        .hidden = std::move(hidden),
        .manager = &WebPagesManager,
        .actionTexts = {.insert = "",
                        .change = "Viewing a WebPages Record",
                        .remove = "",
                        .view = ""},
        .refused = {.insert = true, .remove = true},
    };
  }();
  return t;
}

// Exactly one character: the first is not blank and the second is.
template <std::size_t N>
bool oneCharacter(const rt::Str<N>& s) {
  return s.data[0] != ' ' && s.data[1] == ' ';
}

class QuickViewForm : public rt::TableForm {
 public:
  QuickViewForm() : TableForm(formTable()) {}

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = TableForm::OnWindowEvent();
    if (eventKind() == rt::EventKind::OpenWindow && oneCharacter(WPM.PAGENAME)) {
      WPM.PAGENAME = "";
      RefreshItems();
    }
    return f;
  }

  // Every way out: OK, Cancel and the close box. The file statement alone, no cascade.
  rt::Flow Teardown() override {
    if (window() && oneCharacter(WEB.PAGENAME) && WEB.DOMAINNAME.blank()) {
      WebPages.erase();
      RefreshItems();
    }
    return TableForm::Teardown();
  }
};

const rt::WindowTableRegistration tables{{"BrowseWebPages2", &browseTable},
                                         {"UpdateWebPages", &formTable}};

const ProcedureRegistration procedures{{"BrowseWebPages2", kSmallStack, &BrowseWebPages2}};

}  // namespace

void BrowseWebPages2() {
  QuickViewBrowse w;
  w.Run();
}

void UpdateWebPages() {
  QuickViewForm w;
  w.Run();
}

}  // namespace quickview
