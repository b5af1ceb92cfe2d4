// Text cells: a full 100-byte line, and the scroll of the program's 17-row panel.

#include <benchmark/benchmark.h>

#include <string>

#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"

namespace novabit {
namespace {

struct OpenScreen {
  OpenScreen() {
    static_cast<void>(screen.set_screen_mode(19, 16, 4, 1, 0));
    screen.set_print_region(17, 33);
  }
  ChannelTable channels{nullptr, nullptr};
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  GraphScreen screen{channels, endSteps, {backEnd}, GraphScreenOptions{false, "bench"}};
};

void BM_WriteHundredByteLine(benchmark::State& state) {
  OpenScreen open;
  const std::string line(100, '1');
  for (auto _ : state) {
    open.screen.set_text_position(20, 1);
    open.screen.write_screen_text(line);
  }
  benchmark::DoNotOptimize(open.screen.screen_memory());
}
BENCHMARK(BM_WriteHundredByteLine);

void BM_ScrollPanelByOneRow(benchmark::State& state) {
  OpenScreen open;
  open.screen.set_text_position(33, 1);
  for (auto _ : state) {
    open.screen.write_screen_text("\n");
  }
  benchmark::DoNotOptimize(open.screen.screen_memory());
}
BENCHMARK(BM_ScrollPanelByOneRow);

}  // namespace
}  // namespace novabit
