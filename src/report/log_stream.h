#pragma once
// A study log read from its file as a stream of records placed at their
// passes, in pass order, with its quarters checked on the way: the whole
// reading of one log, in bounded memory.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "report/line_source.h"
#include "report/quarter_check.h"
#include "report/record_placer.h"
#include "report/study_log_reader.h"

namespace novabit::report {

class LogStream {
 public:
  // `start` and `clock` as RecordPlacer takes them. A failure names the file.
  static Result<std::unique_ptr<LogStream>> open(const std::string& path, std::optional<std::int64_t> start,
                                                 FileNotes& notes, const PassClock* clock = nullptr);
  LogStream(LineSource lines, std::optional<std::int64_t> start, FileNotes& notes, const PassClock* clock = nullptr);
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;

  Next<Checkpoint> next();
  std::optional<std::int64_t> start() const { return placer_.start(); }
  std::string placed_by() const { return placer_.placed_by(); }
  std::int64_t quarters_checked() const { return quarters_.checked(); }

 private:
  LineSource lines_;
  StudyLogReader reader_;
  RecordPlacer placer_;
  QuarterCheck quarters_;
};

}  // namespace novabit::report
