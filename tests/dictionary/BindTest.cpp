// The names the dictionary binds for filters and orders, used the way the procedures'
// filter texts use them.
#include <gtest/gtest.h>

#include "DictTestSupport.h"

#include "runtime/expr/BindTable.h"
#include "runtime/expr/Expression.h"

namespace dicttest {
namespace {

using BoundName = DictionaryTest;

bool holds(const rt::BindTable& t, const char* text) {
  auto e = rt::compile(text, t);
  EXPECT_TRUE(e.ok()) << text << ": " << (e.ok() ? "" : e.error().message);
  return e.ok() && e->test();
}

TEST_F(BoundName, FiltersSeeFieldsMemosAndGlobalsAsTheyAreNow) {
  rt::BindTable t;
  BindDictionary(t);
  WEB.DOMAINNAME = "a.example";
  domainname = "a.example";
  EXPECT_TRUE(holds(t, "web:domainname=domainname"));
  domainname = "b.example";
  EXPECT_FALSE(holds(t, "web:domainname=domainname"));

  DNO.REMINDER = "Y";
  ding = "Y";
  EXPECT_TRUE(holds(t, "(dno:reminder=ding)"));
  DOM.Notes = "renew early";
  EXPECT_TRUE(holds(t, "INSTRING('early', DOM:Notes, 1, 1) > 0"));
  WPF.FORMLINE40 = "</form>";
  EXPECT_TRUE(holds(t, "WPF:FORMLINE40 = '</form>'"));
  htmllinecount = 12;
  EXPECT_TRUE(holds(t, "htmllinecount = 12"));
}

TEST_F(BoundName, EveryFieldMemoAndGlobalHasItsName) {
  rt::BindTable t;
  BindDictionary(t);
  std::size_t expected = 0;
  for (const rt::FileDesc* d : AllFileDescs()) {
    for (const auto& f : d->fields) EXPECT_NE(t.find(f.name), nullptr) << f.name;
    for (const auto& m : d->memos) EXPECT_NE(t.find(m.name), nullptr) << m.name;
    expected += d->fields.size() + d->memos.size();
  }
  for (const char* g : {"cptog", "mypath", "html", "ubut4", "queryfilter", "domainname",
                        "htmlfilename", "tempfilename", "CallRequest", "NavRequest"})
    EXPECT_NE(t.find(g), nullptr) << g;
  EXPECT_EQ(t.size(), expected + 32);
}

}  // namespace
}  // namespace dicttest
