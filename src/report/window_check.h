#pragma once
// The positive control: with the hidden window of every cycle revealed, the
// five-minute records inside it and outside it, and whether a blind scan for
// the strongest 99-minute stretch finds it.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "experiment/experiment_numbers.h"
#include "report/series_statistics.h"
#include "report/study_run.h"

namespace novabit::report {

// Five-minute records in a scanned stretch: the window's minutes rounded up.
inline constexpr std::size_t kScanRecords =
    (kBiasWindowMinutes * kPassesPerMinute + kFiveMinutePasses - 1) / kFiveMinutePasses;

struct WindowPlace {
  std::int64_t startMinute = 0;  // forcing in the kBiasWindowMinutes cycle minutes after it
  int bit = 0;
};

struct ScanResult {
  std::int64_t firstMinute = 0;  // cycle minutes the stretch covers
  std::int64_t lastMinute = 0;
  double score = 0;              // |sum z| / sqrt(m)
  std::int64_t overlapMinutes = 0;
  bool found() const { return 2 * overlapMinutes > kBiasWindowMinutes; }
};

struct CycleWindow {
  std::int64_t cycle = 0;
  WindowPlace place;
  // A record counts as inside when more than half its passes were in the window.
  SeriesStatistics inside;
  SeriesStatistics outside;
  std::optional<ScanResult> scan;  // none in a cycle shorter than a stretch
};

struct WindowCheck {
  std::vector<CycleWindow> cycles;
  // The records inside every window, each turned towards its forced value.
  SeriesStatistics insideTowardsBit;
  std::int64_t scansFound = 0;
  std::int64_t scans = 0;
};

// More than half the record's passes lay in the window of the record's cycle.
bool record_in_window(const Checkpoint& record, const WindowPlace& place);

WindowCheck check_windows(const StudyRun& run, const std::function<WindowPlace(std::int64_t cycle)>& place_of_cycle,
                          BoundarySettings settings);

}  // namespace novabit::report
