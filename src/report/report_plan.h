#pragma once
// What the report will read, decided before anything is counted: each run
// once (its copies, renamed files and replays set aside and named), in time
// order, with its raw record and its seal; where each run's pass 1 lies; and
// which different runs overlap in time. A seal is checked against the raw
// record's key commitment here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "report/run_survey.h"
#include "seal/seal.h"

namespace novabit::report {

// Where a run's pass 1 was taken from, best first.
enum class StartFrom { seal, raw_record, first_records };

// A file of the same run as the one read, left out.
struct Copy {
  std::string file;
  std::int64_t lastPass = 0;  // about where it ends
};

struct PlannedFile {
  std::string file;
  std::vector<Copy> copies;  // the same run in other files, or the same file again
  std::optional<std::int64_t> start;
  std::int64_t lastPass = 0;
  TrialsHead head;  // of a raw record
};

struct PlannedRun {
  PlannedFile log;
  StartFrom startFrom = StartFrom::first_records;
  std::optional<std::size_t> trials;  // its raw record
};

struct PlannedSeal {
  std::string file;
  Seal seal;
  std::size_t run = 0;
};

struct Overlap {
  std::size_t first = 0;  // runs, the earlier first
  std::size_t second = 0;
  std::int64_t from = 0;  // local seconds
  std::int64_t to = 0;
};

struct ReportPlan {
  std::vector<PlannedRun> runs;  // in time order
  std::vector<PlannedFile> trials;
  std::vector<PlannedSeal> seals;
  std::vector<Overlap> overlaps;  // of different runs
};

// A failure names the file: one that cannot be read, a seal that fits no run
// or whose key is not the one its run's raw record commits to.
Result<ReportPlan> plan_report(const std::vector<std::string>& logs, const std::vector<std::string>& trials,
                               const std::vector<std::string>& seals);

}  // namespace novabit::report
