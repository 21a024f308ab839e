// The things file as table windows and reports resolve their names: its "THI:" fields, and
// a bind table over its buffer for their expressions.
#pragma once

#include "ListBrowserTestData.h"
#include "runtime/expr/BindTable.h"
#include "runtime/text/Strings.h"
#include "runtime/ui/TableWindows.h"

namespace browsetest {

inline void resolveThings(rt::TableContext& context, rt::BindTable& names, Things& data) {
  names.bindFile(data.desc, &data.rec);
  context.file = [&data](std::string_view prefix) {
    return rt::equalsNoCase(prefix, "THI") ? rt::TableFile{&data.desc, &data.rec, data.memo}
                                           : rt::TableFile{};
  };
  context.names = [&names]() -> const rt::BindTable& { return names; };
}

}  // namespace browsetest
