#include "sources/health_tests.h"

#include <algorithm>
#include <bit>
#include <boost/math/distributions/binomial.hpp>
#include <cmath>
#include <cstring>

namespace novabit {

namespace {

// Min-entropy credited to each bit of a binary source that is working.
constexpr double kMinEntropyPerBit = 1.0;

int ones_in(std::span<const std::uint8_t> bytes) {
  int ones = 0;
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, &bytes[at], sizeof word);
    ones += std::popcount(word);
  }
  for (; at < bytes.size(); ++at) ones += std::popcount(bytes[at]);
  return ones;
}

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

HealthTests::HealthTests()
    : repetitionCutoff_(repetition_count_cutoff()), adaptiveCutoff_(adaptive_proportion_cutoff()) {}

HealthAlarms HealthTests::check(std::span<const std::uint8_t> bytes) {
  HealthAlarms alarms;
  repetition_count(bytes, alarms);
  adaptive_proportion(bytes, alarms);
  bitsChecked_ += 8 * bytes.size();
  return alarms;
}

void HealthTests::repetition_count(std::span<const std::uint8_t> bytes, HealthAlarms& alarms) {
  if (bytes.empty()) return;
  // A run without a whole byte of equal bits is at most 14 long, so with no
  // such byte only a long run carried in could reach the cut-off here, and
  // only the run at the end is carried on.
  bool equalByte = false;  // looked for without a branch per byte
  for (const std::uint8_t byte : bytes) equalByte |= (byte == 0x00) | (byte == 0xFF);
  if (!equalByte && runLength_ + 7 < repetitionCutoff_) {
    runBit_ = bytes.back() & 1U;
    runLength_ = std::countr_zero(static_cast<unsigned>(bytes.back() ^ (runBit_ != 0 ? 0xFF : 0x00)));
    return;
  }
  std::uint64_t bitNumber = bitsChecked_;
  for (const std::uint8_t byte : bytes) {
    for (int place = 7; place >= 0; --place) {
      const unsigned bit = (byte >> place) & 1U;
      ++bitNumber;
      if (bit != runBit_) {
        runBit_ = bit;
        runLength_ = 1;
      } else if (++runLength_ == repetitionCutoff_) {
        if (!alarms.repetitionCount) alarms.repetitionCount = bitNumber;
        runLength_ = 1;
      }
    }
  }
}

void HealthTests::adaptive_proportion(std::span<const std::uint8_t> bytes, HealthAlarms& alarms) {
  static_assert(kAdaptiveWindow % 8 == 0);
  for (std::size_t at = 0; at < bytes.size();) {
    if (windowPosition_ == 0) {
      windowBit_ = bytes[at] >> 7;
      windowCount_ = 0;  // the first bit counts itself below
    }
    const std::size_t windowBytesLeft = static_cast<std::size_t>(kAdaptiveWindow - windowPosition_) / 8;
    const auto segment = bytes.subspan(at, std::min(bytes.size() - at, windowBytesLeft));
    const int ones = ones_in(segment);
    const int matches = windowBit_ != 0 ? ones : 8 * static_cast<int>(segment.size()) - ones;
    if (windowCount_ < adaptiveCutoff_ && windowCount_ + matches >= adaptiveCutoff_ && !alarms.adaptiveProportion) {
      // Rare: find the bit that reached the cut-off.
      int count = windowCount_;
      for (std::size_t bit = 0; count < adaptiveCutoff_; ++bit) {
        if (((segment[bit / 8] >> (7 - bit % 8)) & 1U) == windowBit_ && ++count == adaptiveCutoff_) {
          alarms.adaptiveProportion = bitsChecked_ + 8 * at + bit + 1;
        }
      }
    }
    windowCount_ += matches;
    windowPosition_ = (windowPosition_ + 8 * static_cast<int>(segment.size())) % kAdaptiveWindow;
    at += segment.size();
  }
}

}  // namespace novabit
