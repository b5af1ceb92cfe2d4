#pragma once
// Everything the report shows, computed once from the runs read: the
// statistics of each 12-hour cycle and of the whole input, of the quarters,
// of the raw per-second records, and with a seal, of the hidden windows.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/series_statistics.h"
#include "report/study_run.h"
#include "report/trials_reader.h"
#include "report/window_check.h"

namespace novabit::report {

struct CycleSummary {
  std::size_t run = 0;     // index into FieldReport::runs
  std::int64_t cycle = 0;  // from 0 within its run
  std::size_t firstRecord = 0;  // index of its first five-minute record in the whole series
  SeriesStatistics fiveMinutes;
};

struct SecondsCycle {
  std::int64_t firstPass = 0;
  SeriesStatistics seconds;
};

struct TrialsSummary {
  std::string file;
  TrialsContents contents;
  SeriesStatistics seconds;
  std::vector<SecondsCycle> cycles;      // the seconds of each 12-hour cycle, by their pass
  std::int64_t alarmSeconds = 0;         // seconds with any health alarm
};

struct SealedRun {
  std::size_t run = 0;
  std::string sealFile;
  WindowCheck windows;
};

struct FieldReport {
  BoundarySettings settings;
  std::vector<StudyRun> runs;  // in time order
  std::vector<CycleSummary> cycles;
  SeriesStatistics fiveMinutes;  // every five-minute record, in time order
  SeriesStatistics quarters;
  std::vector<TrialsSummary> trials;
  std::vector<SealedRun> sealed;

  // Record `index` of the whole series of one kind, e.g. &StudyRun::quarters;
  // null past its end.
  const Checkpoint* record_at(std::vector<Checkpoint> StudyRun::*series, std::size_t index) const;
};

// Puts the runs in time order (runs without records last, by name) and
// computes every figure but the windows.
FieldReport build_report(std::vector<StudyRun> runs, std::vector<TrialsSummary> trials, BoundarySettings settings);

// The statistics of one trials file's seconds.
TrialsSummary summarize_trials(std::string file, TrialsContents contents, BoundarySettings settings);

}  // namespace novabit::report
