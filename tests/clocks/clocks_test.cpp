// The clocks of a run: the steady seconds clock of the live program, and the
// virtual clocks of a replay.

#include "clocks/virtual_clocks.h"

#include <gtest/gtest.h>

#include <chrono>

#include "clocks/seconds_clock.h"
#include "support/local_zone.h"

namespace novabit {
namespace {

TEST(Clocks, TheSteadyClockStartsAtTheWallClocksSecondsSince2000) {
  SteadySecondsClock clock;
  const auto wall = std::chrono::duration<long double>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_NEAR(static_cast<double>(clock.clock_seconds()), static_cast<double>(wall - kYear2000Epoch), 0.5);
}

// A replayed run's clocks: a reading at a whole second is followed by one just
// after it and that by the next whole second; the wall clock shows the start
// until the first reading, then the moment of the reading's whole second.
TEST(Clocks, TheSimulatedClocksPaceOnePassPerSecond) {
  const testing::LocalZone zone("Europe/Madrid");
  constexpr long double kWork = 1.0L / 1024;
  SimulatedSecondsClock clock(1000.75L);
  // 2026-03-29 01:59:59 in Madrid, the second before summer time begins, at reading 1000.
  const SimulatedWallClock wallClock(clock, 0, 1774745999 - 1000);
  EXPECT_EQ(wallClock.now().year, 1970);
  const struct {
    long double reading;
    int hour, minute, second;
  } expected[] = {{1000.75L, 1, 59, 59}, {1001, 3, 0, 0}, {1001 + kWork, 3, 0, 0}, {1002, 3, 0, 1}};
  for (const auto& step : expected) {
    EXPECT_EQ(clock.clock_seconds(), step.reading);
    const LocalTime now = wallClock.now();
    EXPECT_EQ(now.hour * 10000 + now.minute * 100 + now.second, step.hour * 10000 + step.minute * 100 + step.second);
  }
}

}  // namespace
}  // namespace novabit
