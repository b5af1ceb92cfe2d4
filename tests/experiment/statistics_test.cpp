// The per-second report, the two checkpoints and the end of a cycle, driven
// with prepared states; what they show is recorded, what they log is read back.

#include "experiment/statistics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "experiment/test_doubles.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::FixedWallClock;
using testing::RecordingDisplay;
using testing::WorkingDirectory;

using Events = std::vector<std::string>;

class StatisticsTest : public ::testing::Test {
 protected:
  StatisticsTest() {
    channels_.set_durable_writes(false);
    EXPECT_EQ(log_.open(1), ResultCode::ok);
    state_.logFileNumber = 1;
    state_.startDate = "12-05-2026";
    state_.startTime = "22:00:00";
  }

  std::string log_bytes() const { return file_bytes(directory_.path() / log_.name()); }

  // A quarter of 900 passes with the given totals and deviation sums.
  void prepare_quarter(std::int32_t zeros, std::int32_t ones, std::int32_t zeroSum, std::int32_t zeroSeconds,
                       std::int32_t oneSum, std::int32_t oneSeconds) {
    state_.quarterZeros = zeros;
    state_.quarterOnes = ones;
    state_.quarterZeroDevSum = zeroSum;
    state_.quarterZeroSeconds = zeroSeconds;
    state_.quarterOneDevSum = oneSum;
    state_.quarterOneSeconds = oneSeconds;
  }

  WorkingDirectory directory_;
  ChannelTable channels_{nullptr, nullptr};
  Printer printer_{channels_};
  FixedWallClock wallClock_{{2026, 12, 5, 22, 10, 0}};
  StudyLog log_{printer_, wallClock_};
  RecordingDisplay display_;
  ExperimentState state_;
};

TEST_F(StatisticsTest, ReportShowsTheLeaningAndAddsTheDeviationToItsSide) {
  const struct {
    std::int32_t zeros, ones;
    Events shown;
    std::int32_t zeroSum, zeroSeconds, oneSum, oneSeconds;
  } cases[] = {
      {100, 100, {"deviation 100 100 0", "point 7 30 FFFFFF"}, 0, 0, 0, 0},
      {108, 92, {"deviation 108 92 8", "point 7 30 4444FF"}, 8, 1, 0, 0},
      {200, 0, {"deviation 200 0 100", "point 7 30 4444FF"}, 100, 1, 0, 0},
      {96, 104, {"deviation 96 104 4", "point 7 30 FF4444"}, 0, 0, 4, 1},
      {0, 200, {"deviation 0 200 100", "point 7 30 FF4444"}, 0, 0, 100, 1},
  };
  for (const auto& c : cases) {
    ExperimentState state;
    state.cycleMinute = 7;
    state.minuteSecond = 30;
    state.zerosThisSecond = c.zeros;
    state.onesThisSecond = c.ones;
    RecordingDisplay display;
    report_second(state, display);
    EXPECT_EQ(display.events, c.shown) << c.zeros << "/" << c.ones;
    EXPECT_EQ(state.fiveMinZeroDevSum, c.zeroSum);
    EXPECT_EQ(state.quarterZeroDevSum, c.zeroSum);
    EXPECT_EQ(state.fiveMinZeroSeconds, c.zeroSeconds);
    EXPECT_EQ(state.quarterZeroSeconds, c.zeroSeconds);
    EXPECT_EQ(state.fiveMinOneDevSum, c.oneSum);
    EXPECT_EQ(state.quarterOneDevSum, c.oneSum);
    EXPECT_EQ(state.fiveMinOneSeconds, c.oneSeconds);
    EXPECT_EQ(state.quarterOneSeconds, c.oneSeconds);
  }
}

TEST_F(StatisticsTest, QuarterAndFiveMinuteDotsOfOnePassShareTheirX) {
  state_.secondsElapsed = 900;
  state_.checkpointX = 15;
  prepare_quarter(90450, 89550, 13, 2, 15, 2);
  state_.fiveMinZeros = 29925;
  state_.fiveMinOnes = 30075;
  state_.fiveMinOneDevSum = 2870;
  state_.fiveMinOneSeconds = 470;
  quarter_checkpoint(state_, display_, log_);
  five_minute_checkpoint(state_, display_, log_);
  EXPECT_EQ(display_.events, (Events{"dot 15 116 2 8888DD", "dot 15 114 1 DD4444"}));
  EXPECT_EQ(state_.checkpointX, 20);
  EXPECT_EQ(state_.checkpointY, 114);

  const std::string bytes = log_bytes();
  const auto quarter = bytes.find(">>>>>");
  const auto fiveMinutes = bytes.find(" checkpoint 5 min. 1 > 0 :  30075   29925\r\n");
  EXPECT_EQ(quarter, 0U);
  ASSERT_NE(fiveMinutes, std::string::npos);
  EXPECT_NE(bytes.find("CERO en \xFAltimos 15 min en %:  6.00 \r\n"), std::string::npos);
  EXPECT_NE(bytes.find("UNO en \xFAltimos 5 min en %:  6.00 \r\n", fiveMinutes), std::string::npos);
}

TEST_F(StatisticsTest, CheckpointsStartTheirPeriodsAfresh) {
  prepare_quarter(90450, 89550, 13, 2, 15, 2);
  state_.fiveMinZeros = 30100;
  state_.fiveMinOnes = 29900;
  state_.fiveMinZeroDevSum = 40;
  state_.fiveMinZeroSeconds = 9;
  state_.fiveMinOneDevSum = 30;
  state_.fiveMinOneSeconds = 8;
  quarter_checkpoint(state_, display_, log_);
  EXPECT_EQ(state_.fiveMinZeros, 30100) << "a quarter leaves the five minutes alone";
  five_minute_checkpoint(state_, display_, log_);
  ExperimentState fresh;
  for (const auto field : {&ExperimentState::quarterZeros, &ExperimentState::quarterOnes,
                           &ExperimentState::quarterZeroDevSum, &ExperimentState::quarterOneDevSum,
                           &ExperimentState::quarterZeroSeconds, &ExperimentState::quarterOneSeconds,
                           &ExperimentState::fiveMinZeros, &ExperimentState::fiveMinOnes,
                           &ExperimentState::fiveMinZeroDevSum, &ExperimentState::fiveMinOneDevSum,
                           &ExperimentState::fiveMinZeroSeconds, &ExperimentState::fiveMinOneSeconds}) {
    EXPECT_EQ(state_.*field, fresh.*field);
  }
  EXPECT_EQ(state_.globalZeroAvgSum, 6);
  EXPECT_EQ(state_.globalOneAvgSum, 8.0F);
  EXPECT_EQ(state_.quarterZeroWins, 1);
}

// Three quarters won by zero, one and zero, with zero averages 6, 5, 7 and one
// averages 6, 7, 6.
TEST_F(StatisticsTest, GlobalAveragesDivideAllQuartersByTheWinsOfTheirSide) {
  prepare_quarter(90500, 89500, 600, 100, 594, 99);
  quarter_checkpoint(state_, display_, log_);
  prepare_quarter(89000, 91000, 500, 100, 700, 100);
  quarter_checkpoint(state_, display_, log_);
  prepare_quarter(90300, 89700, 14, 2, 6, 1);
  quarter_checkpoint(state_, display_, log_);

  EXPECT_EQ(state_.globalZeroAvgSum, 18);
  EXPECT_EQ(state_.quarterZeroWins, 2);
  EXPECT_EQ(state_.globalOneAvgSum, 19.0F);
  EXPECT_EQ(state_.quarterOneWins, 1U);
  const std::string bytes = log_bytes();
  const std::string globalLines =
      "     Desvio medio global hacia el UNO en %: 19.00 \r\n"
      "     Desvio medio global hacia el CERO en %:  9.00 \r\n";
  EXPECT_EQ(bytes.substr(bytes.size() - globalLines.size()), globalLines);
}

TEST_F(StatisticsTest, BalancedQuarterAddsBothAveragesAndCountsNoWin) {
  prepare_quarter(90000, 90000, 30, 5, 21, 3);
  quarter_checkpoint(state_, display_, log_);
  EXPECT_EQ(display_.events, (Events{"dot 5 115 2 FFFFFF"}));
  EXPECT_EQ(state_.globalZeroAvgSum, 6);
  EXPECT_EQ(state_.globalOneAvgSum, 7.0F);
  EXPECT_EQ(state_.quarterZeroWins, 0);
  EXPECT_EQ(state_.quarterOneWins, 0U);
  EXPECT_NE(log_bytes().find("\r\n     0 <=> 1 Equilibrio"), std::string::npos);
}

TEST_F(StatisticsTest, SideWithoutLeaningPassesAddsAnAverageOfZero) {
  prepare_quarter(99000, 81000, 1800, 90, 0, 0);
  state_.globalOneAvgSum = 4.0F;
  quarter_checkpoint(state_, display_, log_);
  EXPECT_EQ(state_.globalOneAvgSum, 4.0F);
  EXPECT_EQ(state_.globalZeroAvgSum, 20);
  EXPECT_EQ(display_.events, (Events{"dot 5 135 2 8888DD"}));
}

TEST_F(StatisticsTest, FiveMinuteDotsTakeTheLegendStyles) {
  const struct {
    std::int32_t zeros, ones;
    std::string dot;
    std::string heading;
  } cases[] = {
      {30075, 29925, "dot 5 116 1 4444DD", " checkpoint 5 min. 0 > 1 :  30075   29925\r\n"},
      {33000, 27000, "dot 5 135 1 4444DD", " checkpoint 5 min. 0 > 1 :  33000   27000\r\n"},
      {29925, 30075, "dot 5 114 1 DD4444", " checkpoint 5 min. 1 > 0 :  30075   29925\r\n"},
      {30000, 30000, "dot 5 115 1 FFFFFF", " checkpoint 5min. 0 = 1 :  30000    30000\r\n"},
  };
  for (const auto& c : cases) {
    state_.checkpointX = 5;
    state_.fiveMinZeros = c.zeros;
    state_.fiveMinOnes = c.ones;
    display_.events.clear();
    five_minute_checkpoint(state_, display_, log_);
    EXPECT_EQ(display_.events, Events{c.dot});
    const std::string bytes = log_bytes();
    const std::string lastRecord = bytes.substr(bytes.rfind("12-05-2026 - "));
    EXPECT_EQ(lastRecord.substr(21, c.heading.size()), c.heading);
  }
}

TEST_F(StatisticsTest, CycleEndDrawsANewWindowAndRestartsTheCycleClock) {
  testing::SteppingClock clock(0.0L, 0.0L);
  BitSource bits;
  BitSource twin;
  bits.seed_random(testing::kTestKey);
  twin.seed_random(testing::kTestKey);
  state_.cycleMinute = 720;
  state_.checkpointX = 725;
  state_.checkpointY = 97;
  state_.cyclesCompleted = 2;
  state_.secondsElapsed = 129603;
  state_.quarterZeros = 1234;
  state_.globalZeroAvgSum = 30;
  state_.quarterZeroWins = 3;
  wallClock_.set({2026, 12, 7, 10, 0, 3});

  cycle_end(state_, display_, log_, bits);

  const std::int32_t biasBit = twin.random_below(2);
  EXPECT_EQ(state_.biasBit, biasBit);
  EXPECT_EQ(state_.biasStartMinute, twin.random_below(600) + 10);
  EXPECT_EQ(state_.cycleMinute, 0);
  EXPECT_EQ(state_.minuteSecond, 0);
  EXPECT_EQ(state_.checkpointX, 5);
  EXPECT_EQ(state_.checkpointY, 0);
  EXPECT_EQ(state_.cyclesCompleted, 3);
  EXPECT_EQ(state_.secondsElapsed, 129603);
  EXPECT_EQ(state_.quarterZeros, 1234);
  EXPECT_EQ(display_.events, (Events{"redraw 3 none 10 12-05-2026 22:00:00"}));
  EXPECT_EQ(log_bytes(), "12-07-2026ciclos de 12 horas completados:  3\r\n");
}

}  // namespace
}  // namespace novabit
