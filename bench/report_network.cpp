// novabit-report --network on a day of raw records of each of 100 stations
// (8,640,000 seconds, about 390 MB, written to scratch files and removed
// afterwards), with its CSV, in a child process. Target: at most 10 s and
// 512 MB at its peak.

#include <benchmark/benchmark.h>

#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

using namespace novabit::bench;

constexpr int kStations = 100;
constexpr std::int64_t kSecondsPerDay = 86400;

void BM_NetworkOfAHundredStationsForADay(benchmark::State& state) {
  const ScratchDirectory directory;
  std::vector<std::string> arguments{"--csv", (directory.path() / "network.csv").string()};
  for (int station = 1; station <= kStations; ++station) {
    const std::string name = "station-" + std::to_string(station);
    arguments.push_back("--network");
    arguments.push_back(write_trials(directory.path(), kSecondsPerDay, name + ".trials.csv", name).string());
  }
  measure_report(state, arguments);
}
BENCHMARK(BM_NetworkOfAHundredStationsForADay)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
