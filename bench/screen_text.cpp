// Text cells: a full 100-byte line, and the scroll of the program's 17-row panel.

#include <benchmark/benchmark.h>

#include <string>

#include "open_screen.h"

namespace novabit {
namespace {

// The program's 17-row text panel on the open screen.
struct OpenPanel : OpenScreen {
  OpenPanel() { screen.set_print_region(17, 33); }
};

void BM_WriteHundredByteLine(benchmark::State& state) {
  OpenPanel open;
  const std::string line(100, '1');
  for (auto _ : state) {
    open.screen.set_text_position(20, 1);
    open.screen.write_screen_text(line);
  }
  benchmark::DoNotOptimize(open.screen.screen_memory());
}
BENCHMARK(BM_WriteHundredByteLine);

void BM_ScrollPanelByOneRow(benchmark::State& state) {
  OpenPanel open;
  open.screen.set_text_position(33, 1);
  for (auto _ : state) {
    open.screen.write_screen_text("\n");
  }
  benchmark::DoNotOptimize(open.screen.screen_memory());
}
BENCHMARK(BM_ScrollPanelByOneRow);

}  // namespace
}  // namespace novabit
