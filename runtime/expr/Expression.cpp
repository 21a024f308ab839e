#include "runtime/expr/Expression.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

#include "runtime/text/Dates.h"
#include "runtime/text/Strings.h"

namespace rt {

enum class Expression::Op : std::uint8_t {
  NumLit,
  TextLit,
  NumField,
  TextField,
  ToNum,
  ToText,
  Neg,
  Add,
  Sub,
  Mul,
  Div,
  Mod,
  Cmp,
  Like,
  And,
  Or,
  Not,
  Concat,
  Upper,
  Lower,
  Clip,
  SubStr,
  Instring,
  Left,
  Len,
  Today,
  Clock,
  Abs,
};

namespace {

using Op = Expression::Op;

enum class Rel : std::uint8_t { Eq, Ne, Lt, Gt, Le, Ge };

enum class Tok : std::uint8_t {
  End,
  Number,
  String,
  Name,
  LParen,
  RParen,
  Comma,
  Eq,
  Ne,
  Like,
  Lt,
  Gt,
  Le,
  Ge,
  And,
  Or,
  Not,
  Amp,
  Plus,
  Minus,
  Star,
  Slash,
  Percent,
};

struct Token {
  Tok kind = Tok::End;
  std::uint32_t pos = 0;  // byte offset
  std::uint32_t len = 0;
  double number = 0;
  std::string text;  // a name, or a string literal without its quotes
};

// Operators written with symbols, longest first so "<>" wins over "<".
struct Symbol {
  std::string_view spelling;
  Tok kind;
};
constexpr Symbol kSymbols[] = {
    {"<>", Tok::Ne},    {"<=", Tok::Le},    {"=<", Tok::Le},   {">=", Tok::Ge},
    {"=>", Tok::Ge},    {"~=", Tok::Like},  {"=", Tok::Eq},    {"<", Tok::Lt},
    {">", Tok::Gt},     {"~", Tok::Not},    {"&", Tok::Amp},   {"+", Tok::Plus},
    {"-", Tok::Minus},  {"*", Tok::Star},   {"/", Tok::Slash}, {"%", Tok::Percent},
    {"(", Tok::LParen}, {")", Tok::RParen}, {",", Tok::Comma},
};

struct Keyword {
  std::string_view spelling;
  Tok kind;
};
constexpr Keyword kKeywords[] = {{"AND", Tok::And}, {"OR", Tok::Or}, {"NOT", Tok::Not}};

struct Comparison {
  Tok token;
  Op op;
  Rel rel;
};
constexpr Comparison kComparisons[] = {
    {Tok::Eq, Op::Cmp, Rel::Eq},    {Tok::Ne, Op::Cmp, Rel::Ne}, {Tok::Lt, Op::Cmp, Rel::Lt},
    {Tok::Gt, Op::Cmp, Rel::Gt},    {Tok::Le, Op::Cmp, Rel::Le}, {Tok::Ge, Op::Cmp, Rel::Ge},
    {Tok::Like, Op::Like, Rel::Eq},
};

struct Arithmetic {
  Tok token;
  Op op;
};
constexpr Arithmetic kAdditive[] = {{Tok::Plus, Op::Add}, {Tok::Minus, Op::Sub}};
constexpr Arithmetic kMultiplicative[] = {
    {Tok::Star, Op::Mul}, {Tok::Slash, Op::Div}, {Tok::Percent, Op::Mod}};

struct Function {
  std::string_view name;
  Op op;
  std::uint8_t minArgs, maxArgs;
  bool textResult;
  bool textArg[4];
};
constexpr Function kFunctions[] = {
    {"UPPER", Op::Upper, 1, 1, true, {true}},
    {"LOWER", Op::Lower, 1, 1, true, {true}},
    {"CLIP", Op::Clip, 1, 1, true, {true}},
    {"SUB", Op::SubStr, 3, 3, true, {true, false, false}},
    {"LEFT", Op::Left, 1, 2, true, {true, false}},
    {"INSTRING", Op::Instring, 2, 4, false, {true, true, false, false}},
    {"LEN", Op::Len, 1, 1, false, {true}},
    {"ABS", Op::Abs, 1, 1, false, {false}},
    {"TODAY", Op::Today, 0, 0, false, {}},
    {"CLOCK", Op::Clock, 0, 0, false, {}},
};

// Bounds on nesting and tree depth keep hostile or runaway texts from exhausting the stack
// of a procedure thread, both while parsing and while evaluating.
constexpr int kMaxNesting = 100;
constexpr int kMaxDepth = 1000;
constexpr std::size_t kMaxText = 1u << 24;  // positions are kept in 32 bits

bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != b[i]) return false;
  }
  return true;
}

char foldCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view clipped(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isNameChar(char c) {
  return isNameStart(c) || (c >= '0' && c <= '9') || c == ':';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
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

struct Failure {
  std::uint32_t pos;  // byte offset
  std::string message;
};

int characterPosition(std::string_view text, std::uint32_t byteOffset) {
  int pos = 1;
  for (std::uint32_t i = 0; i < byteOffset && i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++pos;
  return pos;
}

std::string describe(const Token& t, std::string_view text) {
  if (t.kind == Tok::End) return "the end of the expression";
  return "'" + std::string(text.substr(t.pos, t.len)) + "'";
}

}  // namespace

class ExprParser {
 public:
  ExprParser(std::string_view text, const BindTable& bind) : text_(text), bind_(bind) {
    if (text.size() > kMaxText) fail(0, "expression too long");
    lex();
  }

  // One whole expression into `out`, stopping before a comma or the end.
  void parseInto(Expression& out) {
    out_ = &out;
    depth_.clear();
    nesting_ = 0;
    out.root_ = parseOr();
    const Expression::Node& root = out.nodes_[out.root_];
    if (root.op == Op::NumField || root.op == Op::TextField)
      out.fieldName_ = std::string(bind_.spelling(fieldToken_));
    int scratch = 0;
    for (auto& n : out.nodes_) {
      if (n.scratch >= 0) n.scratch = scratch++;
      if (n.op == Op::Today || n.op == Op::Clock) out.readsClock_ = true;
    }
    out.scratch_.assign(scratch, std::string());
  }

  const Token& peek() const { return tokens_[at_]; }
  void advance() {
    if (tokens_[at_].kind != Tok::End) ++at_;
  }
  [[noreturn]] void fail(std::uint32_t pos, std::string message) const {
    throw Failure{pos, std::move(message)};
  }
  [[noreturn]] void failHere(std::string_view expected) const {
    const Token& t = peek();
    if (t.kind == Tok::RParen) fail(t.pos, "')' without a matching '('");
    fail(t.pos, std::string(expected) + " expected, found " + describe(t, text_));
  }

 private:
  using Node = Expression::Node;

  void lex() {
    std::uint32_t i = 0;
    const auto n = static_cast<std::uint32_t>(text_.size());
    while (true) {
      while (i < n && (text_[i] == ' ' || text_[i] == '\t' || text_[i] == '\r' || text_[i] == '\n'))
        ++i;
      Token t;
      t.pos = i;
      if (i >= n) {
        tokens_.push_back(std::move(t));
        return;
      }
      const char c = text_[i];
      if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(text_[i + 1]))) {
        std::uint32_t j = i;
        while (j < n && isDigit(text_[j])) ++j;
        if (j < n && text_[j] == '.') {
          ++j;
          while (j < n && isDigit(text_[j])) ++j;
        }
        t.kind = Tok::Number;
        t.number = textToNumber(text_.substr(i, j - i));
        t.len = j - i;
      } else if (c == '\'') {
        std::uint32_t j = i + 1;
        while (true) {
          if (j >= n) fail(i, "unterminated string: closing ' missing");
          if (text_[j] == '\'') {
            if (j + 1 < n && text_[j + 1] == '\'') {
              t.text += '\'';
              j += 2;
              continue;
            }
            ++j;
            break;
          }
          t.text += text_[j++];
        }
        t.kind = Tok::String;
        t.len = j - i;
      } else if (isNameStart(c)) {
        std::uint32_t j = i;
        while (j < n && isNameChar(text_[j])) ++j;
        t.text = std::string(text_.substr(i, j - i));
        t.kind = Tok::Name;
        for (const Keyword& k : kKeywords)
          if (sameWord(t.text, k.spelling)) t.kind = k.kind;
        t.len = j - i;
      } else {
        for (const Symbol& s : kSymbols) {
          if (text_.substr(i, s.spelling.size()) == s.spelling) {
            t.kind = s.kind;
            t.len = static_cast<std::uint32_t>(s.spelling.size());
            break;
          }
        }
        if (t.len == 0) {
          // Report the whole character, not a stray byte of it.
          std::uint32_t j = i + 1;
          while (j < n && (static_cast<unsigned char>(text_[j]) & 0xC0) == 0x80) ++j;
          fail(i, "unexpected character '" + std::string(text_.substr(i, j - i)) + "'");
        }
      }
      i = t.pos + t.len;
      tokens_.push_back(std::move(t));
    }
  }

  std::int32_t add(Node n, std::uint32_t pos) {
    int depth = 1;
    for (int k = 0; k < n.argc; ++k) depth = std::max(depth, depth_[n.arg[k]] + 1);
    if (depth > kMaxDepth) fail(pos, "expression too long or too deeply nested");
    out_->nodes_.push_back(n);
    depth_.push_back(depth);
    return static_cast<std::int32_t>(out_->nodes_.size() - 1);
  }
  std::int32_t node(Op op, bool text, std::uint32_t pos, std::initializer_list<std::int32_t> args,
                    std::uint8_t rel = 0) {
    Node n;
    n.op = op;
    n.text = text;
    n.rel = rel;
    for (std::int32_t a : args) n.arg[n.argc++] = a;
    if (text) n.scratch = 0;  // numbered when the expression is complete
    return add(n, pos);
  }
  bool isText(std::int32_t i) const { return out_->nodes_[i].text; }

  std::int32_t asNumber(std::int32_t i, std::uint32_t pos) {
    if (!isText(i)) return i;
    Node& n = out_->nodes_[i];
    if (n.op == Op::TextLit) {  // a constant: convert once, here
      n.op = Op::NumLit;
      n.text = false;
      n.scratch = -1;
      n.number = textToNumber(std::string_view(out_->literals_).substr(n.litOffset, n.litSize));
      return i;
    }
    return node(Op::ToNum, false, pos, {i});
  }
  std::int32_t asText(std::int32_t i, std::uint32_t pos) {
    return isText(i) ? i : node(Op::ToText, true, pos, {i});
  }

  struct Nest {
    explicit Nest(ExprParser& p, std::uint32_t pos) : p_(p) {
      if (++p_.nesting_ > kMaxNesting) p_.fail(pos, "expression nested too deeply");
    }
    ~Nest() { --p_.nesting_; }
    ExprParser& p_;
  };

  std::int32_t parseOr() {
    std::int32_t l = parseAnd();
    while (peek().kind == Tok::Or) {
      const std::uint32_t pos = peek().pos;
      advance();
      l = node(Op::Or, false, pos, {l, parseAnd()});
    }
    return l;
  }
  std::int32_t parseAnd() {
    std::int32_t l = parseNot();
    while (peek().kind == Tok::And) {
      const std::uint32_t pos = peek().pos;
      advance();
      l = node(Op::And, false, pos, {l, parseNot()});
    }
    return l;
  }
  // NOT before a condition takes the whole comparison: "~a = b" is "~(a = b)".
  std::int32_t parseNot() {
    if (peek().kind != Tok::Not) return parseComparison();
    const std::uint32_t pos = peek().pos;
    Nest nest(*this, pos);
    advance();
    return node(Op::Not, false, pos, {parseNot()});
  }
  std::int32_t parseComparison() {
    std::int32_t l = parseConcat();
    while (true) {
      const Comparison* c = nullptr;
      for (const Comparison& k : kComparisons)
        if (k.token == peek().kind) c = &k;
      if (!c) return l;
      const std::uint32_t pos = peek().pos;
      advance();
      std::int32_t r = parseConcat();
      if (!(isText(l) && isText(r))) {  // a number on either side: compare as numbers
        l = asNumber(l, pos);
        r = asNumber(r, pos);
      }
      l = node(c->op, false, pos, {l, r}, static_cast<std::uint8_t>(c->rel));
    }
  }
  std::int32_t parseConcat() {
    std::int32_t l = parseAdditive();
    while (peek().kind == Tok::Amp) {
      const std::uint32_t pos = peek().pos;
      advance();
      std::int32_t r = parseAdditive();
      l = node(Op::Concat, true, pos, {asText(l, pos), asText(r, pos)});
    }
    return l;
  }
  std::int32_t parseAdditive() {
    return parseArithmetic(kAdditive, &ExprParser::parseMultiplicative);
  }
  std::int32_t parseMultiplicative() {
    return parseArithmetic(kMultiplicative, &ExprParser::parseUnary);
  }
  // One left-associative level of numeric operators.
  std::int32_t parseArithmetic(std::span<const Arithmetic> ops,
                               std::int32_t (ExprParser::*operand)()) {
    std::int32_t l = (this->*operand)();
    while (true) {
      const Arithmetic* a = nullptr;
      for (const Arithmetic& k : ops)
        if (k.token == peek().kind) a = &k;
      if (!a) return l;
      const std::uint32_t pos = peek().pos;
      advance();
      const std::int32_t r = (this->*operand)();
      l = node(a->op, false, pos, {asNumber(l, pos), asNumber(r, pos)});
    }
  }
  std::int32_t parseUnary() {
    const Token& t = peek();
    const std::uint32_t pos = t.pos;
    switch (t.kind) {
      case Tok::Minus: {
        Nest nest(*this, pos);
        advance();
        return node(Op::Neg, false, pos, {asNumber(parseUnary(), pos)});
      }
      case Tok::Plus: {
        Nest nest(*this, pos);
        advance();
        return asNumber(parseUnary(), pos);
      }
      case Tok::Not: {
        Nest nest(*this, pos);
        advance();
        return node(Op::Not, false, pos, {parseUnary()});
      }
      default:
        return parsePrimary();
    }
  }
  std::int32_t parsePrimary() {
    const Token& t = peek();
    const std::uint32_t pos = t.pos;
    switch (t.kind) {
      case Tok::Number: {
        Node n;
        n.op = Op::NumLit;
        n.number = t.number;
        advance();
        return add(n, pos);
      }
      case Tok::String: {
        Node n;
        n.op = Op::TextLit;
        n.text = true;
        n.litOffset = static_cast<std::uint32_t>(out_->literals_.size());
        n.litSize = static_cast<std::uint32_t>(t.text.size());
        out_->literals_ += t.text;
        advance();
        return add(n, pos);
      }
      case Tok::LParen: {
        Nest nest(*this, pos);
        advance();
        std::int32_t e = parseOr();
        closeParen(pos);
        return e;
      }
      case Tok::Name:
        if (tokens_[at_ + 1].kind == Tok::LParen) return parseCall();
        return parseName();
      default: {
        const Token& before = tokens_[at_ > 0 ? at_ - 1 : 0];
        if (at_ > 0 && before.kind != Tok::LParen && before.kind != Tok::Comma)
          fail(t.pos, "operand expected after " + describe(before, text_) + ", found " +
                          describe(t, text_));
        fail(t.pos, "an operand expected, found " + describe(t, text_));
      }
    }
  }
  void closeParen(std::uint32_t openPos) {
    if (peek().kind == Tok::RParen) {
      advance();
      return;
    }
    if (peek().kind == Tok::End) fail(openPos, "'(' without a matching ')'");
    failHere("')' or an operator");
  }
  std::int32_t parseName() {
    const Token& t = peek();
    const BoundName* b = bind_.find(t.text);
    if (!b) fail(t.pos, "unknown name '" + t.text + "'");
    Node n;
    n.text = b->type == FieldType::String;
    n.op = n.text ? Op::TextField : Op::NumField;
    n.bind = *b;
    fieldToken_ = t.text;
    const std::uint32_t pos = t.pos;
    advance();
    return add(n, pos);
  }
  std::int32_t parseCall() {
    const Token& name = peek();
    const std::uint32_t pos = name.pos;
    const Function* f = nullptr;
    for (const Function& k : kFunctions)
      if (sameWord(name.text, k.name)) f = &k;
    if (!f) fail(pos, "unknown function '" + name.text + "'");
    advance();
    const std::uint32_t open = peek().pos;
    Nest nest(*this, open);
    advance();
    std::vector<std::int32_t> args;
    if (peek().kind != Tok::RParen) {
      while (true) {
        args.push_back(parseOr());
        if (peek().kind != Tok::Comma) break;
        advance();
      }
    }
    closeParen(open);
    if (args.size() < f->minArgs || args.size() > f->maxArgs) {
      std::string want = f->minArgs == f->maxArgs
                             ? std::to_string(f->minArgs)
                             : std::to_string(f->minArgs) + " to " + std::to_string(f->maxArgs);
      fail(pos, std::string(f->name) + " takes " + want +
                    (f->maxArgs == 1 ? " argument" : " arguments") + ", not " +
                    std::to_string(args.size()));
    }
    Node n;
    n.op = f->op;
    n.text = f->textResult;
    if (n.text) n.scratch = 0;
    for (std::size_t k = 0; k < args.size(); ++k)
      n.arg[n.argc++] = f->textArg[k] ? asText(args[k], pos) : asNumber(args[k], pos);
    return add(n, pos);
  }

  std::string_view text_;
  const BindTable& bind_;
  std::vector<Token> tokens_;
  std::size_t at_ = 0;
  Expression* out_ = nullptr;
  std::vector<int> depth_;
  int nesting_ = 0;
  std::string fieldToken_;
};

namespace {

bool blankText(std::string_view s) {
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

ExprError toError(std::string_view text, const Failure& f) {
  return ExprError{characterPosition(text, f.pos), f.message};
}

}  // namespace

Compiled<Expression> compile(std::string_view text, const BindTable& bind) {
  if (blankText(text)) return ExprError{1, "empty expression"};
  try {
    ExprParser p(text, bind);
    Expression e;
    p.parseInto(e);
    if (p.peek().kind != Tok::End) p.failHere("an operator");
    return e;
  } catch (const Failure& f) {
    return toError(text, f);
  }
}

Compiled<Order> compileOrder(std::string_view text, const BindTable& bind) {
  if (blankText(text)) return ExprError{1, "empty order"};
  try {
    ExprParser p(text, bind);
    Order order;
    while (true) {
      Order::Item item;
      if (p.peek().kind == Tok::Plus || p.peek().kind == Tok::Minus) {
        item.descending = p.peek().kind == Tok::Minus;
        p.advance();
      }
      p.parseInto(item.expr);
      order.items_.push_back(std::move(item));
      if (p.peek().kind == Tok::End) break;
      if (p.peek().kind != Tok::Comma) p.failHere("',' or an operator");
      p.advance();
    }
    return order;
  } catch (const Failure& f) {
    return toError(text, f);
  }
}

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
