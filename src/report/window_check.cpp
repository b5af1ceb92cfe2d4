#include "report/window_check.h"

#include <algorithm>
#include <cmath>

namespace novabit::report {

namespace {

bool in_window(const WindowPlace& place, std::int64_t minute) {
  return place.startMinute < minute && minute < place.startMinute + kBiasWindowMinutes + 1;
}

// The first and the last cycle minute of a record's passes within `cycle`.
std::pair<std::int64_t, std::int64_t> minutes_of(const Checkpoint& record) {
  const std::int64_t firstPass = record.pass - kFiveMinutePasses + 1;
  const std::int64_t first = cycle_of_pass(firstPass) == record.cycle ? cycle_minute_of_pass(firstPass) : 0;
  return {first, cycle_minute_of_pass(record.pass)};
}

ScanResult scan(const std::vector<const Checkpoint*>& records, const WindowPlace& place) {
  std::vector<double> z;
  for (const Checkpoint* record : records) {
    z.push_back(trial_z(record->ones, kFiveMinuteBits));
  }
  double sum = 0;
  for (std::size_t i = 0; i < kScanRecords; ++i) {
    sum += z[i];
  }
  std::size_t best = 0;
  double bestSum = sum;
  for (std::size_t first = 1; first + kScanRecords <= z.size(); ++first) {
    sum += z[first + kScanRecords - 1] - z[first - 1];
    if (std::abs(sum) > std::abs(bestSum)) {
      best = first;
      bestSum = sum;
    }
  }
  ScanResult result;
  result.firstMinute = minutes_of(*records[best]).first;
  result.lastMinute = minutes_of(*records[best + kScanRecords - 1]).second;
  result.score = std::abs(bestSum) / std::sqrt(static_cast<double>(kScanRecords));
  const std::int64_t from = std::max(result.firstMinute, place.startMinute + 1);
  const std::int64_t to = std::min(result.lastMinute, place.startMinute + kBiasWindowMinutes);
  result.overlapMinutes = std::max<std::int64_t>(0, to - from + 1);
  return result;
}

}  // namespace

bool record_in_window(const Checkpoint& record, const WindowPlace& place) {
  std::int64_t passesInside = 0;
  for (std::int64_t pass = record.pass - kFiveMinutePasses + 1; pass <= record.pass; ++pass) {
    passesInside += cycle_of_pass(pass) == record.cycle && in_window(place, cycle_minute_of_pass(pass)) ? 1 : 0;
  }
  return 2 * passesInside > kFiveMinutePasses;
}

WindowCheck check_windows(const StudyRun& run, const std::function<WindowPlace(std::int64_t cycle)>& place_of_cycle,
                          BoundarySettings settings) {
  WindowCheck check{{}, SeriesStatistics{}, 0, 0};
  SeriesAccumulator towardsBit(kFiveMinuteBits, settings);
  auto record = run.fiveMinutes.begin();
  for (std::int64_t cycle = 0; cycle < run.cycles(); ++cycle) {
    CycleWindow window{cycle, place_of_cycle(cycle), {}, {}, std::nullopt};
    SeriesAccumulator inside(kFiveMinuteBits, settings);
    SeriesAccumulator outside(kFiveMinuteBits, settings);
    std::vector<const Checkpoint*> records;
    for (; record != run.fiveMinutes.end() && record->cycle == cycle; ++record) {
      if (record_in_window(*record, window.place)) {
        inside.add(record->ones);
        towardsBit.add(window.place.bit == 1 ? record->ones : kFiveMinuteBits - record->ones);
      } else {
        outside.add(record->ones);
      }
      records.push_back(&*record);
    }
    window.inside = inside.statistics();
    window.outside = outside.statistics();
    if (records.size() >= kScanRecords) {
      window.scan = scan(records, window.place);
      ++check.scans;
      check.scansFound += window.scan->found() ? 1 : 0;
    }
    check.cycles.push_back(window);
  }
  check.insideTowardsBit = towardsBit.statistics();
  return check;
}

}  // namespace novabit::report
