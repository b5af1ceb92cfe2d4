#pragma once
// Everything the report shows, computed in one reading of every planned file,
// all of them merged in time order: the statistics of each 12-hour cycle and
// of the whole input, of the quarters, of the raw per-second records, and
// with a seal, of the hidden windows. Memory grows with the five-minute
// records (four bytes each, for the picture), never with the seconds.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "report/file_notes.h"
#include "report/report_plan.h"
#include "report/series_statistics.h"
#include "report/window_check.h"

namespace novabit::report {

struct RunReport {
  PlannedRun plan;
  FileNotes notes;
  std::optional<std::int64_t> start;  // the local time of pass 1 the records were placed from
  std::string placedBy;               // "placed by its stamps", ...
  std::int64_t fiveMinutes = 0;
  std::int64_t quarters = 0;
  std::int64_t cycleEnds = 0;
  std::int64_t damaged = 0;  // placed, but without figures
  std::int64_t quartersChecked = 0;
};

struct CycleSummary {
  std::size_t run = 0;
  std::int64_t cycle = 0;  // from 1
  Series fiveMinutes;      // crossed at a record's stamp
};

struct TrialsReport {
  PlannedFile plan;
  std::optional<std::size_t> run;
  FileNotes notes;
  Series seconds;                         // crossed at a pass
  std::map<std::int64_t, Series> cycles;  // by cycle number
  std::map<std::string, std::int64_t> alarms;
  std::int64_t alarmSeconds = 0;
};

struct SealedRun {
  std::size_t run = 0;
  std::string sealFile;
  WindowCheck windows;
  std::optional<Reproduction> replayed;  // nothing: proven by the raw record's commitment
};

// The five-minute records in the order read, for the picture.
struct PictureSeries {
  struct Boundary {
    std::size_t record = 0;  // the first record after it
    bool run = false;        // a run's start, else a cycle's
  };
  std::vector<std::int32_t> ones;
  std::vector<WindowShare> window;
  std::vector<Boundary> boundaries;
};

struct FieldReport {
  explicit FieldReport(BoundarySettings settings)
      : settings(settings), fiveMinutes(kFiveMinuteBits, settings), quarters(kQuarterBits, settings) {}

  BoundarySettings settings;
  std::vector<RunReport> runs;  // in time order
  std::vector<Overlap> overlaps;
  std::vector<CycleSummary> cycles;  // by run, then cycle
  Series fiveMinutes;                // crossed at a record's stamp
  Series quarters;
  std::vector<TrialsReport> trials;
  std::vector<SealedRun> sealed;
  std::vector<FileNote> leftOut;
  PictureSeries picture;

  bool any_record() const;
};

// Reads every file of `plan`, writing the CSV rows to `csvPath` on the way
// when given. A failure names the file.
Result<FieldReport> build_report(const ReportPlan& plan, BoundarySettings settings,
                                 const std::optional<std::string>& csvPath);

}  // namespace novabit::report
