// A bind table over small record buffers and program-like globals, with a pinned clock.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "runtime/expr/Expression.h"
#include "runtime/text/Dates.h"
#include "tests/expr/TestRecords.h"

namespace exprtest {

class ExprFixture : public ::testing::Test {
 protected:
  static constexpr std::int32_t kToday = 82000;  // a day in 2024
  static constexpr std::int32_t kClock = 4500001;

  void SetUp() override {
    rt::setClockProvider([] { return rt::ClockReading{kToday, kClock}; });
    std::memset(domNotes, ' ', sizeof domNotes);
    bind.bindFile(domainsDesc(), &dom);
    bind.bindMemo("DOM:Notes", domNotes, sizeof domNotes);
    bind.bindFile(notesDesc(), &note);
    bind.bindFile(pagesDesc(), &page);
    bind.bindFile(imagesDesc(), &img);
    bind.bind("ding", ding);
    bind.bind("domainname", domainname);
    bind.bind("queryfilter", queryfilter);
    bind.bind("pagecount", pagecount);
    bind.bind("total", total);
  }
  void TearDown() override { rt::setClockProvider(nullptr); }

  rt::Expression compiled(std::string_view text) {
    auto c = rt::compile(text, bind);
    if (!c) ADD_FAILURE() << text << ": " << c.error().position << " " << c.error().message;
    return c ? std::move(*c) : rt::Expression{};
  }
  double num(std::string_view text) { return compiled(text).number(); }
  std::string str(std::string_view text) { return std::string(compiled(text).text()); }
  bool test(std::string_view text) { return compiled(text).test(); }
  rt::ExprError error(std::string_view text) {
    auto c = rt::compile(text, bind);
    if (c) {
      ADD_FAILURE() << text << " compiled";
      return {};
    }
    return c.error();
  }

  DomainRec dom{};
  char domNotes[1000];
  NoteRec note{};
  PageRec page{};
  ImageRec img{};
  rt::Str<1> ding;
  rt::Str<50> domainname;
  char queryfilter[2000] = {};
  std::int32_t pagecount = 0;
  rt::Decimal total{};
  rt::BindTable bind;
};

}  // namespace exprtest
