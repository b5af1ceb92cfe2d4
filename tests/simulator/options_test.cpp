// The simulator's command line where it reads more than words: a seal's key
// and clocks, and local times that must name a moment. The refusals of every
// program are in the command lines' table.

#include "simulator/simulator_options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "seal/seal.h"
#include "support/files.h"
#include "support/local_zone.h"

namespace novabit {
namespace {

using testing::LocalZone;

constexpr std::time_t kNow = 1796508600;  // 2026-12-05 22:10:00 UTC

SimulatorOptions options_of(std::vector<const char*> arguments) {
  const CommandLine<SimulatorOptions> parsed = parse_arguments(arguments, kNow);
  EXPECT_TRUE(std::holds_alternative<SimulatorOptions>(parsed));
  return std::holds_alternative<SimulatorOptions>(parsed) ? std::get<SimulatorOptions>(parsed) : SimulatorOptions{};
}

// A seal gives the run's key and its clocks: the start it showed, and its
// passes paced from the clock reading of its first pass.
TEST(OptionsTest, ASealGivesTheKeyAndTheClocksOfItsRun) {
  const LocalZone zone("Europe/Madrid");
  const testing::ScratchDirectory directory(true);
  Seal seal{key_from_seed(5), {2026, 12, 5, 22, 10, 0}, {}, {}};
  std::ofstream("run.seal") << seal_text(seal) << seal_clock_line(850000123.75L);
  std::ofstream("unpaced.seal") << seal_text(seal);
  const SimulatorOptions replay = options_of({"--seal", "run.seal"});
  EXPECT_EQ(replay.key, seal.key);
  EXPECT_EQ(replay.start, kNow - 3600);  // 22:10:00 in Madrid in December
  EXPECT_EQ(replay.clockZero, 946684800);
  EXPECT_EQ(replay.clockOrigin, 850000123.75L);
  EXPECT_TRUE(replay.replay && !options_of({}).replay);
  EXPECT_EQ(options_of({"--seal", "unpaced.seal"}).clockOrigin, kNow - 3600 - 946684800);
  std::string otherForm = seal_text(seal);  // its start with a T between the date and the time
  otherForm[otherForm.find(" 22:10:00")] = 'T';
  EXPECT_FALSE(parse_seal(otherForm));
}

TEST(OptionsTest, LocalTimesMustNameAMoment) {
  const LocalZone zone("Europe/Madrid");
  EXPECT_EQ(parse_local_time("2026-03-29 01:59:59"), 1774745999);
  EXPECT_EQ(parse_local_time("2026-03-29 03:00:00"), 1774746000);
  // The hour that summer time skips, impossible dates, and other shapes.
  for (const char* text : {"2026-03-29 02:30:00", "2026-02-29 10:00:00", "2026-12-05 24:00:00", "2026-12-5 22:10:00",
                           "2026-12-05T22:10:00", "2026-12-05 22:10:00 ", "+026-12-05 22:10:00", ""}) {
    EXPECT_FALSE(parse_local_time(text)) << text;
  }
}

}  // namespace
}  // namespace novabit
