// The study log reader with arbitrary bytes, followed through the whole
// report. Every record must be a whole period with the larger count first
// and stand on a line of its own; no line is both a record and skipped.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

#include "fuzz_check.h"
#include "report/csv_table.h"
#include "report/field_report.h"
#include "report/study_log_reader.h"
#include "report/summary_text.h"

using novabit::fuzz::require;
using namespace novabit;
using namespace novabit::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const StudyLogContents contents = read_study_log(text);
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  std::set<std::size_t> recordLines;
  for (const LogRecord& record : contents.records) {
    require(record.line >= 1 && record.line <= lines, "a record's line is in the text");
    require(recordLines.insert(record.line).second, "one record per line");
    if (record.kind != RecordKind::cycle) {
      const std::int64_t bits = record.kind == RecordKind::quarter ? kQuarterBits : kFiveMinuteBits;
      require(record.zeros + record.ones == bits, "a record holds a whole period");
      require(record.zeros >= 0 && record.ones >= 0, "counts are not negative");
    }
  }
  for (const LineNote& note : contents.notes) {
    require(!note.skipped || recordLines.count(note.line) == 0, "a skipped line is no record");
  }
  const FieldReport report = build_report({place_records("log", contents)}, {}, BoundarySettings{});
  require(report.fiveMinutes.trials + report.quarters.trials <= static_cast<std::int64_t>(contents.records.size()),
          "every trial is a record");
  require(!summary_text(report).empty() && !csv_table(report).empty(), "the outputs are made");
  return 0;
}
