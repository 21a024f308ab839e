#include "runtime/text/Value.h"

#include <cmath>
#include <cstdio>

#include "runtime/text/NumberText.h"

namespace rt {

namespace {

template <class... F>
struct Overload : F... {
  using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

std::string shortest(double d) {
  if (d == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

}  // namespace

double numberOf(const Value& v) {
  return std::visit(Overload{[](const std::string& s) {
                               const auto n = splitNumber(s);
                               if (!n) return 0.0;
                               const double d =
                                   std::strtod((n->integer + "." + n->fraction).c_str(), nullptr);
                               return n->negative ? -d : d;
                             },
                             [](double d) { return d; }, [](Decimal d) { return d.toDouble(); },
                             [](DateValue d) { return static_cast<double>(d.day); },
                             [](TimeValue t) { return static_cast<double>(t.time); }},
                    v);
}

std::string textOf(const Value& v) {
  return std::visit(
      Overload{[](const std::string& s) { return s; }, [](double d) { return shortest(d); },
               [](Decimal d) {
                 std::string t = d.toText();
                 while (t.back() == '0') t.pop_back();
                 if (t.back() == '.') t.pop_back();
                 return t;
               },
               [](DateValue d) { return std::to_string(d.day); },
               [](TimeValue t) { return std::to_string(t.time); }},
      v);
}

std::optional<Decimal> decimalOf(const Value& v) {
  if (const auto* d = std::get_if<Decimal>(&v)) return *d;
  if (const auto* s = std::get_if<std::string>(&v)) {
    if (s->find_first_not_of(' ') == std::string::npos) return Decimal{};
    return Decimal::parse(*s);
  }
  return Decimal::fromDouble(numberOf(v));
}

}  // namespace rt
