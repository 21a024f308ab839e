#include "runtime/ini/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace rt {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tw-ini-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string at(std::string_view name) const { return dir_ + "/" + std::string(name); }
  void write(std::string_view name, std::string_view content) const {
    std::ofstream(at(name), std::ios::binary) << content;
  }
  std::string read(std::string_view name) const {
    std::ifstream in(at(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::size_t filesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  std::string dir_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  IniFile missing(at("none.ini"));
  EXPECT_EQ(missing.getString("Main", "XPos", "10"), "10");
  EXPECT_EQ(missing.getNumber("Main", "XPos", 7), 7);
  EXPECT_FALSE(fs::exists(at("none.ini")));  // reading creates nothing
  write("a.ini", "[Main]\nXPos=5\n");
  IniFile ini(at("a.ini"));
  EXPECT_EQ(ini.getString("Other", "XPos", "d"), "d");
  EXPECT_EQ(ini.getString("Main", "YPos", "d"), "d");
  EXPECT_EQ(ini.getString("Main", "XPos", "d"), "5");
  EXPECT_EQ(ini.getString("Main", "YPos"), "");
}

TEST_F(IniFileTest, NamesAreComparedWithoutLetterCase) {
  write("a.ini", "[BrowseDomains]\nMaximize=No\n");
  IniFile ini(at("a.ini"));
  EXPECT_EQ(ini.getString("browsedomains", "MAXIMIZE"), "No");
  EXPECT_EQ(ini.getString(" BrowseDomains ", " Maximize "), "No");
  ASSERT_TRUE(ini.put("BROWSEDOMAINS", "maximize", "Yes"));
  EXPECT_EQ(read("a.ini"), "[BrowseDomains]\nMaximize=Yes\n");
}

TEST_F(IniFileTest, TheFileIsFoundInAnyLetterCase) {
  write("tarnwick.INI", "[cpanel]\nEditor=ed\n");
  IniFile ini(at("tarnwick.ini"));
  EXPECT_EQ(ini.getString("cpanel", "Editor"), "ed");
  ASSERT_TRUE(ini.put("cpanel", "Browser", "web"));
  EXPECT_FALSE(fs::exists(at("tarnwick.ini")));
  EXPECT_EQ(read("tarnwick.INI"), "[cpanel]\nEditor=ed\nBrowser=web\n");
  EXPECT_EQ(ini.resolvedPath(), at("tarnwick.INI"));
  IniFile created(at("New.ini"));
  ASSERT_TRUE(created.put("s", "k", "v"));
  EXPECT_TRUE(fs::exists(at("New.ini")));  // a new file takes the name as written
}

TEST_F(IniFileTest, OddKeysAndValuesRoundTripAsTheyStand) {
  struct Case {
    const char* key;
    const char* value;
  } cases[] = {
      {"?Browse:1:ORIG", "80L(2)|M~Domain Name~@s50@#2#120L(2)|M~Registrar~@s30@"},
      {"?Browse:1:USER", "a=b=c; not a comment # nor this [x]"},
      {"Command", "\"/usr/bin/my editor\" --flag \"%1\""},
      {"Quoted", "\"whole\""},
      {"Tildes", "~~|@@|~"},
      {"Latin1", "caf\xe9 na\xefve"},
      {"Utf8", "Grüße, 東京"},
      {"Inner", "two  blanks  inside"},
      {"Empty", ""},
      {"Long", nullptr},
  };
  const std::string longValue(5000, 'x');
  {
    IniFile ini(at("odd.ini"));
    for (const Case& c : cases)
      ASSERT_TRUE(ini.put("Odd Section", c.key, c.value ? c.value : longValue));
  }
  IniFile again(at("odd.ini"));
  for (const Case& c : cases)
    EXPECT_EQ(again.getString("odd section", c.key, "missing"), c.value ? c.value : longValue)
        << c.key;
  EXPECT_EQ(again.getString("Odd Section", "?browse:1:orig", "missing"), cases[0].value);
}

TEST_F(IniFileTest, BlanksAroundAValueAreDropped) {
  write("a.ini", "[s]\n  key  =   spaced value   \n");
  IniFile ini(at("a.ini"));
  EXPECT_EQ(ini.getString("s", "key"), "spaced value");
  ASSERT_TRUE(ini.put("s", "padded", "  x  "));
  EXPECT_EQ(ini.getString("s", "padded"), "x");
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST_F(IniFileTest, AWriteKeepsEveryOtherSectionKeyAndComment) {
  write("t.ini",
        "; settings of the program\n[Main]\nXPos=10\nYPos=20\n\n; the control panel\n"
        "[cpanel]\nEditor=ed\nBrowser=web\n[UpdateDomains]\nMaximize=No\n");
  IniFile ini(at("t.ini"));
  ASSERT_TRUE(ini.put("cpanel", "Editor", "vi"));
  std::vector<std::string> kept;
  for (const std::string& line : linesOf(read("t.ini")))
    if (!line.empty()) kept.push_back(line);
  EXPECT_EQ(kept,
            (std::vector<std::string>{"; settings of the program", "[Main]", "XPos=10", "YPos=20",
                                      "; the control panel", "[cpanel]", "Editor=vi", "Browser=web",
                                      "[UpdateDomains]", "Maximize=No"}));
  EXPECT_EQ(filesInDir(), 1u);  // no temporary file left beside it
}

TEST_F(IniFileTest, ASecondWriteChangesExactlyOneLine) {
  write("t.ini", "; top\n[Main]\nXPos=10\n\n; panel\n[cpanel]\nEditor=ed\nBrowser=web\n");
  IniFile ini(at("t.ini"));
  ASSERT_TRUE(ini.put("Main", "XPos", "11"));
  const std::vector<std::string> before = linesOf(read("t.ini"));
  ASSERT_TRUE(ini.put("cpanel", "Editor", "vi"));
  const std::vector<std::string> after = linesOf(read("t.ini"));
  ASSERT_EQ(before.size(), after.size());
  int changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i)
    if (before[i] != after[i]) {
      ++changed;
      EXPECT_EQ(before[i], "Editor=ed");
      EXPECT_EQ(after[i], "Editor=vi");
    }
  EXPECT_EQ(changed, 1);
}

TEST_F(IniFileTest, SeesChangesMadeByOthers) {
  IniFile first(at("shared.ini"));
  IniFile second(at("SHARED.ini"));
  EXPECT_EQ(first.getString("s", "k", "none"), "none");
  ASSERT_TRUE(second.put("s", "k", "one"));
  EXPECT_EQ(first.getString("s", "k"), "one");
  ASSERT_TRUE(first.put("s", "j", "two"));  // keeps what second wrote
  EXPECT_EQ(second.getString("s", "k"), "one");
  EXPECT_EQ(second.getString("s", "j"), "two");
  write("shared.ini", "[s]\nk=edited by hand, longer\n");
  EXPECT_EQ(first.getString("s", "k"), "edited by hand, longer");
  EXPECT_EQ(first.getString("s", "j", "gone"), "gone");
}

TEST_F(IniFileTest, RefusesWhatCannotStandInALine) {
  write("a.ini", "[s]\nk=v\n");
  IniFile ini(at("a.ini"));
  EXPECT_FALSE(ini.put("s", "k", "two\nlines"));
  EXPECT_FALSE(ini.put("s", "k", "cr\r"));
  EXPECT_FALSE(ini.put("s", "a=b", "v"));
  EXPECT_FALSE(ini.put("s", ";k", "v"));
  EXPECT_FALSE(ini.put("s", "  ", "v"));
  EXPECT_FALSE(ini.put("s]", "k", "v"));
  EXPECT_FALSE(ini.put("s\n", "k", "v"));
  EXPECT_EQ(read("a.ini"), "[s]\nk=v\n");
  EXPECT_EQ(ini.getString("s", "k"), "v");
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  write("a.ini", "[s]\nk=v\n");
  ::chmod(at("a.ini").c_str(), 0200);
  // Permissions do not bind root: the reader runs as an unprivileged user, in a directory it
  // may write, so only the unreadable file itself stands in its way.
  ::chmod(dir_.c_str(), 0777);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(90);
    IniFile ini(at("a.ini"));
    if (ini.getString("s", "k", "d") != "d") ::_exit(1);
    if (ini.put("s", "x", "y")) ::_exit(2);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the unreadable value was read, 2: the file was written";
  ::chmod(at("a.ini").c_str(), 0600);
  EXPECT_EQ(read("a.ini"), "[s]\nk=v\n");
}

TEST_F(IniFileTest, SeveralKeysOfASectionGoInOneWriteOrNotAtAll) {
  write("w.ini", "; kept\r\n[Main]\r\nXPos=1\r\n\r\n[Other]\r\nk=v\r\n");
  IniFile ini(at("w.ini"));
  EXPECT_FALSE(ini.put("Main", {{"XPos", "5"}, {"bad\nkey", "x"}}));
  EXPECT_EQ(read("w.ini"), "; kept\r\n[Main]\r\nXPos=1\r\n\r\n[Other]\r\nk=v\r\n");
  ASSERT_TRUE(ini.put("main", {{"XPos", "5"}, {"YPos", "7"}, {"Maximize", "No"}}));
  EXPECT_EQ(read("w.ini"),
            "; kept\r\n[Main]\r\nXPos=5\r\nYPos=7\r\nMaximize=No\r\n\r\n[Other]\r\nk=v\r\n");
  EXPECT_EQ(ini.getString("Main", "YPos"), "7");
}

TEST_F(IniFileTest, AFailedWriteIsReported) {
  IniFile ini(at("missing-dir/a.ini"));
  EXPECT_FALSE(ini.put("s", "k", "v"));
  EXPECT_EQ(ini.getString("s", "k", "d"), "d");
}

TEST_F(IniFileTest, NumbersReadFromTheStartOfTheValue) {
  write("n.ini",
        "[n]\nint=42\nneg=-3.5\nblank= 7 \ntrail=12abc\nword=abc\nempty=\nhex=0x10\nnan=nan\n");
  IniFile ini(at("n.ini"));
  EXPECT_EQ(ini.getNumber("n", "int", -1), 42);
  EXPECT_EQ(ini.getNumber("n", "neg", -1), -3.5);
  EXPECT_EQ(ini.getNumber("n", "blank", -1), 7);
  EXPECT_EQ(ini.getNumber("n", "trail", -1), 12);
  EXPECT_EQ(ini.getNumber("n", "word", -1), -1);
  EXPECT_EQ(ini.getNumber("n", "empty", -1), -1);
  EXPECT_EQ(ini.getNumber("n", "nan", -1), -1);
  EXPECT_EQ(ini.getNumber("n", "missing", -1), -1);
  ASSERT_TRUE(ini.putNumber("n", "w", 300));
  ASSERT_TRUE(ini.putNumber("n", "f", -0.25));
  EXPECT_EQ(ini.getString("n", "w"), "300");
  EXPECT_EQ(ini.getString("n", "f"), "-0.25");
}

TEST_F(IniFileTest, WritesThroughALinkAndKeepsThePermissions) {
  write("real.ini", "[s]\nk=v\n");
  ::chmod(at("real.ini").c_str(), 0640);
  fs::create_symlink(at("real.ini"), at("link.ini"));
  IniFile ini(at("link.ini"));
  ASSERT_TRUE(ini.put("s", "k", "w"));
  EXPECT_TRUE(fs::is_symlink(at("link.ini")));
  EXPECT_EQ(read("real.ini"), "[s]\nk=w\n");
  struct stat st;
  ASSERT_EQ(::stat(at("real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(IniFileTest, ThePathIsFixedWhenTheFileIsOpened) {
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  IniFile ini("tarnwick.ini  ");
  fs::create_directory(at("elsewhere"));
  fs::current_path(at("elsewhere"));
  const bool ok = ini.put("Main", "XPos", "1");
  fs::current_path(before);
  ASSERT_TRUE(ok);
  EXPECT_EQ(read("tarnwick.ini"), "[Main]\nXPos=1\n");
  EXPECT_EQ(ini.path(), at("tarnwick.ini"));
}

// The text with the one value replaced, everything around it byte for byte.
std::string replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Two seconds back, so that the file counts as settled and may be taken from memory.
void dateBack(const std::string& path) {
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::seconds(10));
}

class IniLayoutTest : public IniFileTest {
 protected:
  // CR/LF and LF ends mixed, comments, blanks, a line without "=", a key twice, odd spacing,
  // no line end after the last line.
  static constexpr std::string_view kMessy =
      "; written by hand\r\n"
      "\r\n"
      "[ Main ]\r\n"
      "  XPos =  10  \r\n"
      "YPos=20\n"
      "not a setting\r\n"
      "XPOS=99\r\n"
      "\r\n"
      "\r\n"
      "; the control panel\r\n"
      "[cpanel]\r\n"
      "Editor=ed\t\r\n"
      "# other comment\r\n"
      "Browser = web";
};

TEST_F(IniLayoutTest, AWriteToAKeyChangesOnlyItsValue) {
  write("m.ini", kMessy);
  IniFile ini(at("m.ini"));
  EXPECT_EQ(ini.getString("main", "xpos"), "10");  // the first of the two
  ASSERT_TRUE(ini.put("MAIN", "xpos", "11"));
  EXPECT_EQ(read("m.ini"), replaced(std::string(kMessy), "  XPos =  10  \r\n", "  XPos =11\r\n"));
  ASSERT_TRUE(ini.put("cpanel", "browser", "w|~@=x"));
  EXPECT_EQ(read("m.ini"),
            replaced(replaced(std::string(kMessy), "  XPos =  10  \r\n", "  XPos =11\r\n"),
                     "Browser = web", "Browser =w|~@=x"));
  EXPECT_EQ(ini.getString("Main", "XPos"), "11");
  EXPECT_EQ(ini.getString("cpanel", "Browser"), "w|~@=x");
  EXPECT_EQ(ini.getString("cpanel", "Editor"), "ed");
}

TEST_F(IniLayoutTest, ANewKeyEndsItsSectionBeforeTheBlankLines) {
  write("m.ini", kMessy);
  IniFile ini(at("m.ini"));
  ASSERT_TRUE(ini.put("Main", "?Browse:1:ORIG", "80L(2)|M~Name~@s50@"));
  // The comment set off by blank lines heads the next section and stays with it.
  EXPECT_EQ(read("m.ini"), replaced(std::string(kMessy), "XPOS=99\r\n",
                                    "XPOS=99\r\n?Browse:1:ORIG=80L(2)|M~Name~@s50@\r\n"));
  EXPECT_EQ(ini.getString("main", "?browse:1:orig"), "80L(2)|M~Name~@s50@");
  // The last line had no line end: it gets one, the new line does not.
  ASSERT_TRUE(ini.put("cpanel", "Help", "on"));
  EXPECT_TRUE(read("m.ini").ends_with("\r\nBrowser = web\r\nHelp=on"));
}

TEST_F(IniLayoutTest, ANewSectionGoesAtTheEndAfterABlankLine) {
  write("a.ini", "[s]\nk=v\n");
  IniFile a(at("a.ini"));
  ASSERT_TRUE(a.put("New One", "k", "1"));
  EXPECT_EQ(read("a.ini"), "[s]\nk=v\n\n[New One]\nk=1\n");
  write("b.ini", "[s]\r\nk=v\r\n\r\n");
  IniFile b(at("b.ini"));
  ASSERT_TRUE(b.put("t", "k", "2"));
  EXPECT_EQ(read("b.ini"), "[s]\r\nk=v\r\n\r\n[t]\r\nk=2\r\n");
  write("c.ini", "[s]\nk=v");
  IniFile c(at("c.ini"));
  ASSERT_TRUE(c.put("t", "k", "3"));
  EXPECT_EQ(read("c.ini"), "[s]\nk=v\n\n[t]\nk=3\n");
  write("d.ini", "[s]\nk=v\n");
  IniFile d(at("d.ini"));
  ASSERT_TRUE(d.put("Empty", "k", ""));
  EXPECT_EQ(read("d.ini"), "[s]\nk=v\n\n[Empty]\nk=\n");
  EXPECT_EQ(d.getString("empty", "k", "default"), "");
}

TEST_F(IniLayoutTest, ReadsAndWritesAgreeOnWhichLineIsTheKey) {
  write("a.ini",
        "top=before any section\n"
        "[s]\nk=first\nk=second\n"
        "[t]\nk=other\n"
        "[S]\nlater=in the second part\nk=third\n");
  IniFile ini(at("a.ini"));
  EXPECT_EQ(ini.getString("s", "k"), "first");
  EXPECT_EQ(ini.getString("s", "later"), "in the second part");
  EXPECT_EQ(ini.getString("", "top"), "before any section");
  EXPECT_EQ(ini.getString("s", "top", "none"), "none");
  ASSERT_TRUE(ini.put("s", "k", "1"));
  ASSERT_TRUE(ini.put("s", "later", "2"));
  ASSERT_TRUE(ini.put("", "top", "3"));
  ASSERT_TRUE(ini.put("t", "top", "4"));
  EXPECT_EQ(read("a.ini"),
            "top=3\n"
            "[s]\nk=1\nk=second\n"
            "[t]\nk=other\ntop=4\n"
            "[S]\nlater=2\nk=third\n");
  EXPECT_EQ(ini.getString("s", "k"), "1");
  EXPECT_EQ(ini.getString("s", "later"), "2");
  EXPECT_EQ(ini.getString("", "top"), "3");
  EXPECT_EQ(ini.getString("t", "top"), "4");
  // What the reader does not take for a key, a write does not take either.
  // A header without its "]" ends the section, and what follows it is in none.
  write("b.ini", "[s]\n=v\nk\n;k=c\n[broken\nk=lost\n[t]\nk=t\n");
  IniFile b(at("b.ini"));
  EXPECT_EQ(b.getString("s", "k", "none"), "none");
  EXPECT_EQ(b.getString("broken", "k", "none"), "none");
  ASSERT_TRUE(b.put("s", "k", "new"));
  EXPECT_EQ(read("b.ini"), "[s]\n=v\nk\n;k=c\nk=new\n[broken\nk=lost\n[t]\nk=t\n");
  EXPECT_EQ(b.getString("s", "k"), "new");
  EXPECT_EQ(b.getString("t", "k"), "t");
}

TEST_F(IniLayoutTest, AKeyBeforeAnySectionIsAddedAtTheTop) {
  write("a.ini", "\xEF\xBB\xBF[s]\nk=v\n");
  IniFile ini(at("a.ini"));
  ASSERT_TRUE(ini.put("", "top", "1"));
  EXPECT_EQ(read("a.ini"), "\xEF\xBB\xBFtop=1\n[s]\nk=v\n");
  EXPECT_EQ(ini.getString("", "top"), "1");
  EXPECT_EQ(ini.getString("s", "k"), "v");
}

TEST_F(IniLayoutTest, AChangeByAnotherWriterIsSeenEvenWithinOneClockTick) {
  write("a.ini", "[s]\nk=one\n");
  const auto stamp = fs::last_write_time(at("a.ini"));
  IniFile ini(at("a.ini"));
  EXPECT_EQ(ini.getString("s", "k"), "one");
  // Same size, same inode, same time: only the content tells.
  {
    std::fstream f(at("a.ini"), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(6);
    f << "two";
  }
  fs::last_write_time(at("a.ini"), stamp);
  EXPECT_EQ(ini.getString("s", "k"), "two");
  dateBack(at("a.ini"));
  write("a.ini", "[s]\nk=three, longer\n");
  dateBack(at("a.ini"));
  EXPECT_EQ(IniFile(at("A.INI")).getString("S", "K"), "three, longer");
}

TEST_F(IniLayoutTest, ManyReadsParseTheFileOnce) {
  std::string text;
  for (int s = 0; s < 10; ++s) {
    text += "[w" + std::to_string(s) + "]\n";
    for (int k = 0; k < 10; ++k)
      text += "k" + std::to_string(k) + "=" + std::to_string(s * k) + "\n";
  }
  write("a.ini", text);
  dateBack(at("a.ini"));
  const std::uint64_t before = iniParseCount();
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(IniFile(at("a.ini")).getNumber("w" + std::to_string(i), "k" + std::to_string(i)),
              i * i);
  EXPECT_EQ(iniParseCount() - before, 1u);
  // A write parses what it wrote; reads after it, while the file is fresh, find it unchanged.
  ASSERT_TRUE(IniFile(at("a.ini")).put("w1", "k1", "x"));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(IniFile(at("a.ini")).getString("w1", "k1"), "x");
  EXPECT_EQ(iniParseCount() - before, 2u);
}

}  // namespace
}  // namespace rt
