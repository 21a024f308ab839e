#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "runtime/data/View.h"
#include "tests/data/DataTestSupport.h"

namespace rt::testing {
namespace {

std::vector<std::string> names(const std::vector<RecordImage>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.emplace_back(clipView(r.record.data(), 20));
  return out;
}

std::int32_t dateOf(const RecordImage& r) {
  std::int32_t d;
  std::memcpy(&d, r.record.data() + 34, sizeof d);
  return d;
}

class ViewTest : public ::testing::Test {
 protected:
  static constexpr int kCount = 1000;
  void SetUp() override {
    ASSERT_TRUE(t->create());
    ASSERT_TRUE(t->open());
    // Names n0000..n0999 added in a scrambled order; hosts h0..h9 in mixed case; dates vary.
    for (int i = 0; i < kCount; ++i) {
      const int k = (i * 379) % kCount;
      char name[8];
      std::snprintf(name, sizeof name, "n%04d", k);
      const std::string host = (k % 2 ? "H" : "h") + std::to_string(k % 10);
      t.set(name, host, 1000 - k);
      ASSERT_TRUE(t->append());
    }
    ASSERT_TRUE(t->flush());
  }
  // Reads a view page by page forwards, then backwards, and checks both give the same rows.
  std::vector<std::string> pageThrough(View& v, std::size_t page) {
    std::vector<RecordImage> all;
    for (auto rows = v.first(page); !rows.empty(); rows = v.after(all.back(), page)) {
      EXPECT_LE(rows.size(), page);
      all.insert(all.end(), rows.begin(), rows.end());
    }
    std::vector<RecordImage> back;
    for (auto rows = v.last(page); !rows.empty(); rows = v.before(back.front(), page))
      back.insert(back.begin(), rows.begin(), rows.end());
    EXPECT_EQ(names(back), names(all));
    return names(all);
  }
  WorkDir dir;
  TestFile t;
};

TEST_F(ViewTest, KeyOrderPagesForwardsAndBackwards) {
  View v(*t.file);
  v.setKeyOrder(kName);
  const auto all = pageThrough(v, 37);
  ASSERT_EQ(all.size(), static_cast<std::size_t>(kCount));
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  EXPECT_EQ(names(v.first(3)), (std::vector<std::string>{"n0000", "n0001", "n0002"}));
  EXPECT_EQ(names(v.last(2)), (std::vector<std::string>{"n0998", "n0999"}));
}

TEST_F(ViewTest, RecordOrderFollowsTheRowids) {
  View v(*t.file);
  v.setRecordOrder();
  const auto all = pageThrough(v, 64);
  ASSERT_EQ(all.size(), static_cast<std::size_t>(kCount));
  EXPECT_EQ(all[0], "n0000");
  EXPECT_EQ(all[1], "n0379");
}

TEST_F(ViewTest, RangeFixesLeadingKeyComponentsInAnyCase) {
  View v(*t.file);
  v.setKeyOrder(kHostDate);
  v.setRange({std::string("h3")});
  const auto rows = v.first(1000);
  ASSERT_EQ(rows.size(), 100u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(std::string(clipView(rows[i].record.data() + 20, 10)), "H3");
    if (i) {
      EXPECT_LT(dateOf(rows[i - 1]), dateOf(rows[i]));
    }
  }
  EXPECT_EQ(pageThrough(v, 7), names(rows));

  // From the buffer: the current record's host.
  t.set("", "h4");
  v.setRangeFromBuffer(1);
  EXPECT_EQ(v.first(1000).size(), 100u);
}

TEST_F(ViewTest, FilterFillsEveryPageAndSeesTheRowInTheBuffer) {
  View v(*t.file);
  v.setKeyOrder(kName);
  int calls = 0;
  v.setFilter([&] {
    ++calls;
    return t.rec.name.str().back() == '7';  // one row in ten
  });
  auto page = v.first(25);
  ASSERT_EQ(page.size(), 25u);
  EXPECT_EQ(names(page).front(), "n0007");
  EXPECT_EQ(names(page).back(), "n0247");
  const auto all = pageThrough(v, 25);
  ASSERT_EQ(all.size(), 100u);
  EXPECT_TRUE(
      std::all_of(all.begin(), all.end(), [](const std::string& n) { return n.back() == '7'; }));
  EXPECT_GT(calls, 0);

  // A filter nobody passes gives empty pages, not an endless loop.
  v.setFilter([] { return false; });
  EXPECT_TRUE(v.first(10).empty());
  EXPECT_TRUE(v.last(10).empty());
}

TEST_F(ViewTest, LocatorPositionsAtOrAfterTheBufferValue) {
  View v(*t.file);
  v.setKeyOrder(kName);
  t.set("N05");
  EXPECT_EQ(names(v.atOrAfterBuffer(2)), (std::vector<std::string>{"n0500", "n0501"}));
  t.set("n0999x");
  EXPECT_TRUE(v.atOrAfterBuffer(5).empty());
}

TEST_F(ViewTest, TypedValuesSeekAsTheKeysFoldThem) {
  const FileDesc& d = t.desc;
  enum { Name = 0, Host = 1, Fee = 2, Date = 3, Real = 4, Short = 5, Byte = 6 };
  const struct {
    int field;
    Value typed;
    SqlValue expected;
  } cases[] = {
      {Name, std::string("abc "), std::string("ABC")},
      {Host, std::string("hostnamelonger"), std::string("HOSTNAMELO")},
      {Host, std::string("h12345678\xC3\xA9"), std::string("H12345678")},  // no half character
      {Fee, std::string("12.50"), std::int64_t{1250}},
      {Fee, 12.5, std::int64_t{1250}},
      {Fee, Decimal{-7}, std::int64_t{-7}},
      {Fee, std::string("123456789"), std::int64_t{Decimal::kMax}},
      {Date, DateValue{82000}, std::int64_t{82000}},
      {Real, std::string("2.25"), 2.25},
      {Short, 40000.0, std::int64_t{32767}},
      {Byte, -3.0, std::int64_t{0}},
      {Byte, 7.6, std::int64_t{8}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(seekValue(d.fields[static_cast<std::size_t>(c.field)], c.typed), c.expected)
        << c.field << " " << textOf(c.typed);

  // A row's anchor is its order terms; a seek under a range starts with the range.
  View v(*t.file);
  v.setKeyOrder(kHostDate, {{Name, true}});
  v.setRange({std::string("h3")});
  const auto rows = v.first(3);
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& r : rows) EXPECT_EQ(v.anchorOf(r.record.data()), r.order);
  const auto anchor = v.seekAnchor(Date, DateValue{500});
  EXPECT_EQ(anchor, (std::vector<SqlValue>{std::string("H3"), std::int64_t{500}}));
  RecordImage from;
  from.rowid = std::numeric_limits<std::int64_t>::min();
  from.order = anchor;
  const auto found = v.after(from, 1);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(dateOf(found.front()), 507);
}

TEST_F(ViewTest, ExtraOrderFieldsAndComparatorOrders) {
  View v(*t.file);
  // Host, then date descending within it.
  v.setKeyOrder(kHost, {{3, true}});
  auto rows = v.first(kCount);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kCount));
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const auto h0 = clipView(rows[i - 1].record.data() + 20, 10);
    const auto h1 = clipView(rows[i].record.data() + 20, 10);
    if (h0 == h1) {
      EXPECT_GT(dateOf(rows[i - 1]), dateOf(rows[i]));
    }
  }
  EXPECT_EQ(pageThrough(v, 33), names(rows));

  // An order given as a comparator: by date, ascending.
  v.setCompareOrder([](const char* a, const char* b) {
    std::int32_t da, db;
    std::memcpy(&da, a + 34, 4);
    std::memcpy(&db, b + 34, 4);
    return da < db;
  });
  const auto byDate = pageThrough(v, 50);
  ASSERT_EQ(byDate.size(), static_cast<std::size_t>(kCount));
  EXPECT_EQ(byDate.front(), "n0999");
  EXPECT_EQ(byDate.back(), "n0000");
}

TEST_F(ViewTest, RowsDeletedBetweenPagesAreNotSkippedAround) {
  View v(*t.file);
  v.setKeyOrder(kName);
  auto page = v.first(10);
  ASSERT_EQ(page.size(), 10u);
  // Delete the last row shown and the first one of the next page.
  for (const char* gone : {"n0009", "n0010"}) {
    t.set(gone);
    ASSERT_TRUE(t->get(kName));
    ASSERT_TRUE(t->erase());
  }
  EXPECT_EQ(names(v.after(page.back(), 2)), (std::vector<std::string>{"n0011", "n0012"}));
}

TEST_F(ViewTest, SurvivesTheFileBeingClosedAndOpenedAgain) {
  View v(*t.file);
  v.setKeyOrder(kName);
  ASSERT_EQ(names(v.first(1)), (std::vector<std::string>{"n0000"}));
  ASSERT_TRUE(t->close());
  EXPECT_TRUE(v.first(1).empty());
  EXPECT_EQ(errorCode(), ErrorCode::NotOpen);
  ASSERT_TRUE(t->open());
  EXPECT_EQ(names(v.first(1)), (std::vector<std::string>{"n0000"}));
}

TEST_F(ViewTest, EveryViewQuerySearchesAnIndex) {
  View v(*t.file);
  struct Setup {
    const char* what;
    int key;
    std::vector<OrderField> extra;
    std::vector<SqlValue> range;
  };
  const Setup setups[] = {
      {"record order", -1, {}, {}},
      {"unique key", kName, {}, {}},
      {"key", kHost, {}, {}},
      {"two-part key", kHostDate, {}, {}},
      {"two-part key, range on one", kHostDate, {}, {std::string("H1")}},
      {"two-part key, range on both", kHostDate, {}, {std::string("H1"), std::int64_t{5}}},
      {"key with extra field", kHost, {{3, true}}, {}},
      {"key with extra field, range", kHost, {{0, false}}, {std::string("H1")}},
  };
  for (const auto& s : setups) {
    if (s.key < 0)
      v.setRecordOrder();
    else
      v.setKeyOrder(s.key, s.extra);
    if (!s.range.empty()) v.setRange(s.range);
    for (const auto& q : v.querySql()) {
      const std::string plan = queryPlan(t->connection(), q);
      EXPECT_EQ(plan.find("SCAN"), std::string::npos) << s.what << "\n" << q << "\n" << plan;
      EXPECT_NE(plan.find("SEARCH"), std::string::npos) << s.what << "\n" << plan;
      if (s.extra.empty()) {
        EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << s.what << "\n" << plan;
      }
    }
  }
}

}  // namespace
}  // namespace rt::testing
