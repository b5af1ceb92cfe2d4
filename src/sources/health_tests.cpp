#include "sources/health_tests.h"

#include <boost/math/distributions/binomial.hpp>
#include <cmath>

namespace novabit {

namespace {

// Min-entropy credited to each bit of a binary source that is working.
constexpr double kMinEntropyPerBit = 1.0;

}  // namespace

int repetition_count_cutoff() {
  static const int cutoff = 1 + static_cast<int>(std::ceil(kFalseAlarmLog2 / kMinEntropyPerBit));
  return cutoff;
}

int adaptive_proportion_cutoff() {
  // CRITBINOM(W, p, 1 - alpha): the smallest k with P(X <= k) >= 1 - alpha,
  // that is P(X > k) <= alpha, for X ~ binomial(W, 2^-H).
  static const int cutoff = [] {
    const boost::math::binomial_distribution<double> matches(kAdaptiveWindow, std::exp2(-kMinEntropyPerBit));
    const double alpha = std::exp2(-kFalseAlarmLog2);
    int k = 0;
    while (boost::math::cdf(boost::math::complement(matches, k)) > alpha) ++k;
    return 1 + k;
  }();
  return cutoff;
}

std::string HealthAlarms::names() const {
  std::string text;
  if (repetitionCount) text = "repetition_count";
  if (adaptiveProportion) text += text.empty() ? "adaptive_proportion" : " adaptive_proportion";
  return text;
}

HealthTests::HealthTests()
    : repetitionCutoff_(repetition_count_cutoff()), adaptiveCutoff_(adaptive_proportion_cutoff()) {}

HealthAlarms HealthTests::check(std::span<const std::uint8_t> bytes) {
  HealthAlarms alarms;
  for (const std::uint8_t byte : bytes) {
    for (int place = 7; place >= 0; --place) {
      const unsigned bit = (byte >> place) & 1U;
      ++bitsChecked_;
      if (bit != runBit_) {
        runBit_ = bit;
        runLength_ = 1;
      } else if (++runLength_ == repetitionCutoff_) {
        if (!alarms.repetitionCount) alarms.repetitionCount = bitsChecked_;
        runLength_ = 1;
      }
      if (windowPosition_ == 0) {
        windowBit_ = bit;
        windowCount_ = 1;
      } else if (bit == windowBit_ && ++windowCount_ == adaptiveCutoff_ && !alarms.adaptiveProportion) {
        alarms.adaptiveProportion = bitsChecked_;
      }
      if (++windowPosition_ == kAdaptiveWindow) windowPosition_ = 0;
    }
  }
  return alarms;
}

}  // namespace novabit
