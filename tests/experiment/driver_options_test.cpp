// What a tool may change about a run: the observer of bits and passes, the
// BiasWindow switch and the study log's directory.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "experiment/experiment_driver.h"
#include "experiment/test_doubles.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::FixedWallClock;
using testing::PassCounts;
using testing::RecordingDisplay;
using testing::ScriptedKeys;
using testing::SteppingClock;
using testing::WorkingDirectory;

struct SeenPass {
  std::int32_t secondsElapsed, cycleMinute, minuteSecond, biasStartMinute, biasBit;
  PassCounts counts;
  bool forced;
};

class WatchingObserver final : public PassObserver {
 public:
  std::string bits;
  std::vector<SeenPass> passes;
  void bit_counted(std::int32_t bit) override { bits += static_cast<char>('0' + bit); }
  void pass_counted(const ExperimentState& state, bool forced) override {
    passes.push_back({state.secondsElapsed, state.cycleMinute, state.minuteSecond, state.biasStartMinute,
                      state.biasBit, {state.zerosThisSecond, state.onesThisSecond}, forced});
  }
};

struct Rig {
  explicit Rig(DriverOptions options) : driver({display, printer, bits, clock, wallClock, keys, sealer}, std::move(options)) {
    channels.set_durable_writes(false);
  }
  WorkingDirectory directory;
  ChannelTable channels{nullptr, nullptr};
  Printer printer{channels};
  FixedWallClock wallClock{LocalTime{2026, 12, 5, 22, 10, 0}};
  SteppingClock clock{1000.25L, 1.0L / 64};
  ScriptedKeys keys;
  RecordingDisplay display;
  BitSource bits;
  GivenKey sealer{testing::kTestKey};
  ExperimentDriver driver;
};

// The bits printed on the display, in order.
std::string printed_bits(const RecordingDisplay& display) {
  std::string bits;
  for (const std::string& event : display.events) {
    if (event.rfind("bits ", 0) == 0) bits += event.substr(5);
  }
  return bits;
}

// The draws of the passes after start-up, unforced, from a generator seeded alike.
struct TwinPass {
  std::int32_t biasDraw;
  std::string bits;
};
std::vector<TwinPass> twin_passes(int count) {
  BitSource twin;
  twin.seed_random(testing::kTestKey);
  twin.random_below(580);
  twin.random_below(2);
  std::vector<TwinPass> passes;
  for (int pass = 0; pass < count; ++pass) {
    TwinPass drawn{twin.random_below(10) + 1, {}};
    for (int bit = 0; bit < 200; ++bit) drawn.bits += static_cast<char>('0' + twin.random_below(2));
    passes.push_back(drawn);
  }
  return passes;
}

TEST(PassObserverTest, SeesEveryBitAsCountedAndEachPassWithItsCountsAndPlace) {
  WatchingObserver observer;
  Rig rig(DriverOptions{.observer = &observer});
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(61);

  EXPECT_EQ(observer.bits.size(), 61U * 200);
  EXPECT_EQ(observer.bits, printed_bits(rig.display));
  ASSERT_EQ(observer.passes.size(), 61U);
  for (std::size_t pass = 0; pass < observer.passes.size(); ++pass) {
    const SeenPass& seen = observer.passes[pass];
    EXPECT_EQ(seen.secondsElapsed, static_cast<std::int32_t>(pass + 1));
    EXPECT_EQ(seen.cycleMinute * 60 + seen.minuteSecond, static_cast<std::int32_t>(pass));
    EXPECT_EQ(seen.counts, rig.display.passes[pass]);
    EXPECT_EQ(seen.biasStartMinute, rig.driver.state().biasStartMinute);
    EXPECT_FALSE(seen.forced);  // the window starts at minute 60 at the earliest
  }
}

// Passes in minute 101, inside a window that starts at 100, with the forcing
// on or off: what the observer and the display see, against the unforced draws.
void check_minute_inside_the_window(bool biasEnabled) {
  WatchingObserver observer;
  Rig rig(DriverOptions{.biasEnabled = biasEnabled, .observer = &observer});
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.state().biasStartMinute = 100;
  rig.driver.state().biasBit = 1;
  rig.driver.state().cycleMinute = 101;
  rig.driver.run(60);

  const std::vector<TwinPass> twins = twin_passes(60);
  int forcedPasses = 0;
  for (std::size_t pass = 0; pass < twins.size(); ++pass) {
    const bool forced = biasEnabled && twins[pass].biasDraw == 10;
    forcedPasses += twins[pass].biasDraw == 10;
    EXPECT_EQ(observer.passes[pass].forced, forced) << "pass " << pass;
    EXPECT_EQ(observer.bits.substr(pass * 200, 200), forced ? std::string(200, '1') : twins[pass].bits)
        << "pass " << pass;
  }
  EXPECT_GT(forcedPasses, 0);
  EXPECT_EQ(observer.bits, printed_bits(rig.display));
}

TEST(BiasSwitchTest, OnForcedPassesShowTheForcedValue) { check_minute_inside_the_window(true); }

TEST(BiasSwitchTest, OffEveryPassShowsItsOwnDrawsAndNoneIsForced) { check_minute_inside_the_window(false); }

TEST(LogDirectoryTest, TheStudyLogIsCreatedInTheGivenDirectory) {
  WorkingDirectory elsewhere;
  Rig rig(DriverOptions{.logDirectory = elsewhere.path()});
  ASSERT_EQ(rig.driver.start(), StartResult::ready);
  rig.driver.run(300);
  EXPECT_EQ(rig.driver.study_log_name(), (elsewhere.path() / "estudio_12-05-2026").string());
  rig.channels.close_all_channels();
  EXPECT_FALSE(std::filesystem::exists(rig.directory.path() / "estudio_12-05-2026"));
  EXPECT_NE(file_bytes(elsewhere.path() / "estudio_12-05-2026").find(" checkpoint 5 min"), std::string::npos);
}

}  // namespace
}  // namespace novabit
