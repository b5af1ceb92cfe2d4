#include "report/window_check.h"

#include <algorithm>
#include <cmath>

namespace novabit::report {

namespace {

// The first pass of a cycle.
std::int64_t first_pass_of(std::int64_t cycle) { return (cycle - 1) * kPassesPerCycle + 1; }

// The passes the window forces in, from its first minute to its last.
std::pair<std::int64_t, std::int64_t> window_passes(std::int64_t cycle, const WindowPlace& place) {
  const std::int64_t base = first_pass_of(cycle);
  return {base + (place.startMinute + 1) * kPassesPerMinute,
          base + (place.startMinute + kBiasWindowMinutes + 1) * kPassesPerMinute - 1};
}

// The first pass of the five-minute record ending at `pass`, within its cycle.
std::int64_t record_first_pass(std::int64_t pass) {
  return std::max(pass - kFiveMinutePasses + 1, first_pass_of(cycle_of_pass(pass)));
}

}  // namespace

WindowShare window_share(std::int64_t pass, const WindowPlace& place) {
  const auto [from, to] = window_passes(cycle_of_pass(pass), place);
  const std::int64_t inside = std::min(pass, to) - std::max(record_first_pass(pass), from) + 1;
  return 2 * inside > kFiveMinutePasses ? WindowShare::inside : WindowShare::outside;
}

WindowChecker::WindowChecker(std::function<WindowPlace(std::int64_t cycle)> placeOfCycle, BoundarySettings settings)
    : placeOfCycle_(std::move(placeOfCycle)), settings_(settings), towards_(kFiveMinuteBits, settings) {}

void WindowChecker::close_cycle() {
  if (!cycle_) return;
  cycle_->inside = inside_->statistics();
  cycle_->outside = outside_->statistics();
  if (records_.size() >= kScanRecords) {
    // The stretch of consecutive records with the largest |sum z|.
    double sum = 0;
    for (std::size_t i = 0; i < kScanRecords; ++i) sum += records_[i].z;
    std::size_t best = 0;
    double bestSum = sum;
    for (std::size_t first = 1; first + kScanRecords <= records_.size(); ++first) {
      sum += records_[first + kScanRecords - 1].z - records_[first - 1].z;
      if (std::abs(sum) > std::abs(bestSum)) {
        best = first;
        bestSum = sum;
      }
    }
    // Whole minutes of the cycle between the stretch's first pass and its last.
    const std::int64_t base = first_pass_of(cycle_->cycle);
    const std::int64_t from = record_first_pass(records_[best].pass) - base;
    const std::int64_t to = records_[best + kScanRecords - 1].pass - base;
    ScanResult scan;
    scan.firstMinute = (from + kPassesPerMinute - 1) / kPassesPerMinute;
    scan.lastMinute = (to + 1) / kPassesPerMinute - 1;
    scan.score = std::abs(bestSum) / std::sqrt(static_cast<double>(kScanRecords));
    const std::int64_t windowFirst = cycle_->place.startMinute + 1;
    const std::int64_t windowLast = cycle_->place.startMinute + kBiasWindowMinutes;
    scan.overlapMinutes =
        std::max<std::int64_t>(0, std::min(scan.lastMinute, windowLast) - std::max(scan.firstMinute, windowFirst) + 1);
    cycle_->scan = scan;
    ++check_.scans;
    check_.scansFound += scan.found() ? 1 : 0;
  }
  check_.cycles.push_back(*cycle_);
  cycle_.reset();
  records_.clear();
}

WindowShare WindowChecker::add(const Checkpoint& record) {
  const std::int64_t cycle = cycle_of_pass(record.pass);
  if (!cycle_ || cycle_->cycle != cycle) {
    close_cycle();
    cycle_ = CycleWindow{cycle, placeOfCycle_(cycle), {}, {}, std::nullopt};
    inside_.emplace(kFiveMinuteBits, settings_);
    outside_.emplace(kFiveMinuteBits, settings_);
  }
  const WindowShare share = window_share(record.pass, cycle_->place);
  if (share == WindowShare::inside) {
    inside_->add(record.ones);
    towards_.add(cycle_->place.bit == 1 ? record.ones : kFiveMinuteBits - record.ones);
  } else {
    outside_->add(record.ones);
  }
  records_.push_back({record.pass, trial_z(record.ones, kFiveMinuteBits)});
  return share;
}

const WindowCheck& WindowChecker::finish() {
  close_cycle();
  check_.insideTowardsBit = towards_.statistics();
  return check_;
}

}  // namespace novabit::report
