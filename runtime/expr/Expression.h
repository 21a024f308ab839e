// The filter and order expression language: compiled once over a bind table, then
// evaluated against whatever the bound buffers hold, as often as a view needs.
//
// Operands: bound names (DOM:RENEWALDATE, domainname), numbers (12, 2.5), texts in single
// quotes ('it''s'), function calls, parentheses. Names, keywords and functions ignore case.
// Operators, loosest first:
//   OR;  AND;  NOT or ~ (before a condition: "~a = b" is "~(a = b)");
//   = <> < > <= >= => =< ~=  (~= : equal ignoring case, texts clipped);
//   & (joins texts);  + -;  * / %;  unary - + ~.
// Two texts compare clipped of trailing blanks, byte by byte (case counts). A number on
// either side makes the comparison numeric, the text converted (not a number: 0). Results of
// comparisons and logic are 1 or 0; a text is true when it is not blank. Division by zero
// gives 0.
// Functions: UPPER(t) LOWER(t) CLIP(t) SUB(t,start,len) LEFT(t[,len]) LEN(t)
//   INSTRING(sub,t[,step[,start]]) ABS(n) TODAY() CLOCK().
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/expr/BindTable.h"

namespace rt {

struct ExprError {
  int position = 0;  // 1-based character in the expression text
  std::string message;
};

// Either a compiled T or the error that stopped the compilation.
template <class T>
class Compiled {
 public:
  Compiled(T value) : v_(std::move(value)) {}
  Compiled(ExprError error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const ExprError& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, ExprError> v_;
};

// A compiled expression. Evaluation allocates nothing once the text buffers of its string
// functions have grown to their working size. Not for use from two threads at once: the
// result of text() lives in the expression until its next evaluation.
class Expression {
 public:
  enum class Op : std::uint8_t;
  double number() const;          // the value as a number (a text converted; not a number: 0)
  std::string_view text() const;  // the value as a text; valid until the next evaluation
  bool test() const;              // a number: not 0; a text: not blank
  bool isText() const { return !nodes_.empty() && nodes_[root_].text; }

  // The conjuncts that say a bound text holds a text, as a query by example writes them:
  // INSTRING('t', F, 1, 1) (contains) and SUB(F, 1, n) = 't' (begins with), F a bound text or
  // UPPER of one (folded). The whole expression implies each, so a view may have its store
  // test them before the expression judges a row.
  struct TextTerm {
    const char* address = nullptr;  // the bound text's buffer
    std::uint32_t size = 0;
    bool folded = false;
    bool prefix = false;
    std::string text;
  };
  std::vector<TextTerm> textTerms() const;

  // The name as bound when the whole expression is one bound name ("WPL:WEBPAGELINK"),
  // so a view can order by the field itself; empty otherwise.
  std::string_view fieldName() const { return fieldName_; }

 private:
  friend class ExprParser;

  struct Node {
    Op op{};
    bool text = false;     // the kind of the result: text or number
    std::uint8_t rel = 0;  // comparisons: which relation
    std::uint8_t argc = 0;
    std::int32_t arg[4] = {-1, -1, -1, -1};
    std::int32_t scratch = -1;                 // index into scratch_ for nodes that build a text
    double number = 0;                         // number literal
    std::uint32_t litOffset = 0, litSize = 0;  // text literal in literals_
    BoundName bind;
  };

  double num(std::int32_t i) const;
  std::string_view str(std::int32_t i) const;
  bool truth(std::int32_t i) const;
  int compare(const Node& n) const;

  std::vector<Node> nodes_;
  std::int32_t root_ = 0;
  std::string literals_;
  std::string fieldName_;
  mutable std::vector<std::string> scratch_;
  mutable std::string result_;  // text() of a number
  // TODAY() and CLOCK() are read once per evaluation: one row sees one moment.
  bool readsClock_ = false;
  mutable std::int32_t today_ = -1, clock_ = -1;
  void startEvaluation() const {
    if (readsClock_) today_ = clock_ = -1;
  }
};

// A filter text. A blank text is an error here: a view with no filter sets none.
Compiled<Expression> compile(std::string_view text, const BindTable& bind);

// An order text: expressions separated by commas, each optionally led by "+" (ascending,
// the default) or "-" (descending).
class Order {
 public:
  struct Item {
    Expression expr;
    bool descending = false;
  };
  // The evaluated values of one row, kept so two rows can be compared after the buffer
  // has moved on. Reused across rows without reallocating.
  struct Row {
    std::vector<double> numbers;
    std::vector<std::string> texts;
  };

  const std::vector<Item>& items() const { return items_; }
  // Evaluates every item over the buffers as they are now.
  void evaluate(Row& row) const;
  // <0, 0, >0 as a sorts before, with or after b; texts clipped and compared byte-wise.
  int compare(const Row& a, const Row& b) const;

  // For sorting record images (recordSize bytes each) of the file bound at `buffer`: each
  // comparison loads both images into the buffer and evaluates them, so the buffer is left
  // holding the last image compared. Cheaper when a caller can keep a Row per record:
  // evaluate() once per row, then compare().
  std::function<bool(const char* a, const char* b)> imageLess(char* buffer,
                                                              std::size_t recordSize) const;

 private:
  friend Compiled<Order> compileOrder(std::string_view text, const BindTable& bind);
  std::vector<Item> items_;
};

Compiled<Order> compileOrder(std::string_view text, const BindTable& bind);

}  // namespace rt
