// Evaluating compiled expressions and orders against the bound fields.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <span>

#include "runtime/expr/Expression.h"
#include "runtime/expr/ExpressionInternal.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Strings.h"

namespace rt {

namespace {

using Op = Expression::Op;
using detail::Rel;

char foldCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view clipped(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

long toLong(double v) {
  if (!(v > -1e15 && v < 1e15))
    return std::isnan(v) ? 0 : (v < 0 ? -1'000'000'000'000'000L : 1'000'000'000'000'000L);
  return static_cast<long>(v);
}

// As the text layer shows a number: at most 15 significant digits, no trailing zeros.
void formatNumber(double v, std::string& out) {
  char buf[40];
  const int n =
      v == 0 ? std::snprintf(buf, sizeof buf, "0") : std::snprintf(buf, sizeof buf, "%.15g", v);
  out.assign(buf, static_cast<std::size_t>(n));
}

// ASCII letters only, eight bytes at a time: query filters upper-case wide, mostly blank
// fields once per row. A byte is a letter to change when, with its top bit clear, it lies in
// first..first+25; the case bit 0x20 of exactly those bytes is flipped.
void mapCase(std::string_view in, char* out, bool upper) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kLow7 = 0x7F * kOnes, kHigh = 0x80 * kOnes;
  const unsigned char first = upper ? 'a' : 'A';
  const std::uint64_t reachFirst = (0x80 - first) * kOnes;     // top bit once >= first
  const std::uint64_t passLast = (0x80 - first - 26) * kOnes;  // top bit once > first+25
  std::size_t k = 0;
  for (; k + 8 <= in.size(); k += 8) {
    std::uint64_t w;
    std::memcpy(&w, in.data() + k, 8);
    const std::uint64_t low = w & kLow7;
    const std::uint64_t letters = (low + reachFirst) & ~(low + passLast) & ~w & kHigh;
    w ^= letters >> 2;
    std::memcpy(out + k, &w, 8);
  }
  for (; k < in.size(); ++k) {
    const auto c = static_cast<unsigned char>(in[k]);
    out[k] = static_cast<char>(static_cast<unsigned char>(c - first) < 26 ? c ^ 0x20 : c);
  }
}

}  // namespace

// ---- evaluation

int Expression::compare(const Node& n) const {
  if (nodes_[n.arg[0]].text) {
    const int c = clipped(str(n.arg[0])).compare(clipped(str(n.arg[1])));
    return (c > 0) - (c < 0);
  }
  const double a = num(n.arg[0]), b = num(n.arg[1]);
  return (a > b) - (a < b);
}

double Expression::num(std::int32_t i) const {
  const Node& n = nodes_[i];
  switch (n.op) {
    case Op::NumLit:
      return n.number;
    case Op::NumField:
      return readNumber(n.bind);
    case Op::ToNum:
      return textToNumber(str(n.arg[0]));
    case Op::Neg:
      return -num(n.arg[0]);
    case Op::Add:
      return num(n.arg[0]) + num(n.arg[1]);
    case Op::Sub:
      return num(n.arg[0]) - num(n.arg[1]);
    case Op::Mul:
      return num(n.arg[0]) * num(n.arg[1]);
    case Op::Div: {
      // Division by zero gives 0 rather than an infinity that would poison comparisons.
      const double a = num(n.arg[0]), b = num(n.arg[1]);
      return b == 0 ? 0 : a / b;
    }
    case Op::Mod: {
      const double a = num(n.arg[0]), b = num(n.arg[1]);
      return b == 0 ? 0 : std::fmod(a, b);
    }
    case Op::Cmp: {
      const int c = compare(n);
      switch (static_cast<Rel>(n.rel)) {
        case Rel::Eq:
          return c == 0;
        case Rel::Ne:
          return c != 0;
        case Rel::Lt:
          return c < 0;
        case Rel::Gt:
          return c > 0;
        case Rel::Le:
          return c <= 0;
        case Rel::Ge:
          return c >= 0;
      }
      return 0;
    }
    case Op::Like: {
      if (!nodes_[n.arg[0]].text) return num(n.arg[0]) == num(n.arg[1]);
      const std::string_view a = clipped(str(n.arg[0])), b = clipped(str(n.arg[1]));
      if (a.size() != b.size()) return 0;
      for (std::size_t k = 0; k < a.size(); ++k)
        if (foldCase(a[k]) != foldCase(b[k])) return 0;
      return 1;
    }
    case Op::And:
      return truth(n.arg[0]) && truth(n.arg[1]);
    case Op::Or:
      return truth(n.arg[0]) || truth(n.arg[1]);
    case Op::Not:
      return !truth(n.arg[0]);
    case Op::Instring:
      return static_cast<double>(INSTRING(str(n.arg[0]), str(n.arg[1]),
                                          n.argc > 2 ? toLong(num(n.arg[2])) : 1,
                                          n.argc > 3 ? toLong(num(n.arg[3])) : 1));
    case Op::Len:
      return static_cast<double>(LEN(str(n.arg[0])));
    case Op::Abs:
      return std::fabs(num(n.arg[0]));
    case Op::Today:
      if (today_ < 0) today_ = TODAY();
      return today_;
    case Op::Clock:
      if (clock_ < 0) clock_ = CLOCK();
      return clock_;
    default:  // a text node asked for its number
      return textToNumber(str(i));
  }
}

std::string_view Expression::str(std::int32_t i) const {
  const Node& n = nodes_[i];
  switch (n.op) {
    case Op::TextLit:
      return std::string_view(literals_).substr(n.litOffset, n.litSize);
    case Op::TextField:
      return readText(n.bind);
    case Op::Clip:
      return clipped(str(n.arg[0]));
    default:
      break;
  }
  if (n.scratch < 0) return {};  // numbers reach texts only through ToText
  std::string& s = scratch_[n.scratch];
  switch (n.op) {
    case Op::ToText:
      formatNumber(num(n.arg[0]), s);
      break;
    case Op::Concat: {
      const std::string_view a = str(n.arg[0]);
      const std::string_view b = str(n.arg[1]);
      s.assign(a);
      s.append(b);
      break;
    }
    case Op::Upper:
    case Op::Lower: {
      const std::string_view a = str(n.arg[0]);
      s.resize(a.size());
      mapCase(a, s.data(), n.op == Op::Upper);
      break;
    }
    case Op::SubStr:
      s = SUB(str(n.arg[0]), toLong(num(n.arg[1])), toLong(num(n.arg[2])));
      break;
    case Op::Left:
      s = n.argc > 1 ? LEFT(str(n.arg[0]), toLong(num(n.arg[1]))) : LEFT(str(n.arg[0]));
      break;
    default:
      s.clear();
      break;
  }
  return s;
}

std::vector<Expression::TextTerm> Expression::textTerms() const {
  std::vector<TextTerm> out;
  auto bound = [&](std::int32_t i, TextTerm& t) {
    const Node* n = &nodes_[i];
    t.folded = n->op == Op::Upper;
    if (t.folded) n = &nodes_[n->arg[0]];
    if (n->op != Op::TextField) return false;
    t.address = n->bind.address;
    t.size = n->bind.size;
    return true;
  };
  auto literal = [&](std::int32_t i, std::string& text) {
    const Node& n = nodes_[i];
    if (n.op != Op::TextLit) return false;
    text.assign(literals_, n.litOffset, n.litSize);
    return true;
  };
  auto one = [&](std::int32_t i) { return nodes_[i].op == Op::NumLit && nodes_[i].number == 1; };
  auto walk = [&](auto& self, std::int32_t i) -> void {
    const Node& n = nodes_[i];
    if (n.op == Op::And) {
      self(self, n.arg[0]);
      self(self, n.arg[1]);
      return;
    }
    TextTerm t;
    if (n.op == Op::Instring && (n.argc < 3 || one(n.arg[2])) && (n.argc < 4 || one(n.arg[3])) &&
        literal(n.arg[0], t.text) && bound(n.arg[1], t)) {
      out.push_back(std::move(t));
      return;
    }
    if (n.op != Op::Cmp || static_cast<Rel>(n.rel) != Rel::Eq) return;
    for (int side = 0; side < 2; ++side) {
      const Node& sub = nodes_[n.arg[side]];
      if (sub.op == Op::SubStr && one(sub.arg[1]) && literal(n.arg[1 - side], t.text) &&
          bound(sub.arg[0], t)) {
        t.prefix = true;
        out.push_back(std::move(t));
        return;
      }
    }
  };
  if (!nodes_.empty()) walk(walk, root_);
  return out;
}

bool Expression::truth(std::int32_t i) const {
  if (nodes_[i].text) return !clipped(str(i)).empty();
  return num(i) != 0;
}

// A default-constructed expression (never compiled) evaluates to 0 and "".
double Expression::number() const {
  if (nodes_.empty()) return 0;
  startEvaluation();
  return nodes_[root_].text ? textToNumber(str(root_)) : num(root_);
}

std::string_view Expression::text() const {
  if (nodes_.empty()) return {};
  startEvaluation();
  if (nodes_[root_].text) return str(root_);
  formatNumber(num(root_), result_);
  return result_;
}

bool Expression::test() const {
  if (nodes_.empty()) return false;
  startEvaluation();
  return truth(root_);
}

// ---- orders

void Order::evaluate(Row& row) const {
  row.numbers.resize(items_.size());
  row.texts.resize(items_.size());
  for (std::size_t k = 0; k < items_.size(); ++k) {
    const Expression& e = items_[k].expr;
    if (e.isText())
      row.texts[k].assign(clipped(e.text()));
    else
      row.numbers[k] = e.number();
  }
}

int Order::compare(const Row& a, const Row& b) const {
  for (std::size_t k = 0; k < items_.size(); ++k) {
    int c;
    if (items_[k].expr.isText()) {
      const int r = a.texts[k].compare(b.texts[k]);
      c = (r > 0) - (r < 0);
    } else {
      c = (a.numbers[k] > b.numbers[k]) - (a.numbers[k] < b.numbers[k]);
    }
    if (c != 0) return items_[k].descending ? -c : c;
  }
  return 0;
}

std::function<bool(const char*, const char*)> Order::imageLess(char* buffer,
                                                               std::size_t recordSize) const {
  struct State {
    Order order;
    Row a, b;
  };
  auto st = std::make_shared<State>(State{*this, {}, {}});
  return [st, buffer, recordSize](const char* a, const char* b) {
    std::memcpy(buffer, a, recordSize);
    st->order.evaluate(st->a);
    std::memcpy(buffer, b, recordSize);
    st->order.evaluate(st->b);
    return st->order.compare(st->a, st->b) < 0;
  };
}

}  // namespace rt
