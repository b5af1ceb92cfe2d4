#include "report/study_run.h"

#include <algorithm>

#include "report/log_time.h"

namespace novabit::report {

namespace {

// A quarter's ones against its three five-minute records: the two written
// before it and the one written after it, by the same pass.
void check_quarters(StudyRun& run) {
  for (const Checkpoint& quarter : run.quarters) {
    const auto last = static_cast<std::size_t>(quarter.pass / kFiveMinutePasses);
    if (last > run.fiveMinutes.size()) {
      continue;
    }
    std::int64_t ones = 0;
    for (std::size_t k = last - 3; k < last; ++k) {
      ones += run.fiveMinutes[k].ones;
    }
    ++run.quartersChecked;
    if (ones != quarter.ones) {
      run.notes.push_back({quarter.line,
                           "the quarter record of " + stamp(quarter.when) + " has " + std::to_string(quarter.ones) +
                               " ones, its five-minute records at lines " +
                               std::to_string(run.fiveMinutes[last - 3].line) + ", " +
                               std::to_string(run.fiveMinutes[last - 2].line) + " and " +
                               std::to_string(run.fiveMinutes[last - 1].line) + " add up to " + std::to_string(ones),
                           false});
    }
  }
}

}  // namespace

std::int64_t cycle_of_pass(std::int64_t pass) { return (pass - 1) / kPassesPerCycle; }
std::int64_t cycle_minute_of_pass(std::int64_t pass) { return (pass - 1) % kPassesPerCycle / kPassesPerMinute; }

std::optional<std::int64_t> StudyRun::start_seconds() const {
  const Checkpoint* first = nullptr;
  for (const std::vector<Checkpoint>* kind : {&fiveMinutes, &quarters}) {
    if (!kind->empty() && (first == nullptr || kind->front().line < first->line)) {
      first = &kind->front();
    }
  }
  if (first == nullptr) {
    return std::nullopt;
  }
  return local_seconds(first->when) - (first->pass - 1);
}

std::int64_t StudyRun::cycles() const {
  std::int64_t lastPass = 0;
  for (const std::vector<Checkpoint>* kind : {&fiveMinutes, &quarters}) {
    lastPass = kind->empty() ? lastPass : std::max(lastPass, kind->back().pass);
  }
  return std::max<std::int64_t>(static_cast<std::int64_t>(cycleEnds.size()),
                                lastPass == 0 ? 0 : cycle_of_pass(lastPass) + 1);
}

StudyRun place_records(std::string file, const StudyLogContents& contents) {
  StudyRun run;
  run.file = std::move(file);
  run.notes = contents.notes;
  for (const LineNote& note : contents.notes) {
    run.skippedLines += note.skipped ? 1 : 0;
  }
  for (const LogRecord& record : contents.records) {
    const auto fiveMinutesBefore = static_cast<std::int64_t>(run.fiveMinutes.size());
    std::vector<Checkpoint>* kind = &run.fiveMinutes;
    std::int64_t period = kFiveMinutePasses;
    std::string what;
    if (record.kind == RecordKind::quarter) {
      kind = &run.quarters;
      period = kQuarterPasses;
      what = "quarter record ";
    } else if (record.kind == RecordKind::cycle) {
      kind = &run.cycleEnds;
      period = kPassesPerCycle;
      what = "cycle record ";
    }
    const std::int64_t pass = (static_cast<std::int64_t>(kind->size()) + 1) * period;
    kind->push_back({record.line, record.when, pass, cycle_of_pass(pass), record.ones});
    what += std::to_string(kind->size());
    if (record.kind == RecordKind::five_minute) {
      continue;
    }
    // A quarter comes just before the five-minute record of its pass; a
    // cycle record just after the last five-minute record of its cycle.
    const std::int64_t expectedBefore = pass / kFiveMinutePasses - (record.kind == RecordKind::quarter ? 1 : 0);
    if (fiveMinutesBefore != expectedBefore) {
      run.notes.push_back({record.line,
                           what + " follows " + std::to_string(fiveMinutesBefore) + " five-minute records, not " +
                               std::to_string(expectedBefore) + ": records are missing or out of order",
                           false});
    }
    if (record.kind == RecordKind::cycle && record.cyclesCompleted != static_cast<std::int64_t>(kind->size())) {
      run.notes.push_back({record.line, what + " counts " + std::to_string(record.cyclesCompleted) + " cycles", false});
    }
  }
  check_quarters(run);
  std::stable_sort(run.notes.begin(), run.notes.end(),
                   [](const LineNote& a, const LineNote& b) { return a.line < b.line; });
  return run;
}

}  // namespace novabit::report
