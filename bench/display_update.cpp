// One display update into the memory back end: with one changed row, and idle.

#include <benchmark/benchmark.h>

#include "open_screen.h"

namespace novabit {
namespace {

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
