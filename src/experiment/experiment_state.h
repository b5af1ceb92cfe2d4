#pragma once
// The one record of the experiment: counters, period tallies, global figures,
// BiasWindow parameters and the cycle clock, with their initial values.

#include <cstdint>
#include <string>

#include "experiment/period_tally.h"

namespace novabit {

struct ExperimentState {
  std::string startDate;  // "12-05-2026"
  std::string startTime;  // "22:10:00"
  std::int32_t logFileNumber = 0;

  // The BiasWindow: forcing happens strictly between biasStartMinute and
  // biasStartMinute + kBiasWindowSpan, in passes whose biasDraw is the highest.
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
  PeriodTally fiveMin;
  PeriodTally quarter;

  // The two sides are kept in different types, and the arithmetic on them
  // follows those types.
  std::int32_t globalZeroAvgSum = 0;
  float globalOneAvgSum = 0.0F;
  std::int32_t quarterZeroWins = 0;
  std::uint64_t quarterOneWins = 0;
};

}  // namespace novabit
