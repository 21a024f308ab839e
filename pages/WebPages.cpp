#include "pages/WebPages.h"

#include <cstring>

#include "common/Procedures.h"
#include "common/System.h"
#include "dictionary/Dictionary.h"
#include "pages/ParseHtmlFile.h"
#include "runtime/proc/Programs.h"
#include "runtime/text/Paths.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/MessageBox.h"
#include "runtime/ui/Window.h"

namespace pages {

namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

// ---- the browse ----

enum : int {
  bList = 1,
  bSheet = 2,
  bByDomain = 3,
  bByPage = 4,
  bSelect = 5,
  bInsert = 6,
  bChange = 7,
  bDelete = 8,
  bPrint = 9,
  bClose = 10,
  bHelp = 11,
};

const rt::WindowTable& browseTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "BrowseWebPages",
      .title = "Browse the Web Pages File",
      .statusText = "Browse Web Pages File",
      .controls = {{bList, K::List, "", 0, nullptr, "", kResizeHint, "", "Browsing Records"},
                   {bSheet, K::Sheet},
                   {bByDomain, K::Tab, "By DomainName", bSheet},
                   {bByPage, K::Tab, "By Page Name", bSheet},
                   {bSelect, K::Button, "&Select"},
                   InsertRow(bInsert),
                   ChangeRow(bChange),
                   DeleteRow(bDelete),
                   {bPrint, K::Button, "&Print Web Page Listing"},
                   CloseRow(bClose),
                   {bHelp, K::Button, "Help"}},
      .buttons = {{bSelect, B::Select},
                  {bInsert, B::Insert},
                  {bChange, B::Change},
                  {bDelete, B::Delete},
                  {bPrint, B::Print},
                  {bClose, B::Close},
                  {bHelp, B::Help}},
      .lists = {{
          .control = bList,
          .file = &WebPages,
          // "Update Date" is the text the reader writes, not a date number: shown as it is.
          .format = "80L(2)|M~Domain Name~@s30@80L(2)|M~Page Name~@s20@36C(2)|M~Use "
                    "Now~C(0)@s1@80L(2)|M~Page Path~@s40@80L(2)|M~Local Path~@s40@80L(2)|M~"
                    "Author~@s30@80L(2)|M~Purpose~@s40@80R(2)|M~Implement "
                    "Date~C(0)@d17@80R(2)|M~Update Date~C(0)@s20@",
          .fields = {"WEB:DOMAINNAME", "WEB:PAGENAME", "WEB:USENOW", "WEB:PAGEPATH",
                     "WEB:LOCALPATH", "WEB:AUTHOR", "WEB:PURPOSE", "WEB:IMPLEMENTDATE",
                     "WEB:FILEDATETIME"},
          .orders = {{.key = "WEB:NAMES",
                      .tab = bByDomain,
                      .locatorField = "WEB:PAGENAME",
                      .range = {"DOM:DOMAINNAME"}},
                     {.key = "WEB:Pages", .tab = bByPage, .locatorField = "WEB:PAGENAME"}},
          .update = 1,
          .print = 2,
          .layouts = rt::LayoutKeeping::F9Switch,
      }},
      .children = {{1, &updatewebpages1}, {2, nullptr, "listwebpages"}},
      .relations = {&WebPagesRelations, &DomainsRelations},
      .hidden = {bSelect},
  };
  return t;
}

// The select button shows only when the browse is asked to pick a page.
class PageBrowse : public rt::TableBrowse {
 public:
  PageBrowse() : TableBrowse(browseTable()) {}

  rt::Flow Setup() override {
    const rt::Flow f = TableBrowse::Setup();
    if (f != rt::Flow::Fatal && request() == rt::Request::Select)
      window()->setHidden(bSelect, false);
    return f;
  }
};

// ---- the form ----

enum : int {
  fSheet = 1,
  fGeneral = 2,
  fUseNow = 3,
  fDomain = 5,
  fLocalPath = 7,
  fLookup = 8,
  fPagePath = 10,
  fWeb = 11,
  fPageLink = 13,
  fPageName = 15,
  fLinks = 30,
  fNotes = 41,
  fCounter = 52,
  fAutoRead = 53,
  fViewLinks = 54,
  fViewImages = 55,
  fViewMeta = 56,
  fViewScripts = 57,
  fViewForms = 58,
  fEdit = 59,
  fBrowserView = 60,
  fTextEdit = 61,
  fHelp = 62,
  fOk = 63,
  fCancel = 64,
};

// The view buttons: each opens its detail browse when the page's reading found that kind.
struct ViewButton {
  int control;
  const char* text;
  const char* procedure;
  rt::Str<1> WebPagesRecord::*flag;
};
const ViewButton kViews[] = {
    {fViewLinks, "View HREF Links", "BrowseLinks", &WebPagesRecord::DATA1},
    {fViewImages, "View  Image References", "BrowseImages", &WebPagesRecord::DATA2},
    {fViewMeta, "View Meta Tags", "BrowseMeta", &WebPagesRecord::DATA3},
    {fViewScripts, "View Scripts", "browsescripts", &WebPagesRecord::DATA4},
    {fViewForms, "View Forms", "browseforms", &WebPagesRecord::DATA5},
};

constexpr char kViewTip[] =
    "Button is active only if Auto Read Web Page has\nfound this particular type of data in "
    "HTML page.";
constexpr char kLinkTip[] = "URL link to this page (from where?)";
constexpr char kTitle[] = "Update the WebPages File";

std::vector<rt::ControlRow> formControls() {
  std::vector<rt::ControlRow> c = {
      {fSheet, K::Sheet},
      {fGeneral, K::Tab, "General", fSheet},
      {fUseNow, K::Check, "Currently Use", fGeneral, "WEB:USENOW", "", "Is this page in use now?"},
      {4, K::Prompt, "Domain Name:", fGeneral},
      {fDomain, K::DropList, "", fGeneral, nullptr, "", "This is the actual domain name."},
      {6, K::Prompt, "Local Path:", fGeneral},
      {fLocalPath, K::Entry, "", fGeneral, "WEB:LOCALPATH", "@s90",
       "The path on THIS computer of the page.  Include the name of the page in the path."},
      {fLookup, K::Button, " File Lookup", fGeneral},
      {9, K::Prompt, "Page Path:", fGeneral},
      {fPagePath, K::Entry, "", fGeneral, "WEB:PAGEPATH", "@s90",
       "The complete path of the page as listed under the domain. Include the page name in the "
       "path."},
      {fWeb, K::Button, "Web", fGeneral, nullptr, "", "Click to open browser with URL shown."},
      // An empty prompt puts the link under the field it copies.
      {12, K::Prompt, "", fGeneral},
      {fPageLink, K::Entry, "", fGeneral, "WEB:PAGEPATH", "@s90",
       "Click to open browser with URL shown."},
      {14, K::Prompt, "Page Name:", fGeneral},
      {fPageName, K::Entry, "", fGeneral, "WEB:PAGENAME", "@s40",
       "The HTML name of the page. Include any subdirectories if needed."},
      {16, K::Prompt, "Author:", fGeneral},
      {17, K::Entry, "", fGeneral, "WEB:AUTHOR", "@s30", "Who designed the page."},
      {18, K::Prompt, "Main Purpose:", fGeneral},
      {19, K::Entry, "", fGeneral, "WEB:PURPOSE", "@s40", "The main purpose of the page."},
      {20, K::Prompt, "Implement Date:", fGeneral},
      {21, K::Entry, "", fGeneral, "WEB:IMPLEMENTDATE", "@d17",
       "The date the page will become live on the site."},
      {22, K::Prompt, "File Date & Time:", fGeneral},
      {23, K::Entry, "", fGeneral, "WEB:FILEDATETIME", "@s20",
       "The last update date of this page."},
      {24, K::Prompt, "File Size:", fGeneral},
      {25, K::Entry, "", fGeneral, "WEB:FILESIZE", "@N14B", "The size in bytes of the html file."},
      {26, K::Prompt, "Html Page Title:", fGeneral},
      {27, K::Entry, "", fGeneral, "WEB:HTMLPAGETITLE", "@s80",
       "Page title comes from HTML Page reading.\nIf there is a title on the page, it will be "
       "entered in this\nfield for you."},
      {fLinks, K::Tab, "Links", fSheet},
  };
  static const char* const kLinkFields[] = {"WEB:LINKTO1", "WEB:LINKTO2", "WEB:LINKTO3",
                                            "WEB:LINKTO4", "WEB:LINKTO5"};
  static const char* const kLinkPrompts[] = {
      "1. Link:", "2. Link:", "3. Link:", "4. Link:", "5. Link:"};
  for (int i = 0; i < 5; ++i) {
    c.push_back({fLinks + 1 + 2 * i, K::Prompt, kLinkPrompts[i], fLinks});
    c.push_back({fLinks + 2 + 2 * i, K::Entry, "", fLinks, kLinkFields[i], "@s30", kLinkTip});
  }
  c.push_back({fNotes, K::Tab, "Notes", fSheet});
  c.push_back({42, K::Prompt, "Notes:", fNotes});
  c.push_back({43, K::Text, "", fNotes, "WEB:Notes", "", "Brief notes about this page."});

  c.push_back({50, K::Prompt, "This page last read in:"});
  c.push_back({51, K::Entry, "", 0, "WEB:PAGEREADDATE", "@s20"});
  c.push_back({fAutoRead, K::Button, "Auto Read Web Page", 0, nullptr, "",
               "This will read the web page html code and\nparse it into the respective "
               "databases."});
  for (const ViewButton& v : kViews)
    c.push_back({v.control, K::Button, v.text, 0, nullptr, "", kViewTip});
  // The counter of the reading, between the buttons of the page's data and the others.
  c.push_back({fCounter, K::Entry, "", 0, nullptr, "@s20"});
  c.push_back({fEdit, K::Button, "Edit Web Page"});
  c.push_back({fBrowserView, K::Button, "Browser View of  Local Page"});
  c.push_back({fTextEdit, K::Button, "Text Edit HTML Source", 0, nullptr, "",
               "Uses your text editor to view html source."});
  c.push_back({fHelp, K::Button, "Help"});
  c.push_back({fOk, K::Button, "OK"});
  c.push_back({fCancel, K::Button, "Cancel"});
  return c;
}

std::vector<rt::ButtonRow> formButtons() {
  std::vector<rt::ButtonRow> b = {{fOk, B::Ok},
                                  {fCancel, B::Cancel},
                                  {fHelp, B::Help},
                                  {fWeb, B::Shell, "", "WEB:PAGEPATH"},
                                  {fPageLink, B::Shell, "", "WEB:PAGEPATH"}};
  for (const ViewButton& v : kViews) b.push_back({v.control, B::Call, v.procedure});
  return b;
}

const rt::WindowTable& formTable() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "updatewebpages1",
      .title = kTitle,
      .controls = formControls(),
      .buttons = formButtons(),
      .relations = {&WebPagesRelations, &DomainsRelations, &EditorRelations},
      .disabled = {fViewLinks, fViewImages, fViewMeta, fViewScripts, fViewForms},
      .manager = &WebPagesManager,
      .actionTexts = {.insert = "Record Will Be Added",
                      .change = "Record Will Be Changed",
                      .remove = "",
                      .view = ""},
      .dropLists = {{fDomain, &Domains, "DOM:DOMAINNAME", "DOM:DOMAINNAME"}},
      .placeholderField = "WEB:PAGENAME",
      .formKind = rt::WindowKind::MdiChild,
  };
  return t;
}

const rt::WindowTableRegistration tables{{"BrowseWebPages", &browseTable},
                                         {"updatewebpages1", &formTable}};

const ProcedureRegistration procedures{{"BrowseWebPages", kSmallStack, &BrowseWebPages}};

// The first "\" of a typed page path is a "/".
template <std::size_t N>
void firstBackslashToSlash(rt::Str<N>& path) {
  if (char* p = static_cast<char*>(std::memchr(path.data, '\\', path.clip().size()))) *p = '/';
}

class PageForm : public rt::TableForm {
 public:
  PageForm() : TableForm(formTable()) {
    bind(fCounter, counttext);
    // A path cut to its field names another file, or none.
    bind(fLocalPath, rt::Binding(WEB.LOCALPATH).refusingLonger());
    bind(fPagePath, rt::Binding(WEB.PAGEPATH).refusingLonger());
    for (rt::ControlDesc& c : desc().controls) {
      if (c.number == fPageLink) c.link = c.readOnly = true;
      if (c.number == fCounter) c.readOnly = true;
    }
  }

  rt::Flow Setup() override {
    browseDomain_ = DOM;
    const rt::Flow f = TableForm::Setup();
    if (f == rt::Flow::Fatal) return f;
    window()->setStatusText(ActionText());
    return f;
  }

  rt::Flow Teardown() override {
    const rt::Flow f = TableForm::Teardown();
    // The browse goes on with the domain it was opened for.
    DOM = browseDomain_;
    return f;
  }

  rt::Flow OnWindowEvent() override {
    const rt::Flow f = TableForm::OnWindowEvent();
    if (eventKind() == rt::EventKind::OpenWindow) {
      takePageDomain();
      firstBackslashToSlash(WEB.PAGEPATH);
      window()->setTitle(std::string(kTitle) + (request() == rt::Request::Insert
                                                    ? std::string("  (New)")
                                                    : "  (" + WEB.PAGENAME.str() + ")"));
      RefreshItems();
    }
    if (eventKind() == rt::EventKind::OpenWindow || eventKind() == rt::EventKind::GainFocus)
      showViewButtons();
    return f;
  }

  rt::Flow OnSelected() override {
    if (control() == fLocalPath) {
      checkDomain();
      fromLocalPath();
    } else if (control() == fPagePath) {
      setPagePath(derivedPagePath());
    } else {
      return TableForm::OnSelected();
    }
    // Redrawn, the field is still taken whole by what is typed, as on entering it.
    if (window()->focusedControl() == control()) window()->selectControl(control());
    return TableForm::OnSelected();
  }

  rt::Flow OnAccepted() override {
    switch (control()) {
      case fDomain:
        chooseDomain();
        break;
      case fLocalPath:
        fromLocalPath();
        break;
      case fPagePath:
        firstBackslashToSlash(WEB.PAGEPATH);
        RefreshItems();
        break;
      case fPageName:
        fromPageName();
        break;
      case fLookup:
        UpdateItemValues();
        lookUpFiles();
        return rt::Flow::Cycle;
      case fAutoRead:
        UpdateItemValues();
        ParseHtmlFile();
        RefreshItems();
        // The reading has just set the page's flags.
        showViewButtons();
        return rt::Flow::Cycle;
      case fEdit:
        UpdateItemValues();
        editPage();
        return rt::Flow::Cycle;
      case fBrowserView:
        UpdateItemValues();
        rt::RUN("hh.exe", WEB.LOCALPATH.clip());
        return rt::Flow::Cycle;
      case fTextEdit:
        UpdateItemValues();
        htmlfilename = WEB.LOCALPATH;
        rt::RUN(txted.clip(), htmlfilename.clip());
        return rt::Flow::Cycle;
      default:
        break;
    }
    return TableForm::OnAccepted();
  }

 private:
  void showViewButtons() {
    for (const ViewButton& v : kViews)
      window()->setEnabled(v.control, (WEB.*v.flag) == "Y" && ProcedureAvailable(v.procedure));
  }

  void takeDomain() {
    WEB.DOMAINNAME = DOM.DOMAINNAME;
    WEB.LOCALDEFAULTDIRECTORY = DOM.DEFAULTLOCALDIR.clip();
  }

  // The derivations work with the page's own domain; a new page belongs to the browse's.
  void takePageDomain() {
    if (request() == rt::Request::Insert &&
        (WEB.DOMAINNAME.blank() ||
         rt::equalsNoCase(WEB.DOMAINNAME.clip(), DOM.DOMAINNAME.clip()))) {
      if (!DOM.DOMAINNAME.blank()) takeDomain();
      return;
    }
    if (WEB.DOMAINNAME.blank() || rt::equalsNoCase(WEB.DOMAINNAME.clip(), DOM.DOMAINNAME.clip()))
      return;
    DOM.DOMAINNAME = WEB.DOMAINNAME;
    if (!Domains.get(DOM_name)) DOM = browseDomain_;
  }

  void chooseDomain() {
    if (!Domains.get(DOM_name)) return;
    takeDomain();
    checkDomain();
    RefreshItems();
  }

  void checkDomain() {
    if (DOM.DEFAULTLOCALDIR.blank())
      rt::ShowMessageBox("The default local dir for this domain is blank. Please correct.",
                         "Domain Data Error");
    if (DOM.DEFAULTWEBPATH.blank())
      rt::ShowMessageBox("The default Web Path for this domain is blank. Please correct.",
                         "Domain Data Error");
  }

  std::string derivedPagePath() const {
    const std::string name = WEB.LOCALPATH.blank()
                                 ? WEB.PAGENAME.str()
                                 : PageNameOf(WEB.LOCALPATH.clip(), DOM.DEFAULTLOCALDIR.clip());
    return PagePathOf(DOM.DEFAULTWEBPATH.clip(), name);
  }

  void fromLocalPath() {
    if (WEB.LOCALPATH.blank()) return;
    WEB.PAGENAME = PageNameOf(WEB.LOCALPATH.clip(), DOM.DEFAULTLOCALDIR.clip());
    setPagePath(derivedPagePath());
  }

  // A page path made longer than its field is shown whole and refused, as a typed one is,
  // instead of being cut to an address of another page.
  void setPagePath(const std::string& path) {
    WEB.PAGEPATH = path;
    RefreshItems();
    if (path.size() <= WEB.PAGEPATH.width()) return;
    window()->setText(fPagePath, path);
    window()->refuse(fPagePath);
  }

  void fromPageName() {
    if (WEB.PAGENAME == "1") WEB.PAGENAME.clear();
    if (!DOM.DEFAULTLOCALDIR.blank() && !WEB.PAGENAME.blank() && WEB.LOCALPATH.blank())
      WEB.LOCALPATH = rt::joinPath(DOM.DEFAULTLOCALDIR.clip(), WEB.PAGENAME.clip());
    if (!WEB.DOMAINNAME.blank() && !WEB.PAGENAME.blank() && WEB.PAGEPATH.blank())
      setPagePath(PagePathOf(DOM.DEFAULTWEBPATH.clip(), WEB.PAGENAME.clip()));
    else
      RefreshItems();
  }

  void lookUpFiles() {
    if (WEB.PAGENAME == "1") {
      WEB.PAGENAME.clear();
      RefreshItems();
    }
    rt::FileDialogRequest ask;
    ask.title = "Local Web Pages";
    ask.masks = "htm,html,shtml,ssi Files|*.htm;*.html;*.shtml;*.ssi|ASP Files|*.asp";
    ask.directory = DOM.DEFAULTLOCALDIR.str();
    ask.multiple = true;
    const std::vector<std::string> files = rt::FileDialog(ask);
    if (files.empty()) return;
    // Of several files chosen, the last one is the page's.
    window()->setText(fLocalPath, files.back());
    if (!window()->updateValue(fLocalPath)) {
      window()->refuse(fLocalPath);
      return;
    }
    // Entering the field derives the names; when it has the focus already, nothing enters it.
    if (window()->focusedControl() == fLocalPath) {
      checkDomain();
      fromLocalPath();
    } else {
      window()->selectControl(fLocalPath);
    }
  }

  void editPage() {
    Editor.setRecordOrder();
    if (Editor.next()) html = EDI.MYEDITOR.clip();
    rt::RUN(html.clip(), WEB.LOCALPATH.clip());
  }

  DomainsBuffer browseDomain_{};
};

}  // namespace

std::string PageNameOf(std::string_view localPath, std::string_view localDir) {
  const std::string path = rt::normalizePath(localPath);
  std::string dir = rt::normalizePath(localDir);
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  if (!dir.empty() && path.size() > dir.size() + 1 && path[dir.size()] == '/' &&
      rt::startsWithNoCase(path, dir))
    return path.substr(dir.size() + 1);
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PagePathOf(std::string_view webPath, std::string_view pageName) {
  std::string_view web = rt::clipView(webPath.data(), webPath.size());
  if (web.ends_with('/')) web.remove_suffix(1);
  return std::string(web) + "/" + std::string(pageName);
}

void BrowseWebPages() {
  PageBrowse w;
  w.Run();
}

void updatewebpages1() {
  PageForm w;
  w.Run();
}

}  // namespace pages
