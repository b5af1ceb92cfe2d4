#include "report/seal_proof.h"

#include "experiment/experiment_numbers.h"
#include "replay/replay_clocks.h"
#include "report/log_time.h"

namespace novabit::report {

Result<std::unique_ptr<Replay>> start_replay(const std::string& sealFile, const Seal& seal) {
  if (seal.source.kind != SourceSpec::Kind::keyed) {
    return Failure{sealFile + ": the replay needs a run of the keyed generator; this run's bits came from " +
                       source_text(seal.source),
                   0};
  }
  // Its clocks only stamp the replay's own study log; a start that is no
  // local time here changes no count.
  Result<std::unique_ptr<Replay>> replay = Replay::start(seal.key, sealed_clocks(seal).value_or(ReplayClocks{}));
  if (!replay) return replay.failure().after(sealFile + ": the replay ");
  return replay;
}

std::optional<bool> record_reproduced(const Checkpoint& record, Replay& replay) {
  if (!record.counted || record.kind == RecordKind::cycle) return std::nullopt;
  const std::int64_t period = record.kind == RecordKind::quarter ? kQuarterPasses : kFiveMinutePasses;
  return replay.ones_between(record.pass - period + 1, record.pass) == record.ones;
}

Result<Reproduction> reproduce_first_hour(const std::string& sealFile, const Seal& seal, const std::string& logFile) {
  Result<std::unique_ptr<Replay>> replay = start_replay(sealFile, seal);
  if (!replay) return replay.failure();
  FileNotes ignored;
  Result<std::unique_ptr<LogStream>> log = LogStream::open(logFile, local_seconds(seal.start), ignored);
  if (!log) return log.failure();
  Reproduction found;
  while (found.compared < kProofRecords) {
    const Next<Checkpoint> record = (*log)->next();
    if (!record) return record.failure();
    if (!*record) break;
    if (const std::optional<bool> same = record_reproduced(**record, **replay)) {
      ++found.compared;
      found.reproduced += *same ? 1 : 0;
    }
  }
  return found;
}

}  // namespace novabit::report
