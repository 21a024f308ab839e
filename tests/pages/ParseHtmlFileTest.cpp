// The page parser end to end: a real page file in a temporary working directory, real detail
// files, the run on a procedure thread and its message boxes answered by the test driver.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QMessageBox>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "pages/ParseHtmlFile.h"
#include "runtime/data/ErrorReporter.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/WindowController.h"
#include "tests/dictionary/DictTestSupport.h"
#include "tests/support/TestDriver.h"

namespace {

constexpr char kPath[] = "/tarn/index.htm";
constexpr char kOtherPath[] = "/tarn/other.htm";
constexpr char kDir[] = "/sites/tarn";

const std::vector<std::string> kPage = {
    "<html>",
    "<head>",
    "<TITLE>Tarn Walks</TITLE>",
    "<meta name=\"keywords\" content=\"tarn, walks\">",
    "<meta name=\"description\"",
    "      content=\"Walks around the tarn\">",
    "<SCRIPT language=\"javascript\">",
    "var a = 1;",
    "",
    "</script>",
    "</head>",
    "<body>",
    "<p><IMG SRC=\"/images/tarn.jpg\" HEIGHT=\"120\" WIDTH=\"200\"></p>",
    "<a href=\"walks.htm\">Walks</a> <a href=\"second.htm\">Second</a>",
    "<form action=\"/cgi-bin/mail\" method=\"post\">",
    "  <input type=\"text\" name=\"email\">",
    "</form>",
    "</body>",
    "</html>",
};

// One detail file as the tests see it: the field that tells its records apart.
struct DetailView {
  rt::KeyedFile* file;
  rt::FileManager** manager;
  int key;
  const char* tagField;
};
const std::vector<DetailView> kViews = {
    {&WPLinks, &WPLinksManager, WPL_PathName, "WPL:WEBPAGELINK"},
    {&WPScripts, &WPScriptsManager, WPS_PageNam, "WPS:SCRIPTLINE1"},
    {&WPForm, &WPFormManager, WPF_PageName, "WPF:FORMLINE1"},
    {&WPIMG, &WPIMGManager, WPI_PageName, "WPI:WEBPAGEIMG"},
    {&WPMeta, &WPMetaManager, WPM_PagePath, "WPM:METANAME"},
};

char* fieldAt(const rt::KeyedFile& f, const char* name) {
  const rt::FileDesc& d = f.desc();
  return static_cast<char*>(f.record()) + d.fields[d.fieldIndex(name)].offset;
}
std::string_view stringField(const rt::KeyedFile& f, const char* name) {
  const rt::FileDesc& d = f.desc();
  return rt::clipView(fieldAt(f, name), d.fields[d.fieldIndex(name)].size);
}
std::string pathOf(const DetailView& v) {
  const rt::FileDesc& d = v.file->desc();
  return std::string(stringField(*v.file, d.fields[d.keys[v.key].components[0]].name.c_str()));
}

struct Shown {
  std::string caption;
  std::string text;
};

class ParseHtmlFileTest : public dicttest::DictionaryTest {
 protected:
  void SetUp() override {
    DictionaryTest::SetUp();
    rt::setClockProvider([] {
      return rt::ClockReading{rt::dateFromYmd(2026, 12, 9), rt::timeFromHms(9, 5)};
    });
    setPage(kPath, "index.htm");
  }
  void TearDown() override {
    rt::setClockProvider(nullptr);
    DictionaryTest::TearDown();
  }

  static void setPage(const char* path, const std::string& localFile) {
    WEB.DOMAINNAME = "tarnwalks.example";
    WEB.PAGENAME = "Home";
    WEB.USENOW = "Y";
    WEB.PAGEPATH = path;
    WEB.LOCALPATH = localFile;
    WEB.LOCALDEFAULTDIRECTORY = kDir;
  }

  static void writePage(const std::string& name, const std::vector<std::string>& lines,
                        const char* end = "\n") {
    std::ofstream out(name, std::ios::binary);
    for (const std::string& l : lines) out << l << end;
  }

  // Two old records per page in every detail file: the page's own and another page's.
  static void seed(const std::vector<const char*>& paths) {
    for (const DetailView& v : kViews) {
      ASSERT_EQ((*v.manager)->TryOpen(), rt::Status::Ok);
      const rt::FileDesc& d = v.file->desc();
      for (const char* path : paths)
        for (const char* tag : {"old one", "old two"}) {
          const auto& pf = d.fields[d.keys[v.key].components[0]];
          rt::assignPadded(fieldAt(*v.file, pf.name.c_str()), pf.size, path);
          rt::assignPadded(fieldAt(*v.file, v.tagField), d.fields[d.fieldIndex(v.tagField)].size,
                           tag);
          ASSERT_TRUE(v.file->add()) << rt::errors().text;
        }
      (*v.manager)->CloseFile();
    }
  }

  // The tag values of a page's records in each detail file, read by a walk in key order.
  static std::vector<std::vector<std::string>> tags(const char* path) {
    std::vector<std::vector<std::string>> out;
    for (const DetailView& v : kViews) {
      EXPECT_EQ((*v.manager)->TryOpen(), rt::Status::Ok);
      std::vector<std::string> found;
      v.file->setKeyOrder(v.key);
      while (v.file->next())
        if (pathOf(v) == path) found.emplace_back(stringField(*v.file, v.tagField));
      out.push_back(found);
      (*v.manager)->CloseFile();
    }
    return out;
  }

  // Runs the parser on a procedure thread, answering its boxes in turn (then "OK").
  std::vector<Shown> run(std::vector<std::string> answers = {"Yes"}) {
    std::vector<Shown> shown;
    driver.start([this] {
      ParseHtmlFile();
      after = WEB;
      countAfter = counttext.str();
      fileAfter = htmlfilename.str();
    });
    std::size_t next = 0;
    for (;;) {
      driver.waitUntil(
          [&] { return driver.messageBox() != nullptr || rt::procedureThreadCount() == 0; }, 20000);
      QMessageBox* box = driver.messageBox();
      if (!box) break;
      shown.push_back({driver.messageCaption(box), driver.messageText(box)});
      EXPECT_TRUE(driver.answer(next < answers.size() ? answers[next++] : "OK"));
      driver.pump();
    }
    driver.waitForThreadsToEnd();
    return shown;
  }

  std::vector<std::string> leftoverTextFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir()))
      if (e.path().extension() == ".txt") names.push_back(e.path().filename().string());
    return names;
  }

  template <class Record>
  static std::vector<Record> recordsOf(const DetailView& v, const Record& buffer,
                                       const char* path) {
    std::vector<Record> out;
    EXPECT_EQ((*v.manager)->TryOpen(), rt::Status::Ok);
    v.file->setKeyOrder(v.key);
    while (v.file->next())
      if (pathOf(v) == path) out.push_back(buffer);
    (*v.manager)->CloseFile();
    return out;
  }

  rt::TestDriver driver;
  rt::RecordingReporter& shown_ = rt::defaultReporter();
  WebPagesRecord after;
  std::string countAfter;
  std::string fileAfter;
};

void setModified(const std::string& file, int y, int mo, int d, int h, int mi) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_isdst = -1;
  const timespec t{std::mktime(&tm), 0};
  const timespec times[2] = {t, t};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

TEST_F(ParseHtmlFileTest, ReadsThePageIntoItsBufferAndDetailFiles) {
  writePage("index.htm", kPage);
  setModified("index.htm", 2024, 3, 7, 17, 30);
  seed({kPath, kOtherPath});

  const auto shown = run();

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Parse HTML File");
  EXPECT_EQ(shown[0].text,
            "Depending upon the size of the file,|this process can take up to several "
            "minutes.||Continue process?");
  EXPECT_EQ(shown[1].caption, "Parse HTML File");
  EXPECT_EQ(shown[1].text, "HTML file read done.");

  EXPECT_EQ(after.HTMLPAGETITLE.str(), "Tarn Walks");
  for (const auto* flag : {&after.DATA1, &after.DATA2, &after.DATA3, &after.DATA4, &after.DATA5})
    EXPECT_EQ(flag->str(), "Y");
  EXPECT_EQ(after.FILEDATETIME.str(), "03/07/24 5:30PM");
  EXPECT_EQ(+after.FILESIZE, static_cast<std::int32_t>(std::filesystem::file_size("index.htm")));
  EXPECT_EQ(after.PAGEREADDATE.str(), "12/09/26 9:05AM");
  EXPECT_TRUE(countAfter.empty());
  EXPECT_TRUE(fileAfter.empty());
  EXPECT_TRUE(leftoverTextFiles().empty());

  const std::int32_t today = rt::dateFromYmd(2026, 12, 9);
  const auto links = recordsOf(kViews[0], WPL, kPath);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].WEBPAGELINK.str(), "walks.htm");
  EXPECT_EQ(+links[0].LINENUMBER, 14);
  EXPECT_EQ(+links[0].RECORDDATE, today);
  EXPECT_EQ(links[0].DOMAINNAME.str(), "tarnwalks.example");
  EXPECT_EQ(links[0].PAGENAME.str(), "Home");

  const auto scripts = recordsOf(kViews[1], WPS, kPath);
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(scripts[0].SCRIPTLINE1.str(), "<SCRIPT language=\"javascript\">");
  EXPECT_EQ(scripts[0].SCRIPTLINE2.str(), "var a = 1;");
  EXPECT_EQ(scripts[0].SCRIPTLINE3.str(), "</script>");
  EXPECT_TRUE(scripts[0].SCRIPTLINE4.blank());
  EXPECT_EQ(+scripts[0].RECORDDATE, today);

  const auto forms = recordsOf(kViews[2], WPF, kPath);
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms[0].FORMLINE1.str(), "<form action=\"/cgi-bin/mail\" method=\"post\">");
  EXPECT_EQ(forms[0].FORMLINE2.str(), "<input type=\"text\" name=\"email\">");
  EXPECT_EQ(forms[0].FORMLINE3.str(), "</form>");
  EXPECT_EQ(+forms[0].LINENUMBER, 15);
  EXPECT_EQ(+forms[0].RECORDDATE, today);
  EXPECT_EQ(forms[0].PAGE.str(), "Home");

  const auto images = recordsOf(kViews[3], WPI, kPath);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].WEBPAGEIMG.str(), "/images/tarn.jpg");
  EXPECT_EQ(images[0].IMAGEPATH.str(), "/sites/tarn/images/tarn.jpg");
  EXPECT_EQ(images[0].HEIGHT.str(), "120");
  EXPECT_EQ(images[0].WIDTH.str(), "200");
  EXPECT_EQ(+images[0].LINENUMBER, 13);
  EXPECT_EQ(+images[0].DATEENTERED, today);
  EXPECT_EQ(images[0].CURRENTLYUSE.str(), "Y");

  const auto metas = recordsOf(kViews[4], WPM, kPath);
  ASSERT_EQ(metas.size(), 2u);
  EXPECT_EQ(metas[0].METANAME.str(), "keywords");
  EXPECT_EQ(metas[0].METACONTENTS.str(), "tarn, walks");
  EXPECT_EQ(metas[1].METANAME.str(), "description");
  EXPECT_EQ(metas[1].METACONTENTS.str(), "Walks around the tarn");
  EXPECT_EQ(metas[1].LOCALPATH.str(), "index.htm");

  // The other page keeps its details.
  for (const auto& found : tags(kOtherPath))
    EXPECT_EQ(found, (std::vector<std::string>{"old one", "old two"}));
}

TEST_F(ParseHtmlFileTest, KeysOfTheDetailFilesHoldEveryRecordAfterwards) {
  writePage("index.htm", kPage);
  seed({kOtherPath, kPath, "/tarn/zz.htm"});
  run();
  for (const DetailView& v : kViews) {
    SCOPED_TRACE(v.file->desc().label);
    ASSERT_EQ((*v.manager)->TryOpen(), rt::Status::Ok);
    std::int64_t walked = 0;
    std::string last;
    v.file->setKeyOrder(v.key);
    while (v.file->next()) {
      const std::string path = pathOf(v);
      EXPECT_LE(rt::UPPER(last), rt::UPPER(path));
      last = path;
      ++walked;
    }
    EXPECT_EQ(walked, v.file->records());
    char* err = nullptr;
    std::string result;
    sqlite3_exec(
        v.file->connection(), "PRAGMA integrity_check",
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) += values[0] ? values[0] : "";
          return 0;
        },
        &result, &err);
    sqlite3_free(err);
    EXPECT_EQ(result, "ok");
    (*v.manager)->CloseFile();
  }
}

// Runs that must leave the page's details and its buffer as they were.
struct UnchangedCase {
  const char* name;
  std::function<void()> prepare;
  std::vector<std::string> answers;
  std::vector<Shown> expected;  // captions and texts of the boxes, in order
  std::string counter;          // counttext afterwards: a run that found no file blanks it
};

TEST_F(ParseHtmlFileTest, RunsThatChangeNothing) {
  const std::string confirm =
      "Depending upon the size of the file,|this process can take up to several "
      "minutes.||Continue process?";
  const std::vector<UnchangedCase> cases = {
      {"answered No",
       [] { writePage("index.htm", kPage); },
       {"No"},
       {{"Parse HTML File", confirm}},
       "2"},
      {"file missing",
       [] { WEB.LOCALPATH = "missing.htm"; },
       {"Yes"},
       {{"Parse HTML File", confirm}, {"missing.htm", "File not found"}},
       ""},
      {"file is a directory",
       [] {
         std::filesystem::create_directory("folder.htm");
         WEB.LOCALPATH = "folder.htm";
       },
       {"Yes"},
       {{"Parse HTML File", confirm}, {"folder.htm", "File not found"}},
       ""},
  };
  seed({kPath, kOtherPath});
  for (const UnchangedCase& c : cases) {
    SCOPED_TRACE(c.name);
    setPage(kPath, "index.htm");
    WEB.HTMLPAGETITLE = "Old title";
    WEB.DATA1 = "Y";
    WEB.DATA4 = "Y";
    c.prepare();
    const WebPagesRecord before = WEB;
    const auto shown = run(c.answers);
    ASSERT_EQ(shown.size(), c.expected.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
      EXPECT_EQ(shown[i].caption, c.expected[i].caption);
      EXPECT_EQ(shown[i].text, c.expected[i].text);
    }
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
    for (const auto& found : tags(kPath))
      EXPECT_EQ(found, (std::vector<std::string>{"old one", "old two"}));
    EXPECT_TRUE(leftoverTextFiles().empty());
    EXPECT_EQ(countAfter, c.counter);
    EXPECT_TRUE(fileAfter.empty());
  }
}

TEST_F(ParseHtmlFileTest, BlankPagePathIsRefusedBeforeAnything) {
  writePage("index.htm", kPage);
  seed({kOtherPath});
  WEB.PAGEPATH = "";
  const auto shown = run({"OK"});
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Parse HTML File");
  EXPECT_NE(shown[0].text.find("page path"), std::string::npos);
  EXPECT_TRUE(after.DATA1.blank());
  for (const auto& found : tags(kOtherPath))
    EXPECT_EQ(found, (std::vector<std::string>{"old one", "old two"}));
}

// Every record of a page in the five files, byte for byte, with its page path blanked.
std::vector<std::string> detailImages(const char* path) {
  std::vector<std::string> out;
  for (const DetailView& v : kViews) {
    EXPECT_EQ((*v.manager)->TryOpen(), rt::Status::Ok);
    const rt::FileDesc& d = v.file->desc();
    const auto& pf = d.fields[d.keys[v.key].components[0]];
    v.file->setKeyOrder(v.key);
    while (v.file->next()) {
      if (pathOf(v) != path) continue;
      std::string rec(static_cast<const char*>(v.file->record()), d.recordSize);
      rec.replace(pf.offset, pf.size, pf.size, ' ');
      for (const rt::FieldDesc& f : d.fields) {
        if (f.type != rt::FieldType::String) continue;
        EXPECT_EQ(std::string_view(rec).substr(f.offset, f.size).find('\r'), std::string_view::npos)
            << f.name;
      }
      out.push_back(rec);
    }
    (*v.manager)->CloseFile();
  }
  return out;
}

TEST_F(ParseHtmlFileTest, CarriageReturnLineEndsReadLikeLineFeeds) {
  std::vector<std::string> lines = kPage;
  lines.push_back("<img src=\"last.gif\"");
  writePage("lf.htm", lines);
  writePage("crlf.htm", lines, "\r\n");
  setPage("/tarn/lf.htm", "lf.htm");
  run();
  const WebPagesRecord lf = after;
  setPage("/tarn/crlf.htm", "crlf.htm");
  WEB.LOCALPATH = "lf.htm";  // same local path in the stored records
  std::filesystem::rename("crlf.htm", "lf.htm");
  run();

  const auto a = detailImages("/tarn/lf.htm");
  const auto b = detailImages("/tarn/crlf.htm");
  EXPECT_EQ(a.size(), 7u);
  EXPECT_EQ(a, b);
  EXPECT_EQ(after.HTMLPAGETITLE.str(), lf.HTMLPAGETITLE.str());
}

TEST_F(ParseHtmlFileTest, LineNumbersAreTruePositionsAcrossLongLines) {
  const std::string longText(600, 'x');
  writePage("index.htm", {
                             longText,                                        // 1, 3 records
                             std::string(300, 'y') + "<a href=\"cut.htm\">",  // 2, tag cut off
                             "<a href=\"after.htm\">",                        // 3
                             "<IMG SRC=\"a.gif\">",                           // 4
                         });
  run();
  const auto links = recordsOf(kViews[0], WPL, kPath);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].WEBPAGELINK.str(), "cut.htm");
  EXPECT_EQ(+links[0].LINENUMBER, 2);
  EXPECT_EQ(links[1].WEBPAGELINK.str(), "after.htm");
  EXPECT_EQ(+links[1].LINENUMBER, 3);
  const auto images = recordsOf(kViews[3], WPI, kPath);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(+images[0].LINENUMBER, 4);
}

TEST_F(ParseHtmlFileTest, ShortLineNumbersStopAtTheLargestShort) {
  std::vector<std::string> lines(33000, "<p>");
  lines.push_back("<IMG SRC=\"deep.gif\"> <a href=\"deep.htm\">");  // line 33001
  lines.push_back("<form><input></form>");                          // line 33002
  writePage("index.htm", lines);
  run();
  const auto images = recordsOf(kViews[3], WPI, kPath);
  const auto links = recordsOf(kViews[0], WPL, kPath);
  const auto forms = recordsOf(kViews[2], WPF, kPath);
  ASSERT_EQ(images.size(), 1u);
  ASSERT_EQ(links.size(), 1u);
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(+images[0].LINENUMBER, 32767);
  EXPECT_EQ(+forms[0].LINENUMBER, 32767);
  EXPECT_EQ(+links[0].LINENUMBER, 33001);  // a REAL
}

// A detail file that refuses new records: the database itself aborts every insert.
void refuseInserts(rt::KeyedFile& file) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.path().c_str(), &db), SQLITE_OK);
  std::string table;
  sqlite3_exec(
      db, "SELECT name FROM sqlite_master WHERE type = 'table'",
      [](void* out, int, char** values, char**) {
        *static_cast<std::string*>(out) = values[0];
        return 0;
      },
      &table, nullptr);
  const std::string sql = "CREATE TRIGGER refuse BEFORE INSERT ON \"" + table +
                          "\" BEGIN SELECT RAISE(ABORT, 'disk full'); END";
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

TEST_F(ParseHtmlFileTest, FailedWriteIsReportedAndTheOldDetailsStay) {
  writePage("index.htm", kPage);
  seed({kPath, kOtherPath});
  refuseInserts(WPMeta);
  WEB.HTMLPAGETITLE = "Old title";
  const WebPagesRecord before = WEB;
  const auto shown = run();

  ASSERT_EQ(shown.size(), 1u);  // the question only: no "HTML file read done."
  EXPECT_TRUE(shown_.contains(rt::MessageId::RecordNotAdded));
  ASSERT_FALSE(shown_.messages.empty());
  EXPECT_NE(shown_.messages.back().text.find("WPMeta"), std::string::npos)
      << shown_.messages.back().text;
  EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
  for (const auto& found : tags(kPath))
    EXPECT_EQ(found, (std::vector<std::string>{"old one", "old two"}));
  EXPECT_TRUE(leftoverTextFiles().empty());
}

TEST_F(ParseHtmlFileTest, PagesWithoutTagsLoseTheirOldDetails) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    bool fileDataSet;  // an empty file leaves the file data as it was
  };
  const std::vector<Case> cases = {
      {"plain text", {"Just words,", "", "and more words."}, true},
      {"empty file", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writePage("index.htm", c.lines);
    seed({kPath});
    setPage(kPath, "index.htm");
    for (auto* flag : {&WEB.DATA1, &WEB.DATA2, &WEB.DATA3, &WEB.DATA4, &WEB.DATA5}) *flag = "Y";
    WEB.FILEDATETIME = "old";
    WEB.PAGEREADDATE = "old";
    const auto shown = run();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "HTML file read done.");
    for (const auto* flag : {&after.DATA1, &after.DATA2, &after.DATA3, &after.DATA4, &after.DATA5})
      EXPECT_TRUE(flag->blank());
    EXPECT_EQ(after.FILEDATETIME.str() != "old", c.fileDataSet);
    EXPECT_EQ(after.PAGEREADDATE.str() != "old", c.fileDataSet);
    for (const auto& found : tags(kPath)) EXPECT_TRUE(found.empty());
  }
}

TEST_F(ParseHtmlFileTest, CopyThatCannotBeMadeStopsWithNothingChanged) {
  writePage("index.htm", kPage);
  seed({kPath});
  // Every name the clock could give the copy is taken.
  const std::int32_t clock = rt::CLOCK();
  for (std::int32_t n = clock; n < clock + 10000; ++n)
    std::ofstream(std::to_string(n) + ".txt") << "taken";
  WEB.DATA1 = "Y";
  const WebPagesRecord before = WEB;

  const auto shown = run({"Yes", "No"});  // No: stay in the program

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].caption, "Stop");
  const std::string name = std::to_string(clock) + ".txt";
  EXPECT_EQ(shown[1].text.rfind(name + std::string(20 - name.size(), ' ') + "not open", 0), 0u)
      << shown[1].text;
  EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
  for (const auto& found : tags(kPath))
    EXPECT_EQ(found, (std::vector<std::string>{"old one", "old two"}));
  EXPECT_EQ(leftoverTextFiles().size(), 10000u);
}

// Each thread with its own record buffers, as procedure threads have them.
struct ThreadBuffers {
  ThreadBuffers() {
    for (const BufferSpan& b : RecordBuffers()) rt::registerThreadBuffer(b.data, b.size);
  }
  ~ThreadBuffers() {
    for (const BufferSpan& b : RecordBuffers()) rt::unregisterThreadBuffer(b.data);
  }
};

TEST_F(ParseHtmlFileTest, TwoRunsAtOnceKeepToTheirOwnPages) {
  writePage("index.htm", kPage);
  writePage("other.htm",
            {"<html>", "<head>", "<TITLE>Other Walks</TITLE>",
             "<meta name=\"keywords\" content=\"fells\">", "</head>", "<body>",
             "<a href=\"fell.htm\">Fell</a>", "<IMG SRC=\"fell.jpg\">", "</body>", "</html>"});
  seed({kPath, kOtherPath});
  std::vector<std::string> titles(2);
  {
    ThreadBuffers perThread;
    driver.start([&] {
      ParseHtmlFile();
      titles[0] = WEB.HTMLPAGETITLE.str();
    });
    setPage(kOtherPath, "other.htm");
    driver.start([&] {
      ParseHtmlFile();
      titles[1] = WEB.HTMLPAGETITLE.str();
    });
    // Both say Yes before either goes on, so the two runs overlap.
    const auto boxes = rt::openMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (QMessageBox* box : boxes) EXPECT_TRUE(rt::pressMessageBoxButton(box, "Yes"));
    driver.pump();
    for (int done = 0; done < 2; ++done) {
      ASSERT_TRUE(driver.waitUntil([&] { return driver.messageBox() != nullptr; }));
      EXPECT_EQ(driver.messageText(driver.messageBox()), "HTML file read done.");
      driver.answer("OK");
      driver.pump();
    }
    driver.waitForThreadsToEnd();
  }
  EXPECT_EQ(titles[0], "Tarn Walks");
  EXPECT_EQ(titles[1], "Other Walks");
  const auto mine = tags(kPath);
  const auto other = tags(kOtherPath);
  EXPECT_EQ(mine[0], (std::vector<std::string>{"walks.htm"}));
  EXPECT_EQ(other[0], (std::vector<std::string>{"fell.htm"}));
  EXPECT_EQ(mine[3], (std::vector<std::string>{"/images/tarn.jpg"}));
  EXPECT_EQ(other[3], (std::vector<std::string>{"fell.jpg"}));
  EXPECT_EQ(mine[4], (std::vector<std::string>{"keywords", "description"}));
  EXPECT_EQ(other[4], (std::vector<std::string>{"keywords"}));
  EXPECT_TRUE(leftoverTextFiles().empty());
}

// A page form whose button runs the parser and leaves all redrawing to it.
class PageForm : public rt::WindowController {
 public:
  using WindowController::WindowController;
  rt::Flow OnAccepted() override {
    if (control() != 3) return WindowController::OnAccepted();
    ParseHtmlFile();
    return rt::Flow::Cycle;
  }
};

TEST_F(ParseHtmlFileTest, RedrawsTheFormThatRunsIt) {
  writePage("index.htm", kPage);
  rt::WindowDesc desc;
  desc.kind = rt::WindowKind::Dialog;
  desc.title = "Web page";
  desc.add(rt::ControlKind::Button, 2, "Cancel").cancelButton = true;
  desc.add(rt::ControlKind::Button, 3, "Auto Read Web Page");
  desc.add(rt::ControlKind::Entry, 10).picture = "@s80";
  desc.add(rt::ControlKind::Entry, 11).picture = "@s20";
  desc.add(rt::ControlKind::Entry, 12).picture = "@s1";
  driver.start([&desc] {
    PageForm form(desc, "updatewebpages1");
    form.bind(10, WEB.HTMLPAGETITLE);
    form.bind(11, counttext);
    form.bind(12, WEB.DATA5);
    form.Run();
  });
  rt::Window* w = driver.waitForWindow("updatewebpages1");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(driver.text(w, 10), "");
  driver.press(w, 3);
  ASSERT_NE(driver.waitForMessageBox(), nullptr);
  EXPECT_EQ(driver.text(w, 11), "");  // not yet redrawn: the counter has only just started
  driver.answer("Yes");
  driver.pump();
  ASSERT_TRUE(driver.waitUntil([&] {
    return driver.messageBox() && driver.messageText(driver.messageBox()) == "HTML file read done.";
  }));
  EXPECT_EQ(driver.text(w, 10), "Tarn Walks");
  EXPECT_EQ(driver.text(w, 11), "");
  EXPECT_EQ(driver.text(w, 12), "Y");
  driver.answer("OK");
  driver.pump();
  driver.press(w, 2);
  driver.waitForThreadsToEnd();
  EXPECT_TRUE(leftoverTextFiles().empty());
}

}  // namespace

// The page form holds the detail files open from one run to the next: every run still replaces
// the page's details whole, also after a key of a file had to be made anew in between.
TEST_F(ParseHtmlFileTest, RunsWithTheDetailFilesHeldOpenReplaceTheDetailsEachTime) {
  using Tags = std::vector<std::vector<std::string>>;
  const Tags full = {{"walks.htm"},
                     {"<SCRIPT language=\"javascript\">"},
                     {"<form action=\"/cgi-bin/mail\" method=\"post\">"},
                     {"/images/tarn.jpg"},
                     {"keywords", "description"}};
  const std::vector<std::string> oneLink = {"<html>", "<a href=\"only.htm\">Only</a>", "</html>"};
  const Tags linkOnly = {{"only.htm"}, {}, {}, {}, {}};

  const std::string linksDb = WPLinks.path();
  auto indexNames = [&] {
    std::vector<std::string> names;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(linksDb.c_str(), &db), SQLITE_OK);
    sqlite3_exec(
        db, "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name",
        [](void* out, int, char** values, char**) {
          static_cast<std::vector<std::string>*>(out)->push_back(values[0] ? values[0] : "");
          return 0;
        },
        &names, nullptr);
    sqlite3_close(db);
    return names;
  };
  auto dropIndex = [&](const std::string& name) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(linksDb.c_str(), &db), SQLITE_OK);
    const std::string text = "DROP INDEX \"" + name + "\"";
    EXPECT_EQ(sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  };

  seed({kPath, kOtherPath});
  for (const DetailView& v : kViews) ASSERT_EQ((*v.manager)->TryOpen(), rt::Status::Ok);
  const std::vector<std::string> keys = indexNames();
  ASSERT_FALSE(keys.empty());

  struct Step {
    const char* name;
    std::vector<std::string> lines;
    bool dropKey;  // a key of WPLinks is gone before the run
    Tags expected;
  };
  const std::vector<Step> steps = {
      {"first run", kPage, false, full},
      {"same page again", kPage, false, full},
      {"fewer details, a key to make anew", oneLink, true, linkOnly},
      {"full page again", kPage, false, full},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    writePage("index.htm", s.lines);
    setPage(kPath, "index.htm");
    if (s.dropKey) {
      dropIndex(keys.front());
      ASSERT_EQ(indexNames().size(), keys.size() - 1);
    }
    const auto shown = run();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "HTML file read done.");
    EXPECT_EQ(tags(kPath), s.expected);
    for (const auto& found : tags(kOtherPath))
      EXPECT_EQ(found, (std::vector<std::string>{"old one", "old two"}));
    EXPECT_EQ(indexNames(), keys);
  }
  for (const DetailView& v : kViews) (*v.manager)->CloseFile();
}

// The copy holds each line clipped of blanks, NUL bytes and carriage returns kept but the one
// before the line feed; the rules see the same text.
TEST_F(ParseHtmlFileTest, LinesAreCopiedClippedWithNulBytesAndCarriageReturns) {
  const std::string nulLine =
      std::string("<a href=\"kept.htm\">") + '\0' + "<IMG SRC=\"after-nul.jpg\">";
  writePage("index.htm",
            {"<TITLE>Padded</TITLE>" + std::string(17, ' '), nulLine,
             "<a href=\"blanks.htm\">" + std::string(40, ' '), std::string(16, ' '),
             std::string(8, ' ') + "<a href=\"after.htm\">", "<SCRIPT>", std::string(24, ' '),
             "  var a = 1;" + std::string(9, ' '), "\r\r", "</script>"});
  seed({kPath});
  ASSERT_EQ(run().size(), 2u);
  EXPECT_EQ(after.HTMLPAGETITLE.str(), "Padded");
  EXPECT_EQ(after.DATA2.str(), "Y");
  const auto links = recordsOf(kViews[0], WPL, kPath);
  ASSERT_EQ(links.size(), 3u);
  EXPECT_EQ(links[0].WEBPAGELINK.str(), "kept.htm");
  EXPECT_EQ(links[1].WEBPAGELINK.str(), "blanks.htm");
  EXPECT_EQ(links[2].WEBPAGELINK.str(), "after.htm");
  EXPECT_EQ(+links[2].LINENUMBER, 5);
  const auto scripts = recordsOf(kViews[1], WPS, kPath);
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(scripts[0].SCRIPTLINE1.str(), "<SCRIPT>");
  EXPECT_EQ(scripts[0].SCRIPTLINE2.str(), "var a = 1;");
  EXPECT_EQ(scripts[0].SCRIPTLINE3.str(), "");  // "\r" is not blank: it takes a slot
  EXPECT_EQ(scripts[0].SCRIPTLINE4.str(), "</script>");
  const auto images = recordsOf(kViews[3], WPI, kPath);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].WEBPAGEIMG.str(), "after-nul.jpg");
}
