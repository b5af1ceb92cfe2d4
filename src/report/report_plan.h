#pragma once
// What the report will read, decided before anything is counted: each run
// once (its copies, renamed files and replays set aside and named), in time
// order, with its raw record and its seal; where each run's pass 1 lies; and
// which different runs overlap in time. A seal finds its run by the raw
// record's key commitment, or by a replay of its first hour that reproduces
// its records; a seal whose run is not among the inputs is left out.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "report/file_notes.h"
#include "report/input_spool.h"
#include "report/run_survey.h"
#include "report/seal_proof.h"
#include "seal/seal.h"

namespace novabit::report {

// Where a run's pass 1 was taken from, best first.
enum class StartFrom { seal, raw_record, first_records };

// A file of the same run as the one read, left out.
struct Copy {
  std::string file;
  std::string path;            // where it is read
  std::int64_t firstPass = 1;  // about where it begins and ends, in the passes of the file read
  std::int64_t lastPass = 0;
};

struct PlannedFile {
  std::string file;
  std::string path;          // where it is read: the file, or its copy (input_spool.h)
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
  // How its key was proven the run's: by the raw record's commitment, or by
  // a replay of the log's first records.
  std::optional<Reproduction> replayed;
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
  std::vector<FileNote> leftOut;  // seals of runs not among the inputs
  // The copies of the inputs that can be read only once, for as long as the plan is read.
  std::shared_ptr<InputSpool> spool;
};

// A failure names the file: one that cannot be read, or a seal that a run
// without a raw record could be sealed by but whose replay does not reproduce
// that run's records.
// `terminal`, when not null, hears of an input that sends nothing for a while.
Result<ReportPlan> plan_report(const std::vector<std::string>& logs, const std::vector<std::string>& trials,
                               const std::vector<std::string>& seals, std::FILE* terminal = nullptr);

}  // namespace novabit::report
