// The page-detail browses, their view forms and the page selection, over real data files.
#include <QImage>
#include <QLabel>
#include <algorithm>

#include "common/System.h"
#include "pages/PageDetails.h"
#include "tests/support/DomainsTestFixture.h"

namespace {

using namespace domaintest;

// A page's detail record of one kind: which file, which fields say whose it is, the field
// whose text tells the rows apart and the field a view form opens with the focus on.
template <class R, const rt::FileDesc& (*Desc)(), auto Path, auto Domain, auto Text, auto First>
struct Kind {
  static void add(std::string_view domain, std::string_view path, std::string_view text) {
    addRecords<R>(Desc(), {[&](R& r) {
                    r.*Path = path;
                    r.*Domain = domain;
                    r.*Text = text;
                  }});
  }
  static std::vector<std::string> firsts() {
    std::vector<std::string> out;
    for (const R& r : readRecords<R>(Desc())) out.push_back((r.*First).str());
    return out;
  }
};

using Links =
    Kind<WPLinksRecord, &WPLinksDesc, &WPLinksRecord::WEBPAGEPATHNAME, &WPLinksRecord::DOMAINNAME,
         &WPLinksRecord::WEBPAGELINK, &WPLinksRecord::WEBPAGEPATHNAME>;
using Images = Kind<WPIMGRecord, &WPIMGDesc, &WPIMGRecord::WEBPAGEPATHNAME,
                    &WPIMGRecord::DOMAINNAME, &WPIMGRecord::WEBPAGEIMG, &WPIMGRecord::WEBPAGEIMG>;
using Metas = Kind<WPMetaRecord, &WPMetaDesc, &WPMetaRecord::WEBPAGEPATH, &WPMetaRecord::DOMAINNAME,
                   &WPMetaRecord::METANAME, &WPMetaRecord::WEBPAGEPATH>;
using Scripts = Kind<WPScriptsRecord, &WPScriptsDesc, &WPScriptsRecord::WEBPAGEPATHNAME,
                     &WPScriptsRecord::DOMAINNAME, &WPScriptsRecord::SCRIPTLINE1,
                     &WPScriptsRecord::WEBPAGEPATHNAME>;
using Forms =
    Kind<WPFormRecord, &WPFormDesc, &WPFormRecord::WEBPAGEPATHNAME, &WPFormRecord::DOMAINNAME,
         &WPFormRecord::FORMLINE1, &WPFormRecord::WEBPAGEPATHNAME>;

struct Member {
  void (*browse)();
  const char* name;
  void (*formProcedure)();
  const char* form;
  const char* viewing;
  int textColumn;
  int change;        // "&View Detail"
  bool domainEntry;  // else the "Select WebPages" button
  void (*add)(std::string_view, std::string_view, std::string_view);
  std::vector<std::string> (*firsts)();
};

const Member kMembers[] = {
    {&pages::BrowseLinks, "BrowseLinks", &pages::UpdateWPLinks, "UpdateWPLinks",
     "Viewing a Links Record", 1, 4, true, &Links::add, &Links::firsts},
    {&pages::BrowseImages, "BrowseImages", &pages::UpdateWPIMG, "UpdateWPIMG",
     "Viewing an IMG Record", 1, 4, true, &Images::add, &Images::firsts},
    {&pages::BrowseMeta, "BrowseMeta", &pages::UpdateWPMeta, "UpdateWPMeta",
     "Viewing a Meta Record", 1, 4, false, &Metas::add, &Metas::firsts},
    {&pages::browsescripts, "browsescripts", &pages::UpdateWPScripts, "UpdateWPScripts",
     "Viewing a Scripts Record", 1, 4, false, &Scripts::add, &Scripts::firsts},
    {&pages::browseforms, "browseforms", &pages::UpdateWPForm, "UpdateWPForm",
     "Viewing a Form Record", 5, 5, false, &Forms::add, &Forms::firsts},
};

struct Page {
  const char* domain;
  const char* name;
  const char* path;
};
// Two domains' pages share a path; the three orders of the selection tell all three apart.
constexpr Page kShared{"a.com", "m.htm", "/x/index.htm"};
constexpr Page kOtherDomain{"b.com", "a.htm", "/x/index.htm"};
constexpr Page kOwn{"a.com", "z.htm", "/other.htm"};
constexpr Page kBare{"c.com", "bare.htm", "/bare.htm"};

class PageDetailsTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    for (const Page& p : {kShared, kOtherDomain, kOwn, kBare})
      addRecords<WebPagesRecord>(WebPagesDesc(), {[&](WebPagesRecord& r) {
                                   r.DOMAINNAME = p.domain;
                                   r.PAGENAME = p.name;
                                   r.PAGEPATH = p.path;
                                 }});
    for (const Member& m : kMembers)
      for (const Page& p : {kShared, kOtherDomain, kOwn})
        m.add(p.domain, p.path, std::string(p.domain) + p.path);
  }

  // The browse opened with the page in the WebPages buffer, as the page form leaves it.
  rt::Window* browse(const Member& m, const Page& p) {
    WEB = WebPagesBuffer{};
    WEB.DOMAINNAME = p.domain;
    WEB.PAGENAME = p.name;
    WEB.PAGEPATH = p.path;
    return open(m.browse, m.name);
  }

  std::vector<std::string> column(rt::Window* w, int col) {
    std::vector<std::string> out;
    for (int r = 1; r <= driver.rowCount(w, 1); ++r) out.push_back(driver.cell(w, 1, r, col));
    std::sort(out.begin(), out.end());
    return out;
  }

  void closeWindow(rt::Window* w, std::string_view name) {
    driver.close(w);
    EXPECT_TRUE(driver.waitForClose(name));
  }
};

TEST_F(PageDetailsTest, EachBrowseListsTheRowsOfThePagePathWhateverTheDomain) {
  const struct {
    const Page& page;
    std::vector<std::string> rows;
  } cases[] = {
      {kShared, {"a.com/x/index.htm", "b.com/x/index.htm"}},
      {kOwn, {"a.com/other.htm"}},
      {kBare, {}},
  };
  for (const Member& m : kMembers)
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(m.name) + " " + c.page.path);
      rt::Window* w = browse(m, c.page);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(column(w, m.textColumn), c.rows);
      // Nothing to view on a page without details.
      EXPECT_EQ(w->enabled(m.change), !c.rows.empty());
      if (m.domainEntry && c.rows.size() == 2) {
        EXPECT_EQ(w->text(10), "a.com");
        ASSERT_TRUE(driver.hitKey(Qt::Key_Down));
        driver.pump();
        EXPECT_EQ(w->text(10), "b.com");
      }
      closeWindow(w, m.name);
      EXPECT_NE(ini(m.name, "?Browse:1:USER"), "<none>");  // F9's layouts, by member
    }
}

TEST_F(PageDetailsTest, SelectWebPagesSwitchesTheBrowseToThePickedPage) {
  for (const Member& m : kMembers) {
    SCOPED_TRACE(m.name);
    rt::Window* w = browse(m, kBare);
    ASSERT_NE(w, nullptr);
    if (m.domainEntry) {
      EXPECT_EQ(w->controlKind(10), rt::ControlKind::Entry);
    } else if (std::string_view(m.name) == "browsescripts") {
      EXPECT_TRUE(w->hidden(10));
    } else {
      EXPECT_FALSE(w->enabled(m.change));
      ASSERT_TRUE(driver.press(w, 10));
      rt::Window* select = driver.waitForWindow("SelectWebPages");
      ASSERT_NE(select, nullptr);
      // The step locator of the "Names" order, then Enter as the select gesture.
      ASSERT_TRUE(driver.typeKeys("b"));
      ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
      EXPECT_TRUE(driver.waitForClose("SelectWebPages"));
      ASSERT_TRUE(driver.isOpen(w));
      EXPECT_EQ(column(w, m.textColumn),
                (std::vector<std::string>{"a.com/x/index.htm", "b.com/x/index.htm"}));
      EXPECT_TRUE(w->enabled(m.change));
    }
    closeWindow(w, m.name);
  }
}

TEST_F(PageDetailsTest, SelectionOrdersAllPagesByItsTabAndClosesWithTheOutcome) {
  const struct {
    int tab;
    std::vector<std::string> pages;  // page names in list order
  } orders[] = {
      {1, {"m.htm", "z.htm", "a.htm", "bare.htm"}},  // domain, page name
      {2, {"bare.htm", "z.htm", "m.htm", "a.htm"}},  // page path
      {3, {"a.htm", "bare.htm", "m.htm", "z.htm"}},  // page name
  };
  rt::Window* w = open(&pages::SelectWebPages, "SelectWebPages", rt::Request::Select);
  ASSERT_NE(w, nullptr);
  for (const auto& o : orders) {
    SCOPED_TRACE(o.tab);
    ASSERT_TRUE(driver.selectTab(w, 3, o.tab));
    std::vector<std::string> shown;
    for (int r = 1; r <= driver.rowCount(w, 1); ++r) shown.push_back(driver.cell(w, 1, r, 1));
    EXPECT_EQ(shown, o.pages);
  }
  ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
  EXPECT_TRUE(driver.waitForClose("SelectWebPages"));
  driver.waitForThreadsToEnd();
  EXPECT_EQ(rt::callResponse(), rt::RequestCancelled);

  w = open(&pages::SelectWebPages, "SelectWebPages", rt::Request::Select);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Return));
  EXPECT_TRUE(driver.waitForClose("SelectWebPages"));
  driver.waitForThreadsToEnd();
  EXPECT_EQ(rt::callResponse(), rt::RequestCompleted);
}

TEST_F(PageDetailsTest, ViewFormsRefuseInsertAndDeleteRequests) {
  const struct {
    rt::Request request;
    const char* message;
  } refusals[] = {
      {rt::Request::Insert, "This form cannot be used to insert a record"},
      {rt::Request::Delete, "This form cannot be used to delete a record"},
  };
  for (const Member& m : kMembers)
    for (const auto& r : refusals) {
      SCOPED_TRACE(std::string(m.form) + " " + r.message);
      rt::setCallRequest(r.request);
      driver.start(m.formProcedure, 50000, m.form);
      QMessageBox* box = driver.waitForMessageBox();
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(driver.messageCaption(box), "Invalid Request");
      EXPECT_EQ(driver.messageText(box), r.message);
      ASSERT_TRUE(driver.answer(rt::button::Ok));
      driver.waitForThreadsToEnd();
      EXPECT_EQ(rt::callResponse(), rt::RequestCancelled);
      EXPECT_EQ(m.firsts().size(), 3u);
    }
}

TEST_F(PageDetailsTest, ViewFormOkWritesTheCorrectedRecordAndCancelLeavesIt) {
  const struct {
    int key;
    const char* typed;
    const char* stored;
  } endings[] = {
      {Qt::Key_Escape, "3", ""},
      {Qt::Key_Return, "2", "2"},
  };
  for (const Member& m : kMembers) {
    rt::Window* w = browse(m, kOwn);
    ASSERT_NE(w, nullptr);
    const std::string before = m.firsts().at(2);
    for (const auto& e : endings) {
      SCOPED_TRACE(std::string(m.name) + " " + e.typed);
      ASSERT_TRUE(driver.hitKey(Qt::Key_Return));  // "&View Detail"
      rt::Window* form = driver.waitForWindow(m.form);
      ASSERT_NE(form, nullptr);
      EXPECT_EQ(form->title(), m.viewing);
      ASSERT_TRUE(driver.hitKey(Qt::Key_End));
      ASSERT_TRUE(driver.typeKeys(e.typed));
      ASSERT_TRUE(driver.hitKey(e.key));
      EXPECT_TRUE(driver.waitForClose(m.form));
      EXPECT_EQ(m.firsts().at(2), before + e.stored);
    }
    closeWindow(w, m.name);
  }
}

class ImageFormTest : public PageDetailsTest {
 protected:
  // Drawn as the program draws it, its tabs and what stands on them coloured.
  void SetUp() override {
    PageDetailsTest::SetUp();
    SystemTables().look = ColoredTabs;
  }
  void TearDown() override {
    SystemTables().look = nullptr;
    PageDetailsTest::TearDown();
  }

  // The form of the one image of a page of its own, with this local copy.
  rt::Window* imageForm(const std::string& local) {
    const std::string page = "/images/" + std::to_string(++pages) + ".htm";
    addRecords<WPIMGRecord>(WPIMGDesc(), {[&](WPIMGRecord& r) {
                              r.WEBPAGEPATHNAME = page;
                              r.WEBPAGEIMG = "http://example.com/pics/logo.png";
                              r.IMAGEPATH = local;
                            }});
    browser = browse(kMembers[1], {"d.com", "i.htm", page.c_str()});
    if (!browser || !driver.hitKey(Qt::Key_Return)) return nullptr;
    return driver.waitForWindow("UpdateWPIMG");
  }

  void closeBoth() {
    ASSERT_TRUE(driver.hitKey(Qt::Key_Escape));
    EXPECT_TRUE(driver.waitForClose("UpdateWPIMG"));
    closeWindow(browser, "BrowseImages");
  }

  static bool showsPicture(rt::Window* form) {
    const auto* label = qobject_cast<QLabel*>(form->control(101));
    return label && !label->pixmap().isNull();
  }

  rt::Window* browser = nullptr;
  int pages = 0;
};

TEST_F(ImageFormTest, ShowsTheLocalCopyInEachPictureFormat) {
  QImage img(40, 30, QImage::Format_RGB32);
  img.fill(Qt::darkCyan);
  // Qt writes no GIF: a one-pixel one as bytes.
  static const char kGif[] =
      "GIF89a\x01\0\x01\0\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0\x01\0\x01\0\0\x02\x02"
      "\x44\x01\0;";
  const struct {
    const char* file;
    const char* format;  // nullptr: written as the bytes given
    std::string bytes;
  } pictures[] = {
      {"pic.png", "PNG", ""},
      {"pic.jpg", "JPEG", ""},
      {"pic.gif", nullptr, std::string(kGif, sizeof kGif - 1)},
      {"pic.bmp", "BMP", ""},
      {"pic.svg", nullptr,
       "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
       "<rect width='40' height='30' fill='teal'/></svg>"},
      {"", "", ""},
  };
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.file);
    const std::string path = *p.file ? dir.filePath(p.file).toStdString() : "";
    if (p.format && *p.format) {
      ASSERT_TRUE(img.save(QString::fromStdString(path), p.format));
    } else if (!p.format) {
      QFile f(QString::fromStdString(path));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(p.bytes.data(), static_cast<qint64>(p.bytes.size()));
    }
    rt::Window* form = imageForm(path);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(showsPicture(form), !path.empty());
    EXPECT_EQ(imagepath.str(), path);
    closeBoth();
  }
}

TEST_F(ImageFormTest, TheButtonAndTheRegionOverTheAddressOpenTheWebImage) {
  rt::Window* form = imageForm("");
  ASSERT_NE(form, nullptr);
  // The address entry is the first field, focused at opening; the region covers it.
  const int entry = form->focusedControl();
  EXPECT_EQ(form->text(entry), "http://example.com/pics/logo.png");
  QWidget* field = form->control(entry);
  QWidget* region = form->control(100);
  EXPECT_EQ(region->geometry(), field->geometry());
  // The address shows through the region.
  auto drawn = [&] { return field->parentWidget()->grab(field->geometry()).toImage(); };
  const QImage covered = drawn();
  region->hide();
  const QImage bare = drawn();
  region->show();
  EXPECT_TRUE(covered == bare);
  driver.click(form, 100, rt::key::MouseLeft);
  driver.pump();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toString().toStdString(), "http://example.com/pics/logo.png");
  // The button takes the typed address first.
  ASSERT_TRUE(driver.hitKey(Qt::Key_End));
  ASSERT_TRUE(driver.typeKeys("?big"));
  ASSERT_TRUE(driver.press(form, 10));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[1].toString().toStdString(), "http://example.com/pics/logo.png?big");
  closeBoth();
}

}  // namespace
