// The monitor view's work of one SecondPass on the real screen code: a
// typical pass (200 bits, the report lines, the point, the separator and the
// scrolling they cause) and the heaviest one, which adds both checkpoint dots
// and the CycleEnd redraw of the panel and the frame.

#include <benchmark/benchmark.h>

#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "view/monitor_view.h"

namespace novabit {
namespace {

class FixedWallClock final : public WallClock {
 public:
  LocalTime now() const override { return {2026, 12, 5, 22, 10, 0}; }
};

struct Monitor {
  Monitor() {
    static_cast<void>(screen.set_screen_mode(19, 16, 4, 1, 0));
    view.run_started(start);
  }

  // Bits alternate in runs, so both colours and a leaning report appear.
  void typical_pass(std::int32_t pass) {
    for (std::int32_t bit = 0; bit < 200; ++bit) view.bit_counted((bit / 3) % 2);
    view.second_counted({pass, 101, 99, Leaning::zero, 1, pass / 60 % 721, pass % 60, {}});
  }

  ChannelTable channels{nullptr, nullptr};
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  GraphScreen screen{channels, endSteps, {backEnd}, GraphScreenOptions{false, "bench"}};
  Printer printer{channels};
  FixedWallClock wallClock;
  MonitorView view{screen, printer, wallClock};
  RunStart start{"12-05-2026", "22:10:00"};
};

void BM_TypicalPassDisplay(benchmark::State& state) {
  Monitor monitor;
  std::int32_t pass = 1;
  for (auto _ : state) {
    monitor.typical_pass(pass++);
    monitor.view.pass_ended(false);
  }
  benchmark::DoNotOptimize(monitor.screen.screen_memory());
}
BENCHMARK(BM_TypicalPassDisplay)->Unit(benchmark::kMicrosecond);

void BM_CycleEndPassDisplay(benchmark::State& state) {
  Monitor monitor;
  std::int32_t pass = 43201;
  for (auto _ : state) {
    monitor.typical_pass(pass);
    monitor.view.checkpoint_closed({Period::quarter, Leaning::one, 89820, 90180});
    monitor.view.checkpoint_closed({Period::five_minute, Leaning::one, 29850, 30150});
    monitor.view.cycle_ended({pass / 43201, 12.5, 7.25, monitor.start});
    monitor.view.pass_ended(true);
    pass += 43201;
  }
  benchmark::DoNotOptimize(monitor.screen.screen_memory());
}
BENCHMARK(BM_CycleEndPassDisplay)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace novabit
