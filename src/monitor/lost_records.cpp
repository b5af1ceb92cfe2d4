#include "monitor/lost_records.h"

#include <algorithm>

namespace novabit {

std::vector<LostRecords::FileLosses>::iterator LostRecords::find(const std::string& file) {
  return std::find_if(files_.begin(), files_.end(), [&](const FileLosses& losses) { return losses.file == file; });
}

void LostRecords::records_lost(const std::string& file, std::int64_t count, const Failure& why) {
  auto known = find(file);
  if (known == files_.end()) {
    report_(why.message() + "; the run goes on");
    known = files_.insert(files_.end(), {file, 0});
  }
  known->count += count;
}

void LostRecords::file_taken(const std::string& file, std::int64_t count, const std::string& what) {
  report_(what);
  auto known = find(file);
  if (known == files_.end()) known = files_.insert(files_.end(), {file, 0});
  known->count += count;
}

std::int64_t LostRecords::count(const std::string& file) const {
  const auto known =
      std::find_if(files_.begin(), files_.end(), [&](const FileLosses& losses) { return losses.file == file; });
  return known == files_.end() ? 0 : known->count;
}

std::optional<std::string> LostRecords::summary() const {
  std::string text;
  for (const FileLosses& losses : files_) {
    if (losses.count > 0) text += (text.empty() ? "" : ", ") + std::to_string(losses.count) + " of " + losses.file;
  }
  if (text.empty()) return std::nullopt;
  return "records lost: " + text;
}

}  // namespace novabit
