// novabit-report on a year of raw records (31,536,000 seconds, about 1.9 GB,
// written to a scratch file and removed afterwards) with the year's study
// log, in a child process. Target: at most 30 s and 256 MB at its peak.

#include <benchmark/benchmark.h>

#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

using namespace novabit::bench;

void BM_ReportAYearOfSeconds(benchmark::State& state) {
  const ScratchDirectory directory;
  const std::string log = write_long_log(directory.path(), kRecordsPerYear).string();
  const std::string trials = write_trials(directory.path(), kRecordsPerYear * 300).string();
  measure_report(state, {log, "--trials", trials});
}
BENCHMARK(BM_ReportAYearOfSeconds)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
