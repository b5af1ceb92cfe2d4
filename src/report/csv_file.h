#pragma once
// A CSV file (RFC 4180, for R, pandas or a spreadsheet) written as its rows
// come, in blocks: created with its header at the first row, so that a report
// without rows leaves no file.

#include <array>
#include <charconv>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "base/file_handles.h"

namespace novabit::report {

class CsvFile {
 public:
  CsvFile(std::string path, std::string header) : path_(std::move(path)), header_(std::move(header)) {}

  // One row, without its line end. A failure names the file.
  Outcome add(std::string_view row);
  Outcome close();

 private:
  std::string path_;
  std::string header_;
  StdioFile file_;
  std::string text_;
};

// A field, quoted when it holds a comma, a quote or a line end.
void append_field(std::string& text, std::string_view field);

// A number as std::to_chars writes it, e.g. with std::chars_format::fixed and the decimals.
template <typename Number, typename... Format>
void append_number(std::string& text, Number value, Format... format) {
  // Room for any double in fixed notation.
  std::array<char, 400> digits;
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value, format...);
  text.append(digits.data(), result.ptr);
}

}  // namespace novabit::report
