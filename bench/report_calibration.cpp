// Calibration of novabit-report's statistics on the simulator: not a timed
// benchmark but a check of the methods against chance.
//   bench_report_calibration [cycles]       (default 1000)
// 1. `novabit-sim --no-bias --no-screen` for that many 12-hour cycles: the
//    fraction of cycles whose Stouffer p is below 0.05 must lie in the 99 %
//    binomial band around 5 %, and the always-valid boundary may be crossed
//    in at most 5 % of them.
// 2. The same with the window on, replaying a seal made for the purpose: the
//    blind scan must find the window in most cycles.
// Prints the fractions; exit status 1 when a check fails.

#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "keystream/random_key.h"
#include "report/field_report.h"
#include "seal/seal.h"
#include "sim_scratch.h"
#include "simulator/simulator_main.h"

namespace {

using namespace novabit;
using namespace novabit::report;

// Runs the simulator for `cycles` cycles in `directory`, without the raw
// record; the log's path. `extra` gives the key: --seed, or --seal with its start,
// whose replay names its log as a replay's.
std::string simulate(const std::filesystem::path& directory, std::int64_t cycles,
                     const std::vector<std::string>& extra) {
  std::vector<std::string> arguments{
      "--no-screen", "--quiet",         "--no-trials", "--passes", std::to_string(cycles * kPassesPerCycle),
      "--dir",       directory.string()};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  if (simulator_main(pointers, {stdout, stderr, false, nullptr}) != 0) {
    std::fprintf(stderr, "the simulator failed\n");
    std::exit(1);
  }
  const bool replay = std::find(extra.begin(), extra.end(), "--seal") != extra.end();
  return (directory / (replay ? "estudio_12-05-2026.replay" : "estudio_12-05-2026")).string();
}

// The report of one log, with its seal when given; exits when it cannot be made.
FieldReport report_of(const std::string& log, const std::vector<std::string>& seals) {
  const Result<ReportPlan> plan = plan_report({log}, {}, seals);
  Result<FieldReport> report = plan ? build_report(*plan, BoundarySettings{}, std::nullopt) : plan.failure();
  if (!report) {
    std::fprintf(stderr, "%s\n", report.failure().message().c_str());
    std::exit(1);
  }
  return std::move(*report);
}

double fraction(std::int64_t count, std::int64_t total) {
  return total == 0 ? 0.0 : static_cast<double>(count) / static_cast<double>(total);
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t cycles = argc > 1 ? std::atoll(argv[1]) : 1000;
  const bench::ScratchDirectory directory;
  const FieldReport null =
      report_of(simulate(directory.path(), cycles, {"--no-bias", "--seed", "1", "--start", "2026-12-05 10:00:00"}), {});
  std::int64_t stoufferHits = 0, chiSquareHits = 0, crossings = 0;
  for (const CycleSummary& cycle : null.cycles) {
    const SeriesStatistics& s = cycle.fiveMinutes.statistics();
    stoufferHits += s.stouffer_p() < 0.05L ? 1 : 0;
    chiSquareHits += s.chi_square_p() < 0.05L ? 1 : 0;
    crossings += s.firstCrossing ? 1 : 0;
  }
  const auto total = static_cast<std::int64_t>(null.cycles.size());
  const boost::math::binomial_distribution<double> chance(static_cast<double>(total), 0.05);
  const double low = boost::math::quantile(chance, 0.005) / static_cast<double>(total);
  const double high = boost::math::quantile(boost::math::complement(chance, 0.005)) / static_cast<double>(total);
  const bool stoufferFits = fraction(stoufferHits, total) >= low && fraction(stoufferHits, total) <= high;
  const bool boundaryHolds = fraction(crossings, total) <= 0.05;
  std::printf("without the window, %lld cycles:\n", static_cast<long long>(total));
  std::printf("  Stouffer p < 0.05 in %.4f of cycles (99 %% band %.4f .. %.4f): %s\n", fraction(stoufferHits, total),
              low, high, stoufferFits ? "ok" : "FAILED");
  std::printf("  chi-square p < 0.05 in %.4f of cycles\n", fraction(chiSquareHits, total));
  std::printf("  always-valid boundary crossed in %.4f of cycles (at most 0.05): %s\n", fraction(crossings, total),
              boundaryHolds ? "ok" : "FAILED");

  const std::string sealPath = (directory.path() / "estudio_12-05-2026.seal").string();
  std::ofstream(sealPath) << seal_text({key_from_seed(2), {2026, 12, 5, 10, 0, 0}, {}, std::nullopt})
                          << seal_clock_line(849780000.25L);
  const FieldReport biased = report_of(simulate(directory.path(), cycles, {"--seal", sealPath}), {sealPath});
  const WindowCheck& windows = biased.sealed.at(0).windows;
  std::int64_t biasedCrossings = 0;
  for (const CycleSummary& cycle : biased.cycles) {
    biasedCrossings += cycle.fiveMinutes.statistics().firstCrossing ? 1 : 0;
  }
  const bool scanFinds = fraction(windows.scansFound, windows.scans) > 0.5;
  std::printf("with the window, %lld cycles:\n", static_cast<long long>(windows.scans));
  std::printf("  the blind scan found the window in %.4f of cycles (most): %s\n",
              fraction(windows.scansFound, windows.scans), scanFinds ? "ok" : "FAILED");
  std::printf("  always-valid boundary crossed in %.4f of cycles\n",
              fraction(biasedCrossings, static_cast<std::int64_t>(biased.cycles.size())));
  std::printf("  inside the windows, towards the forced value: Stouffer Z %.1f over %lld records\n",
              windows.insideTowardsBit.stouffer_z(), static_cast<long long>(windows.insideTowardsBit.trials));
  return stoufferFits && boundaryHolds && scanFinds ? 0 : 1;
}
