// novabit-report --network of 20 stations of a year each (about 38 GB of
// raw records) cut into 12 time ranges, each range's --partial in a child
// process one after the other, then --combine of the 12 partials, and the
// whole run for comparison. Each range bisects its files to its first row, so
// the slowest range costs about a twelfth of the whole run; the combination
// reads only the partials. Arg(d) gives each station d days. Targets: the
// slowest range near a twelfth of the whole run, the combination well under
// a second.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "base/file_handles.h"
#include "events/events_file.h"
#include "report_inputs.h"
#include "sim_scratch.h"

namespace {

using namespace novabit::bench;

constexpr int kStations = 20;
constexpr int kRanges = 12;
constexpr std::string_view kProgramLines = "# program=novabit 1.0.0\r\n# source=keyed\r\n";

// Station `name`'s raw record: its head, then the rows of `rows` (a raw record
// of no station) copied by the kernel. The stations share the rows, which
// costs the reading what rows of their own would, and writing 20 years of
// rows one by one would take most of the benchmark's time.
std::string station_copy(const std::filesystem::path& rows, const std::filesystem::path& directory,
                         const std::string& name) {
  const std::filesystem::path path = directory / (name + ".trials.csv");
  const std::string head =
      std::string(kProgramLines) + "# key_sha256=" + novabit::sha256_hex(name) + "\r\n# station=" + name + "\r\n";
  const novabit::FileDescriptor in(open(rows.c_str(), O_RDONLY | O_CLOEXEC));
  const novabit::FileDescriptor out(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!in.valid() || !out.valid() || write(out.get(), head.data(), head.size()) != static_cast<ssize_t>(head.size())) {
    return {};
  }
  auto from = static_cast<off_t>(kProgramLines.size());
  for (ssize_t copied = 1; copied > 0;) {
    copied = copy_file_range(in.get(), &from, out.get(), nullptr, std::size_t{1} << 30, 0);
    if (copied < 0) return {};
  }
  return path.string();
}

void BM_TwentyStationsInTwelveRangesCombined(benchmark::State& state) {
  const ScratchDirectory directory;
  const std::int64_t seconds = state.range(0) * 86400;
  const std::filesystem::path rows = write_trials(directory.path(), seconds, "rows.csv");
  std::vector<std::string> network;
  for (int station = 1; station <= kStations; ++station) {
    network.push_back("--network");
    network.push_back(station_copy(rows, directory.path(), "station-" + std::to_string(station)));
    if (network.back().empty()) state.SkipWithError("a station's record could not be written");
  }
  std::filesystem::remove(rows);
  double slowest = 0, combined = 0, whole = 0;
  for (auto _ : state) {
    std::vector<std::string> combine{"--combine"};
    slowest = 0;
    for (int r = 0; r < kRanges; ++r) {
      std::vector<std::string> arguments = network;
      if (r > 0)
        arguments.insert(arguments.end(), {"--from", novabit::events::utc_text(kStart + seconds * r / kRanges)});
      if (r + 1 < kRanges) {
        arguments.insert(arguments.end(), {"--to", novabit::events::utc_text(kStart + seconds * (r + 1) / kRanges)});
      }
      combine.push_back((directory.path() / ("part-" + std::to_string(r + 1) + ".json")).string());
      arguments.insert(arguments.end(), {"--partial", combine.back()});
      const ChildReport range = report_in_child(arguments);
      if (range.status != 0) state.SkipWithError("a range failed");
      slowest = std::max(slowest, range.seconds);
    }
    const ChildReport added = report_in_child(combine);
    if (added.status != 0) state.SkipWithError("the combination failed");
    combined = added.seconds;
    whole = report_in_child(network).seconds;
    state.SetIterationTime(slowest + combined);
  }
  state.counters["slowest_range_s"] = slowest;
  state.counters["combine_s"] = combined;
  state.counters["whole_run_s"] = whole;
}
BENCHMARK(BM_TwentyStationsInTwelveRangesCombined)->Arg(365)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
