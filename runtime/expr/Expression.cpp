#include "runtime/expr/Expression.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

#include "runtime/expr/ExpressionInternal.h"
#include "runtime/text/Dates.h"
#include "runtime/text/Strings.h"

namespace rt {

namespace {

using Op = Expression::Op;
using detail::Rel;

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

bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isNameChar(char c) {
  return isNameStart(c) || (c >= '0' && c <= '9') || c == ':';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
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

}  // namespace rt
