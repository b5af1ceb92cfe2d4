#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "textio/seconds_clock.h"
#include "textio/wall_clock.h"

namespace novabit {
namespace {

long double wall_seconds_since_2000() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<long double>(now).count() - 946684800.0L;
}

TEST(SteadySecondsClock, StartsAtTheWallClockSecondsSince2000) {
  SteadySecondsClock clock;
  const long double before = wall_seconds_since_2000();
  const long double first = clock.clock_seconds();
  const long double after = wall_seconds_since_2000();
  EXPECT_GE(first, before);
  EXPECT_LE(first, after);
}

TEST(SteadySecondsClock, NeverDecreasesAndPassesAWholeSecond) {
  SteadySecondsClock clock;
  const long double start = clock.clock_seconds();
  const long double boundary = std::floor(start) + 1;
  long double previous = start;
  long double reading = start;
  while (reading < boundary) {
    reading = clock.clock_seconds();
    ASSERT_GE(reading, previous);
    previous = reading;
  }
  // Generous: on a loaded machine the poller itself may wait for the processor.
  EXPECT_LT(reading - boundary, 0.25L);
}

TEST(SystemWallClock, ReadsTheLocalCalendar) {
  const LocalTime now = SystemWallClock{}.now();
  EXPECT_GE(now.year, 2024);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
  EXPECT_LE(now.second, 60);
  EXPECT_EQ(date_text(now).size(), 10u);
  EXPECT_EQ(time_text(now).size(), 8u);
}

}  // namespace
}  // namespace novabit
