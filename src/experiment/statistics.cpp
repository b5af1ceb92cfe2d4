#include "experiment/statistics.h"

#include <algorithm>

#include "experiment/bias_window.h"
#include "experiment/experiment_numbers.h"

namespace novabit {

void report_second(ExperimentState& state, const PassMarks& marks, ExperimentEvents& events) {
  const std::int32_t zeros = state.zerosThisSecond;
  const std::int32_t ones = state.onesThisSecond;
  const Leaning leaning = leaning_of(zeros, ones);
  // How many percent the leading value exceeded its expected half.
  const std::int32_t deviation = leaning == Leaning::balance ? 0 : kBitsPerPass / 2 - std::min(zeros, ones);
  events.second_counted(
      {state.secondsElapsed, zeros, ones, leaning, deviation, state.cycleMinute, state.minuteSecond, marks});
  state.fiveMin.add_second(leaning, deviation);
  state.quarter.add_second(leaning, deviation);
}

void quarter_checkpoint(ExperimentState& state, ExperimentEvents& events, StudyLog& log) {
  const PeriodTally& quarter = state.quarter;
  const std::int32_t zeroAverage = quarter.zero_average();
  const std::int32_t oneAverage = quarter.one_average();
  state.globalZeroAvgSum += zeroAverage;
  state.globalOneAvgSum += static_cast<float>(oneAverage);

  const Leaning leaning = quarter.leaning();
  if (leaning == Leaning::zero) state.quarterZeroWins += 1;
  if (leaning == Leaning::one) state.quarterOneWins += 1;
  events.checkpoint_closed({Period::quarter, leaning, quarter.zeros, quarter.ones});
  log.write_checkpoint_record(
      state.logFileNumber, checkpoint_form(Period::quarter, leaning), quarter,
      {leaning == Leaning::one ? oneAverage : zeroAverage, global_one_average(state), global_zero_average(state)});
  state.quarter = PeriodTally{};
}

void five_minute_checkpoint(ExperimentState& state, ExperimentEvents& events, StudyLog& log) {
  const PeriodTally& fiveMin = state.fiveMin;
  const Leaning leaning = fiveMin.leaning();
  events.checkpoint_closed({Period::five_minute, leaning, fiveMin.zeros, fiveMin.ones});
  log.write_checkpoint_record(state.logFileNumber, checkpoint_form(Period::five_minute, leaning), fiveMin,
                              {leaning == Leaning::one ? fiveMin.one_average() : fiveMin.zero_average(), {}, {}});
  state.fiveMin = PeriodTally{};
}

void cycle_end(ExperimentState& state, ExperimentEvents& events, StudyLog& log, BitSource& bits) {
  draw_next_bias_window(state, bits);
  state.cycleMinute = 0;
  state.minuteSecond = 0;
  state.cyclesCompleted += 1;
  events.cycle_ended({state.cyclesCompleted,
                      global_one_average(state),
                      global_zero_average(state),
                      {state.startDate, state.startTime}});
  log.write_cycle_record(state.logFileNumber, state.cyclesCompleted);
}

std::optional<double> global_one_average(const ExperimentState& state) {
  if (state.quarterOneWins == 0) return std::nullopt;
  return static_cast<double>(static_cast<long double>(state.globalOneAvgSum) /
                             static_cast<long double>(state.quarterOneWins));
}

std::optional<double> global_zero_average(const ExperimentState& state) {
  if (state.quarterZeroWins == 0) return std::nullopt;
  return static_cast<double>(static_cast<long double>(state.globalZeroAvgSum) /
                             static_cast<long double>(state.quarterZeroWins));
}

}  // namespace novabit
