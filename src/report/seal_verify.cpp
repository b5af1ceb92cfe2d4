#include "report/seal_verify.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "experiment/experiment_numbers.h"
#include "program/progress_bar.h"
#include "report/log_time.h"
#include "report/seal_proof.h"
#include "report/trials_reader.h"

namespace novabit::report {

namespace {

constexpr std::int64_t kPassesPerShow = 3600;

// How far the comparison is, shown now and then on a terminal.
class VerifyProgress {
 public:
  VerifyProgress(std::FILE* terminal, std::int64_t total) : total_(total) {
    if (terminal != nullptr) bar_.emplace(terminal, total);
  }
  void reached(std::int64_t pass) {
    if (bar_ && pass >= shown_ + kPassesPerShow) {
      shown_ = std::min(pass, total_);
      bar_->show(shown_, elapsed());
    }
  }
  void finish() {
    if (!bar_) return;
    bar_->show(total_, elapsed());
    bar_->finish();
  }

 private:
  double elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count(); }

  std::int64_t total_;
  std::optional<ProgressBar> bar_;
  std::int64_t shown_ = 0;
  std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
};

std::string difference(const char* what, std::int64_t ones, std::int64_t replayed) {
  return std::string(what) + " has " + std::to_string(ones) + " ones, the replay " + std::to_string(replayed);
}

void compare_second(const TrialSecond& second, Replay& replay, Verification& verified) {
  ++verified.seconds;
  const std::int64_t replayed = replay.ones_between(second.pass, second.pass);
  if (replayed == second.ones) {
    ++verified.secondsReproduced;
    return;
  }
  verified.trialsDifferences.add(second.line, false, [&] {
    return difference(("pass " + std::to_string(second.pass)).c_str(), second.ones, replayed);
  });
}

void compare_record(const Checkpoint& record, Replay& replay, Verification& verified) {
  const std::optional<bool> same = record_reproduced(record, replay);
  if (!same) return;
  ++verified.records;
  if (*same) {
    ++verified.recordsReproduced;
    return;
  }
  const bool quarter = record.kind == RecordKind::quarter;
  const std::int64_t period = quarter ? kQuarterPasses : kFiveMinutePasses;
  verified.logDifferences.add(record.line, false, [&] {
    return difference(
        (std::string(quarter ? "the quarter" : "the five-minute") + " record of " + stamp_text(record.stamp)).c_str(),
        record.ones, replay.ones_between(record.pass - period + 1, record.pass));
  });
}

}  // namespace

Result<Verification> verify_seal(const PlannedSeal& seal, const ReportPlan& plan, std::FILE* progress) {
  const PlannedRun& run = plan.runs[seal.run];
  const PlannedFile* trialsFile = run.trials ? &plan.trials[*run.trials] : nullptr;
  Verification verified{seal.file, run.log.file, trialsFile ? trialsFile->file : "", 0, 0, 0, 0, {}, {}};
  Result<std::unique_ptr<Replay>> replay = start_replay(seal.file, seal.seal);
  if (!replay) return replay.failure();
  // What the analysis already noted about these files is not repeated.
  FileNotes ignored;
  // Its records placed as the report placed them.
  std::optional<PassClock> clock;
  if (trialsFile) {
    Result<PassClock> read = PassClock::read(trialsFile->path);
    if (!read) return read.failure();
    clock = std::move(*read);
  }
  Result<std::unique_ptr<LogStream>> log =
      LogStream::open(run.log.path, run.log.start, ignored, clock ? &*clock : nullptr);
  if (!log) return log.failure();
  std::unique_ptr<TrialsStream> trials;
  if (trialsFile) {
    Result<std::unique_ptr<TrialsStream>> opened = TrialsStream::open(trialsFile->path, ignored);
    if (!opened) return opened.failure();
    trials = std::move(*opened);
  }
  VerifyProgress bar(progress, std::max(run.log.lastPass, trialsFile ? trialsFile->lastPass : 0));
  Next<Checkpoint> record = (*log)->next();
  Next<TrialSecond> second = trials ? trials->next() : std::nullopt;
  for (;;) {
    if (!record) return record.failure();
    if (!second) return second.failure();
    if (!*record && !*second) break;
    // Both files in the order of their passes, a second before the records its pass writes.
    if (*second && (!*record || (*second)->pass <= (*record)->pass)) {
      compare_second(**second, **replay, verified);
      second = trials->next();
    } else {
      compare_record(**record, **replay, verified);
      record = (*log)->next();
    }
    const auto pass = [](const auto& next) { return next && *next ? (*next)->pass : INT64_MAX; };
    if (const std::int64_t reached = std::min(pass(record), pass(second)); reached != INT64_MAX) bar.reached(reached);
  }
  bar.finish();
  return verified;
}

}  // namespace novabit::report
