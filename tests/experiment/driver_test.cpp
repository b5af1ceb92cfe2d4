// The driver through its devices: start-up, the order of a pass, the hidden
// window's forcing, the cycle clock, the pacing and the space bar.

#include "experiment/experiment_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "experiment/bias_window.h"
#include "support/fakes.h"
#include "support/files.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::PassCounts;
using testing::ScriptedClock;
using testing::ScriptedKeys;
using testing::SteppingClock;

using Events = std::vector<std::string>;

constexpr long double kStep = 1.0L / 64;
const char* const kLogName = "estudio_12-05-2026";

// One driver with a recording display in a fresh working directory.
struct Rig {
  Rig(SecondsClock& clock, KeySource& keys) : driver({display, printer, bits, clock, wallClock, keys, sealer}) {
    channels.set_durable_writes(false);
  }

  testing::ScratchDirectory directory{true};
  ChannelTable channels{nullptr, nullptr};
  Printer printer{channels};
  testing::FixedWallClock wallClock{LocalTime{2026, 12, 5, 22, 10, 0}};
  testing::RecordingDisplay display;
  BitSource bits;
  GivenKey sealer{testing::kTestKey};
  ExperimentDriver driver;
};

// What a pass shows from its StatusLine to its separator.
Events pass_events(const testing::RecordingDisplay& display, std::int32_t pass) {
  const std::string status = "status " + std::to_string(pass) + " ";
  auto begin = std::find_if(display.events.begin(), display.events.end(),
                            [&](const std::string& event) { return event.starts_with(status); });
  auto end = std::find(begin, display.events.end(), "separator");
  if (begin == display.events.end() || end == display.events.end()) return {};
  return Events(begin + 1, end + 1);
}

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
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  EXPECT_EQ(rig.display.events, (Events{"frame 12-05-2026 22:10:00", "side panel 0"}));
  EXPECT_EQ(file_bytes(kLogName), "");
  EXPECT_EQ(clock.readings(), 0);
  BitSource window;
  window.seed_random(testing::kTestKey);
  EXPECT_EQ(rig.driver.state().biasStartMinute, window.random_below(580) + 60);
  EXPECT_EQ(rig.driver.state().biasBit, window.random_below(2));

  rig.display.events.clear();
  BitSource twin = twin_after_start_up();
  const TwinPass expected = twin_pass(twin);
  EXPECT_EQ(rig.driver.run(1), RunEnd::pass_limit);
  const PassCounts counts = expected.counts;
  const auto colour = counts.zeros > counts.ones ? "4444FF" : counts.zeros < counts.ones ? "FF4444" : "FFFFFF";
  EXPECT_EQ(rig.display.events,
            (Events{"bits " + expected.bits,
                    "status 1 " + std::to_string(counts.zeros) + " " + std::to_string(counts.ones),
                    "deviation " + std::to_string(counts.zeros) + " " + std::to_string(counts.ones) + " " +
                        std::to_string(std::max(counts.zeros, counts.ones) - 100),
                    std::string("point 0 0 ") + colour, "separator"}));
}

TEST(DriverTest, PassNineHundredDrawsTheQuarterDotBeforeTheFiveMinuteDotAtOneX) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(900);
  const Events pass = pass_events(rig.display, 900);
  ASSERT_EQ(pass.size(), 5U);
  EXPECT_TRUE(pass[1].starts_with("point 14 59 "));
  EXPECT_TRUE(pass[2].starts_with("dot 15 ") && pass[2].ends_with(" 2 " + pass[2].substr(pass[2].size() - 6)));
  EXPECT_TRUE(pass[3].starts_with("dot 15 ") && pass[3].ends_with(" 1 " + pass[3].substr(pass[3].size() - 6)));
  EXPECT_EQ(rig.driver.state().checkpointX, 20);
}

TEST(DriverTest, ForcesOnlyStrictlyInsideTheWindowAndOnlyOnDrawTen) {
  const struct {
    std::int32_t cycleMinute, biasDraw;
    bool forced;
  } cases[] = {{100, 10, false}, {101, 10, true}, {199, 10, true}, {200, 10, false}, {150, 9, false}};
  for (const auto& c : cases) {
    ExperimentState state;
    state.biasStartMinute = 100;
    state.cycleMinute = c.cycleMinute;
    state.biasDraw = c.biasDraw;
    EXPECT_EQ(pass_is_forced(state), c.forced) << c.cycleMinute << " " << c.biasDraw;
  }
  // Run across each edge of a window at 100: forced passes show 200 of the
  // window's bit, all others exactly the unforced draws, which go on unchanged.
  for (const auto& [firstMinute, bit, forcedMinute] : {std::tuple{99, 1, 101}, std::tuple{199, 0, 199}}) {
    SteppingClock clock(1000.25L, kStep);
    ScriptedKeys keys;
    Rig rig(clock, keys);
    ASSERT_EQ(rig.driver.start(), StartResult::ready);
    rig.driver.state().biasStartMinute = 100;
    rig.driver.state().biasBit = bit;
    rig.driver.state().cycleMinute = firstMinute;
    rig.driver.run(180);
    BitSource twin = twin_after_start_up();
    int forcedPasses = 0;
    for (std::int32_t pass = 0; pass < 180; ++pass) {
      const TwinPass unforced = twin_pass(twin);
      const bool forced = firstMinute + pass / 60 == forcedMinute && unforced.biasDraw == 10;
      forcedPasses += forced;
      const PassCounts expected = !forced ? unforced.counts : bit == 0 ? PassCounts{200, 0} : PassCounts{0, 200};
      ASSERT_EQ(rig.display.passes.at(static_cast<std::size_t>(pass)), expected) << "pass " << pass;
    }
    EXPECT_GT(forcedPasses, 0);
  }
}

// A cycle is 43201 passes: after minute 719 comes one pass at 720, whose end
// redraws the graph; the checkpoints keep counting passes across it.
TEST(DriverTest, ACycleIs43201Passes) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(43500);
  EXPECT_TRUE(pass_events(rig.display, 43200)[2].starts_with("dot 720 "));
  const Events last = pass_events(rig.display, 43201);
  ASSERT_EQ(last.size(), 4U);
  EXPECT_TRUE(last[1].starts_with("point 720 0 "));
  EXPECT_TRUE(last[2].starts_with("redraw 1 "));
  EXPECT_TRUE(pass_events(rig.display, 43202)[1].starts_with("point 0 0 "));
  EXPECT_TRUE(pass_events(rig.display, 43500)[2].starts_with("dot 5 "));
}

// A pass ends at the first reading a whole second after its start rounded half
// to even; a key is read after every reading short of it; an overrunning pass
// starts the next at once.
TEST(DriverTest, PassesEndOnTheClocksWholeSeconds) {
  const struct {
    long double firstReading, firstEnd, secondEnd;
  } cases[] = {{1000.2L, 1001, 1002}, {1000.7L, 1002, 1003}, {1000.5L, 1001, 1002}, {1001.5L, 1003, 1004}};
  for (const auto& c : cases) {
    ScriptedClock clock({c.firstReading}, kStep / 4);
    ScriptedKeys keys;
    Rig rig(clock, keys);
    ASSERT_EQ(rig.driver.start(), StartResult::ready);
    for (const long double end : {c.firstEnd, c.secondEnd}) {
      rig.driver.run(1);
      const std::size_t last = clock.readings_taken() - 1;
      EXPECT_GE(clock.reading(last), end) << static_cast<double>(c.firstReading);
      EXPECT_LT(clock.reading(last - 1), end) << static_cast<double>(c.firstReading);
    }
    EXPECT_EQ(keys.polls(), 400 + static_cast<std::int64_t>(clock.readings_taken()) - 4);
  }
  ScriptedClock late({1000.2L, 1001.7L, 1001.7L, 1001.75L}, kStep);
  ScriptedKeys keys;
  Rig rig(late, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(1);
  EXPECT_EQ(late.readings_taken(), 2U);
  rig.driver.run(1);
  EXPECT_EQ(rig.driver.state().secondStart, 1002);
}

// Only a single space ends the run: in the bit loop before the next bit, in
// the wait at that poll. Every other key is swallowed.
TEST(DriverTest, OnlyTheSpaceBarEndsTheRun) {
  for (const std::int64_t spacePoll : {50, 210}) {
    SteppingClock clock(1000.25L, kStep);
    ScriptedKeys keys([&](std::int64_t poll) { return poll == spacePoll ? " " : ""; });
    Rig rig(clock, keys);
    ASSERT_EQ(rig.driver.start(), StartResult::ready);
    EXPECT_EQ(rig.driver.run(), RunEnd::space_key);
    EXPECT_EQ(keys.polls(), spacePoll + 1);
    EXPECT_EQ(rig.display.bitsPrinted, std::min<std::int64_t>(spacePoll, 200));
    EXPECT_EQ(rig.display.passes.size(), spacePoll < 200 ? 0U : 1U);
  }
  SteppingClock clock(1000.25L, kStep);
  const std::string typed[] = {"a", "  ", std::string("\0;", 2), "\r", "\x1B", " a", "\xFF\x6B"};
  ScriptedKeys keys([&](std::int64_t poll) { return typed[poll % 7]; });
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  EXPECT_EQ(rig.driver.run(3), RunEnd::pass_limit);
}

}  // namespace
}  // namespace novabit
