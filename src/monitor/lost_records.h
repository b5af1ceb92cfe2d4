#pragma once
// The records each file of a run lost, as its writers tell them: the first
// failure of each file is reported at once, naming the file and the reason,
// and the end of the run names every file that lost records, with how many.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "textio/record_losses.h"

namespace novabit {

class LostRecords final : public RecordLosses {
 public:
  // `report` prints one line of the program's.
  explicit LostRecords(std::function<void(const std::string&)> report) : report_(std::move(report)) {}

  void records_lost(const std::string& file, std::int64_t count, const Failure& why) override;
  void file_taken(const std::string& file, std::int64_t count, const std::string& what) override;

  // The records `file` lost so far.
  std::int64_t count(const std::string& file) const;
  // True once any file failed, even without losing a record.
  bool any() const { return !files_.empty(); }
  // "records lost: 3 of estudio_..., 120 of estudio_....trials.csv", or none.
  std::optional<std::string> summary() const;

 private:
  struct FileLosses {
    std::string file;
    std::int64_t count = 0;
  };

  std::vector<FileLosses>::iterator find(const std::string& file);

  std::function<void(const std::string&)> report_;
  std::vector<FileLosses> files_;  // in the order of their first failures
};

}  // namespace novabit
