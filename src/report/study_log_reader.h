#pragma once
// Reads a study log as a stream of records, from any writer of the format,
// line by line: a torn or foreign line is noted and skipped without
// disturbing the records around it. A record counts from its first line (the
// counts); its further lines are checked and noted when they do not fit. A
// record whose counts are damaged still gives its time, so that its place
// stays taken. Any run of blanks (spaces or tabs) separates fields wherever
// the format has blanks.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "experiment/record_forms.h"
#include "report/file_notes.h"
#include "report/line_source.h"

namespace novabit::report {

struct LogRecord {
  RecordKind kind = RecordKind::cycle;
  std::size_t line = 0;    // of its first line
  std::int64_t stamp = 0;  // local seconds (log_time.h); a cycle record's date at midnight
  bool counted = false;    // false: damaged, its figures unknown
  std::int32_t ones = 0;
  std::int64_t cyclesCompleted = 0;  // of a cycle record
  bool afterSkip = false;            // lines were left out since the record before
};

class StudyLogReader {
 public:
  StudyLogReader(LineSource& lines, FileNotes& notes) : lines_(lines), notes_(notes) {}

  // The next record; nothing at the end of the lines.
  Next<LogRecord> next();

 private:
  // The further lines the record being read still expects.
  void finish_record();

  LineSource& lines_;
  FileNotes& notes_;
  const RecordForm* open_ = nullptr;
  std::size_t openLine_ = 0;
  std::size_t matched_ = 0;
  bool afterSkip_ = false;
  bool lastSkipped_ = false;
  std::string collapsed_;  // the line being read, its blanks collapsed
};

}  // namespace novabit::report
