#include "report/report_plan.h"

#include <algorithm>
#include <cstdlib>

#include "experiment/experiment_numbers.h"
#include "keystream/random_key.h"
#include "report/log_time.h"
#include "report/record_placer.h"

namespace novabit::report {

namespace {

// How far a seal's start may lie from the start reckoned from a run's
// records: less than one five-minute period, or a whole number of them when
// the run's first records were lost.
constexpr std::int64_t kSealStartTolerance = kFiveMinutePasses - 1;
constexpr std::int64_t kLostRecordsAtStart = 3;

// When a file ends, then how early it begins: of one run's files the
// greatest is read.
std::pair<std::int64_t, std::int64_t> reach(const FileSurvey& file) {
  return {file.lastStamp, -file.start.value_or(file.lastStamp)};
}

// The surveys grouped by run; each group's file reaches furthest. Logs
// whose first records agree nowhere near each other's may still be one
// holding part of the other.
Result<std::vector<PlannedFile>> group_runs(const std::vector<FileSurvey>& surveys, bool logs) {
  std::vector<std::vector<const FileSurvey*>> groups;
  for (const FileSurvey& survey : surveys) {
    std::vector<const FileSurvey*>* joined = nullptr;
    for (auto& members : groups) {
      bool same = same_run(*members.front(), survey);
      if (!same && logs) {
        const Result<bool> within = one_within_other(*members.front(), survey);
        if (!within) return within.failure();
        same = *within;
      }
      if (same) {
        joined = &members;
        break;
      }
    }
    if (joined == nullptr) {
      groups.push_back({&survey});
    } else {
      joined->push_back(&survey);
    }
  }
  std::vector<PlannedFile> files;
  for (const auto& members : groups) {
    const FileSurvey* chosen = *std::max_element(members.begin(), members.end(),
                                                 [](const auto* a, const auto* b) { return reach(*a) < reach(*b); });
    PlannedFile file{chosen->file, chosen->path, {}, chosen->start, chosen->lastPass, chosen->head};
    for (const FileSurvey* member : members) {
      if (member == chosen) continue;
      // In the passes of the file read, the last to its period.
      const std::int64_t begins = member->start && chosen->start ? *member->start - *chosen->start + 1 : 1;
      const std::int64_t ends = chosen->start ? member->lastStamp - *chosen->start + 1 : member->lastPass;
      const std::int64_t period = logs ? kFiveMinutePasses : 1;
      file.copies.push_back({member->file, member->path, begins, (ends + period / 2) / period * period});
    }
    files.push_back(std::move(file));
  }
  return files;
}

// How far a run's start lies from a seal's, when the run may be the sealed one.
std::optional<std::int64_t> seal_distance(const PlannedRun& run, std::int64_t sealStart) {
  if (!run.log.start) return std::nullopt;
  const std::int64_t distance = *run.log.start - sealStart;
  const std::int64_t phase = (distance % kFiveMinutePasses + kFiveMinutePasses) % kFiveMinutePasses;
  const bool lostRecords = distance > 0 && distance <= kLostRecordsAtStart * kFiveMinutePasses + kStampTolerance &&
                           (phase <= kStampTolerance || phase >= kFiveMinutePasses - kStampTolerance);
  if (std::abs(distance) > kSealStartTolerance && !lostRecords) return std::nullopt;
  return std::abs(distance);
}

std::string sealed_run_text(const Seal& seal) {
  return "the seal of a run started " + stamp_text(local_seconds(seal.start)) +
         (seal.station.empty() ? "" : " at station " + seal.station);
}

// A seal whose replay reproduced the records of none of the runs it could
// belong to: refused unless every one of them has its own seal by the end.
struct UnprovenSeal {
  std::vector<std::size_t> runs;
  FileNote leftOut;
  Failure refusal;
};

class SealPlanner {
 public:
  explicit SealPlanner(ReportPlan& plan) : plan_(plan) {}

  Outcome add(const std::string& path) {
    const Result<Seal> read = read_seal_file(path);
    if (!read) return read.failure();
    const Seal& seal = *read;
    const auto sameKey = [&](const PlannedSeal& other) { return other.seal.key == seal.key; };
    if (std::any_of(plan_.seals.begin(), plan_.seals.end(), sameKey)) return {};
    const std::string commitment = key_commitment(seal.key);
    for (std::size_t r = 0; r < plan_.runs.size(); ++r) {
      if (committed(plan_.runs[r]) == commitment) {
        take(path, seal, r, std::nullopt);
        return {};
      }
    }
    const std::int64_t start = local_seconds(seal.start);
    // Runs that started about when the seal did and whose raw record, if any,
    // commits to no other key; the nearest first.
    std::vector<std::pair<std::int64_t, std::size_t>> candidates;
    for (std::size_t r = 0; r < plan_.runs.size(); ++r) {
      const std::optional<std::int64_t> distance = seal_distance(plan_.runs[r], start);
      if (distance && committed(plan_.runs[r]).empty()) candidates.emplace_back(*distance, r);
    }
    std::sort(candidates.begin(), candidates.end());
    const FileNote leftOut{path, "left out: " + sealed_run_text(seal) + ", which is none of the inputs"};
    if (seal.source.kind != SourceSpec::Kind::keyed && !candidates.empty()) {
      plan_.leftOut.push_back({path, "left out: its run drew its bits from " + source_text(seal.source) +
                                         ", so only its raw record's key_sha256 can prove its key"});
      return {};
    }
    UnprovenSeal unproven{{}, leftOut, Failure{"", 0}};
    for (const auto& [distance, r] : candidates) {
      if (sealed(r)) continue;
      const Result<Reproduction> found = reproduce_first_hour(path, seal, plan_.runs[r].log.path);
      if (!found) return found.failure();
      if (found->proven()) {
        take(path, seal, r, *found);
        return {};
      }
      if (unproven.runs.empty()) {
        unproven.refusal = Failure{path + ": its replay reproduces " + std::to_string(found->reproduced) +
                                       " of the first " + std::to_string(found->compared) + " records of " +
                                       plan_.runs[r].log.file + ": not the seal of that run",
                                   0};
      }
      unproven.runs.push_back(r);
    }
    if (unproven.runs.empty()) {
      plan_.leftOut.push_back(leftOut);
    } else {
      unproven_.push_back(std::move(unproven));
    }
    return {};
  }

  // The seals that proved no run: left out when each of their runs has its
  // own seal, else the first refused.
  Outcome finish() {
    for (const UnprovenSeal& seal : unproven_) {
      if (!std::all_of(seal.runs.begin(), seal.runs.end(), [&](std::size_t r) { return sealed(r); })) {
        return seal.refusal;
      }
      plan_.leftOut.push_back(seal.leftOut);
    }
    return {};
  }

 private:
  const std::string& committed(const PlannedRun& run) const {
    static const std::string kNone;
    return run.trials ? plan_.trials[*run.trials].head.keyCommitment : kNone;
  }
  bool sealed(std::size_t run) const {
    return std::any_of(plan_.seals.begin(), plan_.seals.end(),
                       [&](const PlannedSeal& seal) { return seal.run == run; });
  }
  void take(const std::string& path, const Seal& seal, std::size_t r, std::optional<Reproduction> replayed) {
    PlannedRun& run = plan_.runs[r];
    run.log.start = local_seconds(seal.start);
    run.startFrom = StartFrom::seal;
    plan_.seals.push_back({path, seal, r, replayed});
  }

  ReportPlan& plan_;
  std::vector<UnprovenSeal> unproven_;
};

std::int64_t end_of(const PlannedFile& file) { return *file.start + file.lastPass - 1; }

// Each input surveyed where it can be read again: itself, or its copy.
Result<std::vector<FileSurvey>> survey_inputs(const std::vector<std::string>& names, bool logs, InputSpool& spool) {
  std::vector<FileSurvey> surveys;
  for (const std::string& name : names) {
    const Result<std::string> path = spool.path_of(name, logs ? log_holds_record : trials_hold_record);
    if (!path) return path.failure();
    Result<FileSurvey> survey = logs ? survey_log(*path) : survey_trials(*path);
    if (!survey) return survey.failure();
    survey->file = name;
    surveys.push_back(std::move(*survey));
  }
  return surveys;
}

}  // namespace

Result<ReportPlan> plan_report(const std::vector<std::string>& logs, const std::vector<std::string>& trials,
                               const std::vector<std::string>& seals, std::FILE* terminal) {
  ReportPlan plan;
  plan.spool = std::make_shared<InputSpool>(terminal);
  const Result<std::vector<FileSurvey>> logSurveys = survey_inputs(logs, true, *plan.spool);
  if (!logSurveys) return logSurveys.failure();
  const Result<std::vector<FileSurvey>> trialsSurveys = survey_inputs(trials, false, *plan.spool);
  if (!trialsSurveys) return trialsSurveys.failure();
  Result<std::vector<PlannedFile>> logFiles = group_runs(*logSurveys, true);
  if (!logFiles) return logFiles.failure();
  for (PlannedFile& log : *logFiles) plan.runs.push_back({std::move(log), StartFrom::first_records, {}});
  // Runs without a start go last, by name.
  std::stable_sort(plan.runs.begin(), plan.runs.end(), [](const PlannedRun& a, const PlannedRun& b) {
    if (a.log.start.has_value() != b.log.start.has_value()) return a.log.start.has_value();
    return a.log.start ? *a.log.start < *b.log.start : a.log.file < b.log.file;
  });
  Result<std::vector<PlannedFile>> trialsFiles = group_runs(*trialsSurveys, false);
  if (!trialsFiles) return trialsFiles.failure();
  plan.trials = std::move(*trialsFiles);
  for (std::size_t t = 0; t < plan.trials.size(); ++t) {
    PlannedFile& file = plan.trials[t];
    for (PlannedRun& run : plan.runs) {
      if (!run.trials && file.start && run.log.start && std::abs(*run.log.start - *file.start) <= kStampTolerance) {
        run.trials = t;
        run.log.start = file.start;
        run.startFrom = StartFrom::raw_record;
        break;
      }
    }
  }
  SealPlanner sealPlanner(plan);
  for (const std::string& path : seals) {
    if (Outcome added = sealPlanner.add(path); !added) return added.failure();
  }
  if (Outcome finished = sealPlanner.finish(); !finished) return finished.failure();
  for (std::size_t second = 0; second < plan.runs.size(); ++second) {
    for (std::size_t first = 0; first < second; ++first) {
      const PlannedFile& a = plan.runs[first].log;
      const PlannedFile& b = plan.runs[second].log;
      if (a.start && b.start && end_of(a) >= *b.start) {
        plan.overlaps.push_back({first, second, *b.start, std::min(end_of(a), end_of(b))});
      }
    }
  }
  return plan;
}

}  // namespace novabit::report
