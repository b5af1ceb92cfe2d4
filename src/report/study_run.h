#pragma once
// One run of the monitor as its study log tells it: every checkpoint record
// placed at its pass (the k-th five-minute record ends pass 300 k, the j-th
// quarter pass 900 j, the c-th cycle pass 43201 c) and so in its 12-hour
// cycle, with what does not fit that order noted.

#include <cstdint>
#include <string>
#include <vector>

#include "experiment/experiment_numbers.h"
#include "report/study_log_reader.h"

namespace novabit::report {

// The cycle (from 0) and its minute (0..720) of pass `pass` (from 1).
std::int64_t cycle_of_pass(std::int64_t pass);
std::int64_t cycle_minute_of_pass(std::int64_t pass);

struct Checkpoint {
  std::size_t line = 0;
  LocalTime when;
  std::int64_t pass = 0;   // the pass that wrote it: the last of its period
  std::int64_t cycle = 0;  // of that pass, from 0
  std::int64_t ones = 0;
};

struct StudyRun {
  std::string file;
  std::vector<Checkpoint> fiveMinutes;
  std::vector<Checkpoint> quarters;
  std::vector<Checkpoint> cycleEnds;  // `when` holds the date only
  std::vector<LineNote> notes;        // the reader's, then the order's and the quarters' checks
  std::int64_t skippedLines = 0;
  std::int64_t quartersChecked = 0;

  // The local time of pass 1, reckoned back from the first record; nothing
  // is known without one.
  std::optional<std::int64_t> start_seconds() const;
  std::int64_t cycles() const;  // begun, counting a partial last one
};

StudyRun place_records(std::string file, const StudyLogContents& contents);

}  // namespace novabit::report
