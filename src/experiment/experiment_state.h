#pragma once
// The one record of the experiment: counters, accumulators, BiasWindow
// parameters, cycle clock and dot positions, with their initial values.

#include <cstdint>
#include <string>

namespace novabit {

struct ExperimentState {
  std::string startDate;  // "12-05-2026"
  std::string startTime;  // "22:10:00"
  std::int32_t logFileNumber = 0;

  // The BiasWindow: forcing happens strictly between biasStartMinute and
  // biasStartMinute + 100, in passes whose biasDraw is 10.
  std::int32_t biasStartMinute = 0;
  std::int32_t biasBit = 0;
  std::int32_t biasDraw = 0;

  std::int32_t cycleMinute = 0;
  std::int32_t minuteSecond = 0;
  std::int32_t secondsElapsed = 1;
  std::int32_t cyclesCompleted = 0;
  std::int32_t secondStart = 0;
  std::int32_t bitIndex = 0;
  std::int32_t currentBit = 0;

  std::int32_t zerosThisSecond = 0;
  std::int32_t onesThisSecond = 0;
  std::int32_t fiveMinZeros = 0;
  std::int32_t fiveMinOnes = 0;
  std::int32_t quarterZeros = 0;
  std::int32_t quarterOnes = 0;

  std::int32_t fiveMinZeroSeconds = 0;
  std::int32_t fiveMinOneSeconds = 0;
  std::int32_t quarterZeroSeconds = 0;
  std::int32_t quarterOneSeconds = 0;

  // Sums of secondDeviations; during a checkpoint they hold the period average.
  std::int32_t fiveMinZeroDevSum = 0;
  std::int32_t fiveMinOneDevSum = 0;
  std::int32_t quarterZeroDevSum = 0;
  std::int32_t quarterOneDevSum = 0;

  // The two sides are kept in different types, and the arithmetic on them
  // follows those types.
  std::int32_t globalZeroAvgSum = 0;
  float globalOneAvgSum = 0.0F;
  std::int32_t quarterZeroWins = 0;
  std::uint64_t quarterOneWins = 0;

  std::int32_t checkpointX = 5;
  std::int32_t checkpointY = 0;
};

}  // namespace novabit
