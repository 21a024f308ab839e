// QuickView over real data files: every page by page name, the keys that would add or
// delete, the form's five detail lists and the placeholder page it removes on close.
#include <QAbstractItemView>
#include <QMdiArea>

#include "common/PageDetailTabs.h"
#include "pages/QuickView.h"
#include "tests/support/DomainsTestFixture.h"
#include "tests/support/ProgramFixture.h"

namespace domaintest {
namespace {

constexpr int kList = 1;
constexpr int kView = 2;
constexpr int kSheet = 1;
constexpr int kOk = 120;
constexpr int kCancel = 121;
constexpr int kDetailLists[] = {71, 81, 91, 101, 111};  // Meta, Links, Forms, Images, Scripts

void addPage(std::string_view domain, std::string_view name, std::string_view path) {
  addRecords<WebPagesRecord>(WebPagesDesc(), {[&](WebPagesRecord& r) {
                               r.DOMAINNAME = domain;
                               r.PAGENAME = name;
                               r.PAGEPATH = path;
                             }});
}

template <class R, class Field>
void addDetail(const rt::FileDesc& desc, Field R::*pathField, std::string_view path,
               std::string_view domain) {
  addRecords<R>(desc, {[&](R& r) {
                  r.*pathField = path;
                  r.DOMAINNAME = domain;
                }});
}

// One record of every detail file for the path, told apart by domain.
void addDetails(std::string_view path, std::string_view domain) {
  addDetail(WPMetaDesc(), &WPMetaRecord::WEBPAGEPATH, path, domain);
  addDetail(WPLinksDesc(), &WPLinksRecord::WEBPAGEPATHNAME, path, domain);
  addDetail(WPFormDesc(), &WPFormRecord::WEBPAGEPATHNAME, path, domain);
  addDetail(WPIMGDesc(), &WPIMGRecord::WEBPAGEPATHNAME, path, domain);
  addDetail(WPScriptsDesc(), &WPScriptsRecord::WEBPAGEPATHNAME, path, domain);
}

std::string clipped(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// The domain-name column of the lists: the first of the browse, the second of every detail
// list but the links list, where it is the first.
int domainColumn(int list) {
  return list == kDetailLists[1] ? 0 : 1;
}

class QuickViewTest : public WindowsTest {
 protected:
  rt::Window* openBrowse() { return open(&quickview::BrowseWebPages2, "BrowseWebPages2"); }

  // The browse's View on the page at row (from 1), moved to with the arrow keys.
  rt::Window* viewRow(rt::Window* browse, int row) {
    driver.activate(browse);
    if (!driver.hitKey(Qt::Key_Home)) return nullptr;
    for (int r = 1; r < row; ++r) driver.hitKey(Qt::Key_Down);
    driver.pump();
    if (!driver.press(browse, kView)) return nullptr;
    return driver.waitForWindow("UpdateWebPages");
  }

  std::vector<std::string> column(rt::Window* w, int list, int col) {
    std::vector<std::string> out;
    for (int r = 1; r <= driver.rowCount(w, list); ++r)
      out.push_back(clipped(driver.cell(w, list, r, col)));
    return out;
  }
};

TEST_F(QuickViewTest, ListsThePagesOfEveryDomainByPageNameAlone) {
  addPage("b.com", "index.htm", "/b/index.htm");
  addPage("a.com", "zeta.htm", "/a/zeta.htm");
  addPage("a.com", "index.htm", "/a/index.htm");
  addPage("c.com", "about.htm", "/c/about.htm");
  rt::Window* w = openBrowse();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->title(), "QuickView WebPages");
  EXPECT_EQ(column(w, kList, 1),
            (std::vector<std::string>{"about.htm", "index.htm", "index.htm", "zeta.htm"}));
  EXPECT_EQ(column(w, kList, 0), (std::vector<std::string>{"c.com", "b.com", "a.com", "a.com"}));
}

TEST_F(QuickViewTest, InsertAndDeleteKeysAreAnsweredAndChangeNothing) {
  addPage("a.com", "index.htm", "/a/index.htm");
  rt::Window* w = openBrowse();
  ASSERT_TRUE(w);
  const std::pair<int, const char*> keys[] = {
      {Qt::Key_Insert, "You cannot insert a record from this screen."},
      {Qt::Key_Delete, "You cannot delete a record from this screen."}};
  for (const auto& [key, text] : keys) {
    SCOPED_TRACE(text);
    ASSERT_EQ(driver.focusedControl(), kList);
    ASSERT_TRUE(driver.hitKey(key));
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(driver.messageCaption(box), "Error");
    EXPECT_EQ(driver.messageText(box), text);
    ASSERT_TRUE(driver.answer(rt::button::Ok));
    driver.pump();
    EXPECT_EQ(driver.messageBox(), nullptr);
    EXPECT_EQ(driver.find("UpdateWebPages"), nullptr);
    EXPECT_EQ(driver.rowCount(w, kList), 1);
  }
  EXPECT_EQ(readRecords<WebPagesRecord>(WebPagesDesc()).size(), 1u);
}

// The lists go by page path alone: a record of another domain on the same path shows too.
TEST_F(QuickViewTest, DetailListsHoldThePathsRecordsAndNothingForAPageWithout) {
  addPage("a.com", "index.htm", "/site/index.htm");
  addPage("a.com", "bare.htm", "/site/bare.htm");
  addDetails("/site/index.htm", "a.com");
  addDetails("/site/index.htm", "b.com");
  addDetails("/site/other.htm", "a.com");
  rt::Window* browse = openBrowse();
  ASSERT_TRUE(browse);
  const std::pair<int, std::vector<std::string>> pages[] = {{1, {}}, {2, {"a.com", "b.com"}}};
  for (const auto& [row, domains] : pages) {
    SCOPED_TRACE(row);
    rt::Window* form = viewRow(browse, row);
    ASSERT_TRUE(form);
    EXPECT_EQ(form->title(), "Viewing a WebPages Record");
    for (int i = 0; i < 5; ++i) {
      ASSERT_TRUE(driver.selectTab(form, kSheet, 4 + i));
      driver.pump();
      std::vector<std::string> shown = column(form, kDetailLists[i], domainColumn(kDetailLists[i]));
      std::sort(shown.begin(), shown.end());
      EXPECT_EQ(shown, domains) << kDetailLists[i];
    }
    ASSERT_TRUE(driver.press(form, kCancel));
    ASSERT_TRUE(driver.waitForClose("UpdateWebPages"));
  }
}

// A list laid out again after its rows were shown would paint them twice.
TEST_F(QuickViewTest, ADetailListPaintsItsRowsOnceAsItsTabFirstShows) {
  addPage("a.com", "index.htm", "/site/index.htm");
  addDetails("/site/index.htm", "a.com");
  rt::Window* form = viewRow(openBrowse(), 1);
  ASSERT_TRUE(form);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(kDetailLists[i]);
    const rt::PaintCount paints(form->listView(kDetailLists[i])->viewport());
    ASSERT_TRUE(driver.selectTab(form, kSheet, 4 + i));
    driver.pump();
    EXPECT_EQ(driver.rowCount(form, kDetailLists[i]), 1);
    EXPECT_EQ(paints.count(), 1);
  }
}

TEST_F(QuickViewTest, ViewDetailOpensEachListsViewForm) {
  addPage("a.com", "index.htm", "/site/index.htm");
  addDetails("/site/index.htm", "a.com");
  rt::Window* form = viewRow(openBrowse(), 1);
  ASSERT_TRUE(form);
  const std::pair<const char*, const char*> details[] = {
      {"UpdateWPMeta", "Viewing a Meta Record"},       {"UpdateWPLinks", "Viewing a Links Record"},
      {"UpdateWPForm", "Viewing a Form Record"},       {"UpdateWPIMG", "Viewing an IMG Record"},
      {"UpdateWPScripts", "Viewing a Scripts Record"},
  };
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(details[i].first);
    ASSERT_TRUE(driver.selectTab(form, kSheet, 4 + i));
    ASSERT_TRUE(driver.press(form, kDetailLists[i] - 1 + detailtab::Change));
    rt::Window* detail = driver.waitForWindow(details[i].first);
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->title(), details[i].second);
    ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
    ASSERT_TRUE(driver.waitForClose(details[i].first));
  }
}

// A page of one character and no domain is what an unfinished insert leaves behind.
TEST_F(QuickViewTest, OnlyAOneCharacterPageWithoutDomainGoesOnClose) {
  const struct {
    const char* domain;
    const char* name;
    int button;
    bool kept;
  } cases[] = {
      {"", "x", kCancel, false}, {"", "x", kOk, false},     {"", "xy", kCancel, true},
      {"", "xy", kOk, true},     {"a.com", "x", kOk, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.domain) + "/" + c.name + " " + std::to_string(c.button));
    addPage(c.domain, c.name, "/p");
    rt::Window* browse = openBrowse();
    ASSERT_TRUE(browse);
    rt::Window* form = viewRow(browse, 1);
    ASSERT_TRUE(form);
    ASSERT_TRUE(driver.press(form, c.button));
    ASSERT_TRUE(driver.waitForClose("UpdateWebPages"));
    driver.close(browse);
    ASSERT_TRUE(driver.waitForClose("BrowseWebPages2"));
    const auto left = readRecords<WebPagesRecord>(WebPagesDesc());
    EXPECT_EQ(left.size(), c.kept ? 1u : 0u);
    if (!left.empty()) {
      EXPECT_EQ(left[0].PAGENAME.str(), c.name);
    }
    WebPagesRecord rec{};
    ASSERT_TRUE(rt::KeyedFile(WebPagesDesc(), &rec).remove());
  }
}

}  // namespace
}  // namespace domaintest

namespace admintest {
namespace {

using QuickViewKeys = ProgramTest;

TEST_F(QuickViewKeys, F8OpensQuickViewOnAThreadOfItsOwnAndEscapeClosesIt) {
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  driver.activate(frame);
  ASSERT_TRUE(frame->menuEnabled(-13));
  ASSERT_TRUE(driver.hitKey(Qt::Key_F8));
  rt::Window* w = driver.waitForWindow("BrowseWebPages2");
  ASSERT_TRUE(w);
  EXPECT_NE(w->thread(), programThread);
  EXPECT_EQ(rt::requestedStack(w->thread()), kSmallStack);
  EXPECT_EQ(driver.focusWindow(), w);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  EXPECT_TRUE(driver.waitForClose("BrowseWebPages2"));
  exitProgram();
}

// At its designed size inside the frame, not at the least its layout needs.
TEST_F(QuickViewKeys, F8OpensAtItsDesignedSizeWithinTheFrame) {
  ASSERT_NE(startProgram(), nullptr);
  passSplash();
  driver.activate(frame);
  ASSERT_TRUE(driver.hitKey(Qt::Key_F8));
  rt::Window* w = driver.waitForWindow("BrowseWebPages2");
  ASSERT_TRUE(w);
  driver.pump();
  const QRect room = frame->mdiArea()->viewport()->rect();
  EXPECT_TRUE(room.contains(w->topLevel()->geometry()));
  const QSize designed(w->desc().width, w->desc().height);
  ASSERT_FALSE(designed.isEmpty());
  const QSize decoration = w->topLevel()->size() - w->widget()->size();
  EXPECT_EQ(w->widget()->size(), designed.boundedTo(room.size() - decoration));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  EXPECT_TRUE(driver.waitForClose("BrowseWebPages2"));
  exitProgram();
}

}  // namespace
}  // namespace admintest
