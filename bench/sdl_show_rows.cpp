// The display thread's work per 10 ms tick on the real back end: showing one changed
// pixel row (widening, band upload and present), handling window events when none
// came, and whole ticks of the GraphScreen's display thread (band copy, show, events).
// Runs on SDL's dummy video driver (software renderer, no display) unless
// SDL_VIDEODRIVER names another, e.g. x11 with DISPLAY set to an Xvfb server.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/sdl/sdl_back_end.h"
#include "textio/channels.h"

namespace novabit {
namespace {

std::unique_ptr<DisplayBackEnd> open_window(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  std::unique_ptr<DisplayBackEnd> backEnd = make_sdl_back_end();
  DisplayRequest request;
  request.fullScreen = false;
  request.title = "bench";
  if (const Outcome opened = backEnd->open(request); !opened) {
    state.SkipWithError(opened.failure().message().c_str());
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

// A GraphScreen on the SDL back end, updated by the benchmark's own ticks.
struct SdlScreen {
  SdlScreen() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    opened = screen.set_screen_mode(19, 16, 4, 0, 0);
  }
  ChannelTable channels{nullptr, nullptr};
  EndSteps endSteps;
  std::unique_ptr<DisplayBackEnd> backEnd = make_sdl_back_end();
  GraphScreen screen{channels, endSteps, {*backEnd}, GraphScreenOptions{false, "bench"}};
  Outcome opened;
};

// One tick after the program changed state.range(0) rows (1 or all 600).
void DisplayThreadTick(benchmark::State& state) {
  SdlScreen open;
  if (!open.opened) {
    state.SkipWithError(open.opened.failure().message().c_str());
    return;
  }
  const float lastRow = static_cast<float>(state.range(0) - 1);
  float x = 0;
  for (auto _ : state) {
    open.screen.draw_line(x, 0, x, lastRow, 0xFFFFFF);
    open.screen.tick();
    x = x < 799 ? x + 1 : 0;
  }
}
BENCHMARK(DisplayThreadTick)->Arg(1)->Arg(600);

}  // namespace
}  // namespace novabit
