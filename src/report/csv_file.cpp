#include "report/csv_file.h"

namespace novabit::report {

namespace {

// Rows are gathered into blocks of about this size before each write.
constexpr std::size_t kBlockBytes = 1 << 16;

}  // namespace

Outcome CsvFile::add(std::string_view row) {
  if (!file_) {
    file_.reset(std::fopen(path_.c_str(), "wb"));
    if (!file_) return system_failure(path_);
    text_ = header_ + "\r\n";
  }
  text_.append(row).append("\r\n");
  if (text_.size() >= kBlockBytes) {
    if (std::fwrite(text_.data(), 1, text_.size(), file_.get()) != text_.size()) return system_failure(path_);
    text_.clear();
  }
  return {};
}

Outcome CsvFile::close() {
  if (!file_) return {};
  if (std::fwrite(text_.data(), 1, text_.size(), file_.get()) != text_.size()) return system_failure(path_);
  text_.clear();
  return close_stdio(file_, path_);
}

void append_field(std::string& text, std::string_view field) {
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

}  // namespace novabit::report
