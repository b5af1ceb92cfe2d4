// One SecondPass of the driver with a display that shows nothing, a clock
// that ends each wait at its first reading, and the study log in a scratch
// directory: the engine's own cost per second.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "display/headless_display.h"
#include "display/monitor_display.h"
#include "experiment/experiment_driver.h"
#include "experiment/key_sealer.h"
#include "experiment/key_source.h"
#include "textio/bit_source.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "textio/seconds_clock.h"
#include "textio/wall_clock.h"

namespace {

using namespace novabit;

// A whole second per reading: every wait ends at its first poll.
class LeapingClock final : public SecondsClock {
 public:
  long double clock_seconds() override { return now_ += 1.0L; }

 private:
  long double now_ = 1000.25L;
};

class NoKeys final : public KeySource {
 public:
  std::string read_key() override { return {}; }
};

class FixedWallClock final : public WallClock {
 public:
  LocalTime now() const override { return {2026, 12, 5, 22, 10, 0}; }
};

void BM_SecondPass(benchmark::State& state) {
  std::string directory = (std::filesystem::temp_directory_path() / "novabit-bench-XXXXXX").string();
  if (mkdtemp(directory.data()) == nullptr) std::abort();
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  {
    ChannelTable channels(nullptr, nullptr);
    channels.set_durable_writes(false);
    Printer printer(channels);
    HeadlessDisplay display;
    BitSource bits;
    LeapingClock clock;
    const FixedWallClock wallClock;
    NoKeys keys;
    GivenKey sealer(key_from_seed(0));
    ExperimentDriver driver({display, printer, bits, clock, wallClock, keys, sealer});
    if (driver.start() != StartResult::ready) state.SkipWithError("no study log");
    for (auto _ : state) driver.run(1);
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(directory);
}
BENCHMARK(BM_SecondPass);

}  // namespace
