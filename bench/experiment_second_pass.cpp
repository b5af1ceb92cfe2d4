// One SecondPass of the driver with nothing listening to it, a clock
// that ends each wait at its first reading, and the study log in a scratch
// directory: the engine's own cost per second. Then the same pass with the
// bits under the health tests, from the keyed generator and from a file read
// ahead by its own thread, and the rate at which a source is read and tested.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"
#include "experiment/experiment_driver.h"
#include "experiment/experiment_events.h"
#include "experiment/key_source.h"
#include "keystream/keyed_generator.h"
#include "replay/given_key.h"
#include "sources/open_source.h"
#include "sources/watched_bits.h"
#include "textio/channels.h"
#include "textio/printer.h"

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
  Key read_key() override { return Key::none; }
};

class FixedWallClock final : public WallClock {
 public:
  LocalTime now() const override { return {2026, 12, 5, 22, 10, 0}; }
};

// Passes that the file sources hold: more than any benchmark here runs.
constexpr std::int64_t kFilePasses = 600000;

// A scratch directory made the working directory, holding a file of random
// bytes for kFilePasses passes.
class Scratch {
 public:
  Scratch() : previous_(std::filesystem::current_path()) {
    std::string directory = (std::filesystem::temp_directory_path() / "novabit-bench-XXXXXX").string();
    if (mkdtemp(directory.data()) == nullptr) std::abort();
    directory_ = directory;
    std::filesystem::current_path(directory_);
    std::mt19937 random(1);
    std::string bytes(kFilePasses * kPassBytes, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    std::ofstream("raw.bin", std::ios::binary) << bytes;
  }
  ~Scratch() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(directory_);
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path directory_;
};

const SourceSpec kKeyed{};
const SourceSpec kFile{SourceSpec::Kind::device, "raw.bin"};

// `source` null: the driver's own keyed bits, not watched.
void run_passes(benchmark::State& state, const SourceSpec* source) {
  const Scratch scratch;
  ChannelTable channels(nullptr, nullptr);
  channels.set_durable_writes(false);
  Printer printer(channels);
  ExperimentEvents nobody;
  BitSource bits;
  LeapingClock clock;
  SteadySecondsClock silenceClock;
  const FixedWallClock wallClock;
  NoKeys keys;
  GivenKey sealer(key_from_seed(0));
  std::unique_ptr<PassBits> opened;
  std::unique_ptr<WatchedBits> watched;
  if (source != nullptr) {
    opened = std::move(*open_source(*source, bits, silenceClock));
    watched = std::make_unique<WatchedBits>(*opened, source_text(*source));
  }
  ExperimentDriver driver({nobody, printer, bits, clock, wallClock, keys, sealer, watched.get()});
  if (!driver.start()) state.SkipWithError("no study log");
  for (auto _ : state) {
    if (driver.run(1) != RunEnd::pass_limit) state.SkipWithError("the source ended");
  }
}

void BM_SecondPass(benchmark::State& state) { run_passes(state, nullptr); }
BENCHMARK(BM_SecondPass);

void BM_SecondPassWatchedKeyed(benchmark::State& state) { run_passes(state, &kKeyed); }
BENCHMARK(BM_SecondPassWatchedKeyed);

void BM_SecondPassWatchedFile(benchmark::State& state) { run_passes(state, &kFile); }
BENCHMARK(BM_SecondPassWatchedFile)->Iterations(kFilePasses / 2);

// A pass's bits taken from the read-ahead buffer and tested, as fast as the
// file and the tests allow; "bits" is the rate in bits per second.
void BM_ReadAndTestFile(benchmark::State& state) {
  const Scratch scratch;
  BitSource keyed;
  SteadySecondsClock silenceClock;
  const std::unique_ptr<PassBits> opened = std::move(*open_source(kFile, keyed, silenceClock));
  WatchedBits watched(*opened, "device:raw.bin");
  PassBytes bytes{};
  for (auto _ : state) {
    while (watched.take(bytes) == TakeResult::waiting) {
    }
    benchmark::DoNotOptimize(bytes);
  }
  const double bits = static_cast<double>(state.iterations()) * kBitsPerPass;
  state.counters["bits"] = benchmark::Counter(bits, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadAndTestFile)->Iterations(kFilePasses / 2);

}  // namespace
