#pragma once
// What a run has met so far, as its metrics count it.

#include <cstdint>

namespace novabit {

struct MonitorCounts {
  std::int64_t studyLogRecordsLost = 0;
  std::int64_t rawRecordRowsLost = 0;
  std::int64_t sealRecordsLost = 0;
  std::int64_t latePasses = 0;
  bool sourceLate = false;
  bool sourceUp = false;
};

}  // namespace novabit
