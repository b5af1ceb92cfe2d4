#pragma once
// What marks a pass besides its counts: the health tests that fired on its
// source's bits, and whether they came late. A watched source notes them as
// it hands the bits over; the pass's event carries them to the raw record,
// the metrics and whoever else listens.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace novabit {

enum class HealthTest { repetition_count, adaptive_proportion };
// In the order their names are listed wherever they appear.
inline constexpr std::array<HealthTest, 2> kHealthTests{HealthTest::repetition_count, HealthTest::adaptive_proportion};
// As the raw record, the program's lines and the metrics name a test.
constexpr const char* health_test_name(HealthTest test) {
  return test == HealthTest::repetition_count ? "repetition_count" : "adaptive_proportion";
}

// Where each test fired first in the bits checked, as the run's bit number
// counted from 1; nothing when it did not fire.
struct HealthAlarms {
  std::optional<std::uint64_t> repetitionCount;
  std::optional<std::uint64_t> adaptiveProportion;

  const std::optional<std::uint64_t>& fired(HealthTest test) const {
    return test == HealthTest::repetition_count ? repetitionCount : adaptiveProportion;
  }
  // The names of the tests that fired, separated by a blank, or "".
  std::string names() const;
};

struct PassMarks {
  HealthAlarms alarms;
  // The pass waited for its bits beyond its second.
  bool late = false;
  // Seconds of the clock without a pass between the pass before and this
  // one: the process was stopped, the machine suspended or short of time.
  std::int32_t skippedBefore = 0;
  // The pass began in the half second before its own (rounded) second, as a
  // first pass or one after a gap may: its moment is that second, not the
  // clock's whole second at its start.
  bool beganBeforeItsSecond = false;
};

}  // namespace novabit
