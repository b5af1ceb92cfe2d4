#pragma once
// Reads a study log back into its records, from any writer of the format:
// line by line, so that a torn or foreign line is noted and skipped without
// disturbing the records around it. A record counts from its first line (the
// counts); its further lines are checked and noted when they do not fit.

#include <cstdint>
#include <string_view>
#include <vector>

#include "experiment/checkpoint_arithmetic.h"
#include "experiment/record_forms.h"
#include "report/line_notes.h"
#include "textio/formatting.h"

namespace novabit::report {

struct LogRecord {
  RecordKind kind = RecordKind::cycle;
  std::size_t line = 0;  // of its first line
  LocalTime when;        // a cycle record has a date only
  Leaning leaning = Leaning::balance;
  std::int64_t zeros = 0;
  std::int64_t ones = 0;
  std::int64_t cyclesCompleted = 0;  // cycle record
};

struct StudyLogContents {
  std::vector<LogRecord> records;
  std::vector<LineNote> notes;
};

StudyLogContents read_study_log(std::string_view text);

}  // namespace novabit::report
