// The rounding and the quotients behind averages and dot heights.

#include "experiment/checkpoint_arithmetic.h"

#include <gtest/gtest.h>

#include <cfenv>

namespace novabit {
namespace {

TEST(NearestTest, RoundsHalvesToEven) {
  const struct {
    long double value;
    std::int32_t expected;
  } cases[] = {
      {6.5L, 6},       {7.5L, 8},         {115.5L, 116},     {116.5L, 116},    {114.5L, 114},
      {1234.5L, 1234}, {1235.5L, 1236},   {1000.2L, 1000},   {1000.7L, 1001},  {2.4999L, 2},
      {-0.5L, 0},      {-1.5L, -2},       {-2.5L, -2},       {-2.6L, -3},      {0.0L, 0},
      {1000.5L, 1000}, {1001.5L, 1002},   {899999999.5L, 900000000},
  };
  for (const auto& c : cases) EXPECT_EQ(nearest(c.value), c.expected) << static_cast<double>(c.value);
}

TEST(NearestTest, DoesNotDependOnTheRoundingMode) {
  std::fesetround(FE_UPWARD);
  const std::int32_t upward = nearest(6.5L);
  std::fesetround(FE_TONEAREST);
  EXPECT_EQ(upward, 6);
}

TEST(PeriodAverageTest, RoundsTheMeanDeviation) {
  const struct {
    std::int32_t sum, seconds, expected;
  } cases[] = {{13, 2, 6}, {15, 2, 8}, {2870, 470, 6}, {100, 1, 100}, {450, 100, 4}, {550, 100, 6}};
  for (const auto& c : cases) EXPECT_EQ(period_average(c.sum, c.seconds), c.expected) << c.sum << "/" << c.seconds;
}

TEST(PeriodAverageTest, APeriodWithoutLeaningPassesAveragesZero) { EXPECT_EQ(period_average(0, 0), 0); }

TEST(CheckpointYTest, OnePixelPerHundredthOfTheFullScale) {
  const struct {
    std::int32_t zeros, ones, fullScale, expected;
  } cases[] = {
      // Quarters: 90000 bits of each value expected.
      {90225, 89775, kQuarterFullScale, 116},   // Z - O = 450: 115.5
      {90675, 89325, kQuarterFullScale, 116},   // 1350: 116.5
      {91125, 88875, kQuarterFullScale, 118},   // 2250: 117.5
      {89775, 90225, kQuarterFullScale, 114},   // O - Z = 450: 114.5
      {89325, 90675, kQuarterFullScale, 114},   // 1350: 113.5
      {99000, 81000, kQuarterFullScale, 135},   // 18000
      {81000, 99000, kQuarterFullScale, 95},
      {90000, 90000, kQuarterFullScale, 115},
      {180000, 0, kQuarterFullScale, 315},
      // Five minutes: 30000 of each.
      {30075, 29925, kFiveMinuteFullScale, 116},  // 150: 115.5
      {30225, 29775, kFiveMinuteFullScale, 116},  // 450: 116.5
      {33000, 27000, kFiveMinuteFullScale, 135},  // 6000
      {29925, 30075, kFiveMinuteFullScale, 114},
      {30000, 30000, kFiveMinuteFullScale, 115},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(checkpoint_y(c.zeros, c.ones, c.fullScale), c.expected) << c.zeros << " " << c.ones;
  }
}

TEST(LeaningTest, TheLargerCountWins) {
  EXPECT_EQ(leaning_of(101, 99), Leaning::zero);
  EXPECT_EQ(leaning_of(99, 101), Leaning::one);
  EXPECT_EQ(leaning_of(100, 100), Leaning::balance);
}

TEST(GlobalAverageTest, DividesEachSideBySidesWins) {
  ExperimentState state;
  state.globalZeroAvgSum = 18;
  state.quarterZeroWins = 2;
  state.globalOneAvgSum = 19.0F;
  state.quarterOneWins = 1;
  EXPECT_EQ(global_zero_average(state), 9.0);
  EXPECT_EQ(global_one_average(state), 19.0);

  state.globalOneAvgSum = 25.0F;
  state.quarterOneWins = 3;
  EXPECT_EQ(global_one_average(state), 25.0 / 3.0);
}

TEST(GlobalAverageTest, NoWinGivesNoValue) {
  ExperimentState state;
  state.globalZeroAvgSum = 12;
  state.globalOneAvgSum = 7.0F;
  EXPECT_EQ(global_zero_average(state), std::nullopt);
  EXPECT_EQ(global_one_average(state), std::nullopt);
}

TEST(GlobalAverageTest, TheOneSideCountsWinsUnsigned) {
  ExperimentState state;
  state.globalOneAvgSum = 16777216.0F;  // 2^24: the float's last exact step of 1
  state.quarterOneWins = std::uint64_t{1} << 63;
  EXPECT_EQ(global_one_average(state), 16777216.0 / 9223372036854775808.0);
}

}  // namespace
}  // namespace novabit
