// What telling runs and records apart by their content costs novabit-report
// on ten years of study logs (ten runs of a year each, 240 MB): the ten read
// together, where every log is compared with the others and each run's
// copies merged, against the ten read one by one, where there is nothing to
// compare or merge; and the ten beside a copy of each (a rotated or gathered
// file under another name), merged into ten runs. Each report runs in a child
// process, summary only. Target: together at most 20 % over one by one.

#include <benchmark/benchmark.h>

#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

using namespace novabit::bench;

void BM_MergeTenYearsOfLogs(benchmark::State& state) {
  const ScratchDirectory directory;
  const std::vector<std::string> logs = write_ten_years_of_logs(directory.path());
  std::vector<std::string> copies;
  for (const std::string& log : logs) {
    copies.push_back((std::filesystem::path(log).parent_path() / "gathered-copy").string());
    std::filesystem::copy_file(log, copies.back());
  }
  std::vector<std::string> withCopies = logs;
  withCopies.insert(withCopies.end(), copies.begin(), copies.end());
  ChildReport together;
  ChildReport merged;
  double oneByOne = 0;
  double peakOneByOne = 0;
  for (auto _ : state) {
    oneByOne = 0;
    for (const std::string& log : logs) {
      const ChildReport alone = report_in_child({log});
      if (alone.status != 0) state.SkipWithError("a report of one log failed");
      oneByOne += alone.seconds;
      peakOneByOne = std::max(peakOneByOne, alone.peakMegabytes);
    }
    together = report_in_child(logs);
    merged = report_in_child(withCopies);
    if (together.status != 0 || merged.status != 0) state.SkipWithError("the report failed");
    state.SetIterationTime(together.seconds);
  }
  state.counters["one_by_one_s"] = oneByOne;
  state.counters["together_s"] = together.seconds;
  state.counters["with_copies_s"] = merged.seconds;
  state.counters["over_one_by_one_pct"] = 100 * (together.seconds / oneByOne - 1);
  state.counters["copies_over_one_by_one_pct"] = 100 * (merged.seconds / oneByOne - 1);
  state.counters["peak_MB"] = together.peakMegabytes;
  state.counters["peak_with_copies_MB"] = merged.peakMegabytes;
  state.counters["peak_one_MB"] = peakOneByOne;
}
BENCHMARK(BM_MergeTenYearsOfLogs)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
