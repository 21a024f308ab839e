// What a table window takes from its program's context: the look made at open, told of tab
// changes and dropped at close; procedures called by name, unavailable when missing.
#include "runtime/ui/TableWindows.h"

#include <map>

#include "ThingTables.h"
#include "UiFixture.h"
#include "runtime/expr/BindTable.h"
#include "runtime/text/Strings.h"

namespace {

using browsetest::Things;
using K = rt::ControlKind;
using B = rt::ButtonRole;

struct LookLog {
  int made = 0, tabChanges = 0, dropped = 0;
};

class RecordedLook : public rt::WindowLook {
 public:
  explicit RecordedLook(LookLog& log) : log_(log) { ++log_.made; }
  ~RecordedLook() override { ++log_.dropped; }
  void tabChanged() override { ++log_.tabChanges; }

 private:
  LookLog& log_;
};

class TableWindowsTest : public uitest::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    browsetest::resolveThings(context, names, data);
    context.procedure = [this](std::string_view name) -> rt::TableProcedure {
      auto it = procedures.find(std::string(name));
      return it == procedures.end() ? nullptr : it->second;
    };
    context.look = [this](rt::Window&) { return std::make_unique<RecordedLook>(log); };
    table = {.context = &context,
             .procedure = "BrowseThings",
             .title = "Things",
             .controls = {{1, K::List},
                          {2, K::Sheet},
                          {3, K::Tab, "One", 2},
                          {4, K::Tab, "Two", 2},
                          {5, K::Button, "Known"},
                          {6, K::Button, "Missing"},
                          {7, K::Button, "Close"}},
             .buttons = {{5, B::Call, "Known"}, {6, B::Call, "Missing"}, {7, B::Close}},
             .lists = {{.control = 1,
                        .file = data.file.get(),
                        .format = "80L(2)|M~Name~@s40@",
                        .fields = {"THI:NAME"},
                        .orders = {{.key = "THI:name"}}}},
             .relations = {&relationsPtr}};
  }

  rt::Window* open() {
    driver.start([this] { rt::RunBrowse(table); }, 50000, "BrowseThings");
    return driver.waitForWindow("BrowseThings");
  }

  static int& knownCalls() {
    static int n = 0;
    return n;
  }
  static void known() { ++knownCalls(); }

  Things data;
  rt::FileRelations* relationsPtr = &data.relations;
  rt::BindTable names;
  std::map<std::string, rt::TableProcedure> procedures{{"Known", &known}};
  LookLog log;
  rt::TableContext context;
  rt::WindowTable table{.context = nullptr, .procedure = "", .title = "", .controls = {}};
};

TEST_F(TableWindowsTest, LookIsMadeAtOpenToldOfTabsAndDroppedAtClose) {
  rt::Window* w = open();
  ASSERT_TRUE(w);
  EXPECT_EQ(log.made, 1);
  const int before = log.tabChanges;
  ASSERT_TRUE(driver.selectTab(w, 2, 2));
  driver.pump();
  EXPECT_GT(log.tabChanges, before);
  EXPECT_EQ(log.dropped, 0);
  ASSERT_TRUE(driver.press(w, 7));
  ASSERT_TRUE(driver.waitForClose("BrowseThings"));
  EXPECT_EQ(log.dropped, 1);
}

TEST_F(TableWindowsTest, CalledProceduresAreFoundByNameOrUnavailable) {
  knownCalls() = 0;
  rt::Window* w = open();
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->enabled(5));
  EXPECT_FALSE(w->enabled(6));
  ASSERT_TRUE(driver.press(w, 5));
  driver.pump();
  EXPECT_EQ(knownCalls(), 1);
}

}  // namespace
