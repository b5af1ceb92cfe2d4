// novabit-report given 50 MB of empty lines, or of garbage (printable lines,
// or bytes without a line end), beside a day's study log, in a child process.
// Target: at most 5 s, 64 MB at its peak and 100 kB of output.

#include <benchmark/benchmark.h>

#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

using namespace novabit::bench;

constexpr std::size_t kBytes = 50 * 1000 * 1000;

// 0: empty lines; 1: lines of printable garbage; 2: bytes without line ends.
std::string garbage(int kind) {
  std::mt19937_64 random(3);
  std::string bytes;
  bytes.reserve(kBytes);
  while (bytes.size() < kBytes) {
    if (kind == 0) {
      bytes += "\r\n";
    } else if (kind == 1) {
      for (int i = 0; i < 78; ++i) bytes += static_cast<char>(' ' + random() % 95);
      bytes += "\r\n";
    } else {
      const auto byte = static_cast<char>(random() % 256);
      bytes += byte == '\n' ? '\0' : byte;
    }
  }
  return bytes;
}

void BM_ReportGarbage(benchmark::State& state) {
  const ScratchDirectory directory;
  const std::string log = write_long_log(directory.path(), 288).string();
  const std::string junk = (directory.path() / "junk").string();
  std::ofstream(junk, std::ios::binary) << garbage(static_cast<int>(state.range(0)));
  measure_report(state, {log, junk});
}
BENCHMARK(BM_ReportGarbage)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
