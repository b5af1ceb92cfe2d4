#pragma once
// Reads a study log back against the exact shape of its records: every line
// of every kind and form byte for byte apart from its figures, and the
// figures against what the log of any run must hold: counts in their zone
// columns that add up to a whole period, the larger count first, a leading
// side's average always shown, a global average shown as "--.--" exactly while
// its side has won no quarter, and cycle numbers counting up from 1.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novabit::testing {

enum class LogRecordKind { quarter, five_minute, cycle };

struct LogRecord {
  LogRecordKind kind = LogRecordKind::cycle;
  std::string date;  // "MM-DD-YYYY"
  std::string time;  // "HH:MM:SS"; empty in a cycle record
  // The counts of a checkpoint record, whichever the log names first.
  std::int64_t zeros = 0;
  std::int64_t ones = 0;
  std::int64_t cyclesCompleted = 0;  // a cycle record's number
};

struct StudyLogCheck {
  // The well-formed records from the start of the log, in order.
  std::vector<LogRecord> records;
  // The bytes those records take; the rest of the log is malformed.
  std::size_t wellFormedBytes = 0;
  // The first line that breaks the shape, as "line N: what is wrong: the
  // line", or nothing when the whole log is well formed.
  std::optional<std::string> malformed;

  std::size_t count(LogRecordKind kind) const;
};

// `log` is the whole file, from its first byte.
StudyLogCheck check_study_log(std::string_view log);

}  // namespace novabit::testing
