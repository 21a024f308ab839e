// Every window table of the program builds; a misspelt name fails naming itself; a table
// written for a later window (the page reader's page form with its five detail lists)
// runs on the kit as it is.
#include <QAbstractItemView>
#include <stdexcept>

#include "DomainsTestFixture.h"
#include "common/System.h"

namespace domaintest {
namespace {

using K = rt::ControlKind;
using B = rt::ButtonRole;

// The page reader's page form: five tabs of detail lists, each limited to the page shown.
// It goes to the page reader's folder once that exists.
enum PageForm : int {
  pSheet = 1,
  pMetaList = 61,
  pLinksList = 71,
  pLinksInsert = 72,
  pLinksChange = 73,
  pFormsList = 81,
  pImagesList = 91,
  pScriptsList = 101,
  pScriptsDelete = 104,
  pOk = 120,
  pCancel = 121,
};

std::vector<std::pair<int, rt::Request>>& childCalls() {
  static std::vector<std::pair<int, rt::Request>> calls;
  return calls;
}

template <int N>
void detailForm() {
  childCalls().emplace_back(N, rt::takeCallRequest());
  rt::setCallResponse(rt::RequestCancelled);
}

// A tab holding one detail list and its three buttons, which run child `child`.
void addDetailTab(std::vector<rt::ControlRow>& c, std::vector<rt::ButtonRow>& b, int tab,
                  const char* text, std::size_t list) {
  c.push_back({tab, K::Tab, text, pSheet});
  c.push_back({tab + 1, K::List, "", tab});
  c.push_back({tab + 2, K::Button, "&Insert", tab});
  c.push_back({tab + 3, K::Button, "&Change", tab});
  c.push_back({tab + 4, K::Button, "&Delete", tab});
  b.push_back({tab + 2, B::Insert, "", nullptr, list});
  b.push_back({tab + 3, B::Change, "", nullptr, list});
  b.push_back({tab + 4, B::Delete, "", nullptr, list});
}

rt::ListTable detailList(int control, rt::KeyedFile& file, const char* format,
                         std::vector<const char*> fields, const char* key, int child,
                         const char* locator = nullptr) {
  return {.control = control,
          .file = &file,
          .format = format,
          .fields = std::move(fields),
          .orders = {{.key = key, .locatorField = locator, .range = {"WEB:PAGEPATH"}}},
          .update = child};
}

void UpdateWebPagesProcedure();

const rt::WindowTable& updateWebPages() {
  static const rt::WindowTable t = [] {
    std::vector<rt::ControlRow> c = {
        {pSheet, K::Sheet},
        {2, K::Tab, "General", pSheet},
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
        {30, K::Tab, "General (cont.)", pSheet},
        {31, K::Prompt, "File Size:", 30},
        {32, K::Entry, "", 30, "WEB:FILESIZE", "@n-14"},
        {43, K::Prompt, "Html Page Title:", 30},
        {44, K::Entry, "", 30, "WEB:HTMLPAGETITLE", "@s80",
         "Page title comes from HTML Page reading."},
        {45, K::Prompt, "Page Read Date:", 30},
        {46, K::Entry, "", 30, "WEB:PAGEREADDATE", "@s20"},
        {50, K::Tab, "Notes", pSheet},
        {51, K::Prompt, "Notes:", 50},
        {52, K::Text, "", 50, "WEB:Notes"},
    };
    static const char* const kLinks[] = {"WEB:LINKTO1", "WEB:LINKTO2", "WEB:LINKTO3", "WEB:LINKTO4",
                                         "WEB:LINKTO5"};
    for (int i = 0; i < 5; ++i) {
      c.push_back({33 + 2 * i, K::Prompt, "Link To:", 30});
      c.push_back(
          {34 + 2 * i, K::Entry, "", 30, kLinks[i], "@s80", "URL link to this page (from where?)"});
    }
    std::vector<rt::ButtonRow> b = {{pOk, B::Ok}, {pCancel, B::Cancel}, {122, B::Help}};
    addDetailTab(c, b, 60, "MetaTags", 0);
    addDetailTab(c, b, 70, "Links", 1);
    addDetailTab(c, b, 80, "Forms", 2);
    addDetailTab(c, b, 90, "Images", 3);
    addDetailTab(c, b, 100, "Scripts", 4);
    c.push_back({pOk, K::Button, "OK"});
    c.push_back({pCancel, K::Button, "Cancel"});
    c.push_back({122, K::Button, "Help"});
    return rt::WindowTable{
        .context = &SystemTables(),
        .procedure = "UpdateWebPages",
        .title = "Update the Web Pages File (Use Tarnwick for better access)",
        .controls = std::move(c),
        .buttons = std::move(b),
        .lists = {detailList(pMetaList, WPMeta,
                             "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Meta "
                             "Contents~@s200@80L(2)|M~Meta Name~@s20@",
                             {"WPM:DOMAINNAME", "WPM:PAGENAME", "WPM:METACONTENTS", "WPM:METANAME"},
                             "WPM:PagePath", 1),
                  detailList(
                      pLinksList, WPLinks,
                      "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Web Page "
                      "Link~@s200@40R(2)|M~Line Number~@P####PB@",
                      {"WPL:DOMAINNAME", "WPL:PAGENAME", "WPL:WEBPAGELINK", "WPL:LINENUMBER"},
                      "WPL:PathName", 2),
                  detailList(pFormsList, WPForm,
                             "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Form Line "
                             "1~@s200@80L(2)|M~ 2~@s200@80L(2)|M~ 3~@s200@80L(2)|M~ 4~@s200@",
                             {"WPF:DOMAINNAME", "WPF:PAGE", "WPF:FORMLINE1", "WPF:FORMLINE2",
                              "WPF:FORMLINE3", "WPF:FORMLINE4"},
                             "WPF:PageName", 3),
                  detailList(pImagesList, WPIMG,
                             "80L(2)|M~Domain Name~@s50@80L(2)|M~Page~@s20@80L(2)|M~Web Page "
                             "IMG~@s200@40R(2)|M~Line Number~@n-7@40L(2)|M~Height~@s20@40L(2)|M~"
                             "Width~@s20@80L(2)|M~imagepath~@s80@",
                             {"WPI:DOMAINNAME", "WPI:PAGE", "WPI:WEBPAGEIMG", "WPI:LINENUMBER",
                              "WPI:HEIGHT", "WPI:WIDTH", "WPI:IMAGEPATH"},
                             "WPI:PageName", 4, "WPI:WEBPAGEIMG"),
                  detailList(
                      pScriptsList, WPScripts,
                      "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Script "
                      "Line 1~@s200@80L(2)|M~Script Line 1~@s200@80L(2)|M~Script Line "
                      "1~@s200@80L(2)|M~Script Line 1~@s200@80L(2)|M~Script Line 1~@s200@",
                      {"WPS:DOMAINNAME", "WPS:PAGENAME", "WPS:SCRIPTLINE1", "WPS:SCRIPTLINE2",
                       "WPS:SCRIPTLINE3", "WPS:SCRIPTLINE4", "WPS:SCRIPTLINE5"},
                      "WPS:PageNam", 5)},
        .children = {{1, &detailForm<1>},
                     {2, &detailForm<2>},
                     {3, &detailForm<3>},
                     {4, &detailForm<4>},
                     {5, &detailForm<5>}},
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

// The page reader's page browse: the one tab shows the pages of the domain just read.
const rt::WindowTable& browseWebPages() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "BrowseWebPages",
      .title = "Browse the Web Pages File",
      .controls = {{1, K::List},
                   {2, K::Button, "&Insert"},
                   {3, K::Button, "&Change"},
                   {4, K::Button, "&Delete"},
                   {5, K::Sheet},
                   {6, K::Tab, "Pages Read In", 5},
                   {7, K::Prompt,
                    "Pages shown are for domain just read in. Use Tarnwick for general work.", 6},
                   {8, K::Button, "Close"},
                   {9, K::Button, "Help"}},
      .buttons = {{2, B::Insert}, {3, B::Change}, {4, B::Delete}, {8, B::Close}, {9, B::Help}},
      .lists = {{.control = 1,
                 .file = &WebPages,
                 .format = "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@12C(2)|M~Use "
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
                 .update = 1}},
      .children = {{1, &UpdateWebPagesProcedure}},
      .relations = {&WebPagesRelations},
  };
  return t;
}

const rt::WindowTableRegistration tables{{"UpdateWebPages", &updateWebPages},
                                         {"BrowseWebPages", &browseWebPages}};

void UpdateWebPagesProcedure() {
  rt::TableForm w(updateWebPages());
  w.Run();
}

void BrowseWebPages() {
  rt::RunBrowse(browseWebPages());
}

// The same form refusing inserts and deletes, with controls hidden and unavailable at open.
const rt::WindowTable& restrictedPages() {
  static const rt::WindowTable t = [] {
    rt::WindowTable r = updateWebPages();
    r.hidden = {9};
    r.disabled = {pLinksInsert};
    r.refused = {.insert = true, .remove = true};
    return r;
  }();
  return t;
}

void RestrictedPages() {
  rt::TableForm w(restrictedPages());
  w.Run();
}

std::string trimmedCell(rt::TestDriver& d, rt::Window* w, int list, int row, int column) {
  std::string s = d.cell(w, list, row, column);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

TEST(WindowTables, EveryRegisteredTableBuilds) {
  std::vector<std::string> names;
  for (const rt::RegisteredTable& r : rt::windowTables()) {
    names.emplace_back(r.name);
    EXPECT_NO_THROW(rt::checkTable(r.table())) << r.name;
  }
  for (const char* landed :
       {"BrowseDomains", "UpdateDomains", "notice", "BrowseRegistrars", "UpdateRegistrars"})
    EXPECT_NE(std::find(names.begin(), names.end(), landed), names.end()) << landed;
}

// A small browse and form over the domains; each case spoils one name.
TEST(WindowTables, AMisspeltNameFailsNamingIt) {
  const rt::WindowTable good{
      .context = &SystemTables(),
      .procedure = "Probe",
      .title = "Probe",
      .controls = {{1, K::List},
                   {2, K::Entry, "", 0, "DOM:DOMAINNAME"},
                   {3, K::Button, "Mail"},
                   {4, K::DropList}},
      .buttons = {{3, B::Shell, "mailto:", "DOM:CONTACTEMAIL"}},
      .lists = {{.control = 1,
                 .file = &Domains,
                 .format = "80L(2)|M~Name~@s50@",
                 .fields = {"DOM:DOMAINNAME"},
                 .orders = {{.key = "DOM:name",
                             .appended = "dom:renewaldate",
                             .locatorField = "DOM:DOMAINNAME",
                             .filter = "dom:feepaid > 0",
                             .range = {"REG:COMPANYNAME"}}}}},
      .manager = &DomainsManager,
      .dropLists = {{4, &Registrars, "REG:COMPANYNAME", "DOM:REGISTRAR"}},
      .placeholderField = "DOM:DOMAINNAME",
  };
  ASSERT_NO_THROW(rt::checkTable(good));
  struct Case {
    const char* bad;
    std::function<void(rt::WindowTable&)> spoil;
  };
  const Case cases[] = {
      {"DOM:DOMIANNAME", [](rt::WindowTable& t) { t.controls[1].field = "DOM:DOMIANNAME"; }},
      {"XYZ:NAME", [](rt::WindowTable& t) { t.controls[1].field = "XYZ:NAME"; }},
      {"DOM:NAMEE", [](rt::WindowTable& t) { t.lists[0].fields[0] = "DOM:NAMEE"; }},
      {"DOM:nmae", [](rt::WindowTable& t) { t.lists[0].orders[0].key = "DOM:nmae"; }},
      {"dom:renewal", [](rt::WindowTable& t) { t.lists[0].orders[0].appended = "dom:renewal"; }},
      {"DOM:DOMAIN", [](rt::WindowTable& t) { t.lists[0].orders[0].locatorField = "DOM:DOMAIN"; }},
      {"dom:feepaidd",
       [](rt::WindowTable& t) { t.lists[0].orders[0].filter = "dom:feepaidd > 0"; }},
      {"REG:COMPANY", [](rt::WindowTable& t) { t.lists[0].orders[0].range[0] = "REG:COMPANY"; }},
      {"DOM:CONTACTMAIL", [](rt::WindowTable& t) { t.buttons[0].field = "DOM:CONTACTMAIL"; }},
      {"DOM:REGISTRA", [](rt::WindowTable& t) { t.dropLists[0].targetField = "DOM:REGISTRA"; }},
      {"REG:NAME", [](rt::WindowTable& t) { t.dropLists[0].sourceField = "REG:NAME"; }},
      {"DOM:NAME", [](rt::WindowTable& t) { t.placeholderField = "DOM:NAME"; }},
      {"99", [](rt::WindowTable& t) { t.buttons[0].control = 99; }},
      {"98", [](rt::WindowTable& t) { t.hidden = {98}; }},
  };
  for (const Case& c : cases) {
    rt::WindowTable t = good;
    c.spoil(t);
    try {
      rt::checkTable(t);
      ADD_FAILURE() << c.bad << " was taken";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.bad), std::string::npos) << e.what();
    }
  }
}

class PageFormTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    childCalls().clear();
    for (const char* path : {"/site/a.htm", "/site/b.htm"}) {
      const std::string p = path;
      addRecords<WebPagesRecord>(WebPagesDesc(), {[&](WebPagesRecord& r) {
                                   r.DOMAINNAME = "site.com";
                                   r.PAGENAME = p.substr(6);
                                   r.PAGEPATH = p;
                                 }});
      // Page a gets one record of each kind and two links; page b one of each.
      const int links = p == "/site/a.htm" ? 2 : 1;
      addRecords<WPMetaRecord>(WPMetaDesc(), {[&](WPMetaRecord& r) {
                                 r.WEBPAGEPATH = p;
                                 r.METANAME = "meta " + p;
                               }});
      for (int i = 1; i <= links; ++i)
        addRecords<WPLinksRecord>(WPLinksDesc(), {[&](WPLinksRecord& r) {
                                    r.WEBPAGEPATHNAME = p;
                                    r.WEBPAGELINK = "link " + std::to_string(i) + " " + p;
                                  }});
      addRecords<WPFormRecord>(WPFormDesc(), {[&](WPFormRecord& r) {
                                 r.WEBPAGEPATHNAME = p;
                                 r.FORMLINE1 = "form " + p;
                               }});
      addRecords<WPIMGRecord>(WPIMGDesc(), {[&](WPIMGRecord& r) {
                                r.WEBPAGEPATHNAME = p;
                                r.WEBPAGEIMG = "img " + p;
                              }});
      addRecords<WPScriptsRecord>(WPScriptsDesc(), {[&](WPScriptsRecord& r) {
                                    r.WEBPAGEPATHNAME = p;
                                    r.SCRIPTLINE1 = "script " + p;
                                  }});
    }
  }

  rt::Window* changePage(std::string_view path, void (*form)() = &UpdateWebPagesProcedure) {
    holding = WebPagesRelations->OpenFiles() == rt::Status::Ok;
    WEB.PAGEPATH = path;
    EXPECT_TRUE(WebPages.get(WEB_Path)) << path;
    return open(form, "UpdateWebPages", rt::Request::Change);
  }
  void TearDown() override {
    if (holding) WebPagesRelations->CloseFiles();
    WindowsTest::TearDown();
  }
  bool holding = false;
};

TEST_F(PageFormTest, EachDetailListShowsThePagesOwnRecords) {
  rt::Window* w = changePage("/site/a.htm");
  ASSERT_TRUE(w);
  EXPECT_EQ(w->title(), "Changing a WebPages Record");
  struct Expect {
    int list;
    int column;
    std::vector<std::string> cells;
  };
  const Expect expected[] = {
      {pMetaList, 3, {"meta /site/a.htm"}},
      {pLinksList, 2, {"link 1 /site/a.htm", "link 2 /site/a.htm"}},
      {pFormsList, 2, {"form /site/a.htm"}},
      {pImagesList, 2, {"img /site/a.htm"}},
      {pScriptsList, 2, {"script /site/a.htm"}},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.list);
    ASSERT_EQ(driver.rowCount(w, e.list), static_cast<int>(e.cells.size()));
    for (std::size_t r = 0; r < e.cells.size(); ++r)
      EXPECT_EQ(trimmedCell(driver, w, e.list, static_cast<int>(r) + 1, e.column), e.cells[r]);
  }
}

// No tab chooses an order: the domain's filter and the page-name order apply.
TEST_F(PageFormTest, PageBrowseShowsTheDomainJustReadByPageName) {
  addRecords<WebPagesRecord>(WebPagesDesc(), {[](WebPagesRecord& r) {
                                                r.DOMAINNAME = "other.com";
                                                r.PAGENAME = "0.htm";
                                                r.PAGEPATH = "/other/0.htm";
                                              },
                                              [](WebPagesRecord& r) {
                                                r.DOMAINNAME = "site.com";
                                                r.PAGENAME = "0.htm";
                                                r.PAGEPATH = "/site/z.htm";
                                              }});
  domainname = "site.com";
  rt::Window* w = open(&BrowseWebPages, "BrowseWebPages");
  ASSERT_TRUE(w);
  const std::vector<std::string> pages = {"0.htm", "a.htm", "b.htm"};
  ASSERT_EQ(driver.rowCount(w, 1), 3);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(trimmedCell(driver, w, 1, r + 1, 1), pages[static_cast<std::size_t>(r)]);
    EXPECT_EQ(trimmedCell(driver, w, 1, r + 1, 0), "site.com");
  }
  domainname.clear();
}

// Two tabs, each choosing its order of the one list.
const rt::WindowTable& pagesByTab() {
  static const rt::WindowTable t{
      .context = &SystemTables(),
      .procedure = "PagesByTab",
      .title = "PagesByTab",
      .controls = {{1, K::List},
                   {2, K::Sheet},
                   {3, K::Tab, "By Name", 2},
                   {4, K::Tab, "By Path", 2}},
      .lists = {{.control = 1,
                 .file = &WebPages,
                 .format = "80L(2)|M~Page Name~@s20@",
                 .fields = {"WEB:PAGENAME"},
                 .orders = {{.key = "WEB:Pages", .tab = 3}, {.key = "WEB:Path", .tab = 4}}}},
      .relations = {&WebPagesRelations},
  };
  return t;
}

TEST_F(PageFormTest, TheShowingTabChoosesTheListsOrder) {
  addRecords<WebPagesRecord>(WebPagesDesc(), {[](WebPagesRecord& r) {
                               r.PAGENAME = "0.htm";
                               r.PAGEPATH = "/site/z.htm";
                             }});
  rt::Window* w = open([] { rt::RunBrowse(pagesByTab()); }, "PagesByTab");
  ASSERT_TRUE(w);
  const std::pair<int, std::vector<std::string>> tabs[] = {{2, {"a.htm", "b.htm", "0.htm"}},
                                                           {1, {"0.htm", "a.htm", "b.htm"}}};
  for (const auto& [tab, names] : tabs) {
    ASSERT_TRUE(driver.selectTab(w, 2, tab));
    driver.pump();
    ASSERT_EQ(driver.rowCount(w, 1), 3);
    for (int r = 0; r < 3; ++r)
      EXPECT_EQ(trimmedCell(driver, w, 1, r + 1, 0), names[static_cast<std::size_t>(r)]) << tab;
  }
}

// The same list in select mode with a Select button.
const rt::WindowTable& choosePage() {
  static const rt::WindowTable t = [] {
    rt::WindowTable c = pagesByTab();
    c.controls.push_back({5, K::Button, "&Select"});
    c.buttons = {{5, B::Select}};
    c.lists[0].selectMode = true;
    return c;
  }();
  return t;
}

TEST_F(PageFormTest, SelectHandsTheHighlightedPageBack) {
  rt::Window* w = open([] { rt::RunBrowse(choosePage()); }, "PagesByTab");
  ASSERT_TRUE(w);
  QAbstractItemView* v = w->listView(1);
  ASSERT_TRUE(v);
  v->setCurrentIndex(v->model()->index(1, 0));
  driver.pump();
  ASSERT_TRUE(driver.press(w, 5));
  ASSERT_TRUE(driver.waitForClose("PagesByTab"));
  EXPECT_EQ(WEB.PAGENAME.str(), "b.htm");
}

TEST_F(PageFormTest, DetailButtonsRunTheirListsChild) {
  rt::Window* w = changePage("/site/b.htm");
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.selectTab(w, pSheet, 5));
  ASSERT_TRUE(driver.press(w, pLinksInsert));
  driver.pump();
  ASSERT_TRUE(driver.press(w, pLinksChange));
  driver.pump();
  ASSERT_TRUE(driver.selectTab(w, pSheet, 8));
  ASSERT_TRUE(driver.press(w, pScriptsDelete));
  driver.pump();
  EXPECT_EQ(childCalls(), (std::vector<std::pair<int, rt::Request>>{
                              {2, rt::Request::Insert},
                              {2, rt::Request::Change},
                              {5, rt::Request::Delete},
                          }));
}

TEST_F(PageFormTest, RefusedRequestsSayWhyAndTheFormCloses) {
  const std::pair<rt::Request, const char*> cases[] = {
      {rt::Request::Insert, "This form cannot be used to insert a record"},
      {rt::Request::Delete, "This form cannot be used to delete a record"},
  };
  for (const auto& [request, text] : cases) {
    SCOPED_TRACE(text);
    holding = WebPagesRelations->OpenFiles() == rt::Status::Ok;
    WEB.PAGEPATH = "/site/a.htm";
    ASSERT_TRUE(WebPages.get(WEB_Path));
    rt::setCallRequest(request);
    const int thread = driver.start(&RestrictedPages, 50000, "UpdateWebPages");
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(driver.messageCaption(box), "Invalid Request");
    EXPECT_EQ(driver.messageText(box), text);
    EXPECT_EQ(driver.find("UpdateWebPages"), nullptr);
    ASSERT_TRUE(driver.answer(rt::button::Ok));
    EXPECT_TRUE(driver.waitUntil([thread] { return !rt::threadRunning(thread); }));
    WebPagesRelations->CloseFiles();
    holding = false;
  }
  EXPECT_EQ(readRecords<WebPagesRecord>(WebPagesDesc()).size(), 2u);
  EXPECT_EQ(readRecords<WPLinksRecord>(WPLinksDesc()).size(), 3u);
}

TEST_F(PageFormTest, DeclaredControlStatesHoldAtOpen) {
  rt::Window* w = changePage("/site/a.htm", &RestrictedPages);
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->hidden(9));
  EXPECT_FALSE(w->enabled(pLinksInsert));
  EXPECT_TRUE(w->enabled(pLinksChange));
  EXPECT_FALSE(w->hidden(11));
}

}  // namespace
}  // namespace domaintest
