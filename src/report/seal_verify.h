#pragma once
// With a run's seal, the proof that its files hold what the run counted: the
// run is replayed from its sealed key and every counted
// five-minute and quarter record of its log, and every second of its raw
// record, is compared with the replay. A difference is a tampered or
// corrupted record.

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/failure.h"
#include "report/file_notes.h"
#include "report/report_plan.h"

namespace novabit::report {

struct Verification {
  std::string sealFile;
  std::string logFile;
  std::string trialsFile;  // empty without a raw record
  std::int64_t records = 0;
  std::int64_t recordsReproduced = 0;
  std::int64_t seconds = 0;
  std::int64_t secondsReproduced = 0;
  FileNotes logDifferences;
  FileNotes trialsDifferences;

  bool differs() const { return recordsReproduced < records || secondsReproduced < seconds; }
};

// `progress`, when not null, is a terminal that shows how far the replay is.
// A failure names the file.
Result<Verification> verify_seal(const PlannedSeal& seal, const ReportPlan& plan, std::FILE* progress);

}  // namespace novabit::report
