// The filter and order texts that the programs' views and reports use, over record buffers.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/expr/ExprFixture.h"

namespace exprtest {
namespace {

using ExprSystemFilters = ExprFixture;

TEST_F(ExprSystemFilters, ReminderNotesFollowDingAtEachEvaluation) {
  auto f = compiled("(dno:reminder=ding)");
  ding = "Y";
  note.reminder = "Y";
  EXPECT_TRUE(f.test());
  note.reminder = "";
  EXPECT_FALSE(f.test());
  note.reminder = "y";  // case counts
  EXPECT_FALSE(f.test());
  ding = "";  // both blank: equal
  note.reminder = "";
  EXPECT_TRUE(f.test());
}

TEST_F(ExprSystemFilters, RenewalWindowIncludesBothEndsAndNeverAnUndatedDomain) {
  for (auto text : {"(dom:renewaldate => today() and dom:renewaldate =< today()+30)",
                    "dom:renewaldate => today() and dom:renewaldate =< today()+30"}) {
    auto f = compiled(text);
    struct Case {
      std::int32_t date;
      bool listed;
    };
    for (const Case& c : {Case{kToday - 1, false}, Case{kToday, true}, Case{kToday + 15, true},
                          Case{kToday + 30, true}, Case{kToday + 31, false}, Case{0, false}}) {
      dom.renewalDate = c.date;
      EXPECT_EQ(f.test(), c.listed) << text << " date " << c.date;
    }
  }
}

TEST_F(ExprSystemFilters, RenewalWindowUsesTheDateOfTheMomentOfEvaluation) {
  auto f = compiled("dom:renewaldate => today() and dom:renewaldate =< today()+30");
  dom.renewalDate = kToday + 30;
  EXPECT_TRUE(f.test());
  rt::setClockProvider([] { return rt::ClockReading{kToday - 1, kClock}; });
  EXPECT_FALSE(f.test());
}

TEST_F(ExprSystemFilters, PagesOfTheTypedDomain) {
  auto f = compiled("web:domainname=clip(domainname)");
  domainname = "example.com";
  page.domainName = "example.com";
  EXPECT_TRUE(f.test());
  page.domainName = "example.com.au";
  EXPECT_FALSE(f.test());
  page.domainName = "EXAMPLE.COM";
  EXPECT_FALSE(f.test());
  page.domainName = "http://www.example.com";
  EXPECT_FALSE(f.test());
}

TEST_F(ExprSystemFilters, ImagesOfTheTypedDomainComparedAtFullWidth) {
  auto f = compiled("wpi:domainname=domainname");
  domainname = "example.com";
  img.domainName = "example.com";
  EXPECT_TRUE(f.test());
  img.domainName = "example.co";
  EXPECT_FALSE(f.test());
}

TEST_F(ExprSystemFilters, QueryFieldExpressionsGiveUpperCasedText) {
  img.domainName = "Example.com";
  auto e = compiled("UPPER(WPI:DomainName)");
  EXPECT_TRUE(e.isText());
  EXPECT_EQ(e.text().size(), 50u);  // the field's width, blanks kept
  EXPECT_EQ(rt::clipView(e.text().data(), e.text().size()), "EXAMPLE.COM");
  img.domainName = "other.org";  // read again at the next evaluation
  EXPECT_EQ(rt::clipView(e.text().data(), e.text().size()), "OTHER.ORG");
}

TEST_F(ExprSystemFilters, QueryByExampleFilters) {
  img.domainName = "Example.com";
  img.page = "index.htm";
  img.webPageImg = "images/Logo.gif";
  EXPECT_TRUE(test("UPPER(WPI:DomainName) = 'EXAMPLE.COM'"));
  EXPECT_FALSE(test("UPPER(WPI:DomainName) = 'Example.com'"));
  EXPECT_TRUE(test("UPPER(WPI:DomainName) = 'EXAMPLE.COM' AND UPPER(WPI:Page) = 'INDEX.HTM'"));
  EXPECT_TRUE(test("INSTRING('LOGO',UPPER(WPI:WebPageIMG),1,1)"));
  EXPECT_TRUE(test("INSTRING('LOGO',UPPER(WPI:WebPageIMG),1,1) > 0"));
  EXPECT_FALSE(test("INSTRING('BANNER',UPPER(WPI:WebPageIMG),1,1)"));
  EXPECT_TRUE(test("UPPER(WPI:WebPageIMG) ~= 'images/logo.gif'"));
  EXPECT_TRUE(test("SUB(UPPER(WPI:Page),1,5) = 'INDEX'"));
  EXPECT_TRUE(test("~(UPPER(WPI:Page) = 'ABOUT.HTM')"));
  EXPECT_TRUE(test("UPPER(WPI:DomainName) >= 'E' AND UPPER(WPI:DomainName) < 'F'"));
}

// Only what the whole filter implies may be tested ahead of it: conjuncts, never a side of
// an OR or a negation.
TEST_F(ExprSystemFilters, TextTermsAreTheConjunctsAQueryWrites) {
  struct Case {
    const char* filter;
    std::vector<std::string> terms;  // "<field address>/<folded><prefix>/<text>"
  };
  const std::string imgAt =
      std::to_string(reinterpret_cast<std::uintptr_t>(this->img.webPageImg.data));
  const std::string pageAt = std::to_string(reinterpret_cast<std::uintptr_t>(this->img.page.data));
  const std::vector<Case> cases = {
      {"INSTRING('LOGO',UPPER(WPI:WebPageIMG),1,1)", {imgAt + "/10/LOGO"}},
      {"INSTRING('it''s',WPI:WebPageIMG) AND SUB(UPPER(WPI:Page),1,5) = 'INDEX'",
       {imgAt + "/00/it's", pageAt + "/11/INDEX"}},
      {"'ab' = SUB(WPI:Page,1,2)", {pageAt + "/01/ab"}},
      {"INSTRING('LOGO',WPI:WebPageIMG) OR INSTRING('X',WPI:Page)", {}},
      {"~INSTRING('LOGO',WPI:WebPageIMG)", {}},
      {"INSTRING('LOGO',WPI:WebPageIMG,2,1)", {}},
      {"SUB(WPI:Page,2,3) = 'dex'", {}},
      {"INSTRING(WPI:Page,WPI:WebPageIMG)", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (const auto& t : compiled(c.filter).textTerms())
      got.push_back(std::to_string(reinterpret_cast<std::uintptr_t>(t.address)) + "/" +
                    (t.folded ? "1" : "0") + (t.prefix ? "1" : "0") + "/" + t.text);
    EXPECT_EQ(got, c.terms) << c.filter;
  }
}

TEST_F(ExprSystemFilters, QueryTextHeldInTheGlobalBufferCompilesAsWritten) {
  // The cross-reference views hand their filter over through a NUL-terminated buffer.
  const std::string_view q = "UPPER(WPI:DomainName) = 'EXAMPLE.COM'";
  std::copy(q.begin(), q.end(), queryfilter);
  auto e = compiled("queryfilter");
  EXPECT_EQ(e.text(), q);
  auto f = compiled(e.text());
  img.domainName = "example.com";
  EXPECT_TRUE(f.test());
}

TEST_F(ExprSystemFilters, NotesInDateThenTopicOrder) {
  auto o = rt::compileOrder("dno:date,dno:topic", bind);
  ASSERT_TRUE(o) << o.error().message;
  struct N {
    const char* topic;
    std::int32_t date;
  };
  const std::vector<N> notes = {{"b", 5}, {"a", 9}, {"c", 5}, {"a", 5}, {"z", 1}};
  std::vector<rt::Order::Row> rows(notes.size());
  for (std::size_t k = 0; k < notes.size(); ++k) {
    note.topic = notes[k].topic;
    note.date = notes[k].date;
    o->evaluate(rows[k]);
  }
  std::vector<std::size_t> idx = {0, 1, 2, 3, 4};
  std::stable_sort(idx.begin(), idx.end(),
                   [&](std::size_t a, std::size_t b) { return o->compare(rows[a], rows[b]) < 0; });
  std::vector<std::string> got;
  for (std::size_t k : idx) got.push_back(std::to_string(notes[k].date) + notes[k].topic);
  EXPECT_EQ(got, (std::vector<std::string>{"1z", "5a", "5b", "5c", "9a"}));
}

TEST_F(ExprSystemFilters, AComputedOrderNamesNoField) {
  auto o = rt::compileOrder("UPPER(wpi:page)", bind);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->items()[0].expr.fieldName(), "");
}

TEST_F(ExprSystemFilters, EveryOrderAndFilterTextOfTheProgramsCompiles) {
  // One-field files standing in for the detail, registrar and host files.
  char links[200], metas[20], registrars[40], hosts[50];
  const std::pair<const char*, char*> extra[] = {{"WPL:WEBPAGELINK", links},
                                                 {"WPM:METANAME", metas},
                                                 {"REG:COMPANYNAME", registrars},
                                                 {"HOS:HOSTNAME", hosts}};
  for (auto [name, buffer] : extra) bind.bindText(name, buffer, 20);
  const std::pair<const char*, const char*> orders[] = {{"WPL:WEBPAGELINK", "WPL:WEBPAGELINK"},
                                                        {"wpl:webpagelink", "WPL:WEBPAGELINK"},
                                                        {"WPI:WEBPAGEIMG", "WPI:WEBPAGEIMG"},
                                                        {"wpm:metaname", "WPM:METANAME"},
                                                        {"reg:companyname", "REG:COMPANYNAME"},
                                                        {"hos:hostname", "HOS:HOSTNAME"},
                                                        {"dno:date", "DNO:DATE"}};
  for (auto [text, field] : orders) {
    auto o = rt::compileOrder(text, bind);
    ASSERT_TRUE(o) << text << ": " << o.error().message;
    EXPECT_EQ(o->items()[0].expr.fieldName(), field) << text;
  }
  ASSERT_TRUE(rt::compileOrder("dno:date,dno:topic", bind));
  for (const char* text :
       {"(dno:reminder=ding)", "(dom:renewaldate => today() and dom:renewaldate =< today()+30)",
        "dom:renewaldate => today() and dom:renewaldate =< today()+30",
        "web:domainname=clip(domainname)", "wpi:domainname=domainname", "UPPER(WPI:DomainName)",
        "UPPER(WPI:Page)", "UPPER(WPI:WebPageIMG)"}) {
    auto c = rt::compile(text, bind);
    EXPECT_TRUE(c) << text << ": " << (c ? "" : c.error().message);
  }
}

TEST_F(ExprSystemFilters, OneEvaluationReadsTheClockOnce) {
  // A renewal window judged across midnight must not mix two days in one row.
  std::int32_t calls = 0;
  rt::setClockProvider([&calls] {
    ++calls;
    return rt::ClockReading{kToday + calls - 1, kClock};  // the day moves on at every reading
  });
  auto f = compiled("dom:renewaldate => today() and dom:renewaldate =< today()");
  dom.renewalDate = kToday;
  EXPECT_TRUE(f.test());
  EXPECT_EQ(calls, 1);
  dom.renewalDate = kToday + 1;  // the next row sees the next reading
  EXPECT_TRUE(f.test());
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace exprtest
