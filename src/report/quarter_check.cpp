#include "report/quarter_check.h"

#include <string>

#include "experiment/experiment_numbers.h"
#include "report/log_time.h"

namespace novabit::report {

void QuarterCheck::check(const Checkpoint& last) {
  const Checkpoint& quarter = *quarter_;
  const std::array<const std::optional<Checkpoint>*, 2> earlier{&before_[0], &before_[1]};
  for (std::size_t i = 0; i < earlier.size(); ++i) {
    const std::optional<Checkpoint>& record = *earlier[i];
    const std::int64_t pass = quarter.pass - static_cast<std::int64_t>(2 - i) * kFiveMinutePasses;
    if (!record || record->pass != pass || !record->counted) return;
  }
  if (!quarter.counted || !last.counted) return;
  ++checked_;
  const std::int64_t ones = std::int64_t{before_[0]->ones} + before_[1]->ones + last.ones;
  if (ones != quarter.ones) {
    notes_.add(quarter.line, false, [&] {
      return "the quarter record of " + stamp_text(quarter.stamp) + " has " + std::to_string(quarter.ones) +
             " ones, its five-minute records at lines " + std::to_string(before_[0]->line) + ", " +
             std::to_string(before_[1]->line) + " and " + std::to_string(last.line) + " add up to " +
             std::to_string(ones);
    });
  }
}

void QuarterCheck::add(const Checkpoint& record) {
  if (record.kind == RecordKind::quarter) {
    quarter_ = record;
  } else if (record.kind == RecordKind::five_minute) {
    if (quarter_ && quarter_->pass == record.pass) check(record);
    if (quarter_ && quarter_->pass <= record.pass) quarter_.reset();
    before_ = {before_[1], record};
  }
}

}  // namespace novabit::report
