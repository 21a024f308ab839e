// The listings of the last query: the rows the filter in `queryfilter` selects in each
// listing's order, the page listings that keep to their own file's filter, the filter's cut
// at 1999 bytes, and a filter that cannot be read.
#include <cstring>

#include "ReportsTestFixture.h"
#include "dictionary/Globals.h"
#include "pages/PageDetails.h"
#include "pages/QueryListings.h"

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

class QueryListingsTest : public ReportsTest {
 protected:
  std::vector<std::string> listed(void (*listing)(), const char* title, const char* field) {
    rt::Window* w = preview(listing, title);
    EXPECT_TRUE(w);
    if (!w) return {};
    std::vector<std::string> out = printed(w, field);
    closePreview(w);
    return out;
  }
};

TEST_F(QueryListingsTest, ListingPrintsTheRowsTheFilterSelectsInItsOrder) {
  const struct {
    void (*listing)();
    const char* title;
    const DetailFields& fields;
    std::vector<std::string> selected;  // of the rows below, in the listing's order
  } cases[] = {
      {&pages::listimages, "Selected Images Listing", kImages, {"x2", "z", "x1", "y"}},
      {&pages::listscripts, "Selected Script Listing", kScripts, {"x2", "z", "x1", "y"}},
      {&pages::listforms2, "Selected Forms Listing", kForms, {"x2", "z", "x1", "y"}},
      {&pages::listlinks, "Selected Links Listing", kLinks, {"y", "z", "x1", "x2"}},
      {&pages::listmetas, "Selected Meta Tags Listing", kMetas, {"z", "y", "x2", "x1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    addRows(c.fields, {{"/b", "a.com", "x2"},
                       {"/a", "a.com", "z"},
                       {"/a", "b.com", "q"},
                       {"/b", "a.com", "x1"},
                       {"/a", "a.com", "y"}});
    const std::string prefix = std::string(c.fields.domain).substr(0, 4);
    pages::LeaveQueryFilter(c.fields.desc(), "upper(" + prefix + "domainname) = 'A.COM'");
    EXPECT_EQ(listed(c.listing, c.title, c.fields.text), c.selected);
    // Every row, once no query is left.
    pages::LeaveQueryFilter(c.fields.desc(), "");
    EXPECT_EQ(listed(c.listing, c.title, c.fields.text).size(), 5u);
  }
}

TEST_F(QueryListingsTest, PageListingsApplyOnlyAFilterLeftForTheirOwnFile) {
  addRows(kMetas, {{"/a", "a.com", "k"}, {"/b", "a.com", "other"}, {"/a", "a.com", "d"}});
  addRows(kLinks, {{"/a", "a.com", "k"}, {"/b", "a.com", "other"}, {"/a", "a.com", "d"}});
  const struct {
    const char* name;
    void (*browse)();
    const char* browseName;
    const char* title;
    const DetailFields& fields;
    std::vector<std::string> page;  // the rows of page "/a", in the listing's order
  } listings[] = {
      {"listmetas2",
       &pages::BrowseMeta,
       "BrowseMeta",
       "Selected Meta Tags Listing",
       kMetas,
       {"k", "d"}},
      {"listlinks2",
       &pages::BrowseLinks,
       "BrowseLinks",
       "Selected Links Listing",
       kLinks,
       {"d", "k"}},
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
      const std::string own = std::string(l.fields.text) + " = 'd'";
      switch (f.left) {
        case Left::Nothing:
          pages::LeaveQueryFilter(l.fields.desc(), "");
          break;
        case Left::ForItsFile:
          pages::LeaveQueryFilter(l.fields.desc(), own);
          break;
        case Left::ForAnotherFile:
          pages::LeaveQueryFilter(WPIMGDesc(), "wpi:webpageimg = 'k'");
          break;
        case Left::ByOtherMeans:
          std::strcpy(queryfilter, own.c_str());
          break;
      }
      WEB = WebPagesBuffer{};
      WEB.PAGEPATH = "/a";
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

TEST_F(QueryListingsTest, FilterIsCutAt1999BytesOnACharacterBoundary) {
  addRows(kImages, {{"/a", "a.com", "a.gif"}, {"/a", "a.com", "b.gif"}});
  std::string filter = "wpi:webpageimg = 'a.gif'";
  filter.resize(1999, ' ');
  filter += " or wpi:webpageimg = 'b.gif'";
  filter.resize(2500, ' ');
  pages::LeaveQueryFilter(WPIMGDesc(), filter);
  EXPECT_EQ(std::strlen(queryfilter), 1999u);
  EXPECT_EQ(listed(&pages::listimages, "Selected Images Listing", "WPI:WEBPAGEIMG"),
            std::vector<std::string>{"a.gif"});
  pages::LeaveQueryFilter(WPIMGDesc(), std::string(1998, ' ') + "\xC3\xA9");
  EXPECT_EQ(std::strlen(queryfilter), 1998u);
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
    pages::LeaveQueryFilter(WPIMGDesc(), c.filter);
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
