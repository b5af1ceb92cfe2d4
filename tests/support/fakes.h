#pragma once
// Stand-ins for the experiment's devices: virtual clocks, scripted keys and a
// display that records what it was asked to show.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "clocks/kernel_clock.h"
#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"
#include "experiment/experiment_events.h"
#include "experiment/key_source.h"
#include "keystream/random_key.h"

namespace novabit::testing {

// The key of the tests' runs.
inline const RandomKey kTestKey = key_from_seed(1000);

// A SecondsClock that moves on by a fixed step after every reading, and by
// what a sleep asks and `wakesLate` more, as a loaded machine wakes a sleeper late.
class SteppingClock final : public SecondsClock {
 public:
  SteppingClock(long double start, long double step, long double wakesLate = 0) : now_(start), step_(step), late_(wakesLate) {}
  long double clock_seconds() override {
    ++readings_;
    return std::exchange(now_, now_ + step_);
  }
  void sleep_for(long double seconds) override { now_ += seconds + late_ + std::exchange(oversleep_, 0); }
  // The next sleep lasts that much longer: the process stopped or the machine suspended while it slept.
  void oversleep(long double seconds) { oversleep_ = seconds; }
  long double now() const { return now_; }
  std::int64_t readings() const { return readings_; }
  // A stopped process, a suspended machine or a starved one: the clock moves on without a reading.
  void jump(long double seconds) { now_ += seconds; }

 private:
  long double now_;
  long double step_;
  long double late_;
  long double oversleep_ = 0;
  std::int64_t readings_ = 0;
};

inline LocalTime local_time_of(std::chrono::sys_seconds time) {
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day date(day);
  const std::chrono::hh_mm_ss clock(time - day);
  return LocalTime{int(date.year()),           int(unsigned(date.month())),  int(unsigned(date.day())),
                   int(clock.hours().count()), int(clock.minutes().count()), int(clock.seconds().count())};
}

// Shows, as local time, the calendar time of the whole second a SteppingClock has reached.
class VirtualWallClock final : public WallClock {
 public:
  VirtualWallClock(const SteppingClock& clock, std::chrono::sys_seconds atClockZero) : clock_(clock), atClockZero_(atClockZero) {}
  LocalTime now() const override {
    return local_time_of(atClockZero_ + std::chrono::seconds(static_cast<std::int64_t>(std::floor(clock_.now()))));
  }

 private:
  const SteppingClock& clock_;
  std::chrono::sys_seconds atClockZero_;
};

// One time; with a second one, the two in turn, reading after reading.
class FixedWallClock final : public WallClock {
 public:
  explicit FixedWallClock(LocalTime time) : time_(time) {}
  LocalTime now() const override { return alternate_ ? (readings_++ % 2 == 0 ? time_ : *alternate_) : time_; }
  void set(LocalTime time, std::optional<LocalTime> alternate = std::nullopt) {
    time_ = time;
    alternate_ = alternate;
  }

 private:
  LocalTime time_;
  std::optional<LocalTime> alternate_;
  mutable std::int64_t readings_ = 0;
};

// The kernel's word on the system clock, as a test sets it: synchronised,
// off by at most 1 ms, unless told otherwise.
struct SetKernelClock final : KernelClock {
  KernelClockReading read() const override { return reading; }
  KernelClockReading reading{0, 0, 1000};
};

// Gives the key that `script` names for each poll (counted from 0).
class ScriptedKeys final : public KeySource {
 public:
  explicit ScriptedKeys(std::function<Key(std::int64_t poll)> script = {}) : script_(std::move(script)) {}
  Key read_key() override {
    const std::int64_t poll = polls_++;
    return script_ ? script_(poll) : Key::none;
  }
  std::int64_t polls() const { return polls_; }

 private:
  std::function<Key(std::int64_t)> script_;
  std::int64_t polls_ = 0;
};

struct PassCounts {
  std::int32_t zeros = 0;
  std::int32_t ones = 0;
  bool operator==(const PassCounts&) const = default;
};

// Records every event but the bits as a line of text, and each pass's counts.
class RecordingEvents final : public ExperimentEvents {
 public:
  std::vector<std::string> events;
  std::vector<PassCounts> passes;
  std::int64_t bitsCounted = 0;

  void run_started(const RunStart& start) override { events.push_back("start " + start.date + " " + start.time); }
  void bit_counted(std::int32_t bit) override {
    ++bitsCounted;
    if (events.empty() || !events.back().starts_with("bits ")) events.push_back("bits ");
    events.back() += static_cast<char>('0' + bit);
  }
  void second_counted(const CountedSecond& second) override {
    passes.push_back({second.zeros, second.ones});
    events.push_back(text("second %d %d %d %d %d %d", second.pass, second.zeros, second.ones, second.deviation,
                          second.cycleMinute, second.minuteSecond));
  }
  void checkpoint_closed(const ClosedCheckpoint& checkpoint) override {
    events.push_back(
        text("checkpoint %d %d %d", checkpoint.period == Period::quarter ? 15 : 5, checkpoint.zeros, checkpoint.ones));
  }
  void cycle_ended(const EndedCycle& cycle) override {
    const auto average = [](const std::optional<double>& value) { return value ? text("%g", *value) : "none"; };
    events.push_back(text("cycle %d ", cycle.cyclesCompleted) + average(cycle.globalOneAverage) + " " +
                     average(cycle.globalZeroAverage) + " " + cycle.start.date + " " + cycle.start.time);
  }
  void pass_ended(bool recordsWritten) override { events.push_back(recordsWritten ? "end records" : "end"); }

 private:
  template <typename... Values>
  static std::string text(const char* format, Values... values) {
    char line[96];
    std::snprintf(line, sizeof line, format, values...);
    return line;
  }
};

}  // namespace novabit::testing
