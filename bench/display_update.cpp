// One display update into the memory back end: with one changed row, and idle.

#include <benchmark/benchmark.h>

#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"

namespace novabit {
namespace {

struct OpenScreen {
  OpenScreen() { static_cast<void>(screen.set_screen_mode(19, 16, 4, 1, 0)); }
  ChannelTable channels{nullptr, nullptr};
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  GraphScreen screen{channels, endSteps, {backEnd}, GraphScreenOptions{false, "bench"}};
};

void BM_TickWithOneChangedRow(benchmark::State& state) {
  OpenScreen open;
  float x = 0;
  for (auto _ : state) {
    open.screen.set_pixel(x, 300, 0xFFFFFF);
    open.screen.tick();
    x = x < 799 ? x + 1 : 0;
  }
}
BENCHMARK(BM_TickWithOneChangedRow);

void BM_TickIdle(benchmark::State& state) {
  OpenScreen open;
  open.screen.tick();
  for (auto _ : state) {
    open.screen.tick();
  }
}
BENCHMARK(BM_TickIdle);

}  // namespace
}  // namespace novabit
