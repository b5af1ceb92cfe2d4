// novabit-report on a year of raw records (31,536,000 seconds, about 1.9 GB,
// written to a scratch file and removed afterwards) with the year's study
// log, in a child process. Target: at most 30 s and 256 MB at its peak.
// Then the raw record's reader alone on a week of seconds, in process: its
// bytes per second of processor time (target 400 MB/s, a station-year in 5 s).

#include <benchmark/benchmark.h>

#include <filesystem>

#include "report/trials_reader.h"
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

void BM_ReadAWeekOfRawRecords(benchmark::State& state) {
  const ScratchDirectory directory;
  const std::string trials = write_trials(directory.path(), 7 * 86400).string();
  std::int64_t seconds = 0;
  for (auto _ : state) {
    novabit::report::FileNotes notes;
    auto stream = novabit::report::TrialsStream::open(trials, notes);
    if (!stream) state.SkipWithError("no raw record");
    while (stream) {
      const auto next = (*stream)->next();
      if (!next || !*next) break;
      seconds += (*next)->ones >= 0 ? 1 : 0;
    }
  }
  if (seconds != 7 * 86400 * state.iterations()) state.SkipWithError("seconds lost");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(trials)));
}
BENCHMARK(BM_ReadAWeekOfRawRecords)->Unit(benchmark::kMillisecond);

}  // namespace
