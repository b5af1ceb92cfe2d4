// The simulator's command line: every option read, a seal's key and clocks,
// local times that name a moment, and the bad arguments and paths that refuse
// a run before anything is written.

#include "simulator/simulator_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/local_zone.h"
#include "support/simulator_run.h"
#include "seal/seal.h"

namespace novabit {
namespace {

using testing::LocalZone;
using testing::run_simulator;

constexpr std::time_t kNow = 1796508600;  // 2026-12-05 22:10:00 UTC

ParsedArguments parse(const std::vector<std::string>& arguments) {
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  return parse_arguments(pointers, kNow);
}

SimulatorOptions options_of(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parse(arguments);
  if (const auto* error = std::get_if<ArgumentError>(&parsed)) ADD_FAILURE() << error->message;
  return std::holds_alternative<SimulatorOptions>(parsed) ? std::get<SimulatorOptions>(parsed) : SimulatorOptions{};
}

std::string error_of(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parse(arguments);
  const auto* error = std::get_if<ArgumentError>(&parsed);
  return error != nullptr ? error->message : "(accepted)";
}

TEST(OptionsTest, EveryOptionIsRead) {
  const LocalZone zone("UTC");
  const SimulatorOptions defaults = options_of({});
  EXPECT_EQ(defaults.passes, 43201);
  EXPECT_EQ(defaults.key, key_from_seed(0));
  EXPECT_TRUE(defaults.biasEnabled && defaults.screen && !defaults.quiet && !defaults.revealBias);
  EXPECT_EQ(defaults.start, kNow);
  const SimulatorOptions options =
      options_of({"--passes", "604800", "--seed=-12", "--start", "2026-12-05 22:10:00", "--dir", "logs", "--png",
                  "a.png", "--cycle-png=run", "--trace", "t.csv", "--reveal-bias", "--bits", "-", "--no-bias",
                  "--quiet"});
  EXPECT_EQ(options.passes, 604800);
  EXPECT_EQ(options.key, key_from_seed(-12));
  EXPECT_EQ(options.directory, "logs");
  EXPECT_EQ(options.trace, "t.csv");
  EXPECT_TRUE(options.revealBias && options.bits_to_standard_output() && options.quiet);
  EXPECT_EQ(options.cyclePngPrefix, "run");
  EXPECT_FALSE(options.biasEnabled || options_of({"--no-screen"}).screen);
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(parse({"--passes", "5", "--help", "--bogus"})));
}

// A seal gives the run's key and its clocks: the start it showed, and its
// passes paced from the clock reading of its first pass.
TEST(OptionsTest, ASealGivesTheKeyAndTheClocksOfItsRun) {
  const LocalZone zone("Europe/Madrid");
  const testing::ScratchDirectory directory(true);
  Seal seal{key_from_seed(5), {2026, 12, 5, 22, 10, 0}, {}, {}};
  std::ofstream("run.seal") << seal_text(seal) << seal_clock_line(850000123.75L);
  std::ofstream("unpaced.seal") << seal_text(seal);
  std::ofstream("broken.seal") << "version=1\nkey=12\n";
  const SimulatorOptions replay = options_of({"--seal", "run.seal"});
  EXPECT_EQ(replay.key, seal.key);
  EXPECT_EQ(replay.start, kNow - 3600);  // 22:10:00 in Madrid in December
  EXPECT_EQ(replay.clockZero, 946684800);
  EXPECT_EQ(replay.clockOrigin, 850000123.75L);
  EXPECT_EQ(options_of({"--seal", "unpaced.seal"}).clockOrigin, kNow - 3600 - 946684800);
  EXPECT_EQ(error_of({"--seal", "broken.seal"}), "--seal: broken.seal: line 2: key is not 64 hexadecimal digits");
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

// Each refusal names what is wrong, with the usage, status 2 and nothing written.
TEST(OptionsTest, BadArgumentsAndPathsRefuseTheRun) {
  const testing::ScratchDirectory directory(true);
  std::filesystem::create_directory("sub");
  std::ofstream("plain") << "x";
  const struct {
    std::vector<std::string> arguments;
    std::string named;
  } cases[] = {
      {{"--speed", "2"}, "--speed"},
      {{"--passes", "-1"}, "--passes"},
      {{"--passes", "2147483647"}, "--passes"},
      {{"--seed", "1.5"}, "--seed"},
      {{"--seed", "5", "--seal", "x.seal"}, "--seed"},
      {{"--start", "yesterday"}, "--start"},
      {{"--no-screen", "--png", "a.png"}, "--no-screen"},
      {{"--reveal-bias"}, "--trace"},
      {{"--dir", "plain"}, "--dir: 'plain' is not a directory"},
      {{"--png", "missing/a.png"}, "--png: 'missing' is not a directory"},
      {{"--trace", "sub"}, "--trace: 'sub' is a directory"},
      {{"--trace", "plain", "--bits", "sub/../plain"}, "--trace and --bits name the same file 'sub/../plain'"},
  };
  for (const auto& c : cases) {
    const testing::SimulatorRun run = run_simulator(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.errors.starts_with("novabit-sim: ")) << run.errors;
    EXPECT_NE(run.errors.find(c.named), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.substr(run.errors.find('\n') + 1), usage_text());
    EXPECT_EQ(directory.entries(), (std::vector<std::string>{"plain", "sub"}));
  }
  EXPECT_EQ(check_paths(options_of({"--dir", "sub", "--cycle-png", "sub/c", "--trace", "plain", "--bits", "-"})),
            std::nullopt);
  const testing::SimulatorRun help = run_simulator({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--passes", "--seed ", "--seal", "--start", "--dir", "--png", "--cycle-png", "--trace",
                             "--reveal-bias", "--bits", "--no-bias", "--no-screen", "--quiet", "--source", "--no-trials"}) {
    EXPECT_NE(help.output.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace novabit
