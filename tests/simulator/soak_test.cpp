// Seven simulated days through the simulator with the screen: the study log
// is exactly the model's for the week's passes, stamped with each pass's
// virtual time across a month's and a year's end, and resident memory stays
// where the first cycle left it.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "simulator/simulation.h"
#include "simulator/simulator_options.h"
#include "support/files.h"
#include "support/local_zone.h"
#include "support/log_model.h"

namespace novabit::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kWeekPasses = 7 * 24 * 3600;

// Resident memory of this process (VmRSS), in kB.
long resident_kilobytes() {
  std::ifstream status("/proc/self/status");
  long kilobytes = 0;
  for (std::string field; status >> field;) {
    if (field == "VmRSS:") status >> kilobytes;
  }
  return kilobytes;
}

TEST(SoakTest, AWeekWithTheScreenLogsEveryRecordOnFlatMemory) {
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  const ParsedArguments parsed = parse_arguments(
      std::vector<const char*>{"--passes", "604800", "--seed", "1000000", "--start", "2027-12-28 18:30:00"}, 0);
  ASSERT_TRUE(std::holds_alternative<SimulatorOptions>(parsed));
  const auto& options = std::get<SimulatorOptions>(parsed);
  std::vector<long> afterEachCycle;
  {
    Simulation simulation(options, nullptr, stderr);
    ASSERT_FALSE(simulation.creation_failure());
    ASSERT_TRUE(simulation.start());
    while (simulation.passes_run() < kWeekPasses) {
      simulation.run(std::min<std::int64_t>(kPassesPerCycle, kWeekPasses - simulation.passes_run()));
      afterEachCycle.push_back(resident_kilobytes());
    }
    ASSERT_EQ(simulation.finish(), 0);
  }
  const auto passes = model_passes(key_from_seed(1000000), kWeekPasses);
  EXPECT_TRUE(same_log(file_bytes("estudio_12-28-2027"),
                       model_log(passes, std::chrono::sys_days{2027y / 12 / 28} + 18h + 30min)));
  ASSERT_GE(afterEachCycle.size(), 2U);
  EXPECT_LE(afterEachCycle.back(), afterEachCycle.front() + 1024) << "kB after the first and the last cycle";
}

}  // namespace
}  // namespace novabit::testing
