// The directory reader end to end: real directory trees and data files in a temporary working
// directory, the window typed into and its boxes answered as a user would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QMessageBox>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pages/ParseHtmlFile.h"
#include "reader/ReadPages.h"
#include "runtime/data/CommitObserver.h"
#include "runtime/text/Dates.h"
#include "tests/data/DataTestSupport.h"
#include "tests/dictionary/DictTestSupport.h"
#include "tests/support/TestDriver.h"

namespace {

constexpr int cDomain = 5, cLocalDir = 9, cSubDir = 13, cReading = 19, cFileCount = 21,
              cStatus = 22, cCount = 23, cGo = 24, cOk = 25, cClose = 26, cHelp = 27;
constexpr char kDomain[] = "tarnwalks.example";

const std::vector<std::string> kHome = {
    "<html><head><TITLE>Tarn Walks</TITLE>",
    "<meta name=\"keywords\" content=\"tarn, walks\">",
    "<meta name=\"description\"",
    "      content=\"Walks around the tarn\">",
    "<SCRIPT language=\"javascript\">",
    "var a = 1;",
    "</script></head>",
    "<body><IMG SRC=\"/images/tarn.jpg\" HEIGHT=\"120\" WIDTH=\"200\">",
    "<a href=\"walks.htm\">Walks</a>",
    "<a href=\"fells.htm\">Fells</a>",
    "<form action=\"/cgi-bin/mail\" method=\"post\">",
    "</form></body></html>",
};

struct Shown {
  std::string caption, text;
  bool operator==(const Shown&) const = default;
};

struct Page {
  std::string path, name, local, domain, title, fileDate;
  bool operator==(const Page&) const = default;
};

using Counts = std::array<long, 5>;  // links, scripts, forms, images, meta

class ReadPagesTest : public dicttest::DictionaryTest {
 protected:
  rt::TestDriver driver;
  rt::Window* window = nullptr;

  void SetUp() override {
    DictionaryTest::SetUp();
    rt::setClockProvider([] {
      return rt::ClockReading{rt::dateFromYmd(2026, 12, 9), rt::timeFromHms(9, 5)};
    });
    readconfirmed.clear();
  }
  void TearDown() override {
    if (window && driver.isOpen(window)) driver.press(window, cClose);
    driver.waitForThreadsToEnd();
    rt::setClockProvider(nullptr);
    DictionaryTest::TearDown();
  }

  static void writePage(const std::string& name, const std::vector<std::string>& lines) {
    std::filesystem::create_directories(std::filesystem::path(name).parent_path());
    std::ofstream out(name, std::ios::binary);
    for (const std::string& l : lines) out << l << "\n";
  }

  void open() {
    driver.start(readpages, 25000, "readpages");
    window = driver.waitForWindow("readpages");
    ASSERT_NE(window, nullptr);
  }

  // The first two steps by keys, from the focus the window opens with; Tab leaves "site".
  void typeDomainAndDirectory() {
    ASSERT_EQ(driver.focusedControl(), cDomain);
    ASSERT_TRUE(driver.typeKeys(kDomain));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
    ASSERT_EQ(driver.focusedControl(), cLocalDir);
    ASSERT_TRUE(driver.typeKeys("site"));
    ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  }

  // Types the three entries (a null one is left as it is), presses GO! and answers the boxes
  // in turn, then "OK" to any further one.
  std::vector<Shown> go(const char* domain, const char* dir, const char* sub = "",
                        std::vector<std::string> answers = {"Yes"}) {
    if (!window) open();
    for (const auto& [control, text] :
         {std::pair{cDomain, domain}, {cLocalDir, dir}, {cSubDir, sub}}) {
      if (text) {
        EXPECT_TRUE(driver.type(window, control, text));
      }
    }
    EXPECT_TRUE(driver.press(window, cGo));
    std::vector<Shown> shown;
    std::size_t next = 0;
    for (;;) {
      driver.waitUntil([&] { return driver.messageBox() != nullptr; },
                       next < answers.size() ? 20000 : 300);
      QMessageBox* box = driver.messageBox();
      if (!box) break;
      shown.push_back({driver.messageCaption(box), driver.messageText(box)});
      EXPECT_TRUE(driver.answer(next < answers.size() ? answers[next++] : "OK"));
      driver.pump();
    }
    return shown;
  }

  static std::vector<Page> pages() {
    std::vector<Page> out;
    EXPECT_EQ(WebPagesManager->TryOpen(), rt::Status::Ok);
    WebPages.setRecordOrder();
    while (WebPages.next())
      out.push_back({WEB.PAGEPATH.str(), WEB.PAGENAME.str(), WEB.LOCALPATH.str(),
                     WEB.DOMAINNAME.str(), WEB.HTMLPAGETITLE.str(), WEB.FILEDATETIME.str()});
    WebPagesManager->CloseFile();
    return out;
  }

  // The page's records in each detail file, found through the page-path keys.
  static Counts counts(const std::string& path) {
    const std::array<std::pair<rt::FileManager*, int>, 5> files = {{{WPLinksManager, WPL_PathName},
                                                                    {WPScriptsManager, WPS_PageNam},
                                                                    {WPFormManager, WPF_PageName},
                                                                    {WPIMGManager, WPI_PageName},
                                                                    {WPMetaManager, WPM_PagePath}}};
    Counts out{};
    for (std::size_t i = 0; i < files.size(); ++i) {
      rt::KeyedFile& f = *files[i].first->keyedFile();
      EXPECT_EQ(files[i].first->TryOpen(), rt::Status::Ok);
      const rt::FileDesc& d = f.desc();
      const rt::FieldDesc& pf = d.fields[d.keys[files[i].second].components[0]];
      f.setKeyOrder(files[i].second);
      while (f.next())
        if (rt::clipView(static_cast<char*>(f.record()) + pf.offset, pf.size) == path) ++out[i];
      files[i].first->CloseFile();
    }
    return out;
  }

  static long domains() {
    EXPECT_EQ(DomainsManager->TryOpen(), rt::Status::Ok);
    const long n = static_cast<long>(Domains.records());
    DomainsManager->CloseFile();
    return n;
  }

  std::vector<std::string> leftoverTextFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir()))
      if (e.path().extension() == ".txt") names.push_back(e.path().filename().string());
    return names;
  }

  // Runs `each` at every pass of the event loop while no box is shown, until the result goes.
  std::unique_ptr<QTimer> duringRun(std::function<void()> each) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [this, each] {
      const QMessageBox* box = driver.messageBox();
      if (!box || !box->isVisible()) each();
    });
    timer->start(0);
    return timer;
  }

  static std::string web(const std::string& name) {
    return std::string("http://www.") + kDomain + "/" + name;
  }
};

const Shown kConfirm{"Reading Confirmation", "Are you sure you wish to read in the Web Pages?"};
const Shown kAdded{std::string(kDomain) + " Domain Added",
                   "Your domain has been added to the Domains file. |Please update the record "
                   "when returning to Tarnwick."};
const Shown kDone{"Parse HTML File", "HTML file read done."};

TEST_F(ReadPagesTest, ReadsEveryPageOfTheDirectoryInReverseOrder) {
  const std::string longName = "a-page-name-longer-than-twenty.htm";
  writePage("site/index.htm", kHome);
  writePage("site/b.html", {"<title>B</title>", "<a href=\"index.htm\">"});
  writePage("site/" + longName, {"<a href=\"b.html\">"});
  writePage("site/empty.htm", {});
  writePage("site/notes.txt", {"<a href=\"no.htm\">"});

  EXPECT_EQ(go(kDomain, "site"), (std::vector<Shown>{kConfirm, kAdded, kDone}));
  EXPECT_EQ(driver.text(window, 16),
            "Do steps 1, 2 & 4 for the main directory. Then add the subdirectories (step 3) as "
            "needed.");
  EXPECT_EQ(driver.text(window, cFileCount), "4");
  EXPECT_EQ(driver.text(window, cStatus), "site/" + longName + "  file reading done.");
  const std::vector<Page> read = pages();
  const std::string today = "12/09/26 9:05AM";
  ASSERT_EQ(read.size(), 4u);
  // Record order is the order read: the listing's last name first.
  const std::vector<std::string> paths = {read[0].path, read[1].path, read[2].path, read[3].path};
  EXPECT_EQ(paths, (std::vector<std::string>{web("index.htm"), web("empty.htm"), web("b.html"),
                                             web(longName)}));
  EXPECT_EQ(read[0], (Page{web("index.htm"), "index.htm", "site/index.htm", kDomain, "Tarn Walks",
                           read[0].fileDate}));
  EXPECT_EQ(read[3].name, longName.substr(0, 20));
  EXPECT_EQ(read[3].local, "site/" + longName);
  EXPECT_EQ(read[2].title, "B");
  EXPECT_EQ(read[1].title, "");  // the empty page is added all the same
  EXPECT_EQ(counts(web("index.htm")), (Counts{2, 1, 1, 1, 2}));
  EXPECT_EQ(counts(web("b.html")), (Counts{1, 0, 0, 0, 0}));
  EXPECT_EQ(counts(web(longName)), (Counts{1, 0, 0, 0, 0}));
  EXPECT_EQ(domains(), 1);
  ASSERT_EQ(DomainsManager->TryOpen(), rt::Status::Ok);
  DOM.DOMAINNAME = kDomain;
  ASSERT_TRUE(Domains.get(DOM_name));
  EXPECT_EQ(DOM.DEFAULTLOCALDIR.str(), "site");
  EXPECT_EQ(DOM.DEFAULTWEBPATH.str(), std::string("http://www.") + kDomain);
  DomainsManager->CloseFile();

  // Every file the run opened is closed again, and no copy is left behind.
  for (rt::FileManager* m : {DomainsManager, WebPagesManager, WPLinksManager, WPScriptsManager,
                             WPFormManager, WPIMGManager, WPMetaManager, DOSManager, DOS1Manager})
    EXPECT_EQ(m->openCount(), 0) << m->label();
  EXPECT_TRUE(leftoverTextFiles().empty());
}

TEST_F(ReadPagesTest, SecondRunReplacesTheDetailsAndKeepsOnePagePerPath) {
  writePage("site/index.htm", kHome);
  writePage("site/empty.htm", {});
  ASSERT_EQ(go(kDomain, "site").size(), 3u);
  // An empty page file later leaves the stored record alone, and its details go.
  ASSERT_EQ(WebPagesManager->TryOpen(), rt::Status::Ok);
  WEB.PAGEPATH = web("empty.htm");
  ASSERT_TRUE(WebPages.get(WEB_Path));
  WEB.FILEDATETIME = "kept";
  ASSERT_TRUE(WebPages.put());
  WebPagesManager->CloseFile();
  writePage("site/index.htm", {"<TITLE>Again</TITLE>", "<a href=\"only.htm\">"});

  // Confirmed once per program run; the domain is known now.
  EXPECT_EQ(go(nullptr, nullptr, nullptr, {"OK"}), (std::vector<Shown>{kDone}));
  const std::vector<Page> read = pages();
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].title, "Again");
  EXPECT_EQ(read[1].fileDate, "kept");
  EXPECT_EQ(counts(web("index.htm")), (Counts{1, 0, 0, 0, 0}));
  EXPECT_EQ(domains(), 1);

  // Opened again the window starts blank; the known domain brings its directory.
  driver.press(window, cClose);
  driver.waitForThreadsToEnd();
  open();
  EXPECT_EQ(driver.text(window, cDomain), "");
  EXPECT_EQ(driver.text(window, cLocalDir), "");
  ASSERT_TRUE(driver.type(window, cDomain, kDomain));
  EXPECT_EQ(driver.text(window, cLocalDir), "site");
}

// The keyboard alone, as the steps on the window say: the fields that only show the run are
// passed over.
TEST_F(ReadPagesTest, TabTabSpaceFromTheLocalDirectoryPressesGo) {
  writePage("site/index.htm", kHome);
  open();
  ASSERT_NO_FATAL_FAILURE(typeDomainAndDirectory());
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  EXPECT_EQ(driver.focusedControl(), cGo);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
  QMessageBox* box = driver.waitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(driver.messageCaption(box), kConfirm.caption);
  ASSERT_TRUE(driver.answer("No"));
  driver.pump();
  // Drawn apart from the fields that take typing.
  const QColor typed = window->control(cLocalDir)->palette().color(QPalette::Base);
  for (int shown : {cReading, cFileCount, cStatus, cCount})
    EXPECT_NE(window->control(shown)->palette().color(QPalette::Base), typed) << shown;
}

TEST_F(ReadPagesTest, TypingAfterTabReplacesTheDirectoryTheDomainBrought) {
  ASSERT_EQ(DomainsManager->TryOpen(), rt::Status::Ok);
  DOM.DOMAINNAME = kDomain;
  DOM.DEFAULTLOCALDIR = "site";
  ASSERT_TRUE(Domains.add());
  DomainsManager->CloseFile();
  open();
  ASSERT_EQ(driver.focusedControl(), cDomain);
  ASSERT_TRUE(driver.typeKeys(kDomain));
  ASSERT_TRUE(driver.hitKey(Qt::Key_Tab));
  ASSERT_TRUE(driver.waitUntil([&] { return driver.text(window, cLocalDir) == "site"; }));
  ASSERT_EQ(driver.focusedControl(), cLocalDir);
  ASSERT_TRUE(driver.typeKeys("other"));
  EXPECT_EQ(driver.text(window, cLocalDir), "other");
}

TEST_F(ReadPagesTest, SubDirectoryPagesAreNamedAndFoundUnderIt) {
  writePage("site/index.htm", {"<a href=\"x.htm\">"});
  writePage("site/walks/fell.htm", {"<IMG SRC=\"/fell.jpg\">"});
  EXPECT_EQ(go(kDomain, "site", "walks"), (std::vector<Shown>{kConfirm, kAdded, kDone}));
  EXPECT_EQ(driver.text(window, cLocalDir), "site/walks");
  const std::vector<Page> read = pages();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0], (Page{web("walks/fell.htm"), "walks/fell.htm", "site/walks/fell.htm", kDomain,
                           "", read[0].fileDate}));
  EXPECT_EQ(counts(web("walks/fell.htm")), (Counts{0, 0, 0, 1, 0}));
  ASSERT_EQ(WPIMGManager->TryOpen(), rt::Status::Ok);
  WPIMG.setKeyOrder(WPI_PageName);
  ASSERT_TRUE(WPIMG.next());
  EXPECT_EQ(WPI.IMAGEPATH.str(), "site/walks/fell.jpg");
  WPIMGManager->CloseFile();
}

TEST_F(ReadPagesTest, RunsThatReadNothing) {
  writePage("bare/readme.txt", {"<a href=\"x.htm\">"});
  struct Case {
    const char* name;
    const char* domain;
    const char* dir;
    std::vector<std::string> answers;
    std::vector<Shown> shown;
    long domains;
  };
  const std::vector<Case> cases = {
      {"No to the confirmation", kDomain, "bare", {"No"}, {kConfirm}, 0},
      {"no directory",
       kDomain,
       "",
       {"Yes"},
       {kConfirm,
        {"ERROR:Need Data", "Cannot continue. Need both Domain Name and Local Directory Path."}},
       0},
      {"missing directory",
       kDomain,
       "gone",
       {"Yes"},
       {kConfirm, {"Huh?", "Cannot find that directory: gone"}},
       0},
      {"directory without pages", kDomain, "bare", {"Yes"}, {kConfirm, kAdded, kDone}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    readconfirmed.clear();
    EXPECT_EQ(go(c.domain, c.dir, "", c.answers), c.shown);
    EXPECT_EQ(domains(), c.domains);
    EXPECT_TRUE(pages().empty());
  }
}

TEST_F(ReadPagesTest, PageFileThatCannotBeOpenedLeavesItsPageAsItWas) {
  writePage("site/p.htm", kHome);
  writePage("site/q.htm", {"<meta name=\"a\" content=\"b\">", "<meta name=\"c\" content=\"d\">",
                           "<a href=\"x.htm\">"});
  ASSERT_EQ(WebPagesManager->TryOpen(), rt::Status::Ok);
  WEB.PAGEPATH = web("p.htm");
  WEB.HTMLPAGETITLE = "Stored before";
  ASSERT_TRUE(WebPages.add());
  WebPagesManager->CloseFile();
  ASSERT_EQ(WPLinksManager->TryOpen(), rt::Status::Ok);
  WPL.WEBPAGEPATHNAME = web("p.htm");
  WPL.WEBPAGELINK = "old.htm";
  ASSERT_TRUE(WPLinks.add());
  WPLinksManager->CloseFile();
  // p.htm goes once listed, while q.htm, read first, is being read.
  const auto gone = duringRun([] {
    if (htmlfilename.str() == "site/q.htm") std::filesystem::remove("site/p.htm");
  });

  const std::vector<Shown> said = go(kDomain, "site");
  ASSERT_EQ(said.size(), 3u);
  EXPECT_EQ(said[2].caption, kDone.caption);
  EXPECT_EQ(said[2].text.rfind("HTML file read ended: 2 files found, 1 page stored.|Not "
                               "stored:|site/p.htm: cannot be opened: ",
                               0),
            0u)
      << said[2].text;
  EXPECT_EQ(driver.text(window, cFileCount), "2");
  EXPECT_EQ(driver.text(window, cStatus).rfind("Cannot open site/p.htm", 0), 0u)
      << driver.text(window, cStatus);
  EXPECT_EQ(counts(web("p.htm")), (Counts{1, 0, 0, 0, 0}));
  EXPECT_EQ(counts(web("q.htm")), (Counts{1, 0, 0, 0, 2}));
  const std::vector<Page> read = pages();
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].title, "Stored before");
  EXPECT_EQ(read[1].path, web("q.htm"));
  EXPECT_TRUE(leftoverTextFiles().empty());
}

// Paths are cut to their 80-character fields: a page file named by more is read whole, and a
// file whose cut page path another file of the run has taken is told of, not stored over it.
TEST_F(ReadPagesTest, PathsLongerThanTheirFieldsAreCutAndClashesAreTold) {
  const std::string common = "a-" + std::string(60, 'c');
  const std::string first = common + "-1.htm", second = common + "-2.htm";
  const std::string longer = "b-" + std::string(60, 'l') + ".htm";
  const std::string local = "e-" + std::string(80, 'f') + ".htm";  // "site/" and more than 80
  writePage("site/" + first, {"<TITLE>First</TITLE>"});
  writePage("site/" + second, {"<TITLE>Second</TITLE>", "<a href=\"x.htm\">"});
  writePage("site/" + longer, {"<TITLE>Longer</TITLE>"});
  writePage("site/" + local, kHome);

  const std::vector<Shown> said = go(kDomain, "site");
  ASSERT_EQ(said.size(), 3u);
  EXPECT_EQ(said[2], (Shown{"Parse HTML File",
                            "HTML file read ended: 4 files found, 3 pages stored.|Not stored:|"
                            "site/" +
                                first +
                                ": its page path, cut to 80 characters, is that of "
                                "site/" +
                                second}));
  // The clash was the last file read: the status line still tells it.
  EXPECT_EQ(driver.text(window, cStatus),
            rt::Str<100>("Not read, another file has its cut page path: site/" + first).str());
  EXPECT_EQ(driver.text(window, cFileCount), "4");
  const auto cut = [](const std::string& s) { return rt::Str<80>(s).str(); };
  const std::vector<Page> read = pages();
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0].path, cut(web(local)));
  EXPECT_EQ(read[0].local, cut("site/" + local));
  EXPECT_EQ(read[0].title, "Tarn Walks");
  EXPECT_EQ(read[1].title, "Longer");
  EXPECT_EQ(read[2].path, cut(web(second)));
  EXPECT_EQ(read[2].title, "Second");
  EXPECT_EQ(counts(cut(web(local))), (Counts{2, 1, 1, 1, 2}));
  EXPECT_EQ(counts(cut(web(second))), (Counts{1, 0, 0, 0, 0}));
}

// The page-path key ignores case: of two names that differ only in it, one page is stored.
TEST_F(ReadPagesTest, NamesThatDifferOnlyInCaseAreOnePageAndTheOtherIsTold) {
  writePage("site/Walks.htm", {"<TITLE>W</TITLE>"});
  writePage("site/walks.htm", {"<TITLE>w</TITLE>"});
  const std::vector<Shown> said = go(kDomain, "site");
  ASSERT_EQ(said.size(), 3u);
  EXPECT_EQ(
      said[2].text.rfind("HTML file read ended: 2 files found, 1 page stored.|Not stored:|", 0), 0u)
      << said[2].text;
  EXPECT_NE(said[2].text.find(" but for case"), std::string::npos) << said[2].text;
  EXPECT_EQ(pages().size(), 1u);
}

// A group of pages whose commit fails is not stored, and the closing word says so.
TEST_F(ReadPagesTest, ARunWhosePagesWereNotStoredDoesNotSayItIsDone) {
  struct FailingCommits : rt::CommitObserver {
    void reached(rt::CommitPoint) override {}
    bool failCommit() override { return true; }
  } failing;
  writePage("site/index.htm", kHome);
  writePage("site/q.htm", kHome);
  rt::setCommitObserver(&failing);
  const std::vector<Shown> said = go(kDomain, "site");
  rt::setCommitObserver(nullptr);
  ASSERT_EQ(said.size(), 3u);
  EXPECT_EQ(said[2].text.rfind("HTML file read ended: 2 files found, 0 pages stored.|Not "
                               "stored:|site/q.htm: not stored: ",
                               0),
            0u)
      << said[2].text;
  EXPECT_NE(said[2].text.find("|site/index.htm: not stored: "), std::string::npos) << said[2].text;
  EXPECT_TRUE(pages().empty());
}

// While a run reads, the window takes no input and shows it; after it, the focus is on Close.
TEST_F(ReadPagesTest, TheWindowIsDisabledWhileARunReads) {
  for (const char* name : {"a.htm", "b.htm", "c.htm"})
    writePage(std::string("site/") + name, kHome);
  constexpr int inputs[] = {cDomain, cLocalDir, cSubDir, cGo, cOk, cClose, cHelp};
  int sampled = 0;
  std::vector<int> live;
  open();
  const auto watch = duringRun([&] {
    if (htmlfilename.blank()) return;
    ++sampled;
    for (int c : inputs)
      if (window->enabled(c)) live.push_back(c);
  });
  ASSERT_NO_FATAL_FAILURE(typeDomainAndDirectory());
  ASSERT_EQ(go(nullptr, nullptr, nullptr).size(), 3u);
  EXPECT_GT(sampled, 0);
  EXPECT_TRUE(live.empty()) << "first enabled while reading: " << (live.empty() ? 0 : live[0]);
  for (int c : inputs) EXPECT_TRUE(window->enabled(c)) << c;
  EXPECT_EQ(pages().size(), 3u);
  ASSERT_EQ(driver.focusedControl(), cClose);
  ASSERT_TRUE(driver.hitKey(Qt::Key_Space));
  EXPECT_TRUE(driver.waitForClose("readpages"));
}

// The lock probe of the data tests, built beside this program, as another program asking to
// write one file: 0 when it may, 1 when it is refused.
int otherProgramWrites(const std::string& diskName) {
  const auto probe =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "tw_data_lock_probe";
  EXPECT_TRUE(std::filesystem::exists(probe));
  const int status =
      std::system((probe.string() + " lock " + diskName + " </dev/null >/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ReadPagesTest, AnotherProgramMayWriteTheFilesExceptWhileARunWorks) {
  const std::vector<std::string> files = {"DOMAINS", "WEBPAGES", "WPLINKS", "WPSCRIPT",
                                          "WPFORM",  "WPIMG",    "WPMETA"};
  writePage("site/index.htm", kHome);
  open();
  ASSERT_TRUE(driver.type(window, cDomain, kDomain));
  ASSERT_TRUE(driver.type(window, cLocalDir, "site"));
  EXPECT_EQ(otherProgramWrites("DOMAINS"), 0);  // looked up when the domain was typed
  ASSERT_TRUE(driver.press(window, cGo));
  for (const Shown& expected : {kConfirm, kAdded, kDone}) {
    QMessageBox* box = driver.waitForMessageBox(20000);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(driver.messageText(box), expected.text);
    if (expected.text == kAdded.text) {  // the run is working: the files it writes are held
      for (const std::string& f : files) EXPECT_EQ(otherProgramWrites(f), 1) << f;
      EXPECT_EQ(driver.text(window, cStatus),
                "Clearing old HTML data before reading in new data. Please be patient.");
      EXPECT_EQ(driver.text(window, cCount), "2");
    }
    EXPECT_TRUE(driver.answer(expected.text == kConfirm.text ? "Yes" : "OK"));
    driver.pump();
  }
  for (const std::string& f : files) EXPECT_EQ(otherProgramWrites(f), 0) << f;
}

TEST_F(ReadPagesTest, AFileAnotherProgramHoldsStopsTheRunBeforeAnythingIsWritten) {
  writePage("site/index.htm", kHome);
  writePage("site/second.htm", kHome);
  ASSERT_EQ(WPLinksManager->TryOpen(), rt::Status::Ok);  // made, so the other program can hold it
  WPLinksManager->CloseFile();
  rt::testing::OtherProgram other({"WPLINKS"}, "lock");
  ASSERT_TRUE(other.holding());
  shown().clear();
  EXPECT_EQ(go(kDomain, "site"), (std::vector<Shown>{kConfirm}));  // no "read done"
  // One refusal naming the file, never one per page.
  ASSERT_EQ(shown().messages.size(), 1u);
  EXPECT_EQ(shown().messages[0].id, rt::MessageId::AccessDenied);
  EXPECT_NE(shown().messages[0].text.find("WPLinks"), std::string::npos)
      << shown().messages[0].text;
  EXPECT_EQ(domains(), 0);
  EXPECT_TRUE(pages().empty());
}

// The files the other program holds are all named in one box, which says nothing was read.
TEST_F(ReadPagesTest, EveryFileAnotherProgramHoldsIsNamedOnce) {
  writePage("site/index.htm", kHome);
  for (rt::FileManager* m : {DomainsManager, WebPagesManager, WPMetaManager}) {
    ASSERT_EQ(m->TryOpen(), rt::Status::Ok);  // made, so the other program can hold it
    m->CloseFile();
  }
  rt::testing::OtherProgram other({"DOMAINS", "WEBPAGES", "WPMETA"}, "lock");
  ASSERT_TRUE(other.holding());
  shown().clear();
  EXPECT_EQ(go(kDomain, "site"), (std::vector<Shown>{kConfirm}));
  ASSERT_EQ(shown().messages.size(), 1u);
  EXPECT_EQ(shown().messages[0].id, rt::MessageId::AccessDenied);
  EXPECT_EQ(shown().messages[0].text,
            "In use by another program: Domains, WebPages, WPMeta.|The pages were not read; "
            "nothing was changed.|Close them in the other program, then try again.");
  EXPECT_EQ(driver.text(window, cStatus),
            "The pages were not read (Domains, WebPages, WPMeta: In use by another program).");
  EXPECT_EQ(domains(), 0);
  EXPECT_TRUE(pages().empty());
}

// The reader and the page form's parser store the same details for the same files.
TEST_F(ReadPagesTest, DetailCountsEqualThoseOfThePageParser) {
  std::vector<std::string> mixed = kHome;
  mixed.push_back(std::string(300, 'x') + "<a href=\"far.htm\"><IMG SRC=\"far.gif\">");
  mixed.push_back("<SCRIPT>");
  for (int i = 0; i < 50; ++i) mixed.push_back("s(" + std::to_string(i) + ");");
  writePage("site/index.htm", kHome);
  writePage("site/mixed.htm", mixed);
  writePage("site/meta.htm", {"<meta name=\"a\" content=\"\">", "<meta name=\"b\"", "<p>"});
  ASSERT_EQ(go(kDomain, "site").size(), 3u);
  driver.press(window, cClose);
  driver.waitForThreadsToEnd();
  window = nullptr;

  for (const char* name : {"index.htm", "mixed.htm", "meta.htm"}) {
    SCOPED_TRACE(name);
    const Counts read = counts(web(name));
    EXPECT_NE(read, Counts{});
    ASSERT_EQ(WebPagesManager->TryOpen(), rt::Status::Ok);
    WEB.PAGEPATH = web(name);
    ASSERT_TRUE(WebPages.get(WEB_Path));
    WebPagesManager->CloseFile();
    driver.start([] { ParseHtmlFile(); });
    for (const char* answer : {"Yes", "OK"}) {
      ASSERT_NE(driver.waitForMessageBox(20000), nullptr);
      driver.answer(answer);
      driver.pump();
    }
    driver.waitForThreadsToEnd();
    EXPECT_EQ(counts(web(name)), read);
  }
}

}  // namespace
