#pragma once
// A source under the health tests: the bits of every pass are checked as they
// are taken, before any forcing, and an alarm is reported at once in one line.
// The run goes on: what a failing device means for a study is the
// researcher's decision, made with the raw record.

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "sources/health_tests.h"
#include "experiment/pass_bits.h"

namespace novabit {

class WatchedBits final : public PassBits {
 public:
  // `program` and `sourceName` name the alarm's line on `errors` (may be null).
  WatchedBits(PassBits& source, std::string program, std::string sourceName, std::FILE* errors)
      : source_(source), program_(std::move(program)), sourceName_(std::move(sourceName)), errors_(errors) {}

  TakeResult take(PassBytes& bits) override;
  std::string end_reason() const override { return source_.end_reason(); }

  // The alarms of the bits last taken; it stays the same object for the watch's life.
  const HealthAlarms& pass_alarms() const { return alarms_; }

 private:
  void report(const char* test, std::uint64_t bit) const;

  PassBits& source_;
  std::string program_;
  std::string sourceName_;
  std::FILE* errors_;
  HealthTests tests_;
  HealthAlarms alarms_;
  std::int64_t passes_ = 0;
};

}  // namespace novabit
