#include "report/seal_windows.h"

#include <cstdlib>

#include "experiment/bias_window.h"
#include "report/log_time.h"
#include "seal/seal.h"

namespace novabit::report {

std::variant<SealedRun, std::string> reveal_windows(const std::string& sealPath, const FieldReport& report) {
  const ParsedSeal parsed = read_seal_file(sealPath);
  if (!parsed.seal) {
    return parsed.problem;
  }
  const Seal& seal = *parsed.seal;
  const std::optional<LocalTime> date = parse_log_date(seal.startDate);
  const std::optional<LocalTime> start = date ? parse_log_time(seal.startTime, *date) : std::nullopt;
  if (!start) {
    return sealPath + ": no start date and time";
  }
  std::optional<std::size_t> nearest;
  std::int64_t nearestDistance = kSealStartTolerance + 1;
  for (std::size_t r = 0; r < report.runs.size(); ++r) {
    const std::optional<std::int64_t> runStart = report.runs[r].start_seconds();
    const std::int64_t distance = runStart ? std::abs(*runStart - local_seconds(*start)) : nearestDistance;
    if (distance < nearestDistance) {
      nearest = r;
      nearestDistance = distance;
    }
  }
  if (!nearest) {
    return sealPath + ": no run of the input started at " + seal.startDate + " " + seal.startTime;
  }
  const bool bitsFromStream = seal.source == "keyed";
  const auto place_of_cycle = [&seal, bitsFromStream](std::int64_t cycle) {
    const BiasWindowPlace place = bias_window_of_cycle(seal.key, cycle, bitsFromStream);
    return WindowPlace{place.startMinute, place.bit};
  };
  return SealedRun{*nearest, sealPath, check_windows(report.runs[*nearest], place_of_cycle, report.settings)};
}

}  // namespace novabit::report
