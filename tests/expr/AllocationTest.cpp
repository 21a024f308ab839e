// Views evaluate their filter once per row; after the first row an evaluation must not
// touch the heap.
#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/expr/ExprFixture.h"

namespace {
std::atomic<long> allocations{0};
}

// Every replaceable form, so that no pair of allocation and release comes from two
// different allocators.
void* operator new(std::size_t n) {
  ++allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  ++allocations;
  return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
  return operator new(n, t);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace exprtest {
namespace {

using ExprAllocation = ExprFixture;

TEST_F(ExprAllocation, RepeatedEvaluationsAllocateNothing) {
  const char* filters[] = {
      "(dom:renewaldate => today() and dom:renewaldate =< today()+30)",
      "(dno:reminder=ding)",
      "web:domainname=clip(domainname)",
      "UPPER(WPI:DomainName) = 'A-LONG-DOMAIN-NAME-BEYOND-SHORT-STRINGS.COM' AND "
      "INSTRING('LOGO',UPPER(WPI:WebPageIMG),1,1)",
      "LOWER(wpi:page) & '/' & wpi:height = 'x'",
  };
  img.domainName = "a-long-domain-name-beyond-short-strings.com";
  img.webPageImg = "images/a-logo-with-a-long-name-that-needs-the-heap.gif";
  for (const char* text : filters) {
    auto f = compiled(text);
    f.test();  // the first row sizes the text buffers
    const long before = allocations.load();
    for (int k = 0; k < 100; ++k) {
      dom.renewalDate = kToday + k % 40;
      img.height = static_cast<std::int16_t>(k);
      f.test();
    }
    EXPECT_EQ(allocations.load() - before, 0) << text;
  }
}

TEST_F(ExprAllocation, OrderRowsAreReusedWithoutAllocating) {
  auto o = rt::compileOrder("dno:date, upper(dno:topic)", bind);
  ASSERT_TRUE(o);
  rt::Order::Row row;
  note.topic = "a topic long enough to live on the heap";
  o->evaluate(row);
  const long before = allocations.load();
  for (int k = 0; k < 100; ++k) {
    note.date = k;
    o->evaluate(row);
  }
  EXPECT_EQ(allocations.load() - before, 0);
}

}  // namespace
}  // namespace exprtest
