#include "report/seal_windows.h"

#include <cstdlib>

#include "experiment/bias_window.h"
#include "report/log_time.h"
#include "seal/seal.h"
#include "textio/failure.h"

namespace novabit::report {

Result<SealedRun> reveal_windows(const std::string& sealPath, const FieldReport& report) {
  const Result<Seal> read = read_seal_file(sealPath);
  if (!read) {
    return read.failure();
  }
  const Seal& seal = *read;
  const std::int64_t start = local_seconds(seal.start);
  std::optional<std::size_t> nearest;
  std::int64_t nearestDistance = kSealStartTolerance + 1;
  for (std::size_t r = 0; r < report.runs.size(); ++r) {
    const std::optional<std::int64_t> runStart = report.runs[r].start_seconds();
    const std::int64_t distance = runStart ? std::abs(*runStart - start) : nearestDistance;
    if (distance < nearestDistance) {
      nearest = r;
      nearestDistance = distance;
    }
  }
  if (!nearest) {
    return Failure{sealPath + ": no run of the input started at " + stamp(seal.start), 0};
  }
  const bool bitsFromStream = seal.source.kind == SourceSpec::Kind::keyed;
  const auto place_of_cycle = [&seal, bitsFromStream](std::int64_t cycle) {
    const BiasWindowPlace place = bias_window_of_cycle(seal.key, cycle, bitsFromStream);
    return WindowPlace{place.startMinute, place.bit};
  };
  return SealedRun{*nearest, sealPath, check_windows(report.runs[*nearest], place_of_cycle, report.settings)};
}

}  // namespace novabit::report
