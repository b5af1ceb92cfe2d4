// The clocks of a replayed run: readings that pace one pass per whole second
// and a wall clock that follows them in local time.

#include "textio/virtual_clocks.h"

#include <gtest/gtest.h>

#include <vector>

#include "textio/local_zone.h"

namespace novabit {
namespace {

using testing::LocalZone;

constexpr long double kWork = 1.0L / 1024;

TEST(SimulatedSecondsClockTest, AWholeSecondIsFollowedByJustAfterItAndThatByTheNextWholeSecond) {
  SimulatedSecondsClock clock(1000);
  const std::vector<long double> expected = {1000.0L, 1000.0L + kWork, 1001.0L, 1001.0L + kWork, 1002.0L};
  for (const long double reading : expected) EXPECT_EQ(clock.clock_seconds(), reading);
}

TEST(SimulatedSecondsClockTest, StartedAtAFractionGoesToTheNextWholeSecond) {
  SimulatedSecondsClock clock(1000.75L);
  EXPECT_FALSE(clock.last_whole_second());
  const std::vector<long double> expected = {1000.75L, 1001.0L, 1001.0L + kWork, 1002.0L};
  for (const long double reading : expected) EXPECT_EQ(clock.clock_seconds(), reading);
  EXPECT_EQ(clock.last_whole_second(), 1002);
}

TEST(SimulatedSecondsClockTest, StaysExactFarFromItsOrigin) {
  SimulatedSecondsClock clock(2147483000);
  for (int reading = 0; reading < 1200; ++reading) clock.clock_seconds();
  EXPECT_EQ(clock.clock_seconds(), 2147483600.0L);
  EXPECT_EQ(clock.clock_seconds(), 2147483600.0L + kWork);
}

TEST(SimulatedWallClockTest, ShowsTheStartPlusTheElapsedSecondsInLocalTime) {
  const LocalZone zone("Europe/Madrid");
  // 2026-03-29 01:59:59 in Madrid, one second before summer time begins.
  const std::time_t start = 1774745999;
  SimulatedSecondsClock clock(0);
  const SimulatedWallClock wallClock(clock, start, start);
  const struct {
    int hour, minute, second;
  } expected[] = {{1, 59, 59}, {1, 59, 59}, {3, 0, 0}, {3, 0, 0}, {3, 0, 1}};
  EXPECT_EQ(wallClock.now().hour, 1);
  for (const auto& time : expected) {
    clock.clock_seconds();
    const LocalTime now = wallClock.now();
    EXPECT_EQ(now.year * 10000 + now.month * 100 + now.day, 20260329);
    EXPECT_EQ(now.hour * 10000 + now.minute * 100 + now.second, time.hour * 10000 + time.minute * 100 + time.second);
  }
}

}  // namespace
}  // namespace novabit
