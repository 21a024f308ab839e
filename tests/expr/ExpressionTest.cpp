#include <string>
#include <vector>

#include "runtime/text/Strings.h"
#include "runtime/text/Value.h"
#include "tests/expr/ExprFixture.h"

namespace exprtest {
namespace {

struct NumCase {
  const char* text;
  double want;
};
struct TextCase {
  const char* text;
  const char* want;
};

using ExprPrecedence = ExprFixture;

TEST_F(ExprPrecedence, OperatorsBindInTheirOrder) {
  const NumCase cases[] =
      {
          {"1+2*3", 7},        {"(1+2)*3", 9},        {"2*3-4/2", 4},
          {"10-4-3", 3},       {"100/10/5", 2},       {"-2*3", -6},
          {"- -2", 2},         {"2--2", 4},           {"7 % 4 + 1", 4},
          {"1 + 2 = 3", 1},    {"2 * 3 > 5", 1},      {"1 = 1 and 2 = 3 or 1 = 1", 1},
          {"1 or 0 and 0", 1}, {"(1 or 0) and 0", 0}, {"not 1 = 2", 1},
          {"~1 = 2", 1},       {"~ 1 = 1", 0},        {"NOT 0 AND 0", 0},
          {"not not 3", 1},    {"~(1=1) or 1=1", 1},  {"1 = ~0", 1},
          {"2 = ~0", 0},       {"1 < 2 = 1", 1},  // comparisons chain left to right
          {"3.5 * 2", 7},      {".5 + 1.", 1.5},
      };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(num(c.text), c.want) << c.text;
}

TEST_F(ExprPrecedence, ConcatenationBindsLooserThanArithmetic) {
  const TextCase cases[] = {
      {"'a' & 1 + 2", "a3"},
      {"1 + 2 & 3 * 4", "312"},
      {"'x' & 'y' & 'z'", "xyz"},
      {"'it''s'", "it's"},
      {"''''", "'"},
      {"'' & ''", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(str(c.text), c.want) << c.text;
  EXPECT_DOUBLE_EQ(num("'ab' & 'c' = 'abc'"), 1);
}

TEST_F(ExprPrecedence, KeywordsNamesAndFunctionsIgnoreCase) {
  note.reminder = "Y";
  ding = "Y";
  EXPECT_TRUE(test("DNO:Reminder = DING aNd Dno:REMINDER = 'Y'"));
  EXPECT_TRUE(test("0 Or 1"));
  EXPECT_TRUE(test("NoT 0"));
  EXPECT_EQ(str("uPpEr('abc') & LoWeR('DEF') & clip('x  ')"), "ABCdefx");
  EXPECT_DOUBLE_EQ(num("Today() - TODAY()"), 0);
}

using ExprComparisons = ExprFixture;

TEST_F(ExprComparisons, TextsCompareClippedAndCaseSensitive) {
  const NumCase cases[] = {
      {"'abc  ' = 'abc'", 1},
      {"'abc' = 'ABC'", 0},
      {"'abc' <> 'abc '", 0},
      {"'' = '   '", 1},
      {"'  abc' = 'abc'", 0},
      {"'a' < 'b'", 1},
      {"'B' < 'a'", 1},
      {"'ab' < 'abc'", 1},
      {"'abc' > 'ab '", 1},
      {"'10' > '9'", 0},
      {"'b' >= 'b  '", 1},
      {"'b' => 'c'", 0},
      {"'b' =< 'b'", 1},
      {"'b' <= 'a'", 0},
      {"'abc' ~= 'ABC  '", 1},
      {"'abc' ~= 'abd'", 0},
      {"'abc' ~= 'ab'", 0},
      {"'' ~= ' '", 1},
      {"'\xC3\xA9' = '\xC3\xA9  '", 1},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(num(c.text), c.want) << c.text;
}

TEST_F(ExprComparisons, BlankFieldsEqualEmptyTexts) {
  EXPECT_TRUE(test("dno:topic = ''"));
  EXPECT_TRUE(test("dno:topic = ding"));
  EXPECT_FALSE(test("dno:topic <> ''"));
  note.topic = "x";
  EXPECT_FALSE(test("dno:topic = ''"));
}

TEST_F(ExprComparisons, ANumberOnEitherSideMakesItNumeric) {
  const NumCase cases[] = {
      {"'10' = 10", 1},        {"'10' > 9", 1},       {"9 < '10'", 1},    {"'abc' = 0", 1},
      {"' 12.50 ' = 12.5", 1}, {"'1,234' = 1234", 1}, {"'12abc' = 0", 1}, {"'-3' < 0", 1},
      {"'+3' = 3", 1},         {"'1e3' = 0", 1},      {"'inf' = 0", 1},   {"'.' = 0", 1},
      {"'5.' = 5", 1},         {"'1,23' = 123", 1},   {"'2' ~= 2.0", 1},  {"'x' + 1", 1},
      {"'4' * '2'", 8},        {"-'3'", -3},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(num(c.text), c.want) << c.text;
}

TEST_F(ExprComparisons, NumbersBecomeTextInConcatenation) {
  const TextCase cases[] = {
      {"'x' & 5", "x5"},
      {"2.5 & ''", "2.5"},
      {"'HS' & 1 / 4", "HS0.25"},
      {"-0 & ''", "0"},
      {"1 / 3 & ''", "0.333333333333333"},
      {"'HS' & TODAY() & CLOCK()", "HS820004500001"},
  };
  for (const auto& c : cases) EXPECT_EQ(str(c.text), c.want) << c.text;
}

TEST_F(ExprComparisons, DivisionByZeroGivesZeroNotInfinity) {
  EXPECT_DOUBLE_EQ(num("5 / 0"), 0);
  EXPECT_DOUBLE_EQ(num("5 % 0"), 0);
  EXPECT_FALSE(test("1 / 0 > 1000000"));
}

TEST_F(ExprComparisons, ResultsAreOneOrZero) {
  EXPECT_EQ(str("3 > 2"), "1");
  EXPECT_EQ(str("3 < 2"), "0");
  EXPECT_DOUBLE_EQ(num("(3 > 2) + (5 > 1)"), 2);
  EXPECT_DOUBLE_EQ(num("2 and 3"), 1);
}

TEST_F(ExprComparisons, TextTruthIsNonBlank) {
  EXPECT_FALSE(test("''"));
  EXPECT_FALSE(test("'   '"));
  EXPECT_TRUE(test("'0'"));
  EXPECT_FALSE(test("dno:reminder"));
  note.reminder = "Y";
  EXPECT_TRUE(test("dno:reminder"));
  EXPECT_FALSE(test("~dno:reminder"));
}

using ExprFields = ExprFixture;

TEST_F(ExprFields, EveryNumberTypeReadsFromTheRecord) {
  dom.feePaid = rt::Decimal{1999};
  dom.regularFee = 35.25;
  img.height = -120;
  img.currentlyUse = 200;
  img.lineNumber = 123456789;
  img.readTime = 360001;
  EXPECT_DOUBLE_EQ(num("dom:feepaid"), 19.99);
  EXPECT_TRUE(test("dom:feepaid = 19.99"));
  EXPECT_TRUE(test("dom:feepaid < 20 and dom:feepaid > 19.98"));
  EXPECT_DOUBLE_EQ(num("dom:regularfee * 2"), 70.5);
  EXPECT_DOUBLE_EQ(num("wpi:height"), -120);
  EXPECT_DOUBLE_EQ(num("wpi:currentlyuse"), 200);
  EXPECT_DOUBLE_EQ(num("wpi:linenumber"), 123456789);
  EXPECT_DOUBLE_EQ(num("wpi:readtime"), 360001);
  EXPECT_EQ(str("wpi:height & ''"), "-120");
  EXPECT_EQ(str("dom:feepaid & ''"), "19.99");
}

TEST_F(ExprFields, GlobalsOfEachKind) {
  pagecount = 42;
  total = rt::Decimal{-250};
  domainname = "abc.com";
  EXPECT_DOUBLE_EQ(num("pagecount + 1"), 43);
  EXPECT_DOUBLE_EQ(num("total"), -2.5);
  EXPECT_EQ(str("clip(domainname) & '/'"), "abc.com/");
  EXPECT_EQ(str("domainname").size(), 50u);
}

TEST_F(ExprFields, TextFieldComparedWithNumberConvertsTheText) {
  note.topic = " 42 ";
  EXPECT_TRUE(test("dno:topic = 42"));
  EXPECT_TRUE(test("dno:topic > 41.5"));
  note.topic = "forty-two";
  EXPECT_TRUE(test("dno:topic = 0"));
}

TEST_F(ExprFields, MemoReadsAsText) {
  const std::string_view memo = "call the registrar";
  std::copy(memo.begin(), memo.end(), domNotes);
  EXPECT_TRUE(test("INSTRING('registrar', dom:notes)"));
  EXPECT_EQ(str("LEN(CLIP(dom:notes)) & ''"), "18");
}

using ExprFunctions = ExprFixture;

TEST_F(ExprFunctions, StringFunctions) {
  const TextCase cases[] = {
      {"UPPER('abc Straße')", "ABC STRAßE"},  // ASCII letters only
      {"LOWER('ABC-Def')", "abc-def"},       {"CLIP('ab  ') & 'c'", "abc"},
      {"CLIP('  ab') & 'c'", "  abc"},       {"SUB('abcdef',2,3)", "bcd"},
      {"LEFT('  ab') & '|'", "ab  |"},       {"UPPER(SUB('abcdef', 3, 2)) & LOWER('X')", "CDx"},
  };
  for (const auto& c : cases) EXPECT_EQ(str(c.text), c.want) << c.text;
  const NumCase nums[] = {
      {"INSTRING('c','abcabc')", 3},
      {"INSTRING('c','abcabc',1,4)", 6},
      {"INSTRING('z','abcabc',1,1)", 0},
      {"INSTRING('c','abcabc',1,99)", 0},
      {"LEN('abc')", 3},
      {"ABS(-3.5)", 3.5},
      {"ABS(2)", 2},
      {"TODAY()", kToday},
      {"CLOCK()", kClock},
      {"TODAY()+30", kToday + 30},
  };
  for (const auto& c : nums) EXPECT_DOUBLE_EQ(num(c.text), c.want) << c.text;
}

TEST_F(ExprFunctions, AgreeWithTheTextLayer) {
  // The evaluator runs some functions itself; they must not drift from the text layer.
  const char* samples[] = {"", "a", "abc  ", "  Mixed Case ", "x\xC3\xA9y", "dom:a"};
  const long starts[] = {0, 1, 2, 5, 40};
  const long lengths[] = {-1, 0, 1, 3, 100};
  for (const char* s : samples) {
    note.topic = s;
    const std::string lit = std::string("'") + s + "'";
    EXPECT_EQ(str("UPPER(" + lit + ")"), rt::UPPER(s)) << s;
    EXPECT_EQ(str("LOWER(" + lit + ")"), rt::LOWER(s)) << s;
    EXPECT_EQ(str("CLIP(" + lit + ")"), rt::CLIP(s)) << s;
    EXPECT_DOUBLE_EQ(num("LEN(dno:topic)"), rt::LEN(note.topic.raw())) << s;
    for (long st : starts)
      for (long len : lengths)
        EXPECT_EQ(str("SUB(" + lit + "," + std::to_string(st) + "," + std::to_string(len) + ")"),
                  rt::SUB(s, st, len))
            << s << " " << st << " " << len;
    EXPECT_DOUBLE_EQ(rt::textToNumber(s), rt::numberOf(rt::Value{std::string(s)})) << s;
  }
  for (const char* s : {"12", " -3.5 ", "1,234.5", "1,23", "+0.25", ".5", "5.", "1e3", "--1", ",12",
                        "12,", "1.2.3", "\t7\t"})
    EXPECT_DOUBLE_EQ(rt::textToNumber(s), rt::numberOf(rt::Value{std::string(s)})) << s;
  for (double v : {0.0, 1.0, -2.5, 1.0 / 3, 123456789.0, 1e20, 0.1 + 0.2})
    EXPECT_EQ(str(std::to_string(v) + " & ''"), rt::textOf(rt::Value{std::stod(std::to_string(v))}))
        << v;
}

TEST_F(ExprFunctions, CaseMappingOfEveryByteAgreesWithTheTextLayer) {
  // Long enough that most bytes go through the word-at-a-time path, at every alignment.
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  for (std::size_t shift = 0; shift < 8; ++shift) {
    const std::string s = all.substr(shift) + all.substr(0, shift);
    std::copy(s.begin(), s.end(), queryfilter);
    queryfilter[s.size()] = '\0';
    EXPECT_EQ(str("UPPER(queryfilter)"), rt::UPPER(s)) << shift;
    EXPECT_EQ(str("LOWER(queryfilter)"), rt::LOWER(s)) << shift;
  }
}

}  // namespace
}  // namespace exprtest
