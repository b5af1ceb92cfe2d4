// Two whole cycles through the real driver on a virtual clock, against the
// log the independent model writes from the same key.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "experiment/experiment_driver.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/log_model.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;

TEST(WholeRunTest, TwoCyclesMatchTheModelByteForByte) {
  constexpr int kPasses = 90000;
  // Clock second 1000, when the first pass runs, is 21:59:10; the run crosses midnight and ends two cycles.
  const std::chrono::sys_seconds firstPassTime = std::chrono::sys_days{2026y / 12 / 5} + 21h + 59min + 10s;
  const testing::ScratchDirectory directory(true);
  testing::SteppingClock clock(1000.25L, 1.0L / 64);
  const testing::VirtualWallClock wallClock(clock, firstPassTime - 1000s);
  testing::ScriptedKeys keys;
  testing::RecordingDisplay display;
  ChannelTable channels(nullptr, nullptr);
  channels.set_durable_writes(false);
  Printer printer(channels);
  BitSource bits;
  GivenKey sealer(testing::kTestKey);
  ExperimentDriver driver({display, printer, bits, clock, wallClock, keys, sealer});
  ASSERT_EQ(driver.start(), StartResult::ready);
  ASSERT_EQ(driver.run(kPasses), RunEnd::pass_limit);
  channels.close_all_channels();

  const auto passes = testing::model_passes(testing::kTestKey, kPasses);
  EXPECT_TRUE(display.passes == passes);
  const std::string model = testing::model_log(passes, firstPassTime);
  EXPECT_TRUE(testing::same_log(testing::file_bytes("estudio_12-05-2026"), model));
  // The run holds what the model is meant to check: every kind of record,
  // both windows' forced passes, and the day's change.
  EXPECT_NE(model.find("ciclos de 12 horas completados:  2\r\n"), std::string::npos);
  EXPECT_NE(model.find(" 1 > 0 : "), std::string::npos);
  EXPECT_NE(model.find(" 0 > 1 : "), std::string::npos);
  EXPECT_NE(model.find("12-06-2026 - "), std::string::npos);
  EXPECT_GT(std::count(passes.begin(), passes.end(), testing::PassCounts{0, 200}) +
                std::count(passes.begin(), passes.end(), testing::PassCounts{200, 0}),
            500);
}

}  // namespace
}  // namespace novabit
