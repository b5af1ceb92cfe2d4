#pragma once
// Each quarter record against its three five-minute records: the two written
// before it and the one its own pass writes just after it. A quarter that
// does not equal them is noted; one without all three is not checked.

#include <array>
#include <cstdint>
#include <optional>

#include "report/file_notes.h"
#include "report/record_placer.h"

namespace novabit::report {

class QuarterCheck {
 public:
  explicit QuarterCheck(FileNotes& notes) : notes_(notes) {}

  // The records in the order of their passes.
  void add(const Checkpoint& record);
  std::int64_t checked() const { return checked_; }

 private:
  void check(const Checkpoint& last);

  FileNotes& notes_;
  std::array<std::optional<Checkpoint>, 2> before_;  // the last two five-minute records, earlier first
  std::optional<Checkpoint> quarter_;                // waiting for the five-minute record of its pass
  std::int64_t checked_ = 0;
};

}  // namespace novabit::report
