// The driver through its devices: start-up, the order of a pass, the
// BiasWindow, the cycle clock, the pacing and the space bar.

#include "experiment/experiment_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "experiment/bias_window.h"
#include "experiment/test_doubles.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::FixedWallClock;
using testing::PassCounts;
using testing::RecordingDisplay;
using testing::ScriptedClock;
using testing::ScriptedKeys;
using testing::SteppingClock;
using testing::WorkingDirectory;

using Events = std::vector<std::string>;

constexpr long double kStep = 1.0L / 64;
const LocalTime kStartTime{2026, 12, 5, 22, 10, 0};
const char* const kLogName = "estudio_12-05-2026";

// One driver with a recording display in a fresh working directory.
struct Rig {
  Rig(SecondsClock& clock, KeySource& keys) : driver({display, printer, bits, clock, wallClock, keys, sealer}) {
    channels.set_durable_writes(false);
  }

  WorkingDirectory directory;
  ChannelTable channels{nullptr, nullptr};
  Printer printer{channels};
  FixedWallClock wallClock{kStartTime};
  RecordingDisplay display;
  BitSource bits;
  GivenKey sealer{testing::kTestKey};
  ExperimentDriver driver;
};

// What a pass shows from its StatusLine to its separator.
Events pass_events(const RecordingDisplay& display, std::int32_t pass) {
  const std::string status = "status " + std::to_string(pass) + " ";
  auto begin = std::find_if(display.events.begin(), display.events.end(),
                            [&](const std::string& event) { return event.rfind(status, 0) == 0; });
  auto end = std::find(begin, display.events.end(), "separator");
  if (begin == display.events.end() || end == display.events.end()) return {};
  return Events(begin + 1, end + 1);
}

// A generator in the state the driver's is in after start-up, seeded alike.
BitSource twin_after_start_up() {
  BitSource twin;
  twin.seed_random(testing::kTestKey);
  twin.random_below(580);
  twin.random_below(2);
  return twin;
}

// The counts a pass would have without forcing, drawn from the twin.
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

TEST(DriverStartUpTest, ShowsTheFrameOpensAnEmptyLogThenSeedsAndDrawsTheWindow) {
  SteppingClock clock(1000.75L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);

  EXPECT_EQ(rig.display.events, (Events{"frame 12-05-2026 22:10:00", "side panel 0"}));
  EXPECT_EQ(rig.driver.study_log_name(), kLogName);
  EXPECT_TRUE(std::filesystem::exists(rig.directory.path() / kLogName));
  EXPECT_EQ(file_bytes(rig.directory.path() / kLogName), "");
  EXPECT_EQ(clock.readings(), 0);

  const ExperimentState& state = rig.driver.state();
  EXPECT_EQ(state.logFileNumber, 1);
  EXPECT_EQ(state.startDate, "12-05-2026");
  EXPECT_EQ(state.startTime, "22:10:00");
  EXPECT_EQ(state.secondsElapsed, 1);
  EXPECT_EQ(state.checkpointX, 5);
  EXPECT_EQ(state.cycleMinute, 0);

  // The seed is the clock's whole second: 1000.75 seeds as 1000.
  BitSource twin;
  twin.seed_random(testing::kTestKey);
  EXPECT_EQ(state.biasStartMinute, twin.random_below(580) + 60);
  EXPECT_EQ(state.biasBit, twin.random_below(2));
}

TEST(DriverStartUpTest, ReportsALogThatCannotBeCreatedAndDrawsNothing) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  std::filesystem::create_directory(rig.directory.path() / kLogName);
  EXPECT_EQ(rig.driver.start(), StartResult::log_not_created);
  EXPECT_EQ(rig.driver.study_log_name(), kLogName);
  EXPECT_EQ(clock.readings(), 0);
  EXPECT_EQ(rig.channels.open_failure().rfind(kLogName, 0), 0U) << rig.channels.open_failure();
}

TEST(DriverStartUpTest, AnEarlierLogOfTheSameDateIsKeptAside) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  std::ofstream(rig.directory.path() / kLogName, std::ios::binary) << "earlier run\r\n";
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  EXPECT_EQ(file_bytes(rig.directory.path() / (std::string(kLogName) + ".1")), "earlier run\r\n");
  EXPECT_EQ(file_bytes(rig.directory.path() / kLogName), "");
}

TEST(DriverPassTest, ShowsBitsStatusDeviationPointAndSeparatorInOrder) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.display.events.clear();
  BitSource twin = twin_after_start_up();
  const TwinPass expected = twin_pass(twin);

  EXPECT_EQ(rig.driver.run(1), RunEnd::pass_limit);

  const PassCounts counts = expected.counts;
  const auto leaning = counts.zeros > counts.ones   ? "4444FF"
                       : counts.zeros < counts.ones ? "FF4444"
                                                    : "FFFFFF";
  const std::int32_t deviation = std::max(counts.zeros, counts.ones) - 100;
  EXPECT_EQ(rig.display.events,
            (Events{"bits " + expected.bits,
                    "status 1 " + std::to_string(counts.zeros) + " " + std::to_string(counts.ones),
                    "deviation " + std::to_string(counts.zeros) + " " + std::to_string(counts.ones) + " " +
                        std::to_string(deviation),
                    std::string("point 0 0 ") + leaning, "separator"}));
  const ExperimentState& state = rig.driver.state();
  EXPECT_EQ(state.secondsElapsed, 2);
  EXPECT_EQ(state.minuteSecond, 1);
  EXPECT_EQ(state.zerosThisSecond + state.onesThisSecond, 0);
  EXPECT_EQ(state.fiveMinZeros, counts.zeros);
  EXPECT_EQ(state.quarterOnes, counts.ones);
  EXPECT_EQ(state.bitIndex, 201);
}

TEST(DriverPassTest, Pass900RunsTheQuarterCheckpointBeforeTheFiveMinuteOne) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(900);

  const Events pass = pass_events(rig.display, 900);
  ASSERT_EQ(pass.size(), 5U);
  EXPECT_EQ(pass[1], "point 14 59 " + pass[1].substr(12));
  EXPECT_EQ(pass[2].substr(0, 7), "dot 15 ");
  EXPECT_EQ(pass[2].substr(pass[2].size() - 9, 2), " 2");
  EXPECT_EQ(pass[3].substr(0, 7), "dot 15 ");
  EXPECT_EQ(pass[3].substr(pass[3].size() - 9, 2), " 1");
  EXPECT_EQ(pass[4], "separator");
  EXPECT_EQ(rig.driver.state().checkpointX, 20);

  // Three five-minute records, then the quarter's before the third one's.
  const std::string log = file_bytes(rig.directory.path() / kLogName);
  std::vector<char> kinds;
  for (std::size_t line = 0; line < log.size(); line = log.find("\r\n", line) + 2) {
    if (log.compare(line, 5, ">>>>>") == 0) kinds.push_back('Q');
    if (log.compare(line, 10, "12-05-2026") == 0) kinds.push_back('F');
  }
  EXPECT_EQ(kinds, (std::vector<char>{'F', 'F', 'Q', 'F'}));
}

TEST(BiasWindowTest, ForcesOnlyStrictlyInsideTheWindowAndOnlyOnDrawTen) {
  const struct {
    std::int32_t cycleMinute, biasDraw;
    bool forced;
  } cases[] = {{99, 10, false},  {100, 10, false}, {101, 10, true}, {150, 10, true}, {199, 10, true},
               {200, 10, false}, {201, 10, false}, {150, 9, false}, {101, 9, false}, {150, 1, false}};
  for (const auto& c : cases) {
    ExperimentState state;
    state.biasStartMinute = 100;
    state.cycleMinute = c.cycleMinute;
    state.biasDraw = c.biasDraw;
    EXPECT_EQ(pass_is_forced(state), c.forced) << c.cycleMinute << " " << c.biasDraw;
  }
}

// Runs `passes` passes from `firstMinute` with the window starting at 100 and
// compares every pass with the unforced twin: forced passes show 200 of the
// forced value, all others exactly the twin's counts.
void check_forcing(std::int32_t firstMinute, std::int32_t passes, std::int32_t biasBit,
                   std::int32_t forcedMinute) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.state().biasStartMinute = 100;
  rig.driver.state().biasBit = biasBit;
  rig.driver.state().cycleMinute = firstMinute;
  rig.driver.run(passes);

  BitSource twin = twin_after_start_up();
  int forcedPasses = 0;
  for (std::int32_t pass = 0; pass < passes; ++pass) {
    const TwinPass unforced = twin_pass(twin);
    const bool forced = firstMinute + pass / 60 == forcedMinute && unforced.biasDraw == 10;
    const PassCounts expected = !forced ? unforced.counts : biasBit == 0 ? PassCounts{200, 0} : PassCounts{0, 200};
    forcedPasses += forced;
    EXPECT_EQ(rig.display.passes.at(static_cast<std::size_t>(pass)), expected) << "pass " << pass;
  }
  EXPECT_GT(forcedPasses, 0);
}

TEST(BiasWindowTest, FirstMinuteInsideIsForcedAndLaterPassesDrawAsUnforced) { check_forcing(99, 180, 1, 101); }

TEST(BiasWindowTest, LastMinuteInsideIsForcedAndTheWindowsEndIsNot) { check_forcing(199, 120, 0, 199); }

TEST(CycleClockTest, ACycleIs43201PassesAndItsEndRestartsTheGraph) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(43500);

  EXPECT_EQ(pass_events(rig.display, 43200)[1].substr(0, 13), "point 719 59 ");
  EXPECT_EQ(pass_events(rig.display, 43200)[2].substr(0, 8), "dot 720 ");
  EXPECT_EQ(pass_events(rig.display, 43200)[3].substr(0, 8), "dot 720 ");
  const Events last = pass_events(rig.display, 43201);
  ASSERT_EQ(last.size(), 4U);
  EXPECT_EQ(last[1].substr(0, 12), "point 720 0 ");
  EXPECT_EQ(last[2].substr(0, 9), "redraw 1 ");
  EXPECT_EQ(pass_events(rig.display, 43202)[1].substr(0, 10), "point 0 0 ");
  EXPECT_EQ(pass_events(rig.display, 43500)[2].substr(0, 6), "dot 5 ");

  const std::string log = file_bytes(rig.directory.path() / kLogName);
  EXPECT_NE(log.find("\r\n12-05-2026ciclos de 12 horas completados:  1\r\n"), std::string::npos);
  EXPECT_EQ(rig.driver.state().cyclesCompleted, 1);
  EXPECT_EQ(rig.driver.state().secondsElapsed, 43501);
}

// Readings: the seed, then each pass's start and its wait.
struct PacingCase {
  long double firstReading;
  long double firstEnd;
  long double secondEnd;
};

TEST(PacingTest, PassesEndOnTheClocksWholeSeconds) {
  const PacingCase cases[] = {
      {1000.2L, 1001.0L, 1002.0L},  // a start below the half ends at the next whole second
      {1000.7L, 1002.0L, 1003.0L},  // one above it at the second after
      {1000.5L, 1001.0L, 1002.0L},  // halves round to even: 1000
      {1001.5L, 1003.0L, 1004.0L},  // 1002
      {1002.5L, 1003.0L, 1004.0L},  // 1002
  };
  for (const PacingCase& c : cases) {
    ScriptedClock clock({c.firstReading, c.firstReading}, kStep / 4);
    ScriptedKeys keys;
    Rig rig(clock, keys);
    ASSERT_EQ(rig.driver.start(), StartResult::ready);
    for (const long double end : {c.firstEnd, c.secondEnd}) {
      rig.driver.run(1);
      const std::size_t last = clock.readings_taken() - 1;
      EXPECT_GE(clock.reading(last), end) << static_cast<double>(c.firstReading);
      EXPECT_LT(clock.reading(last - 1), end) << static_cast<double>(c.firstReading);
    }
  }
}

TEST(PacingTest, AKeyIsReadAfterEveryReadingShortOfTheSecond) {
  ScriptedClock clock({1000.25L}, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(1);
  const auto waitReadings = static_cast<std::int64_t>(clock.readings_taken()) - 1;
  EXPECT_EQ(waitReadings, 48);  // 1000.265625 .. 1001.0 in steps of 1/64
  EXPECT_EQ(keys.polls(), 200 + waitReadings - 1);
}

TEST(PacingTest, AnOverrunningPassStartsTheNextAtOnce) {
  ScriptedClock clock({1000.2L, 1001.7L, 1001.7L, 1001.75L}, kStep);
  ScriptedKeys keys;
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(1);
  EXPECT_EQ(clock.readings_taken(), 2U);
  EXPECT_EQ(keys.polls(), 200);
  rig.driver.run(1);
  EXPECT_EQ(rig.driver.state().secondStart, 1002);
  EXPECT_GE(clock.reading(clock.readings_taken() - 1), 1003.0L);
}

TEST(SpaceKeyTest, SpaceInTheBitLoopEndsBeforeTheNextBit) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys([](std::int64_t poll) { return poll == 50 ? " " : ""; });
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  EXPECT_EQ(rig.driver.run(), RunEnd::space_key);
  EXPECT_EQ(rig.display.bitsPrinted, 50);
  EXPECT_EQ(rig.display.events.back(), "bits " + rig.display.events.back().substr(5, 50));
  EXPECT_EQ(keys.polls(), 51);
  EXPECT_EQ(rig.driver.state().secondsElapsed, 1);
}

TEST(SpaceKeyTest, SpaceInTheWaitEndsAtThatPoll) {
  SteppingClock clock(1000.25L, kStep);
  ScriptedKeys keys([](std::int64_t poll) { return poll == 210 ? " " : ""; });
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  EXPECT_EQ(rig.driver.run(), RunEnd::space_key);
  EXPECT_EQ(rig.display.events.back(), "separator");
  EXPECT_EQ(rig.display.passes.size(), 1U);
  EXPECT_EQ(clock.readings(), 1 + 11);  // pass start, eleven wait readings
  EXPECT_EQ(keys.polls(), 211);
}

TEST(SpaceKeyTest, OtherKeysAreSwallowed) {
  SteppingClock clock(1000.25L, kStep);
  const std::string keysTyped[] = {"a", "  ", std::string("\0;", 2), "\r", "\x1B", " a"};
  ScriptedKeys keys([&](std::int64_t poll) { return keysTyped[poll % 6]; });
  Rig rig(clock, keys);
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  EXPECT_EQ(rig.driver.run(3), RunEnd::pass_limit);
  EXPECT_EQ(rig.display.passes.size(), 3U);
}

TEST(RunTest, BoundedRunsContinueWhereTheLastOneStopped) {
  SteppingClock clockA(1000.25L, kStep);
  SteppingClock clockB(1000.25L, kStep);
  ScriptedKeys keysA;
  ScriptedKeys keysB;
  Rig whole(clockA, keysA);
  Rig pieces(clockB, keysB);
  ASSERT_EQ(whole.driver.start(), StartResult::ready);
  ASSERT_EQ(pieces.driver.start(), StartResult::ready);
  whole.driver.run(7);
  pieces.driver.run(3);
  pieces.driver.run(4);
  EXPECT_EQ(pieces.display.events, whole.display.events);
  EXPECT_EQ(clockB.readings(), clockA.readings());
}

}  // namespace
}  // namespace novabit
