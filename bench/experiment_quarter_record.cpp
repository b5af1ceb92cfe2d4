// Writing one QuarterRecord through the study log's record writer into a
// buffered file channel, its commit included (durable writes off, as the
// simulator runs).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "experiment/study_log.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "clocks/wall_clock.h"

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
    if (log.open(1) != ResultCode::ok) state.SkipWithError("no study log");
    ExperimentState record;
    record.logFileNumber = 1;
    record.quarterZeros = 90312;
    record.quarterOnes = 89688;
    record.quarterZeroDevSum = 6;
    record.globalZeroAvgSum = 24;
    record.quarterZeroWins = 3;
    record.globalOneAvgSum = 25.0F;
    record.quarterOneWins = 1;
    for (auto _ : state) log.write_quarter_record(record, Leaning::zero);
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(directory);
}
// A fixed count keeps the scratch file at a few megabytes.
BENCHMARK(BM_QuarterRecord)->Iterations(20000)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
