// novabit-report --network of 20 stations cut into 12 time ranges, each
// range's --partial in a child process one after the other, then --combine of
// the 12 partials. A year of 20 stations is about 38 GB of raw records, more
// than scratch space and this benchmark's time allow, so the year is scaled
// down: Arg(d) gives each station d days and each range d/12 of them (12 days:
// about 1.3 GB). Every range reads its files from their start to the range's
// end, so the slowest range, the last, costs about what the whole run costs;
// the counters give it, the whole run for comparison, and the combination,
// which reads only the partials. Target: the combination well under a second.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "events/events_file.h"
#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

using namespace novabit::bench;

constexpr int kStations = 20;
constexpr int kRanges = 12;

void BM_TwentyStationsInTwelveRangesCombined(benchmark::State& state) {
  const ScratchDirectory directory;
  const std::int64_t seconds = state.range(0) * 86400;
  std::vector<std::string> network;
  for (int station = 1; station <= kStations; ++station) {
    const std::string name = "station-" + std::to_string(station);
    network.push_back("--network");
    network.push_back(write_trials(directory.path(), seconds, name + ".trials.csv", name).string());
  }
  double slowest = 0, combined = 0, whole = 0;
  for (auto _ : state) {
    std::vector<std::string> combine{"--combine"};
    slowest = 0;
    for (int r = 0; r < kRanges; ++r) {
      std::vector<std::string> arguments = network;
      if (r > 0)
        arguments.insert(arguments.end(), {"--from", novabit::events::utc_text(kStart + seconds * r / kRanges)});
      if (r + 1 < kRanges) {
        arguments.insert(arguments.end(), {"--to", novabit::events::utc_text(kStart + seconds * (r + 1) / kRanges)});
      }
      combine.push_back((directory.path() / ("part-" + std::to_string(r + 1) + ".json")).string());
      arguments.insert(arguments.end(), {"--partial", combine.back()});
      const ChildReport range = report_in_child(arguments);
      if (range.status != 0) state.SkipWithError("a range failed");
      slowest = std::max(slowest, range.seconds);
    }
    const ChildReport added = report_in_child(combine);
    if (added.status != 0) state.SkipWithError("the combination failed");
    combined = added.seconds;
    whole = report_in_child(network).seconds;
    state.SetIterationTime(slowest + combined);
  }
  state.counters["slowest_range_s"] = slowest;
  state.counters["combine_s"] = combined;
  state.counters["whole_run_s"] = whole;
}
BENCHMARK(BM_TwentyStationsInTwelveRangesCombined)->Arg(12)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
