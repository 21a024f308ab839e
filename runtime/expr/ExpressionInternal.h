// Shared by the parser and the evaluator of expressions.
#pragma once

#include <cstdint>

#include "runtime/expr/Expression.h"

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

namespace detail {
enum class Rel : std::uint8_t { Eq, Ne, Lt, Gt, Le, Ge };
}  // namespace detail

}  // namespace rt
