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

// The surveys grouped by run; each group's file reaches furthest.
std::vector<PlannedFile> group_runs(const std::vector<FileSurvey>& surveys) {
  std::vector<std::vector<const FileSurvey*>> groups;
  for (const FileSurvey& survey : surveys) {
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const auto& members) { return same_run(*members.front(), survey); });
    if (group == groups.end()) {
      groups.push_back({&survey});
    } else {
      group->push_back(&survey);
    }
  }
  std::vector<PlannedFile> files;
  for (const auto& members : groups) {
    const FileSurvey* chosen = *std::max_element(
        members.begin(), members.end(), [](const auto* a, const auto* b) { return a->lastPass < b->lastPass; });
    PlannedFile file{chosen->file, {}, chosen->start, chosen->lastPass, chosen->head};
    for (const FileSurvey* member : members) {
      if (member != chosen) file.copies.push_back({member->file, member->lastPass});
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

Result<PlannedSeal> place_seal(const std::string& path, const ReportPlan& plan) {
  const Result<Seal> read = read_seal_file(path);
  if (!read) return read.failure();
  const std::int64_t start = local_seconds(read->start);
  std::optional<std::size_t> nearest;
  std::int64_t nearestDistance = 0;
  for (std::size_t r = 0; r < plan.runs.size(); ++r) {
    const std::optional<std::int64_t> distance = seal_distance(plan.runs[r], start);
    if (distance && (!nearest || *distance < nearestDistance)) {
      nearest = r;
      nearestDistance = *distance;
    }
  }
  if (!nearest) return Failure{path + ": no run of the input started at " + stamp_text(start), 0};
  const PlannedRun& run = plan.runs[*nearest];
  if (run.trials) {
    const PlannedFile& trials = plan.trials[*run.trials];
    const std::string& commitment = trials.head.keyCommitment;
    if (!commitment.empty() && commitment != key_commitment(read->key)) {
      return Failure{
          path + ": its key is not the one " + trials.file + " commits to (key_sha256): the seal of another run", 0};
    }
  }
  for (const PlannedSeal& other : plan.seals) {
    if (other.run == *nearest && other.seal.key != read->key) {
      return Failure{
          path + ": a second seal, with another key, for the run of " + run.log.file + " (" + other.file + ")", 0};
    }
  }
  return PlannedSeal{path, *read, *nearest};
}

std::int64_t end_of(const PlannedFile& file) { return *file.start + file.lastPass - 1; }

}  // namespace

Result<ReportPlan> plan_report(const std::vector<std::string>& logs, const std::vector<std::string>& trials,
                               const std::vector<std::string>& seals) {
  std::vector<FileSurvey> logSurveys;
  for (const std::string& path : logs) {
    Result<FileSurvey> survey = survey_log(path);
    if (!survey) return survey.failure();
    logSurveys.push_back(std::move(*survey));
  }
  std::vector<FileSurvey> trialsSurveys;
  for (const std::string& path : trials) {
    Result<FileSurvey> survey = survey_trials(path);
    if (!survey) return survey.failure();
    trialsSurveys.push_back(std::move(*survey));
  }
  ReportPlan plan;
  for (PlannedFile& log : group_runs(logSurveys)) plan.runs.push_back({std::move(log), StartFrom::first_records, {}});
  // Runs without a start go last, by name.
  std::stable_sort(plan.runs.begin(), plan.runs.end(), [](const PlannedRun& a, const PlannedRun& b) {
    if (a.log.start.has_value() != b.log.start.has_value()) return a.log.start.has_value();
    return a.log.start ? *a.log.start < *b.log.start : a.log.file < b.log.file;
  });
  plan.trials = group_runs(trialsSurveys);
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
  for (const std::string& path : seals) {
    Result<PlannedSeal> seal = place_seal(path, plan);
    if (!seal) return seal.failure();
    const bool copy = std::any_of(plan.seals.begin(), plan.seals.end(), [&](const PlannedSeal& other) {
      return other.run == seal->run && other.seal.key == seal->seal.key;
    });
    if (copy) continue;
    PlannedRun& run = plan.runs[seal->run];
    run.log.start = local_seconds(seal->seal.start);
    run.startFrom = StartFrom::seal;
    plan.seals.push_back(std::move(*seal));
  }
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
