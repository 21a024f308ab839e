// The column format text: every layout the programs design parses and writes itself back
// byte for byte; the parts of a column are read where they stand.
#include <gtest/gtest.h>

#include "runtime/ui/ColumnFormat.h"

namespace {

using rt::ColumnFormat;

const char* const kDesigned[] = {
    "142L(2)|M~Domain Name~@s50@49R(2)|M~Date Started~C(0)@D2@51R(2)|M~Renewal Date~C(0)@D2@80L(2)|"
    "M~Registrar~@s40@80L(2)|M~Reg Login~@s20@80L(2)|M~Reg Login Pwd~@s20@44D(12)|M~Fee "
    "Paid~C(0)@n10.2@80L(2)|M~Owner Name~@s40@80L(2)|M~Contact Person~@s20@",
    "160L~Registrar Company Name~@s40@",
    "200L~Domain Name~@s50@",
    "200L~Host Name~@s50@",
    "20C|M~Use~L(2)@s1@80L(2)|M~Host Name~@s50@80L(2)|M~Contact Name~@s30@80L(2)|M~Phone "
    "Number~@s20@80L(2)|M~Fax Number~@s20@80L(2)|M~Support Email~@s40@80L(2)|M~URL~@s40@80L(2)|M~"
    "Street Address~@s40@80L(2)|M~Hos City~@s30@24L(2)|M~State~@s2@",
    "23C(2)|M~ Use~@s1@80L(2)|M~Company Name~@s40@80L(2)|M~Address~@s40@80L(2)|M~City~@s20@24L(2)"
    "|M~State~@s2@80L(2)|M~URL~@s50@80L(2)|M~Support Email~@s50@80L(2)|M~Phone~@s20@80L(2)|M~Fax~@"
    "s20@48D(12)|M~Regular Fee~C(0)@n10.2@",
    "34C(2)|MJ~Reminder~R@s1@46R(2)|M~Date~C(0)@d17@218L(2)|M~Topic~@s60@",
    "80L(2)|FM~Domain Name~@s50@62R(2)|FM~Reg Date Started~C(0)@D2@60R(2)|FM~Renewal "
    "Date~C(0)@D2@50C(2)|FM~Host Date~C(0)@D2@26L(2)|~Fee Paid~L(0)@n10.2@/",
    "80L(2)|M~Domain Name~@s30@80L(2)|M~Page Name~@s20@36C(2)|M~Use Now~C(0)@s1@80L(2)|M~Page "
    "Path~@s40@80L(2)|M~Local Path~@s40@80L(2)|M~Author~@s30@80L(2)|M~Purpose~@s40@80R(2)|M~"
    "Implement Date~C(0)@d17@80R(2)|M~Update Date~C(0)@d17@",
    "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@34C(2)|M~Use Now~L@s1@80L(2)|M~Page "
    "Path~@s80@80L(2)|M~Local Path~@s80@80D(10)|M~Local Default Directory~C(0)@s90@80L(2)|M~"
    "Author~@s30@80L(2)|M~Purpose~@s40@80R(2)|M~Implement Date~C(0)@d17@",
    "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Link~@s200@",
    "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Meta Name~@s20@80L(2)|M~Meta "
    "Contents~@s200@",
    "80L(2)|M~Domain Name~@s50@80L(2)|M~Page Name~@s20@80L(2)|M~Script Line 1~@s200@",
    "80L(2)|M~Domain Name~@s50@80L(2)|M~Page~@s20@80L(2)|M~Web Page IMG~@s200@60L(2)|M~Currently "
    "Use~@s1@",
    "80L(2)|M~My Editor~L(2)@s100@80L(2)|M~My FTP~L(2)@s100@80L(2)|M~My Text Ed~L(2)@s100@80L(2)|M~"
    "My Browser~L(2)@s100@80L(2)|M~My Graphics Ed~L(2)@s100@80L(2)|M~My User 1~L(2)@s100@80L(2)|M~"
    "My User 2~L(2)@s100@64L(2)|M~My User 1 Title~L(2)@s10@64L(2)|M~My User 2 Title~L(2)@s10@",
    "80L(2)|M~Page Name~@s20@80L(2)|M~Domain Name~@s50@80L(2)|M~Page Path~@s80@800L(2)|M~Form Line "
    "1~@s200@800L(2)|M~ 2~@s200@800L(2)|M~ 3~@s200@",
    "80L(2)|M~Page Name~@s20@80L(2)|M~Meta Name~@s20@80L(2)|M~Meta Contents~@s200@",
    "80L(2)|M~Page Name~@s20@80L(2)|M~Script Line 1~@s80@80L(2)|M~Script Line 2~@s80@80L(2)|M~"
    "Script Line 3~@s80@80L(2)|M~Script Line 4~@s80@80L(2)|M~Script Line 5~@s80@",
    "80L(2)|M~Page Name~@s20@80L(2)|M~Web Page Link~@s80@",
    "80L(2)|M~Page Path~L(2)@s80@80L(2)|M~Domain Name~L(2)@s50@80L(2)|M~Page Name~L(2)@s20@80R(2)|"
    "M~Record Date~C(0)@d17@48R(2)|M~Line Number~C(0)@n-7@80L(2)|M~Form Line 1~L(2)@s200@80L(2)|M~ "
    "2~L(2)@s200@80L(2)|M~ 3~L(2)@s200@80L(2)|M~ 4~L(2)@s200@",
    "80L(2)|M~Page~@s20@80L(2)|M~Web Page IMG~@s80@26R(2)|M~Line~C(0)@n-7@24L(2)|M~Date "
    "Entered~C(0)@d17@",
};

TEST(ColumnFormatTest, EveryDesignedLayoutWritesBackByteForByte) {
  for (const char* text : kDesigned) {
    const auto f = ColumnFormat::parse(text);
    ASSERT_TRUE(f) << text;
    EXPECT_EQ(f->text(), text);
  }
}

TEST(ColumnFormatTest, ReadsEachPartOfAColumn) {
  const auto f = ColumnFormat::parse(kDesigned[0]);
  ASSERT_TRUE(f);
  ASSERT_EQ(f->size(), 9u);
  const rt::ColumnSpec& name = f->column(0);
  EXPECT_EQ(name.width, 142);
  EXPECT_EQ(name.align, 'L');
  EXPECT_EQ(name.indent, 2);
  EXPECT_TRUE(name.rightBorder());
  EXPECT_TRUE(name.resizable());
  EXPECT_FALSE(name.fixed());
  EXPECT_EQ(name.header, "Domain Name");
  EXPECT_EQ(name.headerAlign, 0);
  EXPECT_EQ(name.picture, "@s50");
  const rt::ColumnSpec& fee = f->column(6);
  EXPECT_EQ(fee.align, 'D');
  EXPECT_EQ(fee.indent, 12);
  EXPECT_EQ(fee.headerAlign, 'C');
  EXPECT_EQ(fee.headerIndent, 0);
  EXPECT_EQ(fee.picture, "@n10.2");
}

TEST(ColumnFormatTest, OptionalPartsStayAbsentAndTheTrailerStaysWithItsColumn) {
  const auto plain = ColumnFormat::parse("160L~Registrar Company Name~@s40@");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->column(0).indent);
  EXPECT_TRUE(plain->column(0).modifiers.empty());

  const auto icon = ColumnFormat::parse(kDesigned[6]);
  ASSERT_TRUE(icon);
  EXPECT_TRUE(icon->column(0).icon());
  EXPECT_EQ(icon->column(0).headerAlign, 'R');
  EXPECT_FALSE(icon->column(0).headerIndent);

  const auto reminder = ColumnFormat::parse(kDesigned[7]);
  ASSERT_TRUE(reminder);
  ASSERT_EQ(reminder->size(), 5u);
  EXPECT_TRUE(reminder->column(0).fixed());
  EXPECT_EQ(reminder->column(4).modifiers, "|");
  EXPECT_EQ(reminder->column(4).trailer, "/");
  EXPECT_EQ(reminder->column(4).header, "Fee Paid");

  const auto blankHeader = ColumnFormat::parse("80L(2)|M~ 2~@s200@");
  ASSERT_TRUE(blankHeader);
  EXPECT_EQ(blankHeader->column(0).header, " 2");  // the leading blank is the header's own
}

TEST(ColumnFormatTest, ANewWidthChangesOnlyThatNumber) {
  auto f = ColumnFormat::parse(kDesigned[0]);
  ASSERT_TRUE(f);
  f->setWidth(1, 75);
  std::string expected = kDesigned[0];
  expected.replace(expected.find("49R"), 2, "75");
  EXPECT_EQ(f->text(), expected);
  f->setWidth(0, -5);
  EXPECT_EQ(f->column(0).width, 0);
  EXPECT_EQ(ColumnFormat::parse(f->text())->text(), f->text());
}

TEST(ColumnFormatTest, TextsThatAreNoLayoutAreRefused) {
  for (const char* bad : {"", "L~a~@s1@", "80X~a~@s1@", "80L(2~a~@s1@", "80L(x)~a~@s1@",
                          "80L(2)|M~unclosed", "80L(2)|M~a~@s1", "80L(2)|M"})
    EXPECT_FALSE(ColumnFormat::parse(bad)) << bad;
}

}  // namespace
