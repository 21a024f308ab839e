#include "runtime/text/Decimal.h"

#include <gtest/gtest.h>

#include <cmath>

#include "runtime/text/Value.h"

namespace rt {
namespace {

TEST(Decimal, ParsesTypedNumbers) {
  struct Case {
    const char* text;
    std::int32_t hundredths;
  } cases[] = {{"0", 0},       {"12", 1200},           {" -1,234.56 ", -123456}, {".5", 50},
               {"+3.1", 310},  {"99,999.99", 9999999}, {"-99999.99", -9999999},  {"1.005", 101},
               {"1.004", 100}, {"-0.005", -1},         {"0007.10", 710}};
  for (const Case& c : cases) {
    const auto d = Decimal::parse(c.text);
    ASSERT_TRUE(d) << c.text;
    EXPECT_EQ(d->hundredths, c.hundredths) << c.text;
  }
}

TEST(Decimal, RefusesWhatIsNotADecimal) {
  for (const char* text : {"", " ", "abc", "1.2.3", "1,,000", ",100", "100,", "1-", "--1", "1e3",
                           "100,000.00", "-100000", "99999.995", "123456789012345678901"})
    EXPECT_FALSE(Decimal::parse(text)) << text;
}

TEST(Decimal, AdditionRefusesToLeaveTheRange) {
  const Decimal top{Decimal::kMax};
  EXPECT_FALSE(checkedAdd(top, Decimal{1}));
  EXPECT_FALSE(checkedSub(Decimal{-Decimal::kMax}, Decimal{1}));
  EXPECT_EQ(checkedAdd(top, Decimal{-1})->hundredths, Decimal::kMax - 1);
  EXPECT_EQ(checkedAdd(Decimal{150}, Decimal{275})->hundredths, 425);
  EXPECT_EQ(checkedSub(Decimal{150}, Decimal{275})->hundredths, -125);
}

TEST(Decimal, FromDoubleRoundsAndRefuses) {
  EXPECT_EQ(Decimal::fromDouble(99999.99)->hundredths, 9999999);
  EXPECT_EQ(Decimal::fromDouble(-0.125)->hundredths, -13);
  EXPECT_FALSE(Decimal::fromDouble(100000.0));
  EXPECT_FALSE(Decimal::fromDouble(-99999.995));
  EXPECT_FALSE(Decimal::fromDouble(1e300));
  EXPECT_FALSE(Decimal::fromDouble(std::nan("")));
}

TEST(Decimal, TextRoundTrips) {
  for (std::int32_t h : {0, 1, -1, 99, -100, 123456, -Decimal::kMax, Decimal::kMax}) {
    const std::string t = Decimal{h}.toText();
    const auto back = Decimal::parse(t);
    ASSERT_TRUE(back) << t;
    EXPECT_EQ(back->hundredths, h) << t;
  }
  EXPECT_EQ(Decimal{-5}.toText(), "-0.05");
  EXPECT_EQ(Decimal{123456}.toText(), "1234.56");
}

TEST(Value, ConvertsBetweenKinds) {
  EXPECT_DOUBLE_EQ(numberOf(Value{std::string(" -1,234.5")}), -1234.5);
  EXPECT_DOUBLE_EQ(numberOf(Value{std::string("abc")}), 0.0);
  EXPECT_DOUBLE_EQ(numberOf(Value{Decimal{-250}}), -2.5);
  EXPECT_DOUBLE_EQ(numberOf(Value{DateValue{42}}), 42.0);
  EXPECT_EQ(textOf(Value{12.5}), "12.5");
  EXPECT_EQ(textOf(Value{3.0}), "3");
  EXPECT_EQ(textOf(Value{Decimal{1250}}), "12.5");
  EXPECT_EQ(textOf(Value{Decimal{-1200}}), "-12");
  EXPECT_EQ(textOf(Value{Decimal{0}}), "0");
  EXPECT_EQ(decimalOf(Value{std::string("")})->hundredths, 0);
  EXPECT_EQ(decimalOf(Value{12.345})->hundredths, 1235);
  EXPECT_FALSE(decimalOf(Value{100000.0}));
  EXPECT_FALSE(decimalOf(Value{std::string("100000")}));
}

}  // namespace
}  // namespace rt
