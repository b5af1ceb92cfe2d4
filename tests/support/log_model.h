#pragma once
// The study log as a plain model of the experiment writes it, built from each
// pass's counts alone: periods summed, averages rounded half to even, "%.4f"
// cut to two decimals, zones as multiples of 14 columns, records in their
// order. It shares nothing with the program's statistics or printing code.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "keystream/random_key.h"
#include "support/fakes.h"
#include "textio/formatting.h"

namespace novabit::testing {

class LogModel {
 public:
  // `timeOfPass(k)`: the local date and time at which pass k writes its records.
  explicit LogModel(std::function<LocalTime(std::int64_t pass)> timeOfPass) : timeOfPass_(std::move(timeOfPass)) {}

  // The next pass, with the records it writes.
  void add_pass(const PassCounts& counts);
  const std::string& log() const { return log_; }
  std::int64_t passes() const { return passes_; }

 private:
  struct Period {
    int zeros = 0, ones = 0, zeroSum = 0, zeroSeconds = 0, oneSum = 0, oneSeconds = 0;
  };
  void write_quarter(const std::string& stamp);
  void write_five_minutes(const std::string& stamp);

  std::function<LocalTime(std::int64_t)> timeOfPass_;
  std::string log_;
  std::int64_t passes_ = 0;
  int minute_ = 0, second_ = 0, cycles_ = 0;
  Period five_, quarter_;
  int zeroTotal_ = 0, zeroWins_ = 0, oneWins_ = 0;
  double oneTotal_ = 0;
};

// The counts of the first `count` passes of a run keyed with `key`: the same
// draws in the same order, forced where the hidden window forces them (never
// when `biasEnabled` is false).
std::vector<PassCounts> model_passes(const RandomKey& key, std::int64_t count, bool biasEnabled = true);

// The log of `passes`, each pass writing at `firstPassTime` plus its number less one, in seconds.
std::string model_log(const std::vector<PassCounts>& passes, std::chrono::sys_seconds firstPassTime);

// Equal, or where the first line that differs is, shown from both.
::testing::AssertionResult same_log(const std::string& actual, const std::string& expected);

// For a run whose clock the test does not know: the log is the model's up to
// the end of one of its records, the dates and times aside.
::testing::AssertionResult whole_records_of(const std::string& log, const std::string& model);

// For a run that lost records: each record of the log is one of the model's,
// whole and in the model's order; `lost` tells how many of the model's are missing.
::testing::AssertionResult records_in_order(const std::string& log, const std::string& model, std::int64_t& lost);

}  // namespace novabit::testing
