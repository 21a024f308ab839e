#include "runtime/ini/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace
}  // namespace rt
