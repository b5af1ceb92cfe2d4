#pragma once
// What the experiment tells the rest of the program as it runs, in its own
// terms: the display turns it into pixels and text, the raw record into rows,
// the metrics into counters. Nothing in it tells the hidden window apart.
// Every event comes from the driver's one thread, in the order of the pass.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "experiment/checkpoint_arithmetic.h"
#include "experiment/pass_marks.h"

namespace novabit {

// The start stamp of a run, as the screen shows it.
struct RunStart {
  std::string date;  // "12-05-2026"
  std::string time;  // "22:10:00"
};

// A pass whose bits are all counted.
struct CountedSecond {
  std::int32_t pass = 0;  // secondsElapsed, from 1
  std::int32_t zeros = 0;
  std::int32_t ones = 0;
  Leaning leaning = Leaning::balance;
  std::int32_t deviation = 0;  // the secondDeviation; 0 for a balanced pass
  std::int32_t cycleMinute = 0;
  std::int32_t minuteSecond = 0;
  // The health alarms of its source's bits (before any forcing), and whether it waited for them.
  PassMarks marks;
};

enum class Period { five_minute, quarter };

// A checkpoint with the counts of its period.
struct ClosedCheckpoint {
  Period period = Period::five_minute;
  Leaning leaning = Leaning::balance;
  std::int32_t zeros = 0;
  std::int32_t ones = 0;
};

// A 12-hour cycle just ended: the count and the global averages of the run so far.
struct EndedCycle {
  std::int32_t cyclesCompleted = 0;
  std::optional<double> globalOneAverage;   // none while ones have won no quarter
  std::optional<double> globalZeroAverage;  // none while zeros have won no quarter
  RunStart start;
};

class ExperimentEvents {
 public:
  virtual ~ExperimentEvents() = default;
  // Before the study log is opened and the first pass runs.
  virtual void run_started(const RunStart&) {}
  // A bit as counted, after any forcing.
  virtual void bit_counted(std::int32_t) {}
  virtual void second_counted(const CountedSecond&) {}
  virtual void checkpoint_closed(const ClosedCheckpoint&) {}
  virtual void cycle_ended(const EndedCycle&) {}
  // The pass is over; `recordsWritten` when it wrote study-log records.
  virtual void pass_ended(bool) {}
};

// Several listeners, told in their order; null ones are left out.
class EventListeners final : public ExperimentEvents {
 public:
  EventListeners() = default;
  EventListeners(std::initializer_list<ExperimentEvents*> listeners) {
    for (ExperimentEvents* listener : listeners) add(listener);
  }
  // `passes`: all but bit_counted, which comes 200 times a pass and would
  // cost a listener without use for it more than all the rest.
  enum class Hearing { everything, passes };
  void add(ExperimentEvents* listener, Hearing hearing = Hearing::everything) {
    if (listener == nullptr) return;
    listeners_.push_back(listener);
    if (hearing == Hearing::everything) bitListeners_.push_back(listener);
  }

  void run_started(const RunStart& start) override {
    for (ExperimentEvents* listener : listeners_) listener->run_started(start);
  }
  void bit_counted(std::int32_t bit) override {
    for (ExperimentEvents* listener : bitListeners_) listener->bit_counted(bit);
  }
  void second_counted(const CountedSecond& second) override {
    for (ExperimentEvents* listener : listeners_) listener->second_counted(second);
  }
  void checkpoint_closed(const ClosedCheckpoint& checkpoint) override {
    for (ExperimentEvents* listener : listeners_) listener->checkpoint_closed(checkpoint);
  }
  void cycle_ended(const EndedCycle& cycle) override {
    for (ExperimentEvents* listener : listeners_) listener->cycle_ended(cycle);
  }
  void pass_ended(bool recordsWritten) override {
    for (ExperimentEvents* listener : listeners_) listener->pass_ended(recordsWritten);
  }

 private:
  std::vector<ExperimentEvents*> listeners_;
  std::vector<ExperimentEvents*> bitListeners_;
};

}  // namespace novabit
