#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <string>

#include "resources/Resources.h"

namespace {

std::string s(const QString& q) {
  return q.toStdString();
}

QImage decode(const QByteArray& bytes, const char* format) {
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer, format);
  return reader.read();
}

// Every picture, icon and cursor the programs name.
const char* const kSystemNames[] = {
    "~tw.ico",     "~hand.cur",  "~note5A.ico",   "Glove.cur",   "Progm039.ico",
    "QkLoad.ico",  "QkQBE.ico",  "chg4.ico",      "delete4.ico", "filefind.ico",
    "insert3.ico", "target.ico", "newtarn 2.jpg", "sondrel.gif",
};

TEST(ResourceNames, EverySystemNameResolves) {
  for (const char* name : kSystemNames) {
    SCOPED_TRACE(name);
    const QString path = rt::resourcePath(name);
    ASSERT_TRUE(path.startsWith(":/")) << s(path);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(rt::resourceBytes(name).isEmpty());
  }
}

TEST(ResourceNames, MatchedAsTheSystemWritesThem) {
  const QString tw = rt::resourcePath("tw.ico");
  ASSERT_FALSE(tw.isEmpty());
  for (const char* spelling : {"~tw.ico", "TW.ICO", "~Tw.Ico", "~tw.ico   ", ":/tw.ico"})
    EXPECT_EQ(rt::resourcePath(spelling), tw) << spelling;
  EXPECT_EQ(rt::resourcePath("NEWTARN 2.JPG"), rt::resourcePath("newtarn 2.jpg"));
}

TEST(ResourceNames, UnknownOrPathLikeNamesGiveNothing) {
  for (const char* name :
       {"", "   ", "~", "nothere.ico", "newtarn2.jpg", "help/tarnwick/index.html", "../tw.ico",
        "images/tw.ico", "docs/policy.html"}) {
    EXPECT_TRUE(rt::resourcePath(name).isEmpty()) << name;
    EXPECT_TRUE(rt::resourceBytes(name).isEmpty()) << name;
  }
}

TEST(ResourceNames, MarkedNamesAreReachableByQtDirectly) {
  // The window layer opens ":/" + the system's name.
  for (const char* name : {"~tw.ico", "~hand.cur", "~note5A.ico"}) {
    QFile f(QStringLiteral(":/") + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    EXPECT_EQ(f.readAll(), rt::resourceBytes(name)) << name;
  }
}

TEST(ResourceNames, EveryCommittedPictureIsCompiledIn) {
  QDir dir(TW_IMAGES_DIR);
  const QStringList files = dir.entryList(QDir::Files);
  ASSERT_GE(files.size(), 14);
  for (const QString& f : files) {
    QFile disk(dir.filePath(f));
    ASSERT_TRUE(disk.open(QIODevice::ReadOnly));
    EXPECT_EQ(rt::resourceBytes(f.toStdString()), disk.readAll()) << s(f);
  }
}

TEST(Pictures, IconsHoldTheUsualSizes) {
  for (const char* name : kSystemNames) {
    const std::string n(name);
    if (!n.ends_with(".ico")) continue;
    SCOPED_TRACE(n);
    QBuffer buffer;
    buffer.setData(rt::resourceBytes(n));
    QImageReader reader(&buffer, "ico");
    QSet<int> widths;
    do {
      const QImage img = reader.read();
      ASSERT_FALSE(img.isNull()) << s(reader.errorString());
      EXPECT_EQ(img.width(), img.height());
      EXPECT_TRUE(img.hasAlphaChannel());
      widths.insert(img.width());
    } while (reader.jumpToNextImage());
    EXPECT_TRUE(widths.contains(16));
    EXPECT_TRUE(widths.contains(32));
  }
}

TEST(Pictures, CursorsAreCursorsWithTheFingertipAsHotSpot) {
  for (const char* name : {"Glove.cur", "~hand.cur"}) {
    SCOPED_TRACE(name);
    const auto hot = rt::cursorHotSpot(name);
    ASSERT_TRUE(hot.has_value());
    const QImage img = decode(rt::resourceBytes(name), "cur");
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.size(), QSize(32, 32));
    EXPECT_TRUE(QRect(QPoint(0, 0), img.size()).contains(*hot));
    // The hot spot sits on the drawn finger's tip: visible, near the top.
    EXPECT_GT(qAlpha(img.pixel(hot->x(), hot->y() + 1)), 0);
    EXPECT_LT(hot->y(), 6);
  }
  EXPECT_FALSE(rt::cursorHotSpot("~tw.ico").has_value());
  EXPECT_FALSE(rt::cursorHotSpot("nothere.cur").has_value());
}

// The frame's background goes through libjpeg's baseline decoder in the window layer.
TEST(Pictures, FrameBackgroundIsABaselineJpeg) {
  const QByteArray jpg = rt::resourceBytes("newtarn 2.jpg");
  EXPECT_LT(jpg.size(), 150 * 1024);
  ASSERT_GT(jpg.size(), 4);
  EXPECT_EQ(static_cast<unsigned char>(jpg[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(jpg[1]), 0xD8);
  bool baseline = false;
  bool progressive = false;
  for (qsizetype i = 2; i + 3 < jpg.size();) {
    if (static_cast<unsigned char>(jpg[i]) != 0xFF) break;
    const auto marker = static_cast<unsigned char>(jpg[i + 1]);
    if (marker == 0xC0) baseline = true;
    if (marker == 0xC2) progressive = true;
    if (marker == 0xDA) break;  // the scan: no frame header follows
    const int length =
        static_cast<unsigned char>(jpg[i + 2]) << 8 | static_cast<unsigned char>(jpg[i + 3]);
    i += 2 + length;
  }
  EXPECT_TRUE(baseline);
  EXPECT_FALSE(progressive);
  const QImage img = decode(jpg, "jpeg");
  EXPECT_EQ(img.size(), QSize(1024, 768));
}

TEST(Pictures, PageReaderBackgroundIsAGif) {
  const QByteArray gif = rt::resourceBytes("sondrel.gif");
  EXPECT_TRUE(gif.startsWith("GIF8"));
  EXPECT_FALSE(decode(gif, "gif").isNull());
}

}  // namespace

namespace {

// The window procedures of each program; each has its own help page.
const char* const kTarnwickWindows[] = {
    "Main",          "splash",          "notice",           "BrowseDomains",    "UpdateDomains",
    "PrintDomains",  "PrintDomains2",   "BrowseRegistrars", "UpdateRegistrars", "PrintRegistrars",
    "BrowseHosts",   "UpdateHosts",     "PrintHosts",       "comparisons",      "BrowseNotes",
    "Updatednotes",  "printnote",       "cpanel2",          "browsecpanel",     "controlpanel",
    "cpwarn",        "closit",          "BrowseWebPages",   "updatewebpages1",  "webpagereport",
    "listwebpages",  "BrowseWebPages2", "UpdateWebPages",   "UpdateWebQV",      "BrowseLinks",
    "BrowseImages",  "BrowseMeta",      "browsescripts",    "browseforms",      "SelectWebPages",
    "UpdateWPLinks", "UpdateWPIMG",     "UpdateWPMeta",     "UpdateWPScripts",  "UpdateWPForm",
    "PrintScript",   "printform",       "PrintImage",       "PrintImage2",      "PrintImage3",
    "preimgreport",  "viewimages",      "viewforms",        "viewlinks",        "viewmeta",
    "viewscripts",   "listimages",      "listforms2",       "listlinks",        "listlinks2",
    "listmetas",     "listmetas2",      "listscripts",      "delpages",         "ChgLoPaWindow",
    "ChgLoPath",     "chgcurruse",      "ChgLoPath1",       "RebuildIndexes",
};
const char* const kSondrelWindows[] = {
    "Main",          "splash",         "readpages",      "getdom",
    "delpages",      "BrowseWebPages", "UpdateWebPages", "UpdateWPMeta",
    "UpdateWPLinks", "UpdateWPForm",   "UpdateWPIMG",    "UpdateWPScripts",
};

QString readText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(HelpBooks, EveryWindowHasItsOwnPage) {
  struct Book {
    const char* program;
    std::vector<const char*> windows;
  };
  const Book books[] = {
      {"tarnwick", {std::begin(kTarnwickWindows), std::end(kTarnwickWindows)}},
      {"sondrel", {std::begin(kSondrelWindows), std::end(kSondrelWindows)}},
  };
  // Procedures that show another procedure's window open that window's page.
  const QHash<QString, QString> sharedPages = {
      {"tarnwick/UpdateWebPages", "UpdateWebQV"},
      {"tarnwick/ConfigureControlPanel", "browsecpanel"},
      {"sondrel/SondrelProgram", "Main"},
      {"sondrel/BrowseChooser", "getdom"},
  };
  for (const Book& b : books) {
    const QString contents = rt::helpPage(b.program);
    ASSERT_EQ(contents, QStringLiteral(":/help/%1/index.html").arg(b.program));
    for (const char* w : b.windows) {
      const QString page = rt::helpPage(b.program, w);
      const QString shared = sharedPages.value(QStringLiteral("%1/%2").arg(b.program, w));
      EXPECT_EQ(page,
                QStringLiteral(":/help/%1/%2.html").arg(b.program, shared.isEmpty() ? w : shared))
          << b.program << w;
      EXPECT_TRUE(readText(page).contains("<h1>")) << w;
    }
  }
}

TEST(HelpBooks, NamesAreMatchedAsTheProgramsGiveThem) {
  const QString page = rt::helpPage("tarnwick", "BrowseDomains");
  EXPECT_EQ(rt::helpPage("TARNWICK.HLP", "browsedomains"), page);
  EXPECT_EQ(rt::helpPage("Tarnwick", "BrowseDomains   "), page);
  EXPECT_EQ(rt::helpPage("tarnwick.exe", "BROWSEDOMAINS"), page);
  // The same procedure name is a different page in the other program's book.
  EXPECT_NE(rt::helpPage("sondrel", "UpdateWebPages"), rt::helpPage("tarnwick", "UpdateWebPages"));
  EXPECT_TRUE(readText(rt::helpPage("sondrel", "UpdateWebPages")).contains("Use Tarnwick"));
}

TEST(HelpBooks, UnknownPagesFallBackToTheContents) {
  const QString contents = rt::helpPage("tarnwick");
  for (const char* proc : {"", "   ", "NoSuchWindow", "../sondrel/Main", "index/..", "help.css"})
    EXPECT_EQ(rt::helpPage("tarnwick", proc), contents) << proc;
  for (const char* program : {"", "nosuchprogram", "help", "docs"})
    EXPECT_TRUE(rt::helpPage(program, "Main").isEmpty()) << program;
}

// Every link of every page leads to a page or stylesheet that is compiled in, every page
// is on the contents page or shares its text with one that is, and each uses the stylesheet.
TEST(HelpBooks, PagesAreLinkedAndComplete) {
  const QRegularExpression href(QStringLiteral("href=\"([^\"#]+)\""));
  for (const char* program : {"tarnwick", "sondrel"}) {
    SCOPED_TRACE(program);
    const QString dir = QStringLiteral(":/help/%1").arg(program);
    const QString index = readText(dir + "/index.html");
    QSet<QString> listedTexts;
    for (const auto& m : href.globalMatch(index)) {
      const QString target = dir + "/" + m.captured(1);
      if (target.endsWith(".html")) listedTexts.insert(readText(target));
    }
    QDirIterator it(dir, {QStringLiteral("*.html")}, QDir::Files);
    int pages = 0;
    while (it.hasNext()) {
      const QString path = it.next();
      const QString text = readText(path);
      ++pages;
      EXPECT_TRUE(text.contains("href=\"../help.css\"")) << s(path);
      EXPECT_TRUE(text.contains("<title>")) << s(path);
      if (!path.endsWith("index.html")) {
        EXPECT_TRUE(listedTexts.contains(text)) << s(path) << " is not on the contents page";
      }
      for (const auto& m : href.globalMatch(text)) {
        const QString link = m.captured(1);
        if (link.startsWith("http")) continue;
        EXPECT_TRUE(QFile::exists(QDir::cleanPath(dir + "/" + link)))
            << s(path) << " -> " << s(link);
      }
    }
    EXPECT_GT(pages, 10);
  }
}

// The help window is a rich-text view: it must find and apply the shared stylesheet. A bare
// document loads resources from files only, so the book's own folder stands in for ":/help".
TEST(HelpBooks, RichTextViewAppliesTheStylesheet) {
  const QString page = QStringLiteral(TW_HELP_DIR "/tarnwick/BrowseDomains.html");
  ASSERT_EQ(readText(page), readText(rt::helpPage("tarnwick", "BrowseDomains")));
  QTextDocument doc;
  doc.setBaseUrl(QUrl::fromLocalFile(page));
  doc.setHtml(readText(page));
  bool sawHeading = false;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    if (b.text() != "Browse the Domains File") continue;
    sawHeading = true;
    EXPECT_EQ(b.begin().fragment().charFormat().foreground().color(), QColor("#2d5f86"));
  }
  EXPECT_TRUE(sawHeading);
}

TEST(HelpBooks, QuotedHelpTextsAreOnTheirPages) {
  struct Text {
    const char* program;
    const char* page;
    const char* text;
  };
  const Text texts[] = {
      {"tarnwick", "Updatednotes", "Is this note to be used as a reminder?"},
      {"tarnwick", "UpdateDomains", "Be sure to include drive letter in path."},
      {"tarnwick", "updatewebpages1", "Uses your text editor to view html source."},
      {"tarnwick", "viewimages", "Use Find By to select specific records."},
      {"tarnwick", "UpdateRegistrars", "This is the regular annual fee for one domain name."},
      {"sondrel", "readpages",
       "Pressing this button will start the process of reading in your pages."},
      {"sondrel", "getdom", "This is the actual domain name that you have registered."},
  };
  for (const Text& t : texts)
    EXPECT_TRUE(readText(rt::helpPage(t.program, t.page)).contains(t.text))
        << t.page << ": " << t.text;
}

TEST(Documents, ExtractedDocumentMatchesTheShippedOne) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"policy.html", "links.html", "POLICY.HTML"}) {
    SCOPED_TRACE(name);
    const QString path = rt::extractDocument(name, dir.path());
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isAbsolute());
    EXPECT_EQ(QFileInfo(path).dir().canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(QFileInfo(path).fileName(), QString::fromLatin1(name).toLower());
    QFile shipped(QStringLiteral(":/docs/") + QFileInfo(path).fileName());
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_EQ(readText(path).toUtf8(), shipped.readAll());
  }
  EXPECT_TRUE(readText(rt::extractDocument("policy.html", dir.path()))
                  .contains("Policy: Returns and Support"));
  EXPECT_TRUE(readText(rt::extractDocument("links.html", dir.path())).contains("Useful Links"));
}

TEST(Documents, ReplacesAnOlderCopyAndMakesTheDirectory) {
  QTemporaryDir dir;
  const QString sub = dir.filePath("docs/deeper");
  const QString first = rt::extractDocument("links.html", sub);
  ASSERT_FALSE(first.isEmpty());
  {
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("stale");
  }
  EXPECT_EQ(rt::extractDocument("links.html", sub), first);
  EXPECT_TRUE(readText(first).contains("Useful Links"));
}

TEST(Documents, UnknownOrEscapingNamesWriteNothing) {
  QTemporaryDir dir;
  for (const char* name : {"", "nothere.html", "../policy.html", "docs/policy.html", "/etc/passwd",
                           "tw.ico", "~tw.ico"}) {
    EXPECT_TRUE(rt::extractDocument(name, dir.path()).isEmpty()) << name;
  }
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
  // A directory that cannot be made.
  QFile blocker(dir.filePath("file"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_TRUE(rt::extractDocument("policy.html", dir.filePath("file/sub")).isEmpty());
}

}  // namespace
