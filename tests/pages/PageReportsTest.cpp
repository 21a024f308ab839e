// The page and image reports from the windows that print them: which records each prints,
// the pictures of the image reports, the domain the image prompt hands on, and their PDFs.
#include <QImage>

#include "dictionary/Globals.h"
#include "pages/PageDetails.h"
#include "pages/PageReports.h"
#include "pages/WebPages.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Picture.h"
#include "tests/support/ReportsTestFixture.h"

namespace domaintest {
namespace {

struct Image {
  const char* path;
  const char* img;
  const char* picture = "";
  const char* domain = "a.com";
};

void addImages(std::initializer_list<Image> images) {
  for (const Image& i : images)
    addRecords<WPIMGRecord>(WPIMGDesc(), {[&](WPIMGRecord& r) {
                              r.WEBPAGEPATHNAME = i.path;
                              r.WEBPAGEIMG = i.img;
                              r.IMAGEPATH = i.picture;
                              r.DOMAINNAME = i.domain;
                              r.PAGE = "index.htm";
                            }});
}

class PageReportsTest : public ReportsTest {
 protected:
  // Every text a page prints for the controls of a kind, page after page.
  static std::vector<std::string> printedKind(rt::Window* w, rt::ReportControlKind kind) {
    std::vector<std::string> out;
    const rt::ReportDocument* doc = rt::previewDocument(w);
    for (int p = 1; doc && p <= doc->pageCount(); ++p)
      for (const rt::DrawnControl& d : doc->layoutPage(p))
        if (d.control->kind == kind) out.push_back(d.text);
    return out;
  }
  // Presses a window's print button; the preview it opens on the window's own thread.
  rt::Window* printFrom(rt::Window* w, int button, const char* title) {
    EXPECT_TRUE(driver.press(w, button));
    rt::Window* p = driver.waitForWindow(std::string("Print Preview - ") + title);
    if (p) {
      EXPECT_EQ(p->thread(), w->thread());
    }
    return p;
  }
  std::string picture(const char* name, const char* format, Qt::GlobalColor colour) {
    QImage img(160, 90, QImage::Format_RGB32);
    img.fill(colour);
    const QString path = dir.path() + "/" + name;
    EXPECT_TRUE(img.save(path, format));
    return path.toStdString();
  }
  void pageBuffer(const char* domain, const char* path) {
    WEB = WebPagesBuffer{};
    WEB.DOMAINNAME = domain;
    WEB.PAGEPATH = path;
  }
};

TEST_F(PageReportsTest, ListingPrintsOnlyTheDomainsPagesByPageName) {
  addRecords<WebPagesRecord>(WebPagesDesc(), {[](WebPagesRecord& r) {
                                                r.DOMAINNAME = "a.com";
                                                r.PAGENAME = "z.htm";
                                              },
                                              [](WebPagesRecord& r) {
                                                r.DOMAINNAME = "b.com";
                                                r.PAGENAME = "a.htm";
                                              },
                                              [](WebPagesRecord& r) {
                                                r.DOMAINNAME = "a.com";
                                                r.PAGENAME = "m.htm";
                                              },
                                              [](WebPagesRecord& r) {
                                                r.DOMAINNAME = "a.com";
                                                r.PAGENAME = "B.htm";
                                              }});
  DOM.DOMAINNAME = "a.com";
  rt::Window* b = open(&pages::BrowseWebPages, "BrowseWebPages");
  ASSERT_TRUE(b);
  rt::Window* w = printFrom(b, 9, "Report the WebPages File");  // "&Print Web Page Listing"
  ASSERT_TRUE(w);
  EXPECT_EQ(printed(w, "WEB:PAGENAME"), (std::vector<std::string>{"B.htm", "m.htm", "z.htm"}));
  EXPECT_EQ(printed(w, "WEB:DOMAINNAME"), std::vector<std::string>(3, "a.com"));
  closePreview(w);
}

TEST_F(PageReportsTest, ScriptAndFormReportsPrintEachBlockOfThePageWithItsFortyLines) {
  for (const char* path : {"/p.htm", "/q.htm", "/p.htm"})
    addRecords<WPScriptsRecord>(WPScriptsDesc(), {[&](WPScriptsRecord& r) {
                                  r.WEBPAGEPATHNAME = path;
                                  r.SCRIPTLINE1 = std::string(path) + " first";
                                  r.SCRIPTLINE40 = "last";
                                }});
  addRecords<WPFormRecord>(WPFormDesc(), {[](WPFormRecord& r) {
                             r.WEBPAGEPATHNAME = "/p.htm";
                             r.FORMLINE40 = "</form>";
                           }});
  pageBuffer("a.com", "/p.htm");
  rt::Window* b = open(&pages::browsescripts, "browsescripts");
  ASSERT_TRUE(b);
  rt::Window* w = printFrom(b, 5, "Script Report");
  ASSERT_TRUE(w);
  EXPECT_EQ(printed(w, "WPS:SCRIPTLINE1"),
            (std::vector<std::string>{"/p.htm first", "/p.htm first"}));
  EXPECT_EQ(printed(w, "WPS:SCRIPTLINE2"), std::vector<std::string>(2, ""));
  EXPECT_EQ(printed(w, "WPS:SCRIPTLINE40"), std::vector<std::string>(2, "last"));
  std::size_t lines = 0;
  for (int n = 1; n <= 40; ++n) lines += printed(w, "WPS:SCRIPTLINE" + std::to_string(n)).size();
  EXPECT_EQ(lines, 80u);
  closePreview(w);
  driver.close(b);

  b = open(&pages::browseforms, "browseforms");
  ASSERT_TRUE(b);
  w = printFrom(b, 7, "Form Report");
  ASSERT_TRUE(w);
  EXPECT_EQ(printed(w, "WPF:FORMLINE40"), std::vector<std::string>{"</form>"});
  closePreview(w);
}

TEST_F(PageReportsTest, ImageFormPrintsOnlyTheImageShownWithItsPicture) {
  const std::string shown = picture("shown.png", "PNG", Qt::red);
  addImages({{"/p.htm", "b.gif", "b.png"},
             {"/p.htm", "a.gif", shown.c_str()},
             {"/q.htm", "a.gif", "q.png"},
             {"/p.htm", "a.gif", shown.c_str()}});
  pageBuffer("a.com", "/p.htm");
  rt::Window* b = open(&pages::BrowseImages, "BrowseImages");
  ASSERT_TRUE(b);
  ASSERT_TRUE(driver.press(b, 4));  // "&View Detail" of the first row, an "a.gif"
  rt::Window* f = driver.waitForWindow("UpdateWPIMG");
  ASSERT_TRUE(f);
  rt::Window* w = printFrom(f, 15, "Tarnwick:   Web Page Image");
  ASSERT_TRUE(w);
  EXPECT_EQ(printed(w, "WPI:WEBPAGEIMG"), std::vector<std::string>(2, "a.gif"));
  EXPECT_EQ(printedKind(w, rt::ReportControlKind::Image), std::vector<std::string>(2, shown));
  closePreview(w);
}

TEST_F(PageReportsTest, PageImagesPrintEachWithItsOwnPictureAndBlankTheDomain) {
  const std::string red = picture("red.png", "PNG", Qt::red);
  // Stored with the separator of the pages it was read from.
  std::string blue = picture("blue.jpg", "JPEG", Qt::blue);
  blue[blue.rfind('/')] = '\\';
  const std::string gone = (dir.path() + "/gone.png").toStdString();
  addImages({{"/p.htm", "z.jpg", blue.c_str()},
             {"/q.htm", "other.png", red.c_str()},
             {"/p.htm", "gone.png", gone.c_str()},
             {"/p.htm", "a.png", red.c_str()}});
  pageBuffer("a.com", "/p.htm");
  domainname = "left over";
  rt::Window* b = open(&pages::BrowseImages, "BrowseImages");
  ASSERT_TRUE(b);
  rt::Window* w = printFrom(b, 5, "Tarnwick:   Web Page Image");  // "&Print All Images"
  ASSERT_TRUE(w);
  EXPECT_TRUE(domainname.blank());
  EXPECT_EQ(printed(w, "WPI:WEBPAGEIMG"), (std::vector<std::string>{"a.png", "gone.png", "z.jpg"}));
  EXPECT_EQ(printed(w, "WPI:IMAGEPATH"), (std::vector<std::string>{red, gone, blue}));
  closePreview(w);

  // The two pictures are drawn; the missing one leaves its frame and its file name.
  WPI.WEBPAGEPATHNAME = "/p.htm";
  const std::string text = pdfText(pages::PrintImage2Report());
  EXPECT_NE(text.find("gone.png"), std::string::npos);
  EXPECT_NE(text.find("Image File Name:"), std::string::npos);
  QProcess list;
  list.start("pdfimages", {dir.path() + "/PrintImage2.pdf", "-list"});
  list.waitForFinished(20000);
  // A header of two lines, then one line per picture.
  EXPECT_EQ(QString(list.readAllStandardOutput()).trimmed().split('\n').size(), 2 + 2);
}

TEST_F(PageReportsTest, DomainImagesMatchTheDomainAsTyped) {
  addImages({{"/p.htm", "plain.gif", "", "example.com"},
             {"/p.htm", "prefixed.gif", "", "http://www.example.com"},
             {"/p.htm", "other.gif", "", "other.com"}});
  // The prompt shows the domain as the program holds it; the report blanks it for the next.
  const struct {
    const char* held;
    const char* typed;
    const char* img;
  } cases[] = {{"example.com", "", "plain.gif"}, {"", "http://www.example.com", "prefixed.gif"}};
  domainname = cases[0].held;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.img);
    rt::Window* prompt = open(&pages::preimgreport, "preimgreport");
    ASSERT_TRUE(prompt);
    EXPECT_EQ(prompt->title(), "Print Images");
    EXPECT_EQ(driver.text(prompt, 4), c.held);
    ASSERT_EQ(driver.focusedControl(), 4);
    ASSERT_TRUE(driver.typeKeys(c.typed));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Return));  // OK is the window's default button
    ASSERT_TRUE(driver.waitForClose("preimgreport"));
    rt::Window* w = driver.waitForWindow("Print Preview - Tarnwick:   Web Page Image");
    ASSERT_TRUE(w);
    EXPECT_EQ(printed(w, "WPI:WEBPAGEIMG"), std::vector<std::string>{c.img});
    EXPECT_EQ(printedKind(w, rt::ReportControlKind::Check), std::vector<std::string>{"[ ]"});
    EXPECT_TRUE(domainname.blank());
    closePreview(w);
  }
}

TEST_F(PageReportsTest, WebPagesReportPdfHoldsEveryFieldOfEveryPage) {
  WebPagesBuffer page{};
  rt::KeyedFile f(WebPagesDesc(), &page, {page.Notes.data});
  ASSERT_TRUE(f.create());
  ASSERT_TRUE(f.open());
  for (const char* domain : {"zulu.example", "alpha.example"}) {
    page = WebPagesBuffer{};
    page.DOMAINNAME = domain;
    page.PAGENAME = "index.htm";
    page.USENOW = "Y";
    page.AUTHOR = "Page Author";
    page.PURPOSE = "Front door";
    page.PAGEPATH = "http://www.alpha.example/index.htm";
    page.LOCALPATH = "/sites/alpha/index.htm";
    page.FILEDATETIME = "03/07/26 5:30PM";
    page.IMPLEMENTDATE = rt::dateFromYmd(2027, 3, 7);
    page.LINKTO5 = "fifth-link.htm";
    page.HTMLPAGETITLE = "Welcome to Alpha";
    page.Notes = "Rewrite the front page.";
    ASSERT_TRUE(f.add());
  }
  ASSERT_TRUE(f.close());
  const std::string text = pdfText(pages::webpagereportReport());
  const std::string implemented =
      rt::Picture("@d17").format(rt::DateValue{rt::dateFromYmd(2027, 3, 7)});
  EXPECT_NE(text.find(implemented), std::string::npos) << implemented;
  for (const char* t :
       {"Web Pages Report", "Currently Use:", "Links TO This Page:", "Page Author", "Front door",
        "http://www.alpha.example/index.htm", "/sites/alpha/index.htm", "03/07/26 5:30PM",
        "fifth-link.htm", "Welcome to Alpha", "Rewrite the front page.", "Page 1"})
    EXPECT_NE(text.find(t), std::string::npos) << t;
  EXPECT_LT(text.find("alpha.example"), text.find("zulu.example"));
}

}  // namespace
}  // namespace domaintest
