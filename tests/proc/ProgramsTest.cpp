#include "runtime/proc/Programs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

TEST(SplitCommandLine, QuotingRules) {
  struct Case {
    const char* line;
    Words words;
  };
  const Case cases[] = {
      {"notepad", {"notepad"}},
      {"  edit   a.htm  ", {"edit", "a.htm"}},
      {R"("C:\Program Files\ed.exe" "my page.htm")", {R"(C:\Program Files\ed.exe)", "my page.htm"}},
      {R"(prog a"b c"d)", {"prog", "ab cd"}},
      {R"(prog "say ""hi""")", {"prog", R"(say "hi")"}},
      {R"(prog \"x\")", {"prog", R"("x")"}},
      {R"(prog a\\"b c")", {"prog", R"(a\b c)"}},
      {R"(prog C:\dir\)", {"prog", R"(C:\dir\)"}},
      {R"(prog "")", {"prog", ""}},
      {"", {}},
      {"   ", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(rt::splitCommandLine(c.line), c.words) << c.line;
}

// What the set-up's picker writes is read back as the one path it picked.
TEST(SplitCommandLine, QuotedWordsReadBackWhole) {
  struct Case {
    const char* word;
    const char* written;
  };
  const Case cases[] = {
      {"/usr/bin/ed", "/usr/bin/ed"},
      {"/tmp/my tools/hello.sh", R"("/tmp/my tools/hello.sh")"},
      {R"(say "hi")", R"("say \"hi\"")"},
      {R"(a\"b c)", R"("a\\\"b c")"},
      {R"(dir with\)", R"("dir with\\")"},
      {"tab\there", "\"tab\there\""},
      {"", R"("")"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rt::quoteCommandWord(c.word), c.written) << c.word;
    EXPECT_EQ(rt::splitCommandLine(rt::quoteCommandWord(c.word)), Words{c.word}) << c.word;
  }
}

class ProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    ASSERT_TRUE(beside.isValid());
    old = QDir::currentPath();
    ASSERT_TRUE(rt::ChangeDirectory(work.path().toStdString()));
    rt::setProgramDirectory(beside.path().toStdString());
    rt::setCompanionPrograms({"sondrel", "tarnfix"});
    rt::setLauncher([this](const rt::Launch& l) { launched.push_back(l); });
    rt::setUrlOpener([this](const QUrl& u) { opened.push_back(u); });
    rt::setHelpHandler([this](const Words& w) { help.push_back(w); });
  }
  void TearDown() override {
    QDir::setCurrent(old);
    rt::setProgramDirectory({});
    rt::setCompanionPrograms({});
    rt::setLauncher(nullptr);
    rt::setUrlOpener(nullptr);
    rt::setHelpHandler(nullptr);
  }
  static void makeExecutable(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
  }

  QTemporaryDir work, beside;
  QString old;
  std::vector<rt::Launch> launched;
  std::vector<QUrl> opened;
  std::vector<Words> help;
};

TEST_F(ProgramsTest, RunStartsInTheCurrentDirectoryWithSplitArguments) {
  rt::RUN(R"(editor "a b.htm" -x   )");
  ASSERT_EQ(launched.size(), 1u);
  EXPECT_EQ(launched[0].program, "editor");
  EXPECT_EQ(launched[0].arguments, (Words{"a b.htm", "-x"}));
  EXPECT_EQ(launched[0].directory, rt::currentDirectory());
}

TEST_F(ProgramsTest, AppendedPathIsOneArgument) {
  rt::RUN("textedit -n", "/sites/my pages/index.htm   ");
  ASSERT_EQ(launched.size(), 1u);
  EXPECT_EQ(launched[0].arguments, (Words{"-n", "/sites/my pages/index.htm"}));
}

// Blanks, quotes and ";" in a page's path reach the program untouched; no shell reads them.
TEST_F(ProgramsTest, AppendedPathWithShellCharactersIsOneArgument) {
  for (const char* path : {"my page.htm", "it's \"new\".htm", "a.htm; rm -rf x", "$(x)`y`.htm"}) {
    launched.clear();
    rt::RUN("ed", path);
    ASSERT_EQ(launched.size(), 1u) << path;
    EXPECT_EQ(launched[0].program, "ed");
    EXPECT_EQ(launched[0].arguments, Words{path});
  }
}

TEST_F(ProgramsTest, BlankProgramOpensTheFileWithTheDesktopOpener) {
  QFile page(work.filePath("index.htm"));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.close();
  rt::RUN("   ", work.filePath("index.htm").toStdString() + "  ");
  EXPECT_TRUE(launched.empty());
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(work.filePath("index.htm")));
}

// A path picked as it stands, blanks and all, is one program; any other line is split.
TEST_F(ProgramsTest, ALineThatNamesAFileWholeIsThatProgram) {
  ASSERT_TRUE(QDir(work.path()).mkdir("my tools"));
  makeExecutable(work.filePath("my tools/hello world"));
  const std::string path = work.filePath("my tools/hello world").toStdString();
  struct Case {
    std::string line;
    std::string argument;
    std::string program;
    Words arguments;
  };
  const Case cases[] = {
      {path + "   ", "", path, {}},
      {"  my tools/hello world", "", "my tools/hello world", {}},
      {path, "my page.htm", path, {"my page.htm"}},
      {"\"" + path + "\" -x", "", path, {"-x"}},
      {path + " -x", "", work.filePath("my").toStdString(), {"tools/hello", "world", "-x"}},
  };
  for (const Case& c : cases) {
    launched.clear();
    const rt::RunOutcome run = c.argument.empty() ? rt::RUN(c.line) : rt::RUN(c.line, c.argument);
    EXPECT_TRUE(run.started()) << c.line;
    ASSERT_EQ(launched.size(), 1u) << c.line;
    EXPECT_EQ(launched[0].program, c.program) << c.line;
    EXPECT_EQ(launched[0].arguments, c.arguments) << c.line;
  }
}

// The operating system's own launch says why a program cannot start.
TEST_F(ProgramsTest, AProgramThatCannotStartSaysWhy) {
  rt::setLauncher(nullptr);
  ASSERT_TRUE(QDir(work.path()).mkdir("folder"));
  QFile plain(work.filePath("notes.txt"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  makeExecutable(work.filePath("runs"));
  const std::string at = work.path().toStdString() + "/";
  struct Case {
    std::string line;
    std::string program;
    std::string reason;
  };
  const Case cases[] = {
      {at + "gone/prog -x", at + "gone/prog", "The file does not exist."},
      {at + "notes.txt", at + "notes.txt", "The file is not marked as executable."},
      {at + "folder", at + "folder", "This is a folder, not a program."},
      {"no-such-program-here", "no-such-program-here", "No program of this name was found."},
      {"sondrel.exe", "sondrel.exe", "No program of this name was found."},
      {at + "runs", at + "runs", ""},
  };
  for (const Case& c : cases) {
    const rt::RunOutcome run = rt::RUN(c.line);
    EXPECT_EQ(run.program, c.program) << c.line;
    EXPECT_EQ(run.reason, c.reason) << c.line;
    EXPECT_EQ(run.started(), c.reason.empty()) << c.line;
  }
}

TEST_F(ProgramsTest, BackslashesInTheProgramPathAreSeparators) {
  rt::RUN(R"("tools\bin\ed" x)");
  ASSERT_EQ(launched.size(), 1u);
  EXPECT_EQ(launched[0].program, "tools/bin/ed");
}

TEST_F(ProgramsTest, PageReaderIsLookedForInTheWorkingDirectoryFirst) {
  rt::RUN("sondrel.exe");
  EXPECT_TRUE(launched.empty());  // found nowhere: nothing runs, nothing is said

  makeExecutable(beside.filePath("sondrel"));
  rt::RUN("SONDREL.EXE");
  ASSERT_EQ(launched.size(), 1u);
  EXPECT_EQ(launched[0].program, beside.filePath("sondrel").toStdString());

  makeExecutable(work.filePath("sondrel"));
  rt::RUN("sondrel.exe");
  ASSERT_EQ(launched.size(), 2u);
  EXPECT_EQ(QFileInfo(QString::fromStdString(launched[1].program)).canonicalFilePath(),
            QFileInfo(work.filePath("sondrel")).canonicalFilePath());
}

TEST_F(ProgramsTest, AProgramThatKeptItsExeNameIsFoundToo) {
  makeExecutable(beside.filePath("sondrel"));
  makeExecutable(work.filePath("Sondrel.exe"));
  EXPECT_EQ(QFileInfo(QString::fromStdString(rt::locateProgram("sondrel.exe"))).fileName(),
            "Sondrel.exe");
  QFile::remove(work.filePath("Sondrel.exe"));
  EXPECT_EQ(rt::locateProgram("sondrel.exe"), beside.filePath("sondrel").toStdString());
  EXPECT_EQ(rt::locateProgram("tarnfix"), "");
}

TEST_F(ProgramsTest, RepairUtilityMapsToOurProgram) {
  makeExecutable(beside.filePath("tarnfix"));
  rt::RUN("tarnfix.exe");
  ASSERT_EQ(launched.size(), 1u);
  EXPECT_EQ(launched[0].program, beside.filePath("tarnfix").toStdString());
}

TEST_F(ProgramsTest, HelpAndSourceViewerGoToTheirHandlers) {
  rt::RUN("winhelp.exe -i SondrelProgram tarnwick.hlp");
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0], (Words{"-i", "SondrelProgram", "tarnwick.hlp"}));

  QFile page(work.filePath("page.htm"));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.close();
  rt::RUN("hh.exe page.htm");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].isLocalFile());
  EXPECT_EQ(QFileInfo(opened[0].toLocalFile()).canonicalFilePath(),
            QFileInfo(work.filePath("page.htm")).canonicalFilePath());
  EXPECT_TRUE(launched.empty());
}

TEST_F(ProgramsTest, ChangeDirectoryAcceptsBackslashesAndBlanks) {
  QDir(work.path()).mkdir("sub");
  EXPECT_TRUE(rt::ChangeDirectory("sub   "));
  EXPECT_EQ(rt::currentDirectory(),
            QFileInfo(work.filePath("sub")).canonicalFilePath().toStdString());
  EXPECT_TRUE(rt::ChangeDirectory(".."));
  EXPECT_FALSE(rt::ChangeDirectory("no such dir"));
}

TEST_F(ProgramsTest, ShellOpenRoutesByKindOfTarget) {
  QFile f(work.filePath("pic one.jpg"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  struct Case {
    std::string target;
    QUrl want;
  };
  const Case cases[] = {
      {"mailto:someone@example.com   ", QUrl("mailto:someone@example.com")},
      {"http://www.example.com/a b", QUrl("http://www.example.com/a b", QUrl::TolerantMode)},
      {"HTTPS://example.com", QUrl("HTTPS://example.com", QUrl::TolerantMode)},
      {"ftp://files.example.com", QUrl("ftp://files.example.com")},
      {"pic one.jpg", QUrl::fromLocalFile(work.filePath("pic one.jpg"))},
      {"www.example.com", QUrl("http://www.example.com")},
      {"", QUrl()},
      {"     ", QUrl()},
  };
  for (const Case& c : cases) {
    opened.clear();
    rt::ShellOpen(c.target);
    ASSERT_EQ(opened.size(), 1u) << c.target;  // blank targets are handed on too
    EXPECT_EQ(opened[0], c.want) << c.target;
  }
}

TEST_F(ProgramsTest, ShellOpenCutsAt255Bytes) {
  const std::string longTarget = "http://www.example.com/" + std::string(300, 'a');
  rt::ShellOpen(longTarget);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toString(QUrl::FullyEncoded).toStdString(), longTarget.substr(0, 255));
  // A cut through a two-byte character drops the whole character.
  const std::string accented = "http://x/" + std::string(245, 'b') + "\xC3\xA9";  // 256 bytes
  ASSERT_EQ(accented.size(), 256u);
  EXPECT_EQ(rt::shellUrl(accented), QUrl(QString::fromStdString(accented.substr(0, 254))));
}

}  // namespace
