#pragma once
// Keeps the ones each pass of a run counted, forced bits included, as sums
// running over the latest passes, so that the period of any record can be
// asked for while the run goes on.

#include <cstdint>
#include <deque>

#include "experiment/experiment_events.h"
#include "experiment/experiment_numbers.h"

namespace novabit {

class PassOnes final : public ExperimentEvents {
 public:
  static constexpr std::int64_t kPassesKept = 2 * kQuarterPasses;

  void second_counted(const CountedSecond& second) override { cumulative_.push_back(cumulative_.back() + second.ones); }
  // The passes counted so far.
  std::int64_t passes() const { return base_ + static_cast<std::int64_t>(cumulative_.size()) - 1; }
  // The ones of passes `first` to `last`, both counted. Passes are asked for
  // in rising order, `first` at most kPassesKept before the latest `last`.
  std::int64_t ones_between(std::int64_t first, std::int64_t last);

 private:
  // The ones of passes 0 (none) to base_ + size - 1, added up.
  std::deque<std::int64_t> cumulative_{0};
  std::int64_t base_ = 0;
};

}  // namespace novabit
