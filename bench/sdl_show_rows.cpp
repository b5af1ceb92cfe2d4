// The display thread's work per 10 ms tick on the real back end: showing one changed
// pixel row (widening, band upload and present), and handling window events when none
// came. Runs on SDL's dummy video driver (software renderer, no display) unless
// SDL_VIDEODRIVER names another, e.g. x11 with DISPLAY set to an Xvfb server.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "screen/sdl/sdl_back_end.h"

namespace novabit {
namespace {

std::unique_ptr<DisplayBackEnd> open_window(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  std::unique_ptr<DisplayBackEnd> backEnd = make_sdl_back_end();
  DisplayRequest request;
  request.fullScreen = false;
  request.title = "bench";
  if (!backEnd->open(request)) {
    state.SkipWithError(backEnd->failure_reason().c_str());
    return nullptr;
  }
  return backEnd;
}

void ShowOneChangedRow(benchmark::State& state) {
  const std::unique_ptr<DisplayBackEnd> backEnd = open_window(state);
  if (!backEnd) {
    return;
  }
  std::vector<std::uint16_t> page(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
  int row = 0;
  for (auto _ : state) {
    page[static_cast<std::size_t>(row) * kScreenWidth] ^= 0xFFFF;
    backEnd->show_rows(page.data(), row, row);
    row = (row + 1) % kScreenHeight;
  }
}
BENCHMARK(ShowOneChangedRow);

void PollNoEvents(benchmark::State& state) {
  const std::unique_ptr<DisplayBackEnd> backEnd = open_window(state);
  if (!backEnd) {
    return;
  }
  std::vector<WindowEvent> events;
  for (auto _ : state) {
    events.clear();
    backEnd->poll_events(events);
    benchmark::DoNotOptimize(events.data());
  }
}
BENCHMARK(PollNoEvents);

}  // namespace
}  // namespace novabit
