#include <cstdint>
#include <iterator>
#include <string>

#include "tests/expr/ExprFixture.h"

namespace exprtest {
namespace {

struct ErrorCase {
  const char* text;
  int position;
  const char* fragment;  // part of the message
};

using ExprErrors = ExprFixture;

TEST_F(ExprErrors, MalformedFiltersReportWhereAndWhy) {
  const ErrorCase cases[] = {
      {"(dno:reminder=ding", 1, "matching ')'"},
      {"((1+2)", 1, "matching ')'"},
      {"dno:reminder=ding)", 18, "matching '('"},
      {"dno:reminder=", 14, "after '='"},
      {"dno:reminder = and 1", 16, "after '='"},
      {"1 +", 4, "after '+'"},
      {"1 + * 2", 5, "after '+'"},
      {"dom:renewaldate => today() and", 31, "after 'and'"},
      {"not", 4, "operand"},
      {"()", 2, "operand"},
      {"upper(", 7, "operand"},
      {"dno:bogus = 1", 1, "unknown name 'dno:bogus'"},
      {"1 = domain", 5, "unknown name 'domain'"},
      {"upper(dno:topic, 1)", 1, "UPPER takes 1 argument, not 2"},
      {"sub('abc', 1)", 1, "SUB takes 3 arguments, not 2"},
      {"instring('a')", 1, "INSTRING takes 2 to 4 arguments, not 1"},
      {"instring('a','b',1,1,1)", 1, "not 5"},
      {"today(1)", 1, "TODAY takes 0 arguments, not 1"},
      {"1 + clock(2)", 5, "CLOCK"},
      {"left()", 1, "LEFT takes 1 to 2 arguments, not 0"},
      {"frob(1)", 1, "unknown function 'frob'"},
      {"dno:topic = 'abc", 13, "unterminated string"},
      {"'it''s", 1, "unterminated string"},
      {"1 # 2", 3, "unexpected character '#'"},
      {"1 2", 3, "found '2'"},
      {"dno:topic dno:date", 11, "found 'dno:date'"},
      {"upper('a' 'b')", 11, "')'"},
      {"1, 2", 2, "found ','"},
      {"\xC3\xA9t\xC3\xA9 = 1", 1, "unexpected character '\xC3\xA9'"},
      {"'\xC3\xA9' = x", 7, "unknown name 'x'"},  // characters, not bytes
  };
  for (const auto& c : cases) {
    const rt::ExprError e = error(c.text);
    EXPECT_EQ(e.position, c.position) << c.text << ": " << e.message;
    EXPECT_NE(e.message.find(c.fragment), std::string::npos) << c.text << ": " << e.message;
  }
}

TEST_F(ExprErrors, BlankTextIsNoExpression) {
  for (const char* text : {"", "   ", "\t"}) {
    const rt::ExprError e = error(text);
    EXPECT_EQ(e.position, 1) << '"' << text << '"';
    EXPECT_FALSE(e.message.empty());
  }
}

TEST_F(ExprErrors, RunawayNestingIsRefusedNotFollowedDownTheStack) {
  const rt::ExprError deep = error(std::string(100000, '(') + "1" + std::string(100000, ')'));
  EXPECT_GT(deep.position, 1);
  EXPECT_NE(deep.message.find("nested"), std::string::npos);
  EXPECT_FALSE(error(std::string(50000, '-') + "1").message.empty());
  EXPECT_FALSE(error(std::string(50000, '~') + "1").message.empty());
  std::string chain = "1";
  for (int k = 0; k < 5000; ++k) chain += "+1";
  EXPECT_FALSE(error(chain).message.empty());
}

TEST_F(ExprErrors, ReasonableNestingStillCompiles) {
  std::string text = std::string(50, '(') + "1" + std::string(50, ')') + " = 1";
  EXPECT_TRUE(test(text));
  std::string ors = "dno:topic = 'a0'";
  for (int k = 1; k < 250; ++k) ors += " or dno:topic = 'a" + std::to_string(k) + "'";
  note.topic = "a249";
  EXPECT_TRUE(test(ors));
  note.topic = "a250";
  EXPECT_FALSE(test(ors));
}

TEST_F(ExprErrors, MalformedOrdersReportWhereAndWhy) {
  const ErrorCase cases[] = {
      {"dno:date,", 10, "operand"},
      {",dno:date", 1, "operand"},
      {"dno:date dno:topic", 10, "found 'dno:topic'"},
      {"dno:date,,dno:topic", 10, "operand"},
      {"+", 2, "operand"},
      {"dno:date,-dno:nope", 11, "unknown name"},
      {"dno:date)", 9, "matching '('"},
  };
  for (const auto& c : cases) {
    auto o = rt::compileOrder(c.text, bind);
    ASSERT_FALSE(o) << c.text;
    EXPECT_EQ(o.error().position, c.position) << c.text << ": " << o.error().message;
    EXPECT_NE(o.error().message.find(c.fragment), std::string::npos)
        << c.text << ": " << o.error().message;
  }
  EXPECT_FALSE(rt::compileOrder("  ", bind));
}

TEST_F(ExprErrors, AnUncompiledExpressionIsFalseNotTrue) {
  rt::Expression none;
  EXPECT_FALSE(none.test());
  EXPECT_DOUBLE_EQ(none.number(), 0);
  EXPECT_EQ(none.text(), "");
}

TEST_F(ExprErrors, RandomTextsNeverCrashAndPointInsideTheText) {
  // Pieces that make both sensible and broken expressions when strung together.
  const char* pieces[] = {
      "(",        ")",     ",",           "'a'",  "'",         "''",       "1",       "2.5",
      ".",        "=",     "<>",          "~=",   "=<",        "=>",       "<",       ">",
      "~",        "&",     "+",           "-",    "*",         "/",        "%",       " and ",
      " or ",     " not ", "upper(",      "sub(", "instring(", "today()",  "clock()", "dno:topic",
      "dno:date", "ding",  "queryfilter", "nope", "#",         "\xC3\xA9", " "};
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  note.topic = "abc";
  int compiledCount = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int n = 1 + static_cast<int>(next() % 12);
    for (int k = 0; k < n; ++k) text += pieces[next() % std::size(pieces)];
    auto c = rt::compile(text, bind);
    if (c) {
      ++compiledCount;
      c->test();
      c->text();
      continue;
    }
    int chars = 0;
    for (unsigned char ch : text) chars += (ch & 0xC0) != 0x80;
    EXPECT_GE(c.error().position, 1) << text;
    EXPECT_LE(c.error().position, chars + 1) << text;
    EXPECT_FALSE(c.error().message.empty()) << text;
  }
  EXPECT_GT(compiledCount, 100);  // the mix does reach the evaluator
}

}  // namespace
}  // namespace exprtest
