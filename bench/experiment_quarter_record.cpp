// Writing one QuarterRecord through the study log's record writer into a
// buffered file channel, its commit included (durable writes off, as the
// simulator runs); and one raw record row committed with its file check.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "clocks/wall_clock.h"
#include "experiment/study_log.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace {

using namespace novabit;

class FixedWallClock final : public WallClock {
 public:
  LocalTime now() const override { return {2026, 12, 5, 22, 10, 0}; }
};

void BM_QuarterRecord(benchmark::State& state) {
  std::string directory = (std::filesystem::temp_directory_path() / "novabit-bench-XXXXXX").string();
  if (mkdtemp(directory.data()) == nullptr) std::abort();
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  {
    ChannelTable channels(nullptr, nullptr);
    channels.set_durable_writes(false);
    Printer printer(channels);
    const FixedWallClock wallClock;
    StudyLog log(printer, wallClock);
    if (!log.open(1)) state.SkipWithError("no study log");
    PeriodTally quarter;
    quarter.zeros = 90312;
    quarter.ones = 89688;
    const RecordFigures figures{6, 25.0, 8.0};
    const RecordForm& form = checkpoint_form(Period::quarter, Leaning::zero);
    for (auto _ : state) log.write_checkpoint_record(1, form, quarter, figures);
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(directory);
}
// A fixed count keeps the scratch file at a few megabytes.
BENCHMARK(BM_QuarterRecord)->Iterations(20000)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

// One raw record row committed on its own, as the live monitor writes one a
// pass (without the sync): the check that the file is still the one opened,
// under its name and at its length, then the write.
void BM_RawRecordRow(benchmark::State& state) {
  std::string directory = (std::filesystem::temp_directory_path() / "novabit-bench-XXXXXX").string();
  if (mkdtemp(directory.data()) == nullptr) std::abort();
  {
    ChannelTable channels(nullptr, nullptr);
    channels.set_durable_writes(false);
    if (!channels.open_output_file(directory + "/rows.csv", 1, "pass,utc,local,ones,alarm\r\n")) {
      state.SkipWithError("no raw record");
    }
    const std::string row = "86400,2026-12-07T05:32:20Z,12-07-2026 05:32:20,103,\r\n";
    for (auto _ : state) {
      static_cast<void>(channels.write(1, row));
      static_cast<void>(channels.commit_record(1));
    }
  }
  std::filesystem::remove_all(directory);
}
BENCHMARK(BM_RawRecordRow)->Iterations(100000)->Repetitions(5)->ReportAggregatesOnly(true);
