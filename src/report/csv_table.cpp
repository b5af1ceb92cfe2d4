#include "report/csv_table.h"

#include <array>
#include <charconv>

#include "report/log_time.h"
#include "report/record_placer.h"

namespace novabit::report {

namespace {

// Rows are gathered into blocks of about this size before each write.
constexpr std::size_t kBlockBytes = 1 << 16;

void add_field(std::string& text, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    text += field;
    return;
  }
  text += '"';
  for (const char byte : field) {
    text += byte;
    if (byte == '"') text += '"';
  }
  text += '"';
}

template <typename Number, typename... Format>
void add_number(std::string& text, Number value, Format... format) {
  // Room for any double in fixed notation.
  std::array<char, 400> digits;
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value, format...);
  text.append(digits.data(), result.ptr);
}

void add_padded(std::string& text, int value, std::size_t width) {
  const std::string digits = std::to_string(value);
  text.append(digits.size() < width ? width - digits.size() : 0, '0');
  text += digits;
}

}  // namespace

Outcome CsvTable::add(const CsvRow& row) {
  if (!file_) {
    file_.reset(std::fopen(path_.c_str(), "wb"));
    if (!file_) return system_failure(path_);
    text_ = std::string(kCsvHeader) + "\r\n";
  }
  const LocalTime when = local_time_of(row.stamp);
  const SeriesStatistics& s = row.series.statistics();
  add_field(text_, row.file);
  text_ += ',';
  add_number(text_, row.line);
  text_ += ',';
  add_padded(text_, when.year, 4);
  text_ += '-';
  add_padded(text_, when.month, 2);
  text_ += '-';
  add_padded(text_, when.day, 2);
  text_ += ',' + time_text(when) + ',' + row.kind + ',';
  add_number(text_, row.pass);
  text_ += ',';
  add_number(text_, cycle_of_pass(row.pass));
  text_ += ',';
  add_number(text_, s.bitsPerTrial);
  text_ += ',';
  add_number(text_, row.ones);
  text_ += ',';
  add_number(text_, row.series.last_z(), std::chars_format::fixed, 6);
  text_ += ',';
  add_number(text_, s.deviation, std::chars_format::fixed, 0);
  text_ += ',';
  add_number(text_, s.envelope, std::chars_format::fixed, 3);
  text_ += "\r\n";
  if (text_.size() >= kBlockBytes) {
    if (std::fwrite(text_.data(), 1, text_.size(), file_.get()) != text_.size()) return system_failure(path_);
    text_.clear();
  }
  return {};
}

Outcome CsvTable::close() {
  if (!file_) return {};
  if (std::fwrite(text_.data(), 1, text_.size(), file_.get()) != text_.size()) return system_failure(path_);
  text_.clear();
  return close_stdio(file_, path_);
}

}  // namespace novabit::report
