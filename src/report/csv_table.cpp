#include "report/csv_table.h"

#include <cstdint>
#include <cstdio>

namespace novabit::report {

namespace {

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    return text;
  }
  std::string quoted = "\"";
  for (const char byte : text) {
    quoted += byte == '"' ? "\"\"" : std::string(1, byte);
  }
  return quoted + "\"";
}

std::string iso_date(const LocalTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", when.year, when.month, when.day);
  return text;
}

struct Row {
  const std::string& file;
  std::size_t line;
  const LocalTime& when;
  bool hasTime;
  const char* kind;
  std::int64_t pass;
  std::int64_t cycle;  // from 0
};

void add_row(std::string& table, const Row& row, const SeriesAccumulator* series, std::int64_t ones) {
  table += csv_field(row.file) + "," + std::to_string(row.line) + "," + iso_date(row.when) + "," +
           (row.hasTime ? time_text(row.when) : "") + "," + row.kind + "," + std::to_string(row.pass) + "," +
           std::to_string(row.cycle + 1) + ",";
  if (series != nullptr) {
    const SeriesStatistics& s = series->statistics();
    char figures[160];
    std::snprintf(figures, sizeof figures, "%lld,%lld,%.6f,%.0f,%.3f", static_cast<long long>(s.bitsPerTrial),
                  static_cast<long long>(ones), series->last_z(), s.deviation, s.envelope);
    table += figures;
  } else {
    table += ",,,,";
  }
  table += "\r\n";
}

}  // namespace

std::string csv_table(const FieldReport& report) {
  std::string table = std::string(kCsvHeader) + "\r\n";
  SeriesAccumulator fiveMinutes(kFiveMinuteBits, report.settings);
  SeriesAccumulator quarters(kQuarterBits, report.settings);
  for (const StudyRun& run : report.runs) {
    // The three kinds merged back into the order of the file.
    std::size_t f = 0, q = 0, c = 0;
    while (f < run.fiveMinutes.size() || q < run.quarters.size() || c < run.cycleEnds.size()) {
      const std::size_t fLine = f < run.fiveMinutes.size() ? run.fiveMinutes[f].line : SIZE_MAX;
      const std::size_t qLine = q < run.quarters.size() ? run.quarters[q].line : SIZE_MAX;
      const std::size_t cLine = c < run.cycleEnds.size() ? run.cycleEnds[c].line : SIZE_MAX;
      if (fLine < qLine && fLine < cLine) {
        const Checkpoint& record = run.fiveMinutes[f++];
        fiveMinutes.add(record.ones);
        add_row(table, {run.file, record.line, record.when, true, "five_minute", record.pass, record.cycle},
                &fiveMinutes, record.ones);
      } else if (qLine < cLine) {
        const Checkpoint& record = run.quarters[q++];
        quarters.add(record.ones);
        add_row(table, {run.file, record.line, record.when, true, "quarter", record.pass, record.cycle}, &quarters,
                record.ones);
      } else {
        const Checkpoint& record = run.cycleEnds[c++];
        add_row(table, {run.file, record.line, record.when, false, "cycle", record.pass, record.cycle}, nullptr, 0);
      }
    }
  }
  for (const TrialsSummary& trials : report.trials) {
    SeriesAccumulator seconds(kBitsPerPass, report.settings);
    for (const TrialSecond& second : trials.contents.seconds) {
      seconds.add(second.ones);
      add_row(table,
              {trials.file, second.line, second.local, true, "second", second.pass, cycle_of_pass(second.pass)},
              &seconds, second.ones);
    }
  }
  return table;
}

}  // namespace novabit::report
