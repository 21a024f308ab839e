// Procedure threads: a switch between two threads (one posts an event, the other is
// resumed and answers) with nothing, the dictionary's record buffers, or 1 MB registered;
// and START of a procedure that returns at once.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstddef>
#include <vector>

#include "dictionary/Files.h"
#include "runtime/proc/Events.h"
#include "runtime/proc/Threads.h"

namespace {

using rt::Event;
using rt::EventKind;

constexpr int kPing = 1;
constexpr int kPong = 2;

// Two threads hand an event back and forth; each hand-over is one switch away from the
// poster and one into the woken thread (through the main fiber's scheduler).
void pingPong(benchmark::State& state) {
  bool done = false;
  long rounds = 0;
  int pong = 0;
  const int ping = rt::START([&] {
    Event ev;
    for (auto _ : state) {
      rt::postEvent(pong, Event{EventKind::Accepted, kPong});
      rt::waitUntil([&] { return rt::takeEvent(kPing, ev); });
      ++rounds;
    }
    done = true;
    rt::postEvent(pong, Event{EventKind::CloseWindow, kPong});
  });
  pong = rt::START([&] {
    Event ev;
    for (;;) {
      rt::waitUntil([&] { return rt::takeEvent(kPong, ev); });
      if (ev.kind == EventKind::CloseWindow) return;
      rt::postEvent(ping, Event{EventKind::Accepted, kPing});
    }
  });
  rt::waitForAllThreads();
  if (!done) state.SkipWithError("procedure threads did not finish");
  // Two hand-overs per round: ping -> pong and back.
  state.SetItemsProcessed(rounds * 2);
}

void BM_SwitchNoBuffers(benchmark::State& state) {
  pingPong(state);
}
BENCHMARK(BM_SwitchNoBuffers)->UseRealTime();

void BM_SwitchRecordBuffers(benchmark::State& state) {
  const std::vector<BufferSpan> spans = RecordBuffers();
  std::size_t bytes = 0;
  for (const BufferSpan& b : spans) {
    rt::registerThreadBuffer(b.data, b.size);
    bytes += b.size;
  }
  pingPong(state);
  for (const BufferSpan& b : spans) rt::unregisterThreadBuffer(b.data);
  state.counters["buffers"] = static_cast<double>(spans.size());
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SwitchRecordBuffers)->UseRealTime();

void BM_SwitchOneMegabyte(benchmark::State& state) {
  std::vector<char> block(1024 * 1024, 'x');
  rt::registerThreadBuffer(block.data(), block.size());
  pingPong(state);
  rt::unregisterThreadBuffer(block.data());
}
BENCHMARK(BM_SwitchOneMegabyte)->UseRealTime();

// START, the fiber's first run to its end, and the stack given back.
void BM_StartReturnsAtOnce(benchmark::State& state) {
  long ran = 0;
  for (auto _ : state) {
    rt::START([&] { ++ran; });
    rt::waitForAllThreads();
  }
  if (ran != static_cast<long>(state.iterations())) state.SkipWithError("a thread did not run");
}
BENCHMARK(BM_StartReturnsAtOnce)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
