#include "report/seal_verify.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "experiment/experiment_numbers.h"
#include "report/log_stream.h"
#include "report/log_time.h"
#include "report/replay_bits.h"
#include "report/trials_reader.h"
#include "program/progress_bar.h"

namespace novabit::report {

namespace {

constexpr std::int64_t kPassesPerShow = 3600;

std::string difference(const char* what, std::int64_t ones, std::int64_t replayed) {
  return std::string(what) + " has " + std::to_string(ones) + " ones, the replay " + std::to_string(replayed);
}

}  // namespace

Result<Verification> verify_seal(const PlannedSeal& seal, const ReportPlan& plan, std::FILE* progress) {
  const PlannedRun& run = plan.runs[seal.run];
  const PlannedFile* trialsFile = run.trials ? &plan.trials[*run.trials] : nullptr;
  Verification verified{seal.file, run.log.file, trialsFile ? trialsFile->file : "", 0, 0, 0, 0, {}, {}};
  Result<std::unique_ptr<ReplayBits>> replay = ReplayBits::start(seal.file, seal.seal);
  if (!replay) return replay.failure();
  // What the analysis already noted about these files is not repeated.
  FileNotes ignored;
  Result<std::unique_ptr<LogStream>> log = LogStream::open(run.log.file, run.log.start, ignored);
  if (!log) return log.failure();
  std::unique_ptr<TrialsStream> trials;
  if (trialsFile) {
    Result<std::unique_ptr<TrialsStream>> opened = TrialsStream::open(trialsFile->file, ignored);
    if (!opened) return opened.failure();
    trials = std::move(*opened);
  }
  // The passes compared so far, shown now and then on a terminal.
  const std::int64_t total = std::max(run.log.lastPass, trialsFile ? trialsFile->lastPass : 0);
  std::optional<ProgressBar> bar;
  if (progress != nullptr) bar.emplace(progress, total);
  std::int64_t shown = 0;
  const auto begin = std::chrono::steady_clock::now();
  std::optional<Checkpoint> record = (*log)->next();
  std::optional<TrialSecond> second = trials ? trials->next() : std::nullopt;
  while (record || second) {
    // Both files in the order of their passes, a second before the records its pass writes.
    if (second && (!record || second->pass <= record->pass)) {
      ++verified.seconds;
      const std::int64_t replayed = (*replay)->ones_between(second->pass, second->pass);
      if (replayed == second->ones) {
        ++verified.secondsReproduced;
      } else {
        verified.trialsDifferences.add(second->line, false, [&] {
          return difference(("pass " + std::to_string(second->pass)).c_str(), second->ones, replayed);
        });
      }
      second = trials->next();
    } else {
      if (record->counted && record->kind != RecordKind::cycle) {
        const bool quarter = record->kind == RecordKind::quarter;
        const std::int64_t replayed =
            (*replay)->ones_between(record->pass - (quarter ? kQuarterPasses : kFiveMinutePasses) + 1, record->pass);
        ++verified.records;
        if (replayed == record->ones) {
          ++verified.recordsReproduced;
        } else {
          verified.logDifferences.add(record->line, false, [&] {
            return difference((std::string(quarter ? "the quarter" : "the five-minute") + " record of " +
                               stamp_text(record->stamp)).c_str(),
                              record->ones, replayed);
          });
        }
      }
      record = (*log)->next();
    }
    const std::int64_t pass = std::min(record ? record->pass : INT64_MAX, second ? second->pass : INT64_MAX);
    if (bar && (record || second) && pass >= shown + kPassesPerShow) {
      shown = std::min(pass, total);
      bar->show(shown, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
  }
  if (bar) {
    bar->show(total, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    bar->finish();
  }
  if ((*log)->failure()) return *(*log)->failure();
  if (trials && trials->failure()) return *trials->failure();
  return verified;
}

}  // namespace novabit::report
