// tarnwick's page browse and page form over real files: the two orders, the names derived
// from a local file, the file lookup, the page's reading and the view buttons it makes
// available, and the programs started on the page's file.
#include <QFile>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>

#include "common/Procedures.h"
#include "pages/PageDetails.h"
#include "pages/WebPages.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/ProgramFixture.h"

namespace domaintest {
namespace {

enum BrowseControl { bList = 1, bSheet = 2, bInsert = 6, bClose = 10 };
enum FormControl {
  fDomain = 5,
  fLocalPath = 7,
  fLookup = 8,
  fPagePath = 10,
  fWeb = 11,
  fPageLink = 13,
  fPageName = 15,
  fFileDate = 23,
  fFileSize = 25,
  fTitle = 27,
  fAutoRead = 53,
  fViewLinks = 54,
  fViewForms = 58,
  fEdit = 59,
  fBrowserView = 60,
  fTextEdit = 61,
  fOk = 63,
  fCancel = 64,
};

constexpr const char* kViewProcedures[] = {"BrowseLinks", "BrowseImages", "BrowseMeta",
                                           "browsescripts", "browseforms"};
std::vector<std::string>& viewed() {
  static std::vector<std::string> v;
  return v;
}

std::string cellText(rt::TestDriver& d, rt::Window* w, int row, int column) {
  std::string s = d.cell(w, bList, row, column);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

void writeFile(const QString& path, const std::string& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text.data(), static_cast<qint64>(text.size()));
}

class WebPagesTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    rt::setLauncher([this](const rt::Launch& l) { launches.push_back(l); });
    viewed().clear();
    for (std::size_t i = 0; i < std::size(kViewProcedures); ++i)
      views[i] = SetProcedure(kViewProcedures[i], [] { viewed().push_back(WEB.PAGEPATH.str()); });
    html.clear();
    txted.clear();
  }
  void TearDown() override {
    for (std::size_t i = 0; i < std::size(kViewProcedures); ++i)
      SetProcedure(kViewProcedures[i], views[i]);
    WindowsTest::TearDown();
    rt::setLauncher(nullptr);
  }

  // The domain the domain browse hands over, with the defaults the form derives from.
  void chooseDomain(const char* name, std::string localDir, const char* webPath) {
    DOM = DomainsBuffer{};
    DOM.DOMAINNAME = name;
    DOM.DEFAULTLOCALDIR = localDir;
    DOM.DEFAULTWEBPATH = webPath;
    addRecords<DomainsRecord>(DomainsDesc(), {[&](DomainsRecord& r) { r = DOM; }});
  }

  rt::Window* newPage() {
    WEB = WebPagesBuffer{};
    return open(&pages::updatewebpages1, "updatewebpages1", rt::Request::Insert);
  }

  std::string site() const { return dir.filePath("site").toStdString(); }

  std::vector<rt::Launch> launches;
  ProcedureEntry views[std::size(kViewProcedures)] = {};
};

TEST_F(WebPagesTest, FirstTabListsTheDomainsPagesSecondEveryPage) {
  addRecords<WebPagesRecord>(WebPagesDesc(), {[](WebPagesRecord& r) {
                                                r.DOMAINNAME = "b.com";
                                                r.PAGENAME = "a.htm";
                                              },
                                              [](WebPagesRecord& r) {
                                                r.DOMAINNAME = "a.com";
                                                r.PAGENAME = "z.htm";
                                                r.FILEDATETIME = "03/07/26 5:30PM";
                                              },
                                              [](WebPagesRecord& r) {
                                                r.DOMAINNAME = "a.com";
                                                r.PAGENAME = "m.htm";
                                              }});
  const struct {
    const char* domain;
    std::vector<std::string> firstTab;
  } cases[] = {{"a.com", {"m.htm", "z.htm"}}, {"b.com", {"a.htm"}}, {"c.com", {}}};
  const std::vector<std::string> all = {"a.htm", "m.htm", "z.htm"};
  for (const auto& c : cases) {
    DOM.DOMAINNAME = c.domain;
    rt::Window* w = open(&pages::BrowseWebPages, "BrowseWebPages");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->title(), "Browse the Web Pages File");
    ASSERT_EQ(driver.rowCount(w, bList), static_cast<int>(c.firstTab.size())) << c.domain;
    for (std::size_t r = 0; r < c.firstTab.size(); ++r) {
      EXPECT_EQ(cellText(driver, w, static_cast<int>(r) + 1, 1), c.firstTab[r]);
      EXPECT_EQ(cellText(driver, w, static_cast<int>(r) + 1, 0), c.domain);
    }
    ASSERT_TRUE(driver.selectTab(w, bSheet, 2));
    driver.pump();
    ASSERT_EQ(driver.rowCount(w, bList), 3);
    for (std::size_t r = 0; r < all.size(); ++r)
      EXPECT_EQ(cellText(driver, w, static_cast<int>(r) + 1, 1), all[r]);
    // The reader's date and time text shows as it was written.
    EXPECT_EQ(cellText(driver, w, 3, 8), "03/07/26 5:30PM");
    ASSERT_TRUE(driver.press(w, bClose));
    ASSERT_TRUE(driver.waitForClose("BrowseWebPages"));
    // Both layouts are kept for F9, the date and time text column among them.
    for (const char* key : {"?Browse:1:ORIG", "?Browse:1:USER"})
      EXPECT_TRUE(ini("BrowseWebPages", key).ends_with("~Update Date~C(0)@s20@")) << key;
  }
}

// A page of another domain, changed from the second tab, derives from its own domain's
// defaults; the browse goes on with its own domain.
TEST_F(WebPagesTest, APageOfAnotherDomainDerivesFromItsOwnDomain) {
  chooseDomain("b.com", "/sites/b", "http://www.b.com");
  chooseDomain("a.com", "/sites/a", "http://www.a.com");
  addRecords<WebPagesRecord>(WebPagesDesc(), {[](WebPagesRecord& r) {
                               r.DOMAINNAME = "b.com";
                               r.PAGENAME = "b.htm";
                             }});
  rt::Window* w = open(&pages::BrowseWebPages, "BrowseWebPages");
  ASSERT_TRUE(w);
  EXPECT_EQ(driver.rowCount(w, bList), 0);
  ASSERT_TRUE(driver.selectTab(w, bSheet, 2));
  driver.pump();
  ASSERT_EQ(driver.rowCount(w, bList), 1);
  ASSERT_TRUE(driver.press(w, bInsert + 1));
  rt::Window* f = driver.waitForWindow("updatewebpages1");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->title(), "Update the WebPages File  (b.htm)");
  EXPECT_EQ(driver.text(f, fDomain), "b.com");
  ASSERT_TRUE(driver.type(f, fLocalPath, "/sites/b/new/b.htm"));
  driver.pump();
  EXPECT_EQ(driver.text(f, fPagePath), "http://www.b.com/new/b.htm");
  ASSERT_TRUE(driver.press(f, fCancel));
  ASSERT_TRUE(driver.waitForClose("updatewebpages1"));
  EXPECT_EQ(DOM.DOMAINNAME.str(), "a.com");
  ASSERT_TRUE(driver.selectTab(w, bSheet, 1));
  driver.pump();
  EXPECT_EQ(driver.rowCount(w, bList), 0);
}

// Typed into "Local Path:" as a user does, from the domain list that has the focus.
TEST_F(WebPagesTest, LocalPathGivesPageNameAndPathBelowTheDomainsDirectory) {
  chooseDomain("a.com", "/sites/a.com", "http://www.a.com");
  const struct {
    const char* local;
    const char* name;
    const char* path;
  } cases[] = {
      {"/sites/a.com/index.htm", "index.htm", "http://www.a.com/index.htm"},
      {"/sites/a.com/tours/fells/day.htm", "tours/fells/day.htm",
       "http://www.a.com/tours/fells/day.htm"},
      {"\\sites\\a.com\\tours\\walk.htm", "tours/walk.htm", "http://www.a.com/tours/walk.htm"},
      {"/elsewhere/page.htm", "page.htm", "http://www.a.com/page.htm"},
  };
  for (const auto& c : cases) {
    rt::Window* w = newPage();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->title(), "Update the WebPages File  (New)");
    EXPECT_EQ(driver.focusedControl(), fDomain);
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    ASSERT_EQ(driver.focusedControl(), fLocalPath);
    ASSERT_TRUE(driver.typeKeys(c.local));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    driver.pump();
    EXPECT_EQ(driver.text(w, fPageName), c.name) << c.local;
    EXPECT_EQ(driver.text(w, fPagePath), c.path) << c.local;
    EXPECT_EQ(driver.text(w, fPageLink), c.path) << c.local;
    ASSERT_TRUE(driver.press(w, fCancel));
    ASSERT_TRUE(driver.waitForClose("updatewebpages1"));
  }
}

TEST_F(WebPagesTest, PageNameFillsBlankPathsAndEnteringPagePathDerivesIt) {
  chooseDomain("a.com", "/sites/a.com", "http://www.a.com/");
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  w->selectControl(fPageName);
  driver.pump();
  ASSERT_TRUE(driver.typeKeys("about.htm"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  driver.pump();
  EXPECT_EQ(driver.text(w, fPagePath), "http://www.a.com/about.htm");
  EXPECT_EQ(driver.text(w, fLocalPath), "/sites/a.com/about.htm");
  // A path typed with "\" keeps only its first one turned.
  w->selectControl(fPagePath);
  driver.pump();
  EXPECT_EQ(driver.text(w, fPagePath), "http://www.a.com/about.htm");
  ASSERT_TRUE(driver.typeKeys("\\x\\y.htm"));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  driver.pump();
  EXPECT_EQ(driver.text(w, fPagePath), "/x\\y.htm");
}

TEST_F(WebPagesTest, EnteringLocalPathWarnsOfBlankDomainDefaults) {
  chooseDomain("a.com", "", "");
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  for (const char* text : {"The default local dir for this domain is blank. Please correct.",
                           "The default Web Path for this domain is blank. Please correct."}) {
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(driver.messageCaption(box), "Domain Data Error");
    EXPECT_EQ(driver.messageText(box), text);
    ASSERT_TRUE(driver.answer(rt::button::Ok));
  }
  // The form goes on.
  EXPECT_TRUE(driver.waitUntil([&] { return driver.focusedControl() == fLocalPath; }))
      << driver.focusedControl() << " " << (driver.messageBox() != nullptr);
}

TEST_F(WebPagesTest, FileLookupOffersPageMasksAndKeepsTheLastFileChosen) {
  chooseDomain("a.com", site(), "http://www.a.com");
  for (const char* f : {"sub/a.htm", "sub/b.htm"}) writeFile(dir.filePath("site/") + f, "x");
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.press(w, fLookup));
  QFileDialog* d = driver.waitForFileDialog();
  ASSERT_TRUE(d);
  EXPECT_EQ(d->windowTitle(), "Local Web Pages");
  EXPECT_EQ(d->directory().absolutePath().toStdString(), site());
  EXPECT_EQ(d->fileMode(), QFileDialog::ExistingFiles);
  EXPECT_EQ(d->nameFilters(), (QStringList{"htm,html,shtml,ssi Files (*.htm *.html *.shtml *.ssi)",
                                           "ASP Files (*.asp)"}));
  ASSERT_TRUE(driver.chooseFiles({site() + "/sub/a.htm", site() + "/sub/b.htm"}));
  driver.pump();
  EXPECT_EQ(driver.text(w, fLocalPath), site() + "/sub/b.htm");
  EXPECT_EQ(driver.text(w, fPageName), "sub/b.htm");
  EXPECT_EQ(driver.text(w, fPagePath), "http://www.a.com/sub/b.htm");
  EXPECT_EQ(driver.focusedControl(), fLocalPath);
}

TEST_F(WebPagesTest, WebAndTheLinkOpenThePagePath) {
  chooseDomain("a.com", "/sites/a.com", "http://www.a.com");
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.type(w, fLocalPath, "/sites/a.com/go.htm"));
  driver.pump();
  ASSERT_TRUE(driver.press(w, fWeb));
  driver.click(w, fPageLink, rt::key::MouseLeft);
  driver.pump();
  ASSERT_EQ(opened.size(), 2u);
  for (const QUrl& u : opened) EXPECT_EQ(u, QUrl("http://www.a.com/go.htm"));
}

// A page file whose name a shell would read as commands reaches each program whole.
TEST_F(WebPagesTest, ProgramsGetThePageFileAsOneArgument) {
  const std::string file = site() + "/it's a \"page\"; rm x.htm";
  writeFile(QString::fromStdString(file), "x");
  addRecords<EditorRecord>(EditorDesc(), {[](EditorRecord& r) { r.MYEDITOR = "/opt/ed -n"; }});
  chooseDomain("a.com", site(), "http://www.a.com");
  txted = "textpad";
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.type(w, fLocalPath, file));
  const struct {
    int button;
    std::vector<std::string> launch;  // program and arguments; empty: the desktop's opener
  } cases[] = {
      {fEdit, {"/opt/ed", "-n", file}}, {fTextEdit, {"textpad", file}}, {fBrowserView, {}}};
  for (const auto& c : cases) {
    launches.clear();
    opened.clear();
    ASSERT_TRUE(driver.press(w, c.button));
    driver.pump();
    if (c.launch.empty()) {
      EXPECT_TRUE(launches.empty());
      ASSERT_EQ(opened.size(), 1u);
      EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(file)));
      continue;
    }
    ASSERT_EQ(launches.size(), 1u) << c.button;
    std::vector<std::string> got{launches[0].program};
    got.insert(got.end(), launches[0].arguments.begin(), launches[0].arguments.end());
    EXPECT_EQ(got, c.launch);
  }
  EXPECT_EQ(html.str(), "/opt/ed -n");
  EXPECT_EQ(htmlfilename.str(), file.substr(0, 80));
}

TEST_F(WebPagesTest, BlankEditorSettingsOpenTheFileWithTheDesktopsOpener) {
  const std::string file = site() + "/index.htm";
  writeFile(QString::fromStdString(file), "x");
  chooseDomain("a.com", site(), "http://www.a.com");
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.type(w, fLocalPath, file));
  for (int button : {fEdit, fTextEdit}) {
    opened.clear();
    ASSERT_TRUE(driver.press(w, button));
    driver.pump();
    ASSERT_EQ(opened.size(), 1u) << button;
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(file)));
  }
  EXPECT_TRUE(launches.empty());
}

// A page read with links and meta tags only: those two views come up once the form has the
// focus back, each on the page's own records; Cancel keeps the details, not the title.
TEST_F(WebPagesTest, AutoReadMakesTheFoundKindsViewableWhenTheFocusComesBack) {
  const std::string file = site() + "/index.htm";
  writeFile(QString::fromStdString(file),
            "<html><head><title>Fells</title>\n<meta name=\"keywords\" content=\"fells\">\n"
            "</head><body>\n<a href=\"walk.htm\">Walk</a>\n</body></html>\n");
  chooseDomain("a.com", site(), "http://www.a.com");
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.type(w, fLocalPath, file));
  driver.pump();
  const int views[] = {fViewLinks, fViewLinks + 1, fViewLinks + 2, fViewLinks + 3, fViewForms};
  for (int v : views) EXPECT_FALSE(w->enabled(v)) << v;
  ASSERT_TRUE(driver.press(w, fAutoRead));
  ASSERT_TRUE(driver.waitForMessageBox());
  ASSERT_TRUE(driver.answer("Yes"));
  QMessageBox* done = driver.waitForMessageBox();
  ASSERT_TRUE(done);
  EXPECT_EQ(driver.messageText(done), "HTML file read done.");
  ASSERT_TRUE(driver.answer(rt::button::Ok));
  driver.pump();
  EXPECT_EQ(driver.text(w, fTitle), "Fells");
  const bool expected[] = {true, false, true, false, false};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(w->enabled(views[i]), expected[i]) << i;
  ASSERT_TRUE(driver.press(w, fViewLinks));
  ASSERT_TRUE(driver.press(w, fViewLinks + 2));
  EXPECT_EQ(viewed(), (std::vector<std::string>(2, "http://www.a.com/index.htm")));
  ASSERT_TRUE(driver.press(w, fCancel));
  ASSERT_TRUE(driver.waitForClose("updatewebpages1"));
  EXPECT_TRUE(readRecords<WebPagesRecord>(WebPagesDesc()).empty());
  EXPECT_EQ(readRecords<WPLinksRecord>(WPLinksDesc()).size(), 1u);
  EXPECT_EQ(readRecords<WPMetaRecord>(WPMetaDesc()).size(), 1u);
}

// The record keeps 80 characters of a path: a longer one, typed or chosen, is refused with
// the limit named, and OK stores nothing until it is mended.
TEST_F(WebPagesTest, ALocalPathLongerThanItsFieldIsRefused) {
  const std::string file = site() + "/" + std::string(81 - site().size(), 'p') + ".htm";
  writeFile(QString::fromStdString(file), "x");
  chooseDomain("a.com", site(), "http://www.a.com");
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  auto refused = [&] {
    driver.pump();
    EXPECT_EQ(driver.focusedControl(), fLocalPath);
    EXPECT_EQ(driver.text(w, fLocalPath), file);
    EXPECT_EQ(driver.text(w, fPageName), "");
    auto* tip = w->widget()->findChild<QLabel*>("refusalTip");
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->text().toStdString(), "Enter at most 80 characters");
  };
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  ASSERT_TRUE(driver.typeKeys(file));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  refused();
  ASSERT_TRUE(driver.press(w, fLookup));
  ASSERT_TRUE(driver.waitForFileDialog());
  ASSERT_TRUE(driver.chooseFiles({file}));
  refused();
  ASSERT_TRUE(driver.press(w, fOk));
  refused();
  EXPECT_TRUE(driver.isOpen(w));
  ASSERT_TRUE(driver.press(w, fCancel));
  ASSERT_TRUE(driver.waitForClose("updatewebpages1"));
  EXPECT_TRUE(readRecords<WebPagesRecord>(WebPagesDesc()).empty());
}

// The page path the form makes from the domain's web path and the file's name is refused
// whole when it runs past its field, as a typed one is.
TEST_F(WebPagesTest, ADerivedPagePathLongerThanItsFieldIsRefused) {
  const std::string web = "http://www.a.com/" + std::string(55, 'd');
  const std::string file = site() + "/chapter-one.htm";
  writeFile(QString::fromStdString(file), "x");
  chooseDomain("a.com", site(), web.c_str());
  rt::Window* w = newPage();
  ASSERT_TRUE(w);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  ASSERT_TRUE(driver.typeKeys(file));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  driver.pump();
  EXPECT_EQ(driver.text(w, fPageName), "chapter-one.htm");
  EXPECT_EQ(driver.focusedControl(), fPagePath);
  EXPECT_EQ(driver.text(w, fPagePath), web + "/chapter-one.htm");
  auto* tip = w->widget()->findChild<QLabel*>("refusalTip");
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(tip->text().toStdString(), "Enter at most 80 characters");
  ASSERT_TRUE(driver.press(w, fOk));
  driver.pump();
  EXPECT_TRUE(driver.isOpen(w));
  ASSERT_TRUE(driver.press(w, fCancel));
  ASSERT_TRUE(driver.waitForClose("updatewebpages1"));
  EXPECT_TRUE(readRecords<WebPagesRecord>(WebPagesDesc()).empty());
}

// A new page's form read from its file, its meta browse open and "Select WebPages" over it;
// an older page "old.htm" is in the file.
struct SelectRoad {
  rt::Window* form;
  rt::Window* meta;
  rt::Window* select;
};

class PageSelectionTest : public WebPagesTest {
 protected:
  SelectRoad openSelectFromNewPage(std::vector<std::string>* shown) {
    const std::string file = site() + "/index.htm";
    writeFile(QString::fromStdString(file),
              "<html><head><title>Fells</title>\n<meta name=\"keywords\" content=\"fells\">\n"
              "</head><body></body></html>\n");
    chooseDomain("a.com", site(), "http://www.a.com");
    addRecords<WebPagesRecord>(WebPagesDesc(), {[](WebPagesRecord& r) {
                                 r.DOMAINNAME = "a.com";
                                 r.PAGENAME = "old.htm";
                                 r.PAGEPATH = "http://www.a.com/old.htm";
                               }});
    SetProcedure("BrowseMeta", &pages::BrowseMeta);
    rt::Window* browse = open(&pages::BrowseWebPages, "BrowseWebPages");
    if (!browse || !driver.press(browse, bInsert)) return {};
    rt::Window* w = driver.waitForWindow("updatewebpages1");
    if (!w) return {};
    driver.hitKey(Qt::Key_Tab);
    driver.typeKeys(file);
    driver.hitKey(Qt::Key_Tab);
    driver.pump();
    driver.press(w, fAutoRead);
    if (!driver.waitForMessageBox() || !driver.answer("Yes")) return {};
    if (!driver.waitForMessageBox() || !driver.answer(rt::button::Ok)) return {};
    driver.pump();
    for (int f : kShownFields) shown->push_back(driver.text(w, f));
    if (!driver.waitUntil([&] { return w->enabled(fViewLinks + 2); })) return {};
    driver.press(w, fViewLinks + 2);
    rt::Window* meta = driver.waitForWindow("BrowseMeta");
    if (!meta || driver.rowCount(meta, 1) != 1 || !driver.press(meta, 10)) return {};
    return {w, meta, driver.waitForWindow("SelectWebPages")};
  }

  static constexpr int kShownFields[] = {fLocalPath, fPagePath, fPageName,
                                         fTitle,     fFileDate, fFileSize};
};

// "Select WebPages" closed with Escape from the meta browse of a new page: the form keeps
// its page, the browse its rows; the insert's reserved record is never listed and Cancel
// takes it out of the file at once.
TEST_F(PageSelectionTest, CancelledPageSelectionLeavesTheNewPageAsItWas) {
  std::vector<std::string> shown;
  const SelectRoad road = openSelectFromNewPage(&shown);
  ASSERT_TRUE(road.select);
  EXPECT_EQ(driver.rowCount(road.select, 1), 1);
  EXPECT_EQ(cellText(driver, road.select, 1, 1), "old.htm");
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  ASSERT_TRUE(driver.waitForClose("SelectWebPages"));
  EXPECT_EQ(driver.rowCount(road.meta, 1), 1);
  driver.close(road.meta);
  ASSERT_TRUE(driver.waitForClose("BrowseMeta"));
  for (std::size_t i = 0; i < std::size(kShownFields); ++i)
    EXPECT_EQ(driver.text(road.form, kShownFields[i]), shown[i]) << kShownFields[i];
  ASSERT_TRUE(driver.press(road.form, fCancel));
  ASSERT_TRUE(driver.waitForClose("updatewebpages1"));
  const auto left = readRecords<WebPagesRecord>(WebPagesDesc());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].PAGENAME.str(), "old.htm");
}

// The chosen page becomes the form's record; OK stores it, and the record the insert had
// reserved goes with the form.
TEST_F(PageSelectionTest, AChosenPageIsStoredAndTheInsertLeavesNoPlaceholder) {
  std::vector<std::string> shown;
  const SelectRoad road = openSelectFromNewPage(&shown);
  ASSERT_TRUE(road.select);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  ASSERT_TRUE(driver.waitForClose("SelectWebPages"));
  driver.close(road.meta);
  ASSERT_TRUE(driver.waitForClose("BrowseMeta"));
  EXPECT_EQ(driver.text(road.form, fPageName), "old.htm");
  ASSERT_TRUE(driver.press(road.form, fOk));
  ASSERT_TRUE(driver.waitForClose("updatewebpages1"));
  const auto left = readRecords<WebPagesRecord>(WebPagesDesc());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].PAGENAME.str(), "old.htm");
}

}  // namespace
}  // namespace domaintest

namespace admintest {
namespace {

// F5, the domain's "Web Pages", Insert, the file lookup, the page's reading, each detail
// browse and OK: the page is stored with what its reading found, its details under its path.
TEST_F(ProgramTest, APageFileReadThroughTheDomainsPagesIsStoredWithItsDetails) {
  const QString site = dir.filePath("site");
  const std::string file = (site + "/tours/index.htm").toStdString();
  domaintest::writeFile(site + "/tours/index.htm",
                        "<html><head><title>Tours</title>\n"
                        "<meta name=\"keywords\" content=\"tours\">\n"
                        "<script>var x = 1;</script>\n</head><body>\n"
                        "<a href=\"fell.htm\">Fell</a>\n<a href=\"dale.htm\">Dale</a>\n"
                        "<img src=\"map.gif\" width=\"10\" height=\"20\">\n"
                        "<form action=\"/cgi-bin/ask\"><input name=\"q\"></form>\n"
                        "</body></html>\n");
  domaintest::addRecords<DomainsRecord>(DomainsDesc(), {[&](DomainsRecord& r) {
                                          r.DOMAINNAME = "tours.com";
                                          r.DEFAULTLOCALDIR = site.toStdString();
                                          r.DEFAULTWEBPATH = "http://www.tours.com";
                                        }});
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  driver.activate(frame);
  ASSERT_TRUE(driver.hitKey(Qt::Key_F5));
  rt::Window* domains = driver.waitForWindow("BrowseDomains");
  ASSERT_TRUE(domains);
  ASSERT_TRUE(driver.waitUntil([&] { return domains->enabled(9); }));
  ASSERT_TRUE(driver.press(domains, 9));
  rt::Window* browse = driver.waitForWindow("BrowseWebPages");
  ASSERT_TRUE(browse);
  EXPECT_EQ(driver.rowCount(browse, domaintest::bList), 0);
  ASSERT_TRUE(driver.press(browse, domaintest::bInsert));
  rt::Window* form = driver.waitForWindow("updatewebpages1");
  ASSERT_TRUE(form);
  EXPECT_EQ(form->title(), "Update the WebPages File  (New)");
  ASSERT_TRUE(driver.press(form, domaintest::fLookup));
  ASSERT_TRUE(driver.waitForFileDialog());
  ASSERT_TRUE(driver.chooseFiles({file}));
  driver.pump();
  ASSERT_TRUE(driver.press(form, domaintest::fAutoRead));
  ASSERT_TRUE(driver.waitForMessageBox());
  ASSERT_TRUE(driver.answer("Yes"));
  ASSERT_TRUE(driver.waitForMessageBox());
  ASSERT_TRUE(driver.answer(rt::button::Ok));
  driver.pump();
  // Each detail browse lists what the page holds.
  const struct {
    const char* browse;
    int column;
    std::vector<std::string> cells;
  } details[] = {{"BrowseLinks", 1, {"fell.htm", "dale.htm"}},
                 {"BrowseImages", 1, {"map.gif"}},
                 {"BrowseMeta", 2, {"tours"}},
                 {"browsescripts", 1, {"<script>var x = 1;</script>"}},
                 {"browseforms", 5, {"<form action=\"/cgi-bin/ask\"><input name=\"q\"></form>"}}};
  for (std::size_t i = 0; i < std::size(details); ++i) {
    const auto& d = details[i];
    const int button = domaintest::fViewLinks + static_cast<int>(i);
    ASSERT_TRUE(driver.waitUntil([&] { return form->enabled(button); })) << d.browse;
    ASSERT_TRUE(driver.press(form, button));
    rt::Window* w = driver.waitForWindow(d.browse);
    ASSERT_TRUE(w) << d.browse;
    // Drawn in front of the form it was opened from.
    EXPECT_EQ(driver.activeWindow(), w) << d.browse;
    std::vector<std::string> cells;
    for (int r = 1; r <= driver.rowCount(w, 1); ++r) {
      std::string c = driver.cell(w, 1, r, d.column);
      while (!c.empty() && c.back() == ' ') c.pop_back();
      cells.push_back(c);
    }
    std::sort(cells.begin(), cells.end());
    std::vector<std::string> want = d.cells;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(cells, want) << d.browse;
    driver.close(w);
    ASSERT_TRUE(driver.waitForClose(d.browse));
  }
  ASSERT_TRUE(driver.press(form, domaintest::fOk));
  ASSERT_TRUE(driver.waitForClose("updatewebpages1"));
  ASSERT_EQ(driver.rowCount(browse, domaintest::bList), 1);
  EXPECT_EQ(domaintest::cellText(driver, browse, 1, 1), "tours/index.htm");
  ASSERT_TRUE(driver.press(browse, domaintest::bClose));
  ASSERT_TRUE(driver.waitForClose("BrowseWebPages"));
  exitProgram();

  const std::string path = "http://www.tours.com/tours/index.htm";
  const auto pagesRead = domaintest::readRecords<WebPagesRecord>(WebPagesDesc());
  ASSERT_EQ(pagesRead.size(), 1u);
  const WebPagesRecord& p = pagesRead[0];
  EXPECT_EQ(p.DOMAINNAME.str(), "tours.com");
  EXPECT_EQ(p.PAGENAME.str(), "tours/index.htm");
  EXPECT_EQ(p.PAGEPATH.str(), path);
  EXPECT_EQ(p.LOCALPATH.str(), file.substr(0, 80));
  EXPECT_EQ(p.LOCALDEFAULTDIRECTORY.str(), site.toStdString().substr(0, 90));
  EXPECT_EQ(p.HTMLPAGETITLE.str(), "Tours");
  for (const auto* flag : {&p.DATA1, &p.DATA2, &p.DATA3, &p.DATA4, &p.DATA5})
    EXPECT_EQ(flag->str(), "Y");
  std::vector<std::string> links;
  for (const auto& l : domaintest::readRecords<WPLinksRecord>(WPLinksDesc())) {
    EXPECT_EQ(l.WEBPAGEPATHNAME.str(), path);
    links.push_back(l.WEBPAGELINK.str());
  }
  EXPECT_EQ(links, (std::vector<std::string>{"fell.htm", "dale.htm"}));
  const auto images = domaintest::readRecords<WPIMGRecord>(WPIMGDesc());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].WEBPAGEIMG.str(), "map.gif");
  EXPECT_EQ(images[0].WEBPAGEPATHNAME.str(), path);
  const auto meta = domaintest::readRecords<WPMetaRecord>(WPMetaDesc());
  ASSERT_EQ(meta.size(), 1u);
  EXPECT_EQ(meta[0].METACONTENTS.str(), "tours");
  EXPECT_EQ(domaintest::readRecords<WPScriptsRecord>(WPScriptsDesc()).size(), 1u);
  EXPECT_EQ(domaintest::readRecords<WPFormRecord>(WPFormDesc()).size(), 1u);
}

}  // namespace
}  // namespace admintest
