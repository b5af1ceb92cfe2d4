#include "experiment/statistics.h"

#include "experiment/bias_window.h"
#include "experiment/checkpoint_arithmetic.h"

namespace novabit {

namespace {

constexpr std::uint32_t kZeroPointColour = 0x4444FF;
constexpr std::uint32_t kOnePointColour = 0xFF4444;
constexpr std::uint32_t kBalanceColour = 0xFFFFFF;
constexpr std::uint32_t kQuarterZeroColour = 0x8888DD;
constexpr std::uint32_t kQuarterOneColour = 0xDD8888;
constexpr std::uint32_t kFiveMinuteZeroColour = 0x4444DD;
constexpr std::uint32_t kFiveMinuteOneColour = 0xDD4444;
constexpr std::int32_t kQuarterDotRadius = 2;
constexpr std::int32_t kFiveMinuteDotRadius = 1;
constexpr std::int32_t kCheckpointStep = 5;

std::uint32_t dot_colour(Leaning leaning, std::uint32_t zeroColour, std::uint32_t oneColour) {
  switch (leaning) {
    case Leaning::zero:
      return zeroColour;
    case Leaning::one:
      return oneColour;
    case Leaning::balance:
      break;
  }
  return kBalanceColour;
}

}  // namespace

void report_second(ExperimentState& state, MonitorDisplay& display) {
  const std::int32_t zeros = state.zerosThisSecond;
  const std::int32_t ones = state.onesThisSecond;
  switch (leaning_of(zeros, ones)) {
    case Leaning::zero: {
      const std::int32_t deviation = 100 - ones;
      display.print_deviation_line(zeros, ones, deviation);
      state.fiveMinZeroDevSum += deviation;
      state.quarterZeroDevSum += deviation;
      state.fiveMinZeroSeconds += 1;
      state.quarterZeroSeconds += 1;
      display.plot_second_point(state.cycleMinute, state.minuteSecond, kZeroPointColour);
      break;
    }
    case Leaning::one: {
      const std::int32_t deviation = 100 - zeros;
      display.print_deviation_line(zeros, ones, deviation);
      state.fiveMinOneDevSum += deviation;
      state.quarterOneDevSum += deviation;
      state.fiveMinOneSeconds += 1;
      state.quarterOneSeconds += 1;
      display.plot_second_point(state.cycleMinute, state.minuteSecond, kOnePointColour);
      break;
    }
    case Leaning::balance:
      display.print_deviation_line(zeros, ones, 0);
      display.plot_second_point(state.cycleMinute, state.minuteSecond, kBalanceColour);
      break;
  }
}

void quarter_checkpoint(ExperimentState& state, MonitorDisplay& display, StudyLog& log) {
  state.quarterZeroDevSum = period_average(state.quarterZeroDevSum, state.quarterZeroSeconds);
  state.quarterOneDevSum = period_average(state.quarterOneDevSum, state.quarterOneSeconds);
  state.globalZeroAvgSum += state.quarterZeroDevSum;
  state.globalOneAvgSum += static_cast<float>(state.quarterOneDevSum);

  const Leaning leaning = leaning_of(state.quarterZeros, state.quarterOnes);
  if (leaning == Leaning::zero) state.quarterZeroWins += 1;
  if (leaning == Leaning::one) state.quarterOneWins += 1;
  state.checkpointY = checkpoint_y(state.quarterZeros, state.quarterOnes, kQuarterFullScale);
  display.draw_checkpoint_dot(state.checkpointX, state.checkpointY, kQuarterDotRadius,
                              dot_colour(leaning, kQuarterZeroColour, kQuarterOneColour));
  log.write_quarter_record(state, leaning);

  state.quarterZeros = 0;
  state.quarterOnes = 0;
  state.quarterZeroDevSum = 0;
  state.quarterOneDevSum = 0;
  state.quarterZeroSeconds = 0;
  state.quarterOneSeconds = 0;
}

void five_minute_checkpoint(ExperimentState& state, MonitorDisplay& display, StudyLog& log) {
  state.fiveMinZeroDevSum = period_average(state.fiveMinZeroDevSum, state.fiveMinZeroSeconds);
  state.fiveMinOneDevSum = period_average(state.fiveMinOneDevSum, state.fiveMinOneSeconds);

  const Leaning leaning = leaning_of(state.fiveMinZeros, state.fiveMinOnes);
  state.checkpointY = checkpoint_y(state.fiveMinZeros, state.fiveMinOnes, kFiveMinuteFullScale);
  display.draw_checkpoint_dot(state.checkpointX, state.checkpointY, kFiveMinuteDotRadius,
                              dot_colour(leaning, kFiveMinuteZeroColour, kFiveMinuteOneColour));
  log.write_five_minute_record(state, leaning);
  state.checkpointX += kCheckpointStep;

  state.fiveMinZeros = 0;
  state.fiveMinOnes = 0;
  state.fiveMinZeroDevSum = 0;
  state.fiveMinOneDevSum = 0;
  state.fiveMinZeroSeconds = 0;
  state.fiveMinOneSeconds = 0;
}

void cycle_end(ExperimentState& state, MonitorDisplay& display, StudyLog& log, BitSource& bits) {
  draw_next_bias_window(state, bits);
  state.cycleMinute = 0;
  state.minuteSecond = 0;
  state.checkpointX = kCheckpointStep;
  state.checkpointY = 0;
  state.cyclesCompleted += 1;
  display.redraw_cycle_display(
      CyclePanel{state.cyclesCompleted, global_one_average(state), global_zero_average(state)},
      RunStart{state.startDate, state.startTime});
  log.write_cycle_record(state);
}

}  // namespace novabit
