#pragma once
// Reads the raw per-second record (the trials file) written beside a study
// log: comment lines, the header, then one line per pass. Lines that do not
// fit are noted and skipped.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "experiment/experiment_numbers.h"
#include "experiment/trials_format.h"
#include "report/line_notes.h"
#include "textio/formatting.h"

namespace novabit::report {


struct TrialSecond {
  std::int64_t pass = 0;
  LocalTime local;
  std::int32_t ones = 0;
  bool alarm = false;
  std::size_t line = 0;
};

struct TrialsContents {
  std::string source;  // from "# source=", when given
  std::vector<TrialSecond> seconds;
  std::map<std::string, std::int64_t> alarms;  // how often each health test fired
  std::vector<LineNote> notes;
};

TrialsContents read_trials(std::string_view text);

}  // namespace novabit::report
