#include "runtime/text/Paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "runtime/text/Dates.h"
#include "tests/support/TempHolder.h"

namespace rt {
namespace {

namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tw-paths-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    setClockProvider(nullptr);
    fs::remove_all(dir_);
  }
  std::string at(std::string_view name) const { return dir_ + "/" + std::string(name); }
  void write(std::string_view name, std::string_view content = "x") const {
    std::ofstream(at(name)) << content;
  }
  std::vector<std::string> names(std::string_view pattern, bool dirs = false) const {
    std::vector<std::string> out;
    for (const DirEntry& e : ListDirectory(pattern, dirs)) out.push_back(e.NAME);
    return out;
  }

  std::string dir_;
};

TEST(PathText, NormalizeClipsAndTurnsBackslashes) {
  EXPECT_EQ(normalizePath("C:\\sites\\mine\\   "), "C:/sites/mine/");
  EXPECT_EQ(normalizePath("a\\\\b//c"), "a/b/c");
  EXPECT_EQ(normalizePath("  lead stays"), "  lead stays");
  EXPECT_EQ(normalizePath("   "), "");
}

TEST(PathText, JoinUsesOneSlash) {
  EXPECT_EQ(joinPath("dir  ", "file.htm "), "dir/file.htm");
  EXPECT_EQ(joinPath("dir\\", "\\file"), "dir/file");
  EXPECT_EQ(joinPath("dir/", "sub\\file"), "dir/sub/file");
  EXPECT_EQ(joinPath("", "file"), "file");
  EXPECT_EQ(joinPath("dir", ""), "dir");
}

TEST(PathText, WildcardsIgnoreLetterCase) {
  EXPECT_TRUE(wildcardMatch("*.htm", "A.HTM"));
  EXPECT_TRUE(wildcardMatch("p?ge.*", "page.html"));
  EXPECT_TRUE(wildcardMatch("*", ""));
  EXPECT_TRUE(wildcardMatch("a*b*c", "aXXbYYbZc"));
  EXPECT_FALSE(wildcardMatch("a*b*c", "aXXbYYbZ"));
  EXPECT_FALSE(wildcardMatch("*.htm", "page.html"));
  EXPECT_FALSE(wildcardMatch("?", ""));
}

TEST_F(PathsTest, ResolvesNamesInAnyLetterCase) {
  write("tarnwick.INI");
  fs::create_directory(at("Pages"));
  write("Pages/Index.HTM");
  EXPECT_EQ(resolveFileName(dir_, "tarnwick.ini"), at("tarnwick.INI"));
  EXPECT_EQ(resolveFileName(dir_, "TARNWICK.INI  "), at("tarnwick.INI"));
  EXPECT_EQ(resolvePath(dir_ + "\\pages\\index.htm"), at("Pages/Index.HTM"));
  EXPECT_EQ(resolveFileName(dir_, "new.ini"), at("new.ini"));
  EXPECT_EQ(resolvePath(dir_ + "/PAGES/sub/New.htm"), at("Pages/sub/New.htm"));
  write("tarnwick.ini");  // the exact spelling wins when both exist
  EXPECT_EQ(resolveFileName(dir_, "tarnwick.ini"), at("tarnwick.ini"));
}

TEST_F(PathsTest, FileExistsAndMakeDirectory) {
  write("Data.TXT");
  EXPECT_TRUE(FileExists(at("data.txt  ")));
  EXPECT_TRUE(FileExists(dir_ + "\\DATA.txt"));
  EXPECT_TRUE(FileExists(dir_));
  EXPECT_FALSE(FileExists(at("missing")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(MakeDirectory(at("Site ")));
  EXPECT_TRUE(fs::is_directory(at("Site")));
  EXPECT_FALSE(MakeDirectory(at("site")));  // already there, in another case
  EXPECT_FALSE(MakeDirectory(at("no/parent")));
  EXPECT_TRUE(MakeDirectory(at("SITE\\Sub")));
  EXPECT_TRUE(fs::is_directory(at("Site/Sub")));
}

TEST_F(PathsTest, ListsMatchingFilesSortedByName) {
  for (const char* n : {"b.htm", "A.HTM", "page.html", "c.htmx", "notes.txt", "x.ht", "d.HTML"})
    write(n);
  fs::create_directory(at("dir.htm"));
  EXPECT_EQ(names(dir_ + "\\*.htm"),
            (std::vector<std::string>{"A.HTM", "b.htm", "c.htmx", "d.HTML", "page.html"}));
  EXPECT_EQ(
      names(dir_ + "/*.htm", true),
      (std::vector<std::string>{"A.HTM", "b.htm", "c.htmx", "d.HTML", "dir.htm", "page.html"}));
  EXPECT_EQ(names(dir_ + "/*.html"), (std::vector<std::string>{"d.HTML", "page.html"}));
  EXPECT_EQ(names(dir_ + "/?.ht"), (std::vector<std::string>{"x.ht"}));
  EXPECT_EQ(names(dir_ + "/NOTES.TXT"), (std::vector<std::string>{"notes.txt"}));
  EXPECT_TRUE(names(dir_ + "/*.gif").empty());
  EXPECT_TRUE(names(dir_ + "/missing/*.htm").empty());
  EXPECT_EQ(names(dir_ + "/*").size(), 7u);
}

TEST_F(PathsTest, EntriesCarrySizeDateTimeAndAttributes) {
  write("page.htm", "0123456789");
  const std::time_t when = 1'700'000'000;
  const struct timespec times[2] = {{when, 0}, {when, 500'000'000}};
  ASSERT_EQ(::utimensat(AT_FDCWD, at("page.htm").c_str(), times, 0), 0);
  write("locked.htm");
  ::chmod(at("locked.htm").c_str(), 0444);
  const auto entries = ListDirectory(dir_ + "/*.htm");
  ASSERT_EQ(entries.size(), 2u);
  const DirEntry& page = entries[1];
  EXPECT_EQ(page.NAME, "page.htm");
  EXPECT_EQ(page.SHORTNAME, "page.htm");
  EXPECT_EQ(page.SIZE, 10);
  const ClockReading r = localReading(when, 500'000'000);
  EXPECT_EQ(page.DATE, r.date);
  EXPECT_EQ(page.TIME, r.time);
  EXPECT_EQ(page.ATTRIB, 0);
  EXPECT_EQ(entries[0].ATTRIB & kAttribReadOnly, kAttribReadOnly);
  fs::create_directory(at(".hidden.htm"));
  const auto withDirs = ListDirectory(dir_ + "/*.htm", true);
  ASSERT_EQ(withDirs.size(), 3u);
  EXPECT_EQ(withDirs[0].ATTRIB, kAttribDirectory | kAttribHidden);
}

TEST_F(PathsTest, OneFileNamedWithoutWildcardsIsListedAlone) {
  write("Index.HTM", "12345");
  write("index.html");
  write("index.htm.bak");
  write("indexes.htm");
  EXPECT_EQ(names(dir_ + "/index.htm"), (std::vector<std::string>{"Index.HTM", "index.html"}));
  EXPECT_EQ(names(dir_ + "/INDEX.HTML"), (std::vector<std::string>{"index.html"}));
  const auto one = ListDirectory(dir_ + "/index.htm");
  ASSERT_FALSE(one.empty());
  EXPECT_EQ(one[0].SIZE, 5);
  // Files that come and go between two listings of the same directory are seen.
  write("late.htm");
  EXPECT_EQ(names(dir_ + "/late.htm"), (std::vector<std::string>{"late.htm"}));
  fs::remove(at("late.htm"));
  EXPECT_TRUE(names(dir_ + "/late.htm").empty());
  write("Index.HTM", "1234567");
  EXPECT_EQ(ListDirectory(dir_ + "/index.htm")[0].SIZE, 7);
}

TEST_F(PathsTest, ClockTempFilesAreExclusiveAndRemoved) {
  setClockProvider([] { return ClockReading{1, 4200}; });
  write("4200.txt", "taken");
  std::string firstPath;
  {
    auto first = ClockTempFile::create(dir_);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name(), "4201.txt");
    auto second = ClockTempFile::create(dir_ + "  ");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->name(), "4202.txt");
    EXPECT_TRUE(fs::exists(first->path()));
    firstPath = first->path();
    ClockTempFile moved = std::move(*first);
    first.reset();
    EXPECT_TRUE(fs::exists(firstPath));  // the move handed the file over
  }
  EXPECT_FALSE(fs::exists(firstPath));
  EXPECT_FALSE(fs::exists(at("4202.txt")));
  EXPECT_TRUE(fs::exists(at("4200.txt")));
  EXPECT_FALSE(fs::exists(at(kClockTempList)));  // the list goes with its last file
  EXPECT_FALSE(ClockTempFile::create(at("missing")));
}

TEST_F(PathsTest, ClockTempFileIsRemovedAfterTheCurrentDirectoryChanges) {
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  std::string name;
  {
    auto t = ClockTempFile::create();
    ASSERT_TRUE(t);
    name = t->name();
    EXPECT_TRUE(fs::exists(at(name)));
    fs::current_path(before);
  }
  EXPECT_FALSE(fs::exists(at(name)));
}

TEST_F(PathsTest, TempFilesLeftByAKilledProgramAreRemovedAtItsNextStart) {
  write("123.txt", "user's own");
  testing::TempHolder killed(dir_, "prog-a", TW_TEMP_HOLDER), alive(dir_, "prog-a", TW_TEMP_HOLDER),
      other(dir_, "prog-b", TW_TEMP_HOLDER);
  ASSERT_FALSE(killed.name().empty());
  ASSERT_FALSE(alive.name().empty());
  ASSERT_FALSE(other.name().empty());
  killed.stop(SIGKILL);
  other.stop(SIGKILL);
  ASSERT_TRUE(fs::exists(at(killed.name())));
  // A user's file took the name of a leftover, later than the clock tick it was made in (the
  // new file may well get its inode number): it is not the file that was noted.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  fs::remove(at(other.name()));
  write(other.name(), "user's own");

  const std::string me = tempFileOwner();
  setTempFileOwner("prog-a");
  removeLeftoverTempFiles(dir_);
  EXPECT_FALSE(fs::exists(at(killed.name())));
  EXPECT_TRUE(fs::exists(at(alive.name())));  // still held by its program
  EXPECT_TRUE(fs::exists(at(other.name())));  // another program's entry
  alive.stop(0);
  EXPECT_FALSE(fs::exists(at(alive.name())));

  setTempFileOwner("prog-b");
  removeLeftoverTempFiles(dir_);
  setTempFileOwner(me);
  EXPECT_TRUE(fs::exists(at(other.name())));
  EXPECT_TRUE(fs::exists(at("123.txt")));
  EXPECT_FALSE(fs::exists(at(kClockTempList)));
}

}  // namespace
}  // namespace rt
