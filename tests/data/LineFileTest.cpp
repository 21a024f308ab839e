#include <fstream>
#include <string>
#include <vector>

#include "runtime/data/LineFile.h"
#include "runtime/text/FixedString.h"
#include "tests/data/DataTestSupport.h"

namespace rt::testing {
namespace {

class LineFileTest : public ::testing::Test {
 protected:
  WorkDir dir;
  char line[LineFile::kLineWidth];
  LineFile file{"DOS", line};

  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  std::vector<std::string> readAll() {
    std::vector<std::string> out;
    EXPECT_TRUE(file.open()) << errors().text;
    while (file.next()) out.emplace_back(clipView(line, sizeof line));
    EXPECT_EQ(errorCode(), ErrorCode::RecordNotAvailable);
    EXPECT_TRUE(file.close());
    return out;
  }
};

TEST_F(LineFileTest, SplitsAtLineFeedAndDropsTheCarriageReturnBeforeIt) {
  write("page.htm", "one\r\ntwo\n\nfour\rstill four\r\nlast");
  file.setName("page.htm");
  EXPECT_EQ(readAll(), (std::vector<std::string>{"one", "two", "", "four\rstill four", "last"}));
}

TEST_F(LineFileTest, LongLinesContinueAsFurtherRecords) {
  const std::string longLine = std::string(255, 'a') + std::string(255, 'b') + "ccc";
  write("long.htm", longLine + "\r\n" + std::string(255, 'd') + "\r\nend\n");
  file.setName("long.htm");
  EXPECT_EQ(readAll(), (std::vector<std::string>{std::string(255, 'a'), std::string(255, 'b'),
                                                 "ccc", std::string(255, 'd'), "end"}));

  // Only the pieces that a line continues after are marked as cut.
  ASSERT_TRUE(file.open());
  std::vector<bool> cut;
  while (file.next()) cut.push_back(file.lastCut());
  EXPECT_EQ(cut, (std::vector<bool>{true, true, false, false, false}));
}

TEST_F(LineFileTest, LongLinesAreSplitAtExactlyTheWidthEvenInsideACharacter) {
  // 254 ASCII bytes then a two-byte character that straddles the 255-byte boundary.
  const std::string text = std::string(254, 'x') + "\xC3\xA9" + "tail";
  write("utf.htm", text + "\n");
  file.setName("utf.htm");
  const auto lines = readAll();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(254, 'x') + "\xC3");
  EXPECT_EQ(lines[1], "\xA9tail");
}

// Whatever a record holds, written and read again it is the same bytes (trailing blanks aside).
TEST_F(LineFileTest, AppendedRecordsReadBackByteForByte) {
  const std::vector<std::string> records = {
      std::string("a\0b <a href=\"x\">", 19), "\r", "\r\r", "x\r", "\rmid\r", "", "end"};
  file.setName("copy.txt");
  ASSERT_TRUE(file.create());
  ASSERT_TRUE(file.open());
  for (const std::string& r : records) {
    assignPadded(line, sizeof line, r);
    ASSERT_TRUE(file.append());
  }
  ASSERT_TRUE(file.close());
  ASSERT_TRUE(file.open());
  std::vector<std::string> back;
  while (file.next()) back.emplace_back(line, static_cast<std::size_t>(file.lastLength()));
  EXPECT_EQ(back, records);
}

TEST_F(LineFileTest, ManyLinesAcrossReadBuffers) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "line " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
  write("big.htm", text);
  file.setName("big.htm");
  const auto lines = readAll();
  ASSERT_EQ(lines.size(), 50000u);
  EXPECT_EQ(lines[0], "line 0");
  EXPECT_EQ(lines[12345], "line 12345");
  EXPECT_EQ(lines[49999], "line 49999");
}

TEST_F(LineFileTest, MissingFileIsNotFoundAndNotCreated) {
  file.setName("absent.htm  ");
  EXPECT_FALSE(file.open());
  EXPECT_EQ(errorCode(), ErrorCode::FileNotFound);
  EXPECT_NE(errors().text.find("absent.htm"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists("absent.htm"));
  EXPECT_FALSE(file.remove());
  EXPECT_EQ(errorCode(), ErrorCode::FileNotFound);
}

TEST_F(LineFileTest, WrittenLinesReadBackAndNameMatchesAnyCase) {
  file.setName("Temp.TXT");
  ASSERT_TRUE(file.create());
  ASSERT_TRUE(file.open());
  for (const char* text : {"first  ", "", "third"}) {
    assignPadded(line, sizeof line, text);
    ASSERT_TRUE(file.append());
  }
  ASSERT_TRUE(file.close());
  file.setName("temp.txt");
  EXPECT_EQ(readAll(), (std::vector<std::string>{"first", "", "third"}));
  ASSERT_TRUE(file.remove());
  EXPECT_FALSE(std::filesystem::exists("Temp.TXT"));
}

TEST_F(LineFileTest, CopyingPiecesKeepsLongLinesWhole) {
  const std::string longLine = std::string(200, 'a') + std::string(100, ' ') + "end";
  write("in.htm", longLine + "\r\nshort\n");
  file.setName("in.htm");
  char outLine[LineFile::kLineWidth];
  LineFile out("DOS1", outLine);
  out.setName("copy.txt");
  ASSERT_TRUE(out.create());
  ASSERT_TRUE(out.open());
  ASSERT_TRUE(file.open());
  while (file.next()) {
    std::memcpy(outLine, line, sizeof line);
    ASSERT_TRUE(file.lastCut() ? out.appendPiece(file.lastLength()) : out.append());
  }
  ASSERT_TRUE(out.close());
  std::ifstream copy("copy.txt", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(copy)), std::istreambuf_iterator<char>());
  // Blanks at the cut survive; only the CR goes.
  EXPECT_EQ(text, longLine + "\nshort\n");
}

TEST_F(LineFileTest, EofLooksAheadWithoutConsuming) {
  write("two.txt", "a\nb");
  file.setName("two.txt");
  ASSERT_TRUE(file.open());
  EXPECT_FALSE(file.eof());
  ASSERT_TRUE(file.next());
  EXPECT_FALSE(file.eof());
  ASSERT_TRUE(file.next());
  EXPECT_EQ(clipView(line, sizeof line), "b");
  EXPECT_TRUE(file.eof());
}

TEST_F(LineFileTest, BackslashesInTheNameAreDirectorySeparators) {
  std::filesystem::create_directory("sub");
  write("sub/Page.htm", "x\n");
  file.setName("sub\\page.htm");
  EXPECT_EQ(readAll(), (std::vector<std::string>{"x"}));
}

}  // namespace
}  // namespace rt::testing
