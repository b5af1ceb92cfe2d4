// The driver through its devices: start-up, the order of a pass, the pacing
// and the space bar; and the rounding of its arithmetic. Whole runs against the
// model of the study log show the periods, the cycle and the hidden window.

#include "experiment/experiment_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "experiment/checkpoint_arithmetic.h"
#include "replay/given_key.h"
#include "support/fakes.h"
#include "support/files.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::PassCounts;
using testing::ScriptedKeys;
using testing::SteppingClock;

using Events = std::vector<std::string>;

constexpr long double kStep = 1.0L / 64;
const char* const kLogName = "estudio_12-05-2026";

// One driver with a recording listener in a fresh working directory.
struct Rig {
  Rig(SecondsClock& clock, KeySource& keys, Pace pace = Pace::poll)
      : driver({events, printer, bits, clock, wallClock, keys, sealer}, {.pace = pace}) {
    channels.set_durable_writes(false);
  }

  testing::ScratchDirectory directory{true};
  ChannelTable channels{nullptr, nullptr};
  Printer printer{channels};
  testing::FixedWallClock wallClock{LocalTime{2026, 12, 5, 22, 10, 0}};
  testing::RecordingEvents events;
  BitSource bits;
  GivenKey sealer{testing::kTestKey};
  ExperimentDriver driver;
};

// The draws of a pass from a twin of the driver's generator, unforced.
struct TwinPass {
  std::int32_t biasDraw;
  PassCounts counts;
  std::string bits;
};
TwinPass twin_pass(BitSource& twin) {
  TwinPass pass{twin.random_below(10) + 1, {}, {}};
  for (int i = 0; i < 200; ++i) {
    const std::int32_t bit = twin.random_below(2);
    (bit == 0 ? pass.counts.zeros : pass.counts.ones) += 1;
    pass.bits += static_cast<char>('0' + bit);
  }
  return pass;
}

// The driver's generator after start-up: keyed, then the window's two draws.
BitSource twin_after_start_up() {
  BitSource twin;
  twin.seed_random(testing::kTestKey);
  twin.random_below(580);
  twin.random_below(2);
  return twin;
}

TEST(DriverTest, StartsUpWithoutReadingTheClockAndRunsAPassInOrder) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_TRUE(rig.driver.start());
  EXPECT_EQ(rig.events.events, (Events{"start 12-05-2026 22:10:00"}));
  EXPECT_EQ(file_bytes(kLogName), "");
  EXPECT_EQ(clock.readings(), 0);
  BitSource window;
  window.seed_random(testing::kTestKey);
  EXPECT_EQ(rig.driver.state().biasStartMinute, window.random_below(580) + 60);
  EXPECT_EQ(rig.driver.state().biasBit, window.random_below(2));

  rig.events.events.clear();
  BitSource twin = twin_after_start_up();
  const TwinPass expected = twin_pass(twin);
  EXPECT_EQ(rig.driver.run(1), RunEnd::pass_limit);
  const PassCounts counts = expected.counts;
  EXPECT_EQ(rig.events.events, (Events{"bits " + expected.bits,
                                       "second 1 " + std::to_string(counts.zeros) + " " + std::to_string(counts.ones) + " " +
                                           std::to_string(std::max(counts.zeros, counts.ones) - 100) + " 0 0",
                                       "end"}));
}

// A pass ends at the first reading a whole second after its start rounded half
// to even, whether the wait polls or sleeps (on a clock that wakes it 1.5 ms
// late): the sleep never passes the second. A key is read after every reading
// short of it, at most 50 ms apart, and the sleeping wait reads the clock a
// few dozen times a pass, not thousands. (A pass that overruns its second:
// ProgramTest.EverySecondIsAccountedFor.)
TEST(DriverTest, PassesEndOnTheClocksWholeSeconds) {
  constexpr long double kFine = 1.0L / 4096;
  const struct {
    long double firstReading, firstEnd;
  } cases[] = {{1000.2L, 1001}, {1000.7L, 1002}, {1000.5L, 1001}, {1001.5L, 1003}};
  for (const auto& c : cases) {
    for (const Pace pace : {Pace::poll, Pace::sleep}) {
      SteppingClock clock(c.firstReading, kFine, 0.0015L);
      long double lastPoll = c.firstReading, longestGap = 0;
      ScriptedKeys keys([&](std::int64_t) {
        longestGap = std::max(longestGap, clock.now() - std::exchange(lastPoll, clock.now()));
        return Key::other;
      });
      Rig rig(clock, keys, pace);
      ASSERT_TRUE(rig.driver.start());
      for (const long double end : {c.firstEnd, c.firstEnd + 1}) {
        rig.driver.run(1);
        EXPECT_GE(clock.now() - kFine, end) << static_cast<double>(c.firstReading);
        EXPECT_LT(clock.now() - kFine, end + kFine) << static_cast<double>(c.firstReading);
      }
      EXPECT_EQ(keys.polls(), 400 + clock.readings() - 4);
      EXPECT_LE(longestGap, 0.05L);
      EXPECT_LT(clock.readings(), pace == Pace::sleep ? 200 : 20000);
    }
  }
}

// The space bar and a stop request end the run: in the bit loop before the
// next bit, in the wait at that poll, asleep or not. Every other key is swallowed.
TEST(DriverTest, OnlyTheSpaceBarOrAStopEndsTheRun) {
  for (const auto& [endingPoll, key, end, pace] :
       {std::tuple{50, Key::space, RunEnd::space_key, Pace::poll}, std::tuple{210, Key::stop, RunEnd::stop_requested, Pace::poll},
        std::tuple{205, Key::space, RunEnd::space_key, Pace::sleep},
        std::tuple{215, Key::stop, RunEnd::stop_requested, Pace::sleep}}) {
    SteppingClock clock(1000.25L, kStep);
    ScriptedKeys keys([&](std::int64_t poll) { return poll == endingPoll ? key : Key::other; });
    Rig rig(clock, keys, pace);
    ASSERT_TRUE(rig.driver.start());
    EXPECT_EQ(rig.driver.run(), end);
    EXPECT_EQ(keys.polls(), endingPoll + 1);
    EXPECT_EQ(rig.events.bitsCounted, std::min<std::int64_t>(endingPoll, 200));
    EXPECT_EQ(rig.events.passes.size(), endingPoll < 200 ? 0U : 1U);
  }
}

// A wall clock that crosses midnight between any two readings: each record's
// date and time are of one reading, never the date of one and the time of the next.
TEST(DriverTest, ARecordsDateAndTimeAreOfOneInstant) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_TRUE(rig.driver.start());
  rig.wallClock.set({2026, 12, 5, 23, 59, 59}, LocalTime{2026, 12, 6, 0, 0, 0});
  rig.driver.run(900);
  rig.channels.close_all_channels();
  const std::string log = file_bytes(kLogName);
  const std::regex stamp("..-..-2026 - ..:..:..");
  int records = 0;
  for (auto found = std::sregex_iterator(log.begin(), log.end(), stamp); found != std::sregex_iterator(); ++found, ++records) {
    EXPECT_TRUE(found->str() == "12-05-2026 - 23:59:59" || found->str() == "12-06-2026 - 00:00:00") << found->str();
  }
  EXPECT_EQ(records, 4);
}

// What whole runs hardly ever meet: halves rounded to even whatever the
// rounding mode.
TEST(CheckpointArithmetic, HalvesGoToEvenWhateverTheRoundingMode) {
  std::fesetround(FE_UPWARD);
  EXPECT_EQ(std::vector({nearest(6.5L), nearest(7.5L), nearest(116.5L), nearest(-1.5L), nearest(899999999.5L)}),
            std::vector({6, 8, 116, -2, 900000000}));
  std::fesetround(FE_TONEAREST);
}

}  // namespace
}  // namespace novabit
