#include <stdexcept>

#include "tests/expr/ExprFixture.h"

namespace exprtest {
namespace {

using ExprBinding = ExprFixture;

TEST_F(ExprBinding, ExpressionsReadTheBufferAtEvaluationNotAtCompilation) {
  auto f = compiled("dom:domainname = 'a.com' and dom:renewaldate = 5");
  DomainRec rows[3];
  rows[0].domainName = "a.com";
  rows[0].renewalDate = 5;
  rows[1].domainName = "b.com";
  rows[1].renewalDate = 5;
  rows[2].domainName = "a.com";
  rows[2].renewalDate = 6;
  const bool want[] = {true, false, false};
  for (int k = 0; k < 3; ++k) {
    dom = rows[k];  // the view loads each row into the bound buffer
    EXPECT_EQ(f.test(), want[k]) << k;
  }
}

TEST_F(ExprBinding, NamesAreCaseInsensitiveAndKeepTheirSpelling) {
  ASSERT_NE(bind.find("dom:domainname"), nullptr);
  EXPECT_EQ(bind.find("Dom:DomainName"), bind.find("DOM:DOMAINNAME"));
  EXPECT_EQ(bind.find("DOM:DOMAIN"), nullptr);
  EXPECT_EQ(bind.spelling("dom:notes"), "DOM:Notes");
  EXPECT_EQ(bind.spelling("DING"), "ding");
  EXPECT_EQ(bind.spelling("nothing"), "");
}

TEST_F(ExprBinding, RebindingANameReplacesIt) {
  rt::Str<10> other("other");
  bind.bind("domainname", other);
  EXPECT_EQ(str("clip(domainname)"), "other");
}

TEST_F(ExprBinding, TextEndsAtANul) {
  std::copy_n("abc", 3, queryfilter);
  EXPECT_EQ(str("queryfilter"), "abc");
  EXPECT_EQ(str("queryfilter & '!'"), "abc!");
  EXPECT_DOUBLE_EQ(num("LEN(queryfilter)"), 3);
}

TEST_F(ExprBinding, ADescriptorThatWouldReadOutsideTheRecordIsRefused) {
  rt::FileDesc bad = notesDesc();
  bad.fields[0].size = 70;  // runs past the record's end
  rt::BindTable t;
  EXPECT_THROW(t.bindFile(bad, &note), std::invalid_argument);
  rt::FileDesc wrongSize = notesDesc();
  wrongSize.fields[2].size = 2;  // a date is four bytes
  EXPECT_THROW(t.bindFile(wrongSize, &note), std::invalid_argument);
  EXPECT_THROW(t.bindFile(notesDesc(), nullptr), std::invalid_argument);
  EXPECT_THROW(t.bindNumber("x", rt::FieldType::String, &pagecount), std::invalid_argument);
}

TEST_F(ExprBinding, CompiledExpressionOutlivesLaterBindings) {
  auto f = compiled("pagecount = 3");
  pagecount = 3;
  std::int32_t other = 9;
  bind.bind("pagecount", other);  // later compilations see the new variable
  EXPECT_TRUE(f.test());
  EXPECT_TRUE(test("pagecount = 9"));
}

}  // namespace
}  // namespace exprtest
