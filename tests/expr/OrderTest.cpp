#include <algorithm>
#include <string>
#include <vector>

#include "tests/expr/ExprFixture.h"

namespace exprtest {
namespace {

struct Note {
  std::string topic;
  std::string reminder;
  std::int32_t date;
};

class ExprOrder : public ExprFixture {
 protected:
  // The notes' indexes in the order the order text gives them.
  std::vector<int> sorted(const std::vector<Note>& notes, std::string_view text) {
    auto o = rt::compileOrder(text, bind);
    if (!o) {
      ADD_FAILURE() << text << ": " << o.error().message;
      return {};
    }
    std::vector<rt::Order::Row> rows(notes.size());
    for (std::size_t k = 0; k < notes.size(); ++k) {
      note.topic = notes[k].topic;
      note.reminder = notes[k].reminder;
      note.date = notes[k].date;
      o->evaluate(rows[k]);
    }
    std::vector<int> idx(notes.size());
    for (std::size_t k = 0; k < idx.size(); ++k) idx[k] = static_cast<int>(k);
    std::stable_sort(idx.begin(), idx.end(),
                     [&](int a, int b) { return o->compare(rows[a], rows[b]) < 0; });
    return idx;
  }
  const std::vector<Note> notes_ = {
      {"beta", "Y", 3}, {"alpha", "", 3}, {"Gamma", "Y", 1}, {"alpha  ", "Y", 2}, {"gamma", "", 1}};
};

TEST_F(ExprOrder, DirectionsPerItem) {
  EXPECT_EQ(sorted(notes_, "dno:date"), (std::vector<int>{2, 4, 3, 0, 1}));
  EXPECT_EQ(sorted(notes_, "-dno:date"), (std::vector<int>{0, 1, 3, 2, 4}));
  EXPECT_EQ(sorted(notes_, "+dno:date,-dno:topic"), (std::vector<int>{4, 2, 3, 0, 1}));
  EXPECT_EQ(sorted(notes_, "-dno:reminder, +dno:date"), (std::vector<int>{2, 3, 0, 4, 1}));
}

TEST_F(ExprOrder, TextsSortClippedAndByteWise) {
  // Upper case before lower case; trailing blanks do not count.
  EXPECT_EQ(sorted(notes_, "dno:topic"), (std::vector<int>{2, 1, 3, 0, 4}));
  EXPECT_EQ(sorted(notes_, "upper(dno:topic), dno:date"), (std::vector<int>{3, 1, 0, 2, 4}));
}

TEST_F(ExprOrder, EqualRowsCompareEqualSoTheCallerBreaksTies) {
  auto o = rt::compileOrder("dno:topic", bind);
  ASSERT_TRUE(o);
  rt::Order::Row a, b;
  note.topic = "alpha";
  o->evaluate(a);
  note.topic = "alpha   ";
  note.date = 99;
  o->evaluate(b);
  EXPECT_EQ(o->compare(a, b), 0);
}

TEST_F(ExprOrder, ExpressionItemsWithCommasInsideCalls) {
  auto o = rt::compileOrder("-sub(dno:topic, 1, 1), instring('a', dno:topic, 1, 1)", bind);
  ASSERT_TRUE(o) << o.error().message;
  ASSERT_EQ(o->items().size(), 2u);
  EXPECT_TRUE(o->items()[0].descending);
  EXPECT_FALSE(o->items()[1].descending);
  EXPECT_EQ(sorted(notes_, "-sub(dno:topic, 1, 1), dno:date"), (std::vector<int>{4, 0, 3, 1, 2}));
}

TEST_F(ExprOrder, RowsKeepTheirValuesAfterTheBufferMovesOn) {
  auto o = rt::compileOrder("upper(dno:topic)", bind);
  ASSERT_TRUE(o);
  rt::Order::Row a, b;
  note.topic = "b";
  o->evaluate(a);
  note.topic = "a";
  o->evaluate(b);
  note.topic = "z";
  EXPECT_GT(o->compare(a, b), 0);
  EXPECT_LT(o->compare(b, a), 0);
}

TEST_F(ExprOrder, SortsRecordImagesThroughTheBoundBuffer) {
  auto o = rt::compileOrder("-dno:reminder, dno:date, dno:topic", bind);
  ASSERT_TRUE(o);
  std::vector<NoteRec> images(notes_.size());
  for (std::size_t k = 0; k < notes_.size(); ++k) {
    images[k].topic = notes_[k].topic;
    images[k].reminder = notes_[k].reminder;
    images[k].date = notes_[k].date;
  }
  auto less = o->imageLess(reinterpret_cast<char*>(&note), sizeof note);
  std::sort(images.begin(), images.end(), [&](const NoteRec& a, const NoteRec& b) {
    return less(reinterpret_cast<const char*>(&a), reinterpret_cast<const char*>(&b));
  });
  std::vector<std::string> got;
  for (const NoteRec& r : images) got.push_back(r.topic.str() + "/" + std::to_string(r.date));
  EXPECT_EQ(got, (std::vector<std::string>{"Gamma/1", "alpha/2", "beta/3", "gamma/1", "alpha/3"}));
}

}  // namespace
}  // namespace exprtest
