#include "runtime/ui/ColumnFormat.h"

#include <cctype>

namespace rt {

namespace {

bool isAlign(char c) {
  return c == 'L' || c == 'R' || c == 'C' || c == 'D';
}

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}
  bool atEnd() const { return i_ >= s_.size(); }
  char peek() const { return atEnd() ? '\0' : s_[i_]; }
  char next() { return s_[i_++]; }
  bool take(char c) {
    if (peek() != c || atEnd()) return false;
    ++i_;
    return true;
  }
  std::optional<int> number() {
    const std::size_t start = i_;
    long v = 0;
    while (!atEnd() && std::isdigit(static_cast<unsigned char>(s_[i_]))) {
      v = v * 10 + (s_[i_++] - '0');
      if (v > 1000000) return std::nullopt;
    }
    if (i_ == start) return std::nullopt;
    return static_cast<int>(v);
  }
  // "(n)" when present; false on a broken one.
  bool indent(std::optional<int>& out) {
    if (!take('(')) return true;
    out = number();
    return out && take(')');
  }
  // The text up to the next `end`, which is consumed; nullopt when there is none.
  std::optional<std::string> until(char end) {
    const std::size_t stop = s_.find(end, i_);
    if (stop == std::string_view::npos) return std::nullopt;
    std::string out(s_.substr(i_, stop - i_));
    i_ = stop + 1;
    return out;
  }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

void writeIndent(std::string& out, const std::optional<int>& indent) {
  if (!indent) return;
  out += '(';
  out += std::to_string(*indent);
  out += ')';
}

}  // namespace

std::optional<ColumnFormat> ColumnFormat::parse(std::string_view text) {
  ColumnFormat f;
  Reader r(text);
  while (!r.atEnd()) {
    ColumnSpec c;
    const auto width = r.number();
    if (!width || !isAlign(r.peek())) return std::nullopt;
    c.width = *width;
    c.align = r.peek();
    r.take(c.align);
    if (!r.indent(c.indent)) return std::nullopt;
    while (!r.atEnd() && r.peek() != '~') c.modifiers += r.next();
    if (!r.take('~')) return std::nullopt;
    auto header = r.until('~');
    if (!header) return std::nullopt;
    c.header = std::move(*header);
    if (isAlign(r.peek())) {
      c.headerAlign = r.peek();
      r.take(c.headerAlign);
      if (!r.indent(c.headerIndent)) return std::nullopt;
    }
    if (r.take('@')) {
      auto picture = r.until('@');
      if (!picture) return std::nullopt;
      c.picture = "@" + *picture;
    }
    while (!r.atEnd() && !std::isdigit(static_cast<unsigned char>(r.peek()))) c.trailer += r.next();
    f.columns_.push_back(std::move(c));
  }
  if (f.columns_.empty()) return std::nullopt;
  return f;
}

std::string ColumnFormat::text() const {
  std::string out;
  for (const ColumnSpec& c : columns_) {
    out += std::to_string(c.width);
    out += c.align;
    writeIndent(out, c.indent);
    out += c.modifiers;
    out += '~';
    out += c.header;
    out += '~';
    if (c.headerAlign) {
      out += c.headerAlign;
      writeIndent(out, c.headerIndent);
    }
    if (!c.picture.empty()) {
      out += c.picture;
      out += '@';
    }
    out += c.trailer;
  }
  return out;
}

}  // namespace rt
