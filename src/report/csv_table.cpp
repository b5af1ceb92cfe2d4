#include "report/csv_table.h"

#include "report/log_time.h"
#include "report/record_placer.h"

namespace novabit::report {

namespace {

void append_padded(std::string& text, int value, std::size_t width) {
  const std::string digits = std::to_string(value);
  text.append(digits.size() < width ? width - digits.size() : 0, '0');
  text += digits;
}

}  // namespace

Outcome CsvTable::add(const CsvRow& row) {
  std::string& text = row_;
  text.clear();
  const LocalTime when = local_time_of(row.stamp);
  const SeriesStatistics& s = row.series.statistics();
  append_field(text, row.file);
  text += ',';
  append_number(text, row.line);
  text += ',';
  append_padded(text, when.year, 4);
  text += '-';
  append_padded(text, when.month, 2);
  text += '-';
  append_padded(text, when.day, 2);
  text += ',' + time_text(when) + ',' + row.kind + ',';
  append_number(text, row.pass);
  text += ',';
  append_number(text, cycle_of_pass(row.pass));
  text += ',';
  append_number(text, s.bitsPerTrial);
  text += ',';
  append_number(text, row.ones);
  text += ',';
  append_number(text, row.series.last_z(), std::chars_format::fixed, 6);
  text += ',';
  append_number(text, s.deviation, std::chars_format::fixed, 0);
  text += ',';
  append_number(text, s.envelope, std::chars_format::fixed, 3);
  return file_.add(text);
}

}  // namespace novabit::report
