// One whole 12-hour cycle (43201 passes) through the simulator, as a run of
// novabit-sim with no outputs but the study log: with the screen drawn in
// memory (target: 10 s at most) and without it (target: 1 s at most).

#include <benchmark/benchmark.h>

#include <cstdio>

#include "sim_scratch.h"
#include "simulator/simulation.h"

namespace {

using namespace novabit;

void run_cycle(benchmark::State& state, bool screen) {
  const bench::ScratchDirectory directory;
  SimulatorOptions options;
  options.screen = screen;
  options.start = 1796508600;
  options.directory = directory.path();
  for (auto _ : state) {
    Result<std::unique_ptr<Simulation>> created = Simulation::create(options, nullptr, stderr);
    if (!created || !(*created)->start()) {
      state.SkipWithError("the study log could not be created");
      return;
    }
    Simulation& simulation = **created;
    simulation.run(options.passes);
    if (simulation.finish() != 0) state.SkipWithError("the run lost records");
  }
  state.counters["passes/s"] =
      benchmark::Counter(static_cast<double>(options.passes), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CycleWithScreen(benchmark::State& state) { run_cycle(state, true); }
void BM_CycleWithoutScreen(benchmark::State& state) { run_cycle(state, false); }

BENCHMARK(BM_CycleWithScreen)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CycleWithoutScreen)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
