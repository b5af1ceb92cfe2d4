// Resident memory over a 7-day run without the screen (604800 passes): after
// the first cycle and at the end, and the growth between them (target: 5 %
// at most).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "sim_scratch.h"
#include "simulator/simulation.h"

namespace {

using namespace novabit;

constexpr std::int64_t kWeekPasses = 7 * 24 * 3600;

double resident_kilobytes() {
  long sizePages = 0;
  long residentPages = 0;
  std::ifstream("/proc/self/statm") >> sizePages >> residentPages;
  return static_cast<double>(residentPages) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

void BM_WeekResidentMemory(benchmark::State& state) {
  const bench::ScratchDirectory directory;
  SimulatorOptions options;
  options.screen = false;
  options.passes = kWeekPasses;
  options.start = 1796508600;
  options.directory = directory.path();
  double afterFirstCycle = 0;
  double atEnd = 0;
  for (auto _ : state) {
    Result<std::unique_ptr<Simulation>> created = Simulation::create(options, nullptr, stderr);
    if (!created || !(*created)->start()) {
      state.SkipWithError("the study log could not be created");
      return;
    }
    Simulation& simulation = **created;
    simulation.run(kPassesPerCycle);
    afterFirstCycle = resident_kilobytes();
    simulation.run(kWeekPasses - kPassesPerCycle);
    atEnd = resident_kilobytes();
    if (simulation.finish() != 0) state.SkipWithError("the run lost records");
  }
  state.counters["rss_first_cycle_kB"] = afterFirstCycle;
  state.counters["rss_end_kB"] = atEnd;
  state.counters["growth_%"] = 100.0 * (atEnd - afterFirstCycle) / afterFirstCycle;
}

BENCHMARK(BM_WeekResidentMemory)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
