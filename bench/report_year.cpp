// novabit-report on a year of study log (105,120 five-minute records with
// their quarters and cycle ends), from reading the file to the summary, the
// CSV table and the picture. Target: at most 1 second.

#include <benchmark/benchmark.h>

#include <sstream>

#include "report/report_program.h"
#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

void BM_ReportYear(benchmark::State& state) {
  const novabit::bench::ScratchDirectory directory;
  const std::string log = novabit::bench::write_long_log(directory.path(), 105120).string();
  const std::string csv = (directory.path() / "year.csv").string();
  const std::string png = (directory.path() / "year.png").string();
  const std::vector<const char*> arguments{"novabit-report", log.c_str(), "--csv", csv.c_str(), "--png", png.c_str()};
  for (auto _ : state) {
    std::ostringstream out, err;
    if (novabit::report::run_report(arguments, out, err) != 0) state.SkipWithError(err.str().c_str());
  }
}
BENCHMARK(BM_ReportYear)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
