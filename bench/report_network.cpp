// novabit-report --network on a day of raw records of each of 100 stations
// (8,640,000 seconds, about 390 MB, written to scratch files and removed
// afterwards), with its CSV, in a child process. Target: at most 10 s and
// 512 MB at its peak. The same with 24 pre-registered events, the first half
// hour of every hour, whose analysis should add little to the network's.
// The report reads the files by one thread per processor it may use: run
// under `taskset -c 0` for one core, `taskset -c 0,1` for two.

#include <benchmark/benchmark.h>

#include <fstream>

#include "events/events_file.h"
#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

using namespace novabit::bench;

constexpr int kStations = 100;
constexpr std::int64_t kSecondsPerDay = 86400;

void BM_NetworkOfAHundredStationsForADay(benchmark::State& state) {
  const ScratchDirectory directory;
  std::vector<std::string> arguments{"--csv", (directory.path() / "network.csv").string()};
  if (state.range(0) > 0) {
    const std::filesystem::path events = directory.path() / "events.csv";
    std::ofstream out(events, std::ios::binary);
    out << novabit::events::kEventsHeader << "\r\n";
    constexpr const char* kStatistics[] = {"netvar,", "devvar,", "stouffer,+"};
    for (std::int64_t hour = 0; hour < state.range(0); ++hour) {
      const std::int64_t start = kStart + 3600 * hour;
      out << "hour " << hour << "," << novabit::events::utc_text(start) << ","
          << novabit::events::utc_text(start + 1800) << "," << kStatistics[hour % 3] << "\r\n";
    }
    arguments.insert(arguments.end(), {"--events", events.string()});
  }
  for (int station = 1; station <= kStations; ++station) {
    const std::string name = "station-" + std::to_string(station);
    arguments.push_back("--network");
    arguments.push_back(write_trials(directory.path(), kSecondsPerDay, name + ".trials.csv", name).string());
  }
  measure_report(state, arguments);
}
BENCHMARK(BM_NetworkOfAHundredStationsForADay)
    ->Arg(0)
    ->Arg(24)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseManualTime();

}  // namespace
