// The per-second report, the checkpoints and the end of a cycle on prepared
// states, and the arithmetic they rest on: rounding half to even, dot heights
// and averages.

#include "experiment/statistics.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <string>
#include <vector>

#include "experiment/checkpoint_arithmetic.h"
#include "support/fakes.h"
#include "support/files.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using Events = std::vector<std::string>;

TEST(CheckpointArithmetic, RoundsHalvesToEvenWhateverTheRoundingMode) {
  const struct {
    long double value;
    std::int32_t expected;
  } cases[] = {{6.5L, 6}, {7.5L, 8}, {115.5L, 116}, {116.5L, 116}, {1234.5L, 1234}, {1000.7L, 1001},
               {-0.5L, 0}, {-1.5L, -2}, {-2.6L, -3}, {899999999.5L, 900000000}};
  std::fesetround(FE_UPWARD);
  for (const auto& c : cases) EXPECT_EQ(nearest(c.value), c.expected) << static_cast<double>(c.value);
  std::fesetround(FE_TONEAREST);
  EXPECT_EQ(period_average(13, 2), 6);
  EXPECT_EQ(period_average(15, 2), 8);
  EXPECT_EQ(period_average(2870, 470), 6);
  EXPECT_EQ(period_average(0, 0), 0);
}

// One pixel per 900 (quarter) or 300 (five minutes) bits of difference, ones above the centre line.
TEST(CheckpointArithmetic, DotHeights) {
  const struct {
    std::int32_t zeros, ones, fullScale, y;
  } cases[] = {{90225, 89775, kQuarterFullScale, 116}, {91125, 88875, kQuarterFullScale, 118},
               {89775, 90225, kQuarterFullScale, 114}, {89325, 90675, kQuarterFullScale, 114},
               {99000, 81000, kQuarterFullScale, 135}, {90000, 90000, kQuarterFullScale, 115},
               {180000, 0, kQuarterFullScale, 315},     {30225, 29775, kFiveMinuteFullScale, 116},
               {33000, 27000, kFiveMinuteFullScale, 135}, {29925, 30075, kFiveMinuteFullScale, 114}};
  for (const auto& c : cases) EXPECT_EQ(checkpoint_y(c.zeros, c.ones, c.fullScale), c.y) << c.zeros << " " << c.ones;
}

class StatisticsTest : public ::testing::Test {
 protected:
  StatisticsTest() {
    channels_.set_durable_writes(false);
    EXPECT_EQ(log_.open(1), ResultCode::ok);
    state_.logFileNumber = 1;
  }

  void prepare_quarter(std::int32_t zeros, std::int32_t ones, std::int32_t zeroSum, std::int32_t zeroSeconds,
                       std::int32_t oneSum, std::int32_t oneSeconds) {
    state_.quarterZeros = zeros;
    state_.quarterOnes = ones;
    state_.quarterZeroDevSum = zeroSum;
    state_.quarterZeroSeconds = zeroSeconds;
    state_.quarterOneDevSum = oneSum;
    state_.quarterOneSeconds = oneSeconds;
  }

  testing::ScratchDirectory directory_{true};
  ChannelTable channels_{nullptr, nullptr};
  Printer printer_{channels_};
  testing::FixedWallClock wallClock_{{2026, 12, 5, 22, 10, 0}};
  StudyLog log_{printer_, wallClock_};
  testing::RecordingDisplay display_;
  ExperimentState state_;
};

TEST_F(StatisticsTest, ReportShowsTheLeaningAndAddsTheDeviationToItsSide) {
  const struct {
    std::int32_t zeros, ones;
    Events shown;
    std::int32_t zeroSum, oneSum;
  } cases[] = {{100, 100, {"deviation 100 100 0", "point 7 30 FFFFFF"}, 0, 0},
               {108, 92, {"deviation 108 92 8", "point 7 30 4444FF"}, 8, 0},
               {0, 200, {"deviation 0 200 100", "point 7 30 FF4444"}, 0, 100}};
  for (const auto& c : cases) {
    ExperimentState state;
    state.cycleMinute = 7;
    state.minuteSecond = 30;
    state.zerosThisSecond = c.zeros;
    state.onesThisSecond = c.ones;
    testing::RecordingDisplay display;
    report_second(state, display);
    EXPECT_EQ(display.events, c.shown) << c.zeros << "/" << c.ones;
    EXPECT_EQ(std::vector({state.fiveMinZeroDevSum, state.quarterZeroDevSum, state.fiveMinOneDevSum,
                           state.quarterOneDevSum, state.fiveMinZeroSeconds + state.fiveMinOneSeconds}),
              std::vector({c.zeroSum, c.zeroSum, c.oneSum, c.oneSum, c.zeros == c.ones ? 0 : 1}));
  }
}

// Three quarters won by zero, one and zero, with zero averages 6, 5, 7 and
// one averages 6, 7, 6; then a balanced one that adds both averages and no win.
TEST_F(StatisticsTest, GlobalAveragesDivideAllQuartersByTheWinsOfTheirSide) {
  prepare_quarter(90500, 89500, 600, 100, 594, 99);
  quarter_checkpoint(state_, display_, log_);
  prepare_quarter(89000, 91000, 500, 100, 700, 100);
  quarter_checkpoint(state_, display_, log_);
  prepare_quarter(90300, 89700, 14, 2, 6, 1);
  quarter_checkpoint(state_, display_, log_);
  EXPECT_EQ(global_zero_average(state_), 9.0);
  EXPECT_EQ(global_one_average(state_), 19.0);
  prepare_quarter(90000, 90000, 30, 5, 21, 3);
  quarter_checkpoint(state_, display_, log_);
  EXPECT_EQ(state_.globalZeroAvgSum, 24);
  EXPECT_EQ(state_.globalOneAvgSum, 26.0F);
  EXPECT_EQ(state_.quarterZeroWins + state_.quarterOneWins, 3U);
  EXPECT_EQ(display_.events,
            (Events{"dot 5 116 2 8888DD", "dot 5 113 2 DD8888", "dot 5 116 2 8888DD", "dot 5 115 2 FFFFFF"}));
  EXPECT_EQ(state_.quarterZeros + state_.quarterOnes + state_.quarterZeroSeconds + state_.quarterOneDevSum, 0);
}

TEST_F(StatisticsTest, FiveMinuteDotsTakeTheLegendStylesAndMoveOn) {
  const struct {
    std::int32_t zeros, ones;
    std::string dot;
  } cases[] = {{30075, 29925, "dot 5 116 1 4444DD"}, {29925, 30075, "dot 10 114 1 DD4444"},
               {30000, 30000, "dot 15 115 1 FFFFFF"}};
  for (const auto& c : cases) {
    state_.fiveMinZeros = c.zeros;
    state_.fiveMinOnes = c.ones;
    display_.events.clear();
    five_minute_checkpoint(state_, display_, log_);
    EXPECT_EQ(display_.events, Events{c.dot});
    EXPECT_EQ(state_.fiveMinZeros + state_.fiveMinOnes, 0);
  }
  EXPECT_EQ(state_.checkpointX, 20);
}

TEST_F(StatisticsTest, CycleEndDrawsANewWindowAndRestartsTheCycleClock) {
  BitSource bits;
  bits.seed_random(testing::kTestKey);
  BitSource twin = bits;
  state_.cycleMinute = 720;
  state_.checkpointX = 725;
  state_.cyclesCompleted = 2;
  state_.quarterZeros = 1234;
  state_.globalZeroAvgSum = 30;
  state_.quarterZeroWins = 3;
  state_.startDate = "12-05-2026";
  state_.startTime = "22:00:00";
  cycle_end(state_, display_, log_, bits);
  EXPECT_EQ(state_.biasBit, twin.random_below(2));
  EXPECT_EQ(state_.biasStartMinute, twin.random_below(600) + 10);
  EXPECT_EQ(std::vector({state_.cycleMinute, state_.minuteSecond, state_.checkpointX, state_.checkpointY,
                         state_.cyclesCompleted, state_.quarterZeros}),
            std::vector({0, 0, 5, 0, 3, 1234}));
  EXPECT_EQ(display_.events, (Events{"redraw 3 none 10 12-05-2026 22:00:00"}));
}

}  // namespace
}  // namespace novabit
