#pragma once
// The seconds a run did not measure. A pass that begins more than a second
// after the one before it (the process was stopped, the machine suspended or
// short of time) leaves the seconds between without a pass; the pass that
// follows carries their number. Each gap is told without flooding the
// program's lines, as the health alarms are: the first at once, then at most
// one line a minute with the seconds and gaps since the last; the end of the
// run sums them all up.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "experiment/experiment_events.h"

namespace novabit {

class SkippedSeconds final : public ExperimentEvents {
 public:
  // `report` prints one line of the program's.
  explicit SkippedSeconds(std::function<void(const std::string&)> report) : report_(std::move(report)) {}

  void second_counted(const CountedSecond& second) override;

  // "14 seconds skipped in 3 gaps, the longest 9 s", or none.
  std::optional<std::string> summary() const;

 private:
  std::function<void(const std::string&)> report_;
  std::int64_t seconds_ = 0;
  std::int64_t gaps_ = 0;
  std::int64_t longest_ = 0;
  // The run's second (passes and skipped seconds so far) of the last line,
  // and what was skipped since then.
  std::optional<std::int64_t> toldAt_;
  std::int64_t untoldSeconds_ = 0;
  std::int64_t untoldGaps_ = 0;
};

}  // namespace novabit
