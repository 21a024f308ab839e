// The pages the big page-detail benchmarks stand on: how many (TW_BENCH_PAGES, else 100,000)
// and their names, every third starting in upper case so a byte order would differ from the
// keys' case-folded one.
#pragma once

#include <QtGlobal>
#include <cstdio>
#include <string>

namespace benchpages {

inline int pages() {
  static const int n = qEnvironmentVariableIsSet("TW_BENCH_PAGES")
                           ? qEnvironmentVariableIntValue("TW_BENCH_PAGES")
                           : 100'000;
  return n;
}

inline std::string pageName(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%06d.htm", i % 3 ? "page" : "Page", i);
  return buf;
}

}  // namespace benchpages
