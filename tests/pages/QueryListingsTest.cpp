// The listings of the last query: the rows the filter in `queryfilter` selects in each
// listing's order, the page listings that keep to their own file's filter, the filter's cut
// at 1999 bytes, and a filter that cannot be read.
#include <cstring>

#include "dictionary/Globals.h"
#include "pages/CrossReference.h"
#include "pages/PageDetails.h"
#include "pages/QueryListings.h"
#include "tests/pages/QueryDialogDriving.h"
#include "tests/support/ReportsTestFixture.h"

namespace domaintest {
namespace {

// A detail record by its page path, domain and the text the listing shows of it.
struct Row {
  const char* path;
  const char* domain;
  const char* text;
};

// The fields of a detail file that the rows fill.
struct DetailFields {
  const rt::FileDesc& (*desc)();
  const char* path;
  const char* domain;
  const char* text;
};

const DetailFields kImages{&WPIMGDesc, "WPI:WEBPAGEPATHNAME", "WPI:DOMAINNAME", "WPI:WEBPAGEIMG"};
const DetailFields kLinks{&WPLinksDesc, "WPL:WEBPAGEPATHNAME", "WPL:DOMAINNAME", "WPL:WEBPAGELINK"};
const DetailFields kMetas{&WPMetaDesc, "WPM:WEBPAGEPATH", "WPM:DOMAINNAME", "WPM:METACONTENTS"};
const DetailFields kScripts{&WPScriptsDesc, "WPS:WEBPAGEPATHNAME", "WPS:DOMAINNAME",
                            "WPS:SCRIPTLINE1"};
const DetailFields kForms{&WPFormDesc, "WPF:WEBPAGEPATHNAME", "WPF:DOMAINNAME", "WPF:FORMLINE1"};

void addRows(const DetailFields& f, std::initializer_list<Row> rows) {
  const rt::FileDesc& desc = f.desc();
  std::vector<char> rec(desc.recordSize);
  rt::KeyedFile file(desc, rec.data());
  if (!rt::FileExists(file.path())) {
    ASSERT_TRUE(file.create());
  }
  ASSERT_TRUE(file.open());
  auto set = [&](const char* name, const char* value) {
    const rt::FieldDesc& d = desc.fields[static_cast<std::size_t>(desc.fieldIndex(name))];
    rt::assignPadded(rec.data() + d.offset, d.size, value);
  };
  for (const Row& r : rows) {
    std::fill(rec.begin(), rec.end(), ' ');
    for (const rt::FieldDesc& d : desc.fields)
      if (d.type != rt::FieldType::String) std::memset(rec.data() + d.offset, 0, d.size);
    set(f.path, r.path);
    set(f.domain, r.domain);
    set(f.text, r.text);
    ASSERT_TRUE(file.add());
  }
  ASSERT_TRUE(file.close());
}

constexpr int kFind = 3, kPrint = 6, kClose = 10;  // a view's buttons

class QueryListingsTest : public ReportsTest {
 protected:
  // A view's query of one field equal to a value, printed from the view; the listing's
  // preview, left open. The view closes when the preview has.
  rt::Window* printQuery(void (*view)(), const char* name, std::size_t field, const char* value,
                         const char* title) {
    rt::Window* v = open(view, name);
    EXPECT_TRUE(v);
    if (!v) return nullptr;
    typeQuery(driver, v, kFind, field, value, 'e');
    EXPECT_TRUE(driver.press(v, kPrint));
    view_ = v;
    viewName_ = name;
    return driver.waitForWindow(std::string("Print Preview - ") + title);
  }
  void closeView() {
    if (!view_) return;
    driver.press(view_, kClose);
    EXPECT_TRUE(driver.waitForClose(viewName_));
    view_ = nullptr;
  }

  std::vector<std::string> listed(void (*listing)(), const char* title, const char* field) {
    rt::Window* w = preview(listing, title);
    EXPECT_TRUE(w);
    if (!w) return {};
    std::vector<std::string> out = printed(w, field);
    closePreview(w);
    return out;
  }

 private:
  rt::Window* view_ = nullptr;
  std::string viewName_;
};

TEST_F(QueryListingsTest, ViewsQueryPrintsTheRowsItSelectsInTheListingsOrder) {
  const struct {
    void (*view)();
    const char* name;
    const char* title;
    const DetailFields& fields;
    std::vector<std::string> selected;  // of the rows below, in the listing's order
  } cases[] = {
      {&pages::viewimages,
       "viewimages",
       "Selected Images Listing",
       kImages,
       {"x2", "z", "x1", "y"}},
      {&pages::viewscripts,
       "viewscripts",
       "Selected Script Listing",
       kScripts,
       {"x2", "z", "x1", "y"}},
      {&pages::viewforms, "viewforms", "Selected Forms Listing", kForms, {"x2", "z", "x1", "y"}},
      {&pages::viewlinks, "viewlinks", "Selected Links Listing", kLinks, {"y", "z", "x1", "x2"}},
      {&pages::viewmeta, "viewmeta", "Selected Meta Tags Listing", kMetas, {"z", "y", "x2", "x1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    addRows(c.fields, {{"/b", "a.com", "x2"},
                       {"/a", "a.com", "z"},
                       {"/a", "b.com", "q"},
                       {"/b", "A.com", "x1"},
                       {"/a", "a.com", "y"}});
    rt::Window* w = printQuery(c.view, c.name, 0, "a.com", c.title);  // on the domain
    ASSERT_TRUE(w);
    EXPECT_EQ(printed(w, c.fields.text), c.selected);
    closePreview(w);
    closeView();
  }
}

TEST_F(QueryListingsTest, PageListingsApplyOnlyAFilterAViewOfTheirOwnFileLeft) {
  addRows(kMetas, {{"/a", "a.com", "k"}, {"/b", "a.com", "other"}, {"/a", "a.com", "d"}});
  addRows(kLinks, {{"/a", "a.com", "k"}, {"/b", "a.com", "other"}, {"/a", "a.com", "d"}});
  addRows(kImages, {{"/a", "a.com", "k"}});
  const struct {
    const char* name;
    void (*browse)();
    const char* browseName;
    const char* title;
    const DetailFields& fields;
    std::vector<std::string> page;  // the rows of page "/a", in the listing's order
    void (*view)();                 // the view of the same file, and its field of the text
    const char* viewName;
    std::size_t textField;
  } listings[] = {
      {"listmetas2",
       &pages::BrowseMeta,
       "BrowseMeta",
       "Selected Meta Tags Listing",
       kMetas,
       {"k", "d"},
       &pages::viewmeta,
       "viewmeta",
       3},
      {"listlinks2",
       &pages::BrowseLinks,
       "BrowseLinks",
       "Selected Links Listing",
       kLinks,
       {"d", "k"},
       &pages::viewlinks,
       "viewlinks",
       2},
  };
  enum class Left { Nothing, ForItsFile, ForAnotherFile, ByOtherMeans };
  const struct {
    const char* why;
    Left left;
    bool applied;
  } filters[] = {
      {"no filter", Left::Nothing, false},
      {"its own file's filter", Left::ForItsFile, true},
      {"another file's filter", Left::ForAnotherFile, false},
      {"a filter not left by a view", Left::ByOtherMeans, false},
  };
  for (const auto& l : listings)
    for (const auto& f : filters) {
      SCOPED_TRACE(std::string(l.name) + " with " + f.why);
      rt::Window* left = nullptr;
      switch (f.left) {
        case Left::Nothing:
          queryfilter[0] = '\0';
          break;
        case Left::ForItsFile:
          left = printQuery(l.view, l.viewName, l.textField, "d", l.title);
          break;
        case Left::ForAnotherFile:
          left = printQuery(&pages::viewimages, "viewimages", 2, "k", "Selected Images Listing");
          break;
        case Left::ByOtherMeans:
          std::strcpy(queryfilter, (std::string(l.fields.text) + " = 'd'").c_str());
          break;
      }
      if (left) {
        closePreview(left);
        closeView();
      }
      WEB = WebPagesBuffer{};
      WEB.PAGEPATH = "/a";
      WPI = WPIMGRecord{};  // an images filter, applied here, would then pass nothing
      rt::Window* b = open(l.browse, l.browseName);
      ASSERT_TRUE(b);
      ASSERT_TRUE(driver.press(b, 5));  // the print button
      rt::Window* w = driver.waitForWindow(std::string("Print Preview - ") + l.title);
      ASSERT_TRUE(w);
      const std::vector<std::string> expected = f.applied ? std::vector<std::string>{"d"} : l.page;
      EXPECT_EQ(printed(w, l.fields.text), expected);
      closePreview(w);
      driver.close(b);
      ASSERT_TRUE(driver.waitForClose(l.browseName));
    }
}

TEST_F(QueryListingsTest, FilterReachesTheListingCutAt1999Bytes) {
  addRows(kImages, {{"/a", "a.com", "a.gif"}, {"/a", "a.com", "b.gif"}});
  std::string filter = "wpi:webpageimg = 'a.gif'";
  filter.resize(1999, ' ');
  filter += " or wpi:webpageimg = 'b.gif'";
  filter.resize(2500, ' ');
  pages::HandOverQuery(filter, &WPIMGDesc());
  EXPECT_EQ(std::strlen(queryfilter), 1999u);
  EXPECT_EQ(listed(&pages::listimages, "Selected Images Listing", "WPI:WEBPAGEIMG"),
            std::vector<std::string>{"a.gif"});
}

TEST_F(QueryListingsTest, FilterTheLanguageCannotReadIsToldAndNothingPrinted) {
  addRows(kImages, {{"/a", "a.com", "a.gif"}});
  const struct {
    const char* filter;
    const char* fault;
  } cases[] = {{"wpi:webpageimg = ('a.gif'", "'(' without a matching ')'"},
               {"nosuchname = 1", "unknown name 'nosuchname'"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    pages::HandOverQuery(c.filter, &WPIMGDesc());
    driver.start(&pages::listimages, 50000, "listimages");
    QMessageBox* box = driver.waitForMessageBox();
    ASSERT_TRUE(box);
    const std::string said = driver.messageText(box);
    EXPECT_NE(said.find(std::string("The query cannot be used: ") + c.fault), std::string::npos)
        << said;
    ASSERT_TRUE(driver.answer(rt::button::Ok));
    driver.waitForThreadsToEnd();
    EXPECT_FALSE(driver.find("Print Preview - Selected Images Listing"));
  }
}

}  // namespace
}  // namespace domaintest
