#pragma once
// The positive control: with the hidden window of every cycle revealed, the
// five-minute records inside it and outside it, and whether a blind scan for
// the strongest 99-minute stretch finds it. Fed one record at a time, in pass
// order, so that it holds one cycle's records at most.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "experiment/experiment_numbers.h"
#include "report/record_placer.h"
#include "report/series_statistics.h"

namespace novabit::report {

// Five-minute records in a scanned stretch: the window's minutes rounded up.
inline constexpr std::size_t kScanRecords =
    (kBiasWindowMinutes * kPassesPerMinute + kFiveMinutePasses - 1) / kFiveMinutePasses;

struct WindowPlace {
  std::int64_t startMinute = 0;  // forcing in the kBiasWindowMinutes cycle minutes after it
  int bit = 0;
};

struct ScanResult {
  std::int64_t firstMinute = 0;  // the cycle minutes the stretch covers whole
  std::int64_t lastMinute = 0;
  double score = 0;                 // |sum z| / sqrt(m)
  std::int64_t overlapMinutes = 0;  // minutes of the window it covers whole
  bool found() const { return 2 * overlapMinutes > kBiasWindowMinutes; }
};

// A record is inside a window when more than half its passes were in it, and
// outside otherwise: a record at an edge counts on the side of most of its passes.
enum class WindowShare { outside, inside };

struct CycleWindow {
  std::int64_t cycle = 0;  // from 1
  WindowPlace place;
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

// Where the five-minute record ending at `pass` lay against the window of its cycle.
WindowShare window_share(std::int64_t pass, const WindowPlace& place);

class WindowChecker {
 public:
  // The window of each cycle, numbered from 1.
  WindowChecker(std::function<WindowPlace(std::int64_t cycle)> placeOfCycle, BoundarySettings settings);

  // A counted five-minute record.
  WindowShare add(const Checkpoint& record);
  // Closes the last cycle.
  const WindowCheck& finish();

 private:
  struct Record {
    std::int64_t pass;
    double z;
  };
  void close_cycle();

  std::function<WindowPlace(std::int64_t)> placeOfCycle_;
  BoundarySettings settings_;
  WindowCheck check_;
  SeriesAccumulator towards_;
  std::optional<CycleWindow> cycle_;
  std::optional<SeriesAccumulator> inside_;
  std::optional<SeriesAccumulator> outside_;
  std::vector<Record> records_;
};

}  // namespace novabit::report
