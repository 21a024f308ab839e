// The page reader's page browse, page form and detail forms over real files.
#include <QAbstractItemView>

#include "common/Procedures.h"
#include "common/System.h"
#include "reader/PageWindows.h"
#include "tests/support/DomainsTestFixture.h"

namespace readertest {
namespace {

using domaintest::addRecords;
using domaintest::readRecords;
using K = rt::ControlKind;
using B = rt::ButtonRole;
namespace pf = reader::pageform;

constexpr int kMetaList = pf::MetaTab + pf::List;
constexpr int kLinksList = pf::LinksTab + pf::List;
constexpr int kFormsList = pf::FormsTab + pf::List;
constexpr int kImagesList = pf::ImagesTab + pf::List;
constexpr int kScriptsList = pf::ScriptsTab + pf::List;

std::vector<std::pair<int, rt::Request>>& childCalls() {
  static std::vector<std::pair<int, rt::Request>> calls;
  return calls;
}

template <int N>
void recordedChild() {
  childCalls().emplace_back(N, rt::takeCallRequest());
  rt::setCallResponse(rt::RequestCancelled);
}

constexpr const char* kDetailForms[] = {"UpdateWPMeta", "UpdateWPLinks", "UpdateWPForm",
                                        "UpdateWPIMG", "UpdateWPScripts"};

// The same form refusing inserts and deletes, with controls hidden and unavailable at open.
const rt::WindowTable& restrictedPages() {
  static const rt::WindowTable t = [] {
    rt::WindowTable r = reader::UpdateWebPagesTable();
    r.hidden = {9};
    r.disabled = {pf::LinksTab + pf::Insert};
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

TEST(PageWindowTables, TheReadersTablesAreRegisteredAndBuild) {
  for (const char* name : {"BrowseWebPages", "UpdateWebPages", "UpdateWPMeta", "UpdateWPLinks",
                           "UpdateWPForm", "UpdateWPIMG", "UpdateWPScripts"}) {
    const auto& tables = rt::windowTables();
    auto it = std::find_if(tables.begin(), tables.end(), [name](const rt::RegisteredTable& r) {
      return r.name == std::string_view(name);
    });
    ASSERT_NE(it, tables.end()) << name;
    EXPECT_NO_THROW(rt::checkTable(it->table())) << name;
  }
}

class PageFormTest : public domaintest::WindowsTest {
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

  rt::Window* changePage(std::string_view path, void (*form)() = &reader::UpdateWebPages) {
    holding = WebPagesRelations->OpenFiles() == rt::Status::Ok;
    WEB.PAGEPATH = path;
    EXPECT_TRUE(WebPages.get(WEB_Path)) << path;
    return open(form, "UpdateWebPages", rt::Request::Change);
  }
  void TearDown() override {
    if (holding) WebPagesRelations->CloseFiles();
    WindowsTest::TearDown();
    for (std::size_t i = 0; i < std::size(kDetailForms); ++i)
      if (saved[i]) SetProcedure(kDetailForms[i], saved[i]);
    domainname.clear();
  }
  // The detail forms stand aside for recorders of their calls.
  void recordDetailForms() {
    const ProcedureEntry recorders[] = {&recordedChild<1>, &recordedChild<2>, &recordedChild<3>,
                                        &recordedChild<4>, &recordedChild<5>};
    for (std::size_t i = 0; i < std::size(kDetailForms); ++i)
      saved[i] = SetProcedure(kDetailForms[i], recorders[i]);
  }
  // The row the list's buttons act on, without opening it.
  void highlight(rt::Window* w, int list, int row) {
    QAbstractItemView* v = w->listView(list);
    ASSERT_TRUE(v);
    v->setCurrentIndex(v->model()->index(row - 1, 0));
    driver.pump();
  }
  bool holding = false;
  ProcedureEntry saved[std::size(kDetailForms)] = {};
};

TEST_F(PageFormTest, EachDetailListShowsThePagesOwnRecords) {
  rt::Window* w = changePage("/site/a.htm");
  ASSERT_TRUE(w);
  EXPECT_EQ(w->title(), "Changing a WebPages Record");
  struct Expect {
    int tab;  // position on the sheet
    int list;
    int column;
    std::vector<std::string> cells;
  };
  const Expect expected[] = {
      {4, kMetaList, 3, {"meta /site/a.htm"}},
      {5, kLinksList, 2, {"link 1 /site/a.htm", "link 2 /site/a.htm"}},
      {6, kFormsList, 2, {"form /site/a.htm"}},
      {7, kImagesList, 2, {"img /site/a.htm"}},
      {8, kScriptsList, 2, {"script /site/a.htm"}},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.list);
    ASSERT_TRUE(driver.selectTab(w, pf::Sheet, e.tab));
    ASSERT_EQ(driver.rowCount(w, e.list), static_cast<int>(e.cells.size()));
    for (std::size_t r = 0; r < e.cells.size(); ++r)
      EXPECT_EQ(trimmedCell(driver, w, e.list, static_cast<int>(r) + 1, e.column), e.cells[r]);
  }
}

// No tab chooses an order: the domain's filter and the page-name order apply.
TEST_F(PageFormTest, PageBrowseShowsTheDomainInDomainnameByPageName) {
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
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"site.com", {"0.htm", "a.htm", "b.htm"}},
      {"other.com", {"0.htm"}},
      {"nowhere.com", {}},
  };
  for (const auto& [domain, pages] : cases) {
    SCOPED_TRACE(domain);
    domainname = domain;
    rt::Window* w = open(&reader::BrowseWebPages, "BrowseWebPages");
    ASSERT_TRUE(w);
    ASSERT_EQ(driver.rowCount(w, 1), static_cast<int>(pages.size()));
    for (std::size_t r = 0; r < pages.size(); ++r) {
      EXPECT_EQ(trimmedCell(driver, w, 1, static_cast<int>(r) + 1, 1), pages[r]);
      EXPECT_EQ(trimmedCell(driver, w, 1, static_cast<int>(r) + 1, 0), domain);
    }
    ASSERT_TRUE(driver.press(w, reader::pagebrowse::Close));
    ASSERT_TRUE(driver.waitForClose("BrowseWebPages"));
  }
}

TEST_F(PageFormTest, DeletingAPageThroughTheBrowseDeletesItsDetails) {
  domainname = "site.com";
  rt::Window* w = open(&reader::BrowseWebPages, "BrowseWebPages");
  ASSERT_TRUE(w);
  ASSERT_EQ(trimmedCell(driver, w, 1, 1, 1), "a.htm");
  highlight(w, reader::pagebrowse::List, 1);
  ASSERT_TRUE(driver.press(w, reader::pagebrowse::Delete));
  ASSERT_TRUE(driver.waitUntil([&] { return driver.rowCount(w, 1) == 1; }));
  ASSERT_TRUE(driver.press(w, reader::pagebrowse::Close));
  ASSERT_TRUE(driver.waitForClose("BrowseWebPages"));
  const auto pages = readRecords<WebPagesRecord>(WebPagesDesc());
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].PAGEPATH.str(), "/site/b.htm");
  auto onlyPageB = [](const auto& records) {
    return std::all_of(records.begin(), records.end(),
                       [](const auto& r) { return r.WEBPAGEPATHNAME.str() == "/site/b.htm"; });
  };
  EXPECT_EQ(readRecords<WPMetaRecord>(WPMetaDesc()).size(), 1u);
  EXPECT_EQ(readRecords<WPMetaRecord>(WPMetaDesc())[0].WEBPAGEPATH.str(), "/site/b.htm");
  const auto links = readRecords<WPLinksRecord>(WPLinksDesc());
  EXPECT_EQ(links.size(), 1u);
  EXPECT_TRUE(onlyPageB(links));
  EXPECT_TRUE(onlyPageB(readRecords<WPFormRecord>(WPFormDesc())));
  EXPECT_TRUE(onlyPageB(readRecords<WPIMGRecord>(WPIMGDesc())));
  EXPECT_TRUE(onlyPageB(readRecords<WPScriptsRecord>(WPScriptsDesc())));
  EXPECT_EQ(readRecords<WPScriptsRecord>(WPScriptsDesc()).size(), 1u);
}

// Each list's buttons open its own detail form, captioned for the request, over the record
// chosen in the list.
TEST_F(PageFormTest, ListButtonsOpenTheirDetailForm) {
  struct Case {
    int tab;
    int position;  // of the tab in the sheet
    const char* form;
    const char* title;
    const char* adding;
    const char* changing;
  };
  const Case cases[] = {
      {pf::MetaTab, 4, "UpdateWPMeta", "Update the Meta Tags File", "Adding a WPMeta Record",
       "Changing a WPMeta Record"},
      {pf::LinksTab, 5, "UpdateWPLinks", "Update the Links File", "Adding a Links Record",
       "Changing a Links Record"},
      {pf::FormsTab, 6, "UpdateWPForm", "Update the Forms File", "Adding a Form Record",
       "Changing a Form Record"},
      {pf::ImagesTab, 7, "UpdateWPIMG", "Update the IMAGE Data File", "Adding a WPIMG Record",
       "Changing a WPIMG Record"},
      {pf::ScriptsTab, 8, "UpdateWPScripts", "Update the Scripts File", "Adding a Scripts Record",
       "Changing a Scripts Record"},
  };
  rt::Window* w = changePage("/site/b.htm");
  ASSERT_TRUE(w);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    ASSERT_TRUE(driver.selectTab(w, pf::Sheet, c.position));
    highlight(w, c.tab + pf::List, 1);
    ASSERT_TRUE(driver.press(w, c.tab + pf::Change));
    rt::Window* d = driver.waitForWindow(c.form);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->title(), c.changing);
    EXPECT_EQ(d->text(reader::detailform::Warning),
              "This record will be overwritten the next time you read in the web page. "
              "Therefore it is not advisable to update or change this record.");
    // The first field of every detail form is the page's path.
    EXPECT_EQ(d->text(21), "/site/b.htm");
    ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
    ASSERT_TRUE(driver.waitForClose(c.form));
    ASSERT_TRUE(driver.press(w, c.tab + pf::Insert));
    d = driver.waitForWindow(c.form);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->title(), c.adding);
    ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
    ASSERT_TRUE(driver.waitForClose(c.form));
  }
}

// A link typed for another page is stored but shows only in that page's list.
TEST_F(PageFormTest, AnAddedDetailShowsWhereItsPathSays) {
  rt::Window* w = changePage("/site/b.htm");
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.selectTab(w, pf::Sheet, 5));
  for (const char* path : {"/site/b.htm", "/site/elsewhere.htm"}) {
    ASSERT_TRUE(driver.press(w, pf::LinksTab + pf::Insert));
    rt::Window* d = driver.waitForWindow("UpdateWPLinks");
    ASSERT_TRUE(d);
    ASSERT_TRUE(driver.typeKeys(path));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    ASSERT_TRUE(driver.typeKeys("typed link"));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
    ASSERT_TRUE(driver.waitForClose("UpdateWPLinks"));
  }
  EXPECT_EQ(driver.rowCount(w, kLinksList), 2);
  EXPECT_EQ(readRecords<WPLinksRecord>(WPLinksDesc()).size(), 5u);
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
  // The caller sees the chosen record on its own thread, whose buffers are its own.
  static std::string selected;
  selected.clear();
  rt::Window* w = open(
      [] {
        rt::RunBrowse(choosePage());
        selected = WEB.PAGENAME.str();
      },
      "PagesByTab");
  ASSERT_TRUE(w);
  QAbstractItemView* v = w->listView(1);
  ASSERT_TRUE(v);
  v->setCurrentIndex(v->model()->index(1, 0));
  driver.pump();
  ASSERT_TRUE(driver.press(w, 5));
  ASSERT_TRUE(driver.waitForClose("PagesByTab"));
  ASSERT_TRUE(driver.waitUntil([] { return rt::procedureThreadCount() == 0; }));
  EXPECT_EQ(selected, "b.htm");
}

TEST_F(PageFormTest, DetailButtonsRunTheirListsChild) {
  recordDetailForms();
  rt::Window* w = changePage("/site/b.htm");
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.selectTab(w, pf::Sheet, 5));
  ASSERT_TRUE(driver.press(w, pf::LinksTab + pf::Insert));
  driver.pump();
  ASSERT_TRUE(driver.press(w, pf::LinksTab + pf::Change));
  driver.pump();
  ASSERT_TRUE(driver.selectTab(w, pf::Sheet, 8));
  ASSERT_TRUE(driver.press(w, pf::ScriptsTab + pf::Delete));
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
  EXPECT_FALSE(w->enabled(pf::LinksTab + pf::Insert));
  EXPECT_TRUE(w->enabled(pf::LinksTab + pf::Change));
  EXPECT_FALSE(w->hidden(11));
}

}  // namespace
}  // namespace readertest
