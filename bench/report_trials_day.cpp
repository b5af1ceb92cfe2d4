// novabit-report on a day's raw per-second record (86,400 lines) with its
// study log, summary and CSV table included. Target: at most 0.5 seconds.

#include <benchmark/benchmark.h>

#include <sstream>

#include "report/report_program.h"
#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

void BM_ReportTrialsDay(benchmark::State& state) {
  const novabit::bench::ScratchDirectory directory;
  const std::string log = novabit::bench::write_long_log(directory.path(), 288).string();
  const std::string trials = novabit::bench::write_trials_day(directory.path(), 86400).string();
  const std::string csv = (directory.path() / "day.csv").string();
  const std::vector<const char*> arguments{"novabit-report", log.c_str(), "--trials", trials.c_str(), "--csv",
                                           csv.c_str()};
  for (auto _ : state) {
    std::ostringstream out, err;
    if (novabit::report::run_report(arguments, out, err) != 0) state.SkipWithError(err.str().c_str());
  }
}
BENCHMARK(BM_ReportTrialsDay)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
