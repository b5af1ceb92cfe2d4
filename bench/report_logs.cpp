// novabit-report on ten years of study logs (ten runs of a year each, about
// 240 MB: 1,051,200 five-minute records with their quarters and cycle ends),
// summary, CSV and picture, in a child process. Target: at most 64 MB of
// memory at its peak.

#include <benchmark/benchmark.h>

#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

using namespace novabit::bench;

void BM_ReportTenYearsOfLogs(benchmark::State& state) {
  const ScratchDirectory directory;
  std::vector<std::string> arguments = write_ten_years_of_logs(directory.path());
  arguments.insert(arguments.end(),
                   {"--csv", (directory.path() / "r.csv").string(), "--png", (directory.path() / "r.png").string()});
  measure_report(state, arguments);
}
BENCHMARK(BM_ReportTenYearsOfLogs)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
