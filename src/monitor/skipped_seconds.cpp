#include "monitor/skipped_seconds.h"

#include <algorithm>

#include "sources/watched_bits.h"

namespace novabit {

namespace {

std::string counted(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

void SkippedSeconds::second_counted(const CountedSecond& second) {
  const std::int64_t skipped = second.marks.skippedBefore;
  if (skipped > 0) {
    seconds_ += skipped;
    gaps_ += 1;
    longest_ = std::max(longest_, skipped);
    untoldSeconds_ += skipped;
    untoldGaps_ += 1;
  }
  const std::int64_t runSecond = second.pass + seconds_;
  if (untoldGaps_ == 0 || (toldAt_ && runSecond - *toldAt_ < kAlarmLineSpacingSeconds)) return;
  report_(counted(untoldSeconds_, "second", "seconds") + " without a pass" +
          (untoldGaps_ > 1 ? " in " + counted(untoldGaps_, "gap", "gaps") : std::string()) + " before pass " +
          std::to_string(second.pass) + ": the run was stopped, suspended or starved");
  toldAt_ = runSecond;
  untoldSeconds_ = 0;
  untoldGaps_ = 0;
}

std::optional<std::string> SkippedSeconds::summary() const {
  if (gaps_ == 0) return std::nullopt;
  return counted(seconds_, "second", "seconds") + " skipped in " + counted(gaps_, "gap", "gaps") + ", the longest " +
         std::to_string(longest_) + " s";
}

}  // namespace novabit
