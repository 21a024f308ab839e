// A filter's text conditions over the fields of the file a view walks, so that its store
// skips the rows the filter would refuse before they are read.
#pragma once

#include <vector>

#include "runtime/data/View.h"
#include "runtime/expr/Expression.h"

namespace rt {

std::vector<View::TextCondition> textConditions(const Expression& filter, const KeyedFile& file);

}  // namespace rt
