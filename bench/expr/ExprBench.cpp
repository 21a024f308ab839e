// Filters as a view evaluates them: one row after another loaded into the bound buffer.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/expr/Expression.h"
#include "runtime/text/Dates.h"

namespace {

#pragma pack(push, 1)
struct Row {
  rt::Str<50> domainName;
  std::int32_t renewalDate;
  rt::Str<20> page;
  rt::Str<200> image;
};
#pragma pack(pop)

constexpr std::size_t kRows = 1'000'000;
constexpr std::int32_t kToday = 82000;

const rt::FileDesc& rowDesc() {
  static const rt::FileDesc d{
      "Rows",
      "ROW",
      "ROWS",
      sizeof(Row),
      {{"ROW:DOMAINNAME", rt::FieldType::String, offsetof(Row, domainName), 50},
       {"ROW:RENEWALDATE", rt::FieldType::Date, offsetof(Row, renewalDate), 4},
       {"ROW:PAGE", rt::FieldType::String, offsetof(Row, page), 20},
       {"ROW:IMAGE", rt::FieldType::String, offsetof(Row, image), 200}},
      {},
      {}};
  return d;
}

const std::vector<Row>& rows() {
  static const std::vector<Row> r = [] {
    std::vector<Row> v(kRows);
    for (std::size_t k = 0; k < kRows; ++k) {
      v[k].domainName = "domain-" + std::to_string(k % 5000) + ".example.com";
      v[k].renewalDate = kToday - 200 + static_cast<std::int32_t>(k % 400);
      v[k].page = "page" + std::to_string(k % 37) + ".htm";
      v[k].image = "images/picture-" + std::to_string(k % 101) + (k % 7 ? ".gif" : "-logo.jpg");
    }
    return v;
  }();
  return r;
}

void runFilter(benchmark::State& state, const char* text, bool systemClock = false) {
  if (!systemClock) rt::setClockProvider([] { return rt::ClockReading{kToday, 1}; });
  Row buffer;
  rt::Str<50> domainname("domain-42.example.com");
  rt::BindTable bind;
  bind.bindFile(rowDesc(), &buffer);
  bind.bind("domainname", domainname);
  auto f = rt::compile(text, bind);
  if (!f) {
    state.SkipWithError(f.error().message.c_str());
    return;
  }
  const std::vector<Row>& data = rows();
  std::size_t passed = 0;
  for (auto _ : state) {
    for (const Row& r : data) {
      std::memcpy(&buffer, &r, sizeof buffer);
      passed += f->test();
    }
  }
  benchmark::DoNotOptimize(passed);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
  rt::setClockProvider(nullptr);
}

void BM_CopyRowsOnly(benchmark::State& state) {
  Row buffer;
  const std::vector<Row>& data = rows();
  for (auto _ : state) {
    for (const Row& r : data) {
      std::memcpy(&buffer, &r, sizeof buffer);
      benchmark::DoNotOptimize(buffer);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

}  // namespace

BENCHMARK(BM_CopyRowsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runFilter, renewal_window,
                  "(row:renewaldate => today() and row:renewaldate =< today()+30)")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runFilter, renewal_window_system_clock,
                  "(row:renewaldate => today() and row:renewaldate =< today()+30)", true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runFilter, domain_equals_global, "row:domainname=clip(domainname)")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runFilter, query_by_example,
                  "UPPER(ROW:DomainName) = 'DOMAIN-42.EXAMPLE.COM' OR "
                  "INSTRING('LOGO',UPPER(ROW:Image),1,1)")
    ->Unit(benchmark::kMillisecond);
