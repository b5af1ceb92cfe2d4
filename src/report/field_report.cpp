#include "report/field_report.h"

#include <algorithm>
#include <map>

namespace novabit::report {

const Checkpoint* FieldReport::record_at(std::vector<Checkpoint> StudyRun::*series, std::size_t index) const {
  for (const StudyRun& run : runs) {
    const std::vector<Checkpoint>& records = run.*series;
    if (index < records.size()) {
      return &records[index];
    }
    index -= records.size();
  }
  return nullptr;
}

FieldReport build_report(std::vector<StudyRun> runs, std::vector<TrialsSummary> trials, BoundarySettings settings) {
  std::stable_sort(runs.begin(), runs.end(), [](const StudyRun& a, const StudyRun& b) {
    const std::optional<std::int64_t> startA = a.start_seconds();
    const std::optional<std::int64_t> startB = b.start_seconds();
    if (startA.has_value() != startB.has_value()) {
      return startA.has_value();
    }
    return startA ? *startA < *startB : a.file < b.file;
  });
  FieldReport report;
  report.settings = settings;
  report.runs = std::move(runs);
  report.trials = std::move(trials);
  SeriesAccumulator all(kFiveMinuteBits, settings);
  SeriesAccumulator quarters(kQuarterBits, settings);
  std::size_t index = 0;
  for (std::size_t r = 0; r < report.runs.size(); ++r) {
    const StudyRun& run = report.runs[r];
    auto record = run.fiveMinutes.begin();
    for (std::int64_t cycle = 0; cycle < run.cycles(); ++cycle) {
      SeriesAccumulator cycleSeries(kFiveMinuteBits, settings);
      const std::size_t first = index;
      for (; record != run.fiveMinutes.end() && record->cycle == cycle; ++record, ++index) {
        cycleSeries.add(record->ones);
        all.add(record->ones);
      }
      report.cycles.push_back({r, cycle, first, cycleSeries.statistics()});
    }
    for (const Checkpoint& quarter : run.quarters) {
      quarters.add(quarter.ones);
    }
  }
  report.fiveMinutes = all.statistics();
  report.quarters = quarters.statistics();
  return report;
}

TrialsSummary summarize_trials(std::string file, TrialsContents contents, BoundarySettings settings) {
  SeriesAccumulator seconds(kBitsPerPass, settings);
  // Only the cycles the file has seconds in: its pass numbers may jump far.
  struct CycleSeconds {
    std::int64_t firstPass;
    SeriesAccumulator seconds;
  };
  std::map<std::int64_t, CycleSeconds> cycles;
  std::int64_t alarmSeconds = 0;
  for (const TrialSecond& second : contents.seconds) {
    seconds.add(second.ones);
    const std::int64_t number = cycle_of_pass(second.pass);
    auto cycle = cycles.find(number);
    if (cycle == cycles.end()) {
      cycle = cycles.try_emplace(number, CycleSeconds{second.pass, SeriesAccumulator(kBitsPerPass, settings)}).first;
    }
    cycle->second.seconds.add(second.ones);
    alarmSeconds += second.alarm ? 1 : 0;
  }
  std::vector<SecondsCycle> cycleStatistics;
  for (const auto& [number, cycle] : cycles) {
    cycleStatistics.push_back({cycle.firstPass, cycle.seconds.statistics()});
  }
  return {std::move(file), std::move(contents), seconds.statistics(), std::move(cycleStatistics), alarmSeconds};
}

}  // namespace novabit::report
