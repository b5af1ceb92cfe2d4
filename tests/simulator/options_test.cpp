// The command line: defaults, every option, local times and seeds, and the
// bad arguments that refuse a run before anything is written.

#include "simulator/simulator_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "simulator/simulator_fixture.h"
#include "textio/local_zone.h"

namespace novabit {
namespace {

using testing::LocalZone;
using testing::run_simulator;
using testing::WorkingDirectory;

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

TEST(OptionsTest, EveryOptionHasItsDefault) {
  const SimulatorOptions options = options_of({});
  EXPECT_EQ(options.passes, 43201);
  EXPECT_EQ(options.seed, 0);
  EXPECT_EQ(options.start, kNow);
  EXPECT_TRUE(options.directory.empty());
  EXPECT_FALSE(options.png || options.cyclePngPrefix || options.trace || options.bits);
  EXPECT_FALSE(options.revealBias);
  EXPECT_TRUE(options.biasEnabled);
  EXPECT_TRUE(options.screen);
  EXPECT_FALSE(options.quiet);
}

TEST(OptionsTest, EveryOptionIsRead) {
  const LocalZone zone("UTC");
  const SimulatorOptions options =
      options_of({"--passes", "604800", "--seed=-12", "--start", "2026-12-05 22:10:00", "--dir", "logs", "--png",
                  "a.png", "--cycle-png=run", "--trace", "t.csv", "--reveal-bias", "--bits", "-", "--no-bias",
                  "--quiet"});
  EXPECT_EQ(options.passes, 604800);
  EXPECT_EQ(options.seed, -12);
  EXPECT_EQ(options.start, kNow);
  EXPECT_EQ(options.directory, "logs");
  EXPECT_EQ(options.png, "a.png");
  EXPECT_EQ(options.cyclePngPrefix, "run");
  EXPECT_EQ(options.trace, "t.csv");
  EXPECT_TRUE(options.revealBias);
  EXPECT_TRUE(options.bits_to_standard_output());
  EXPECT_FALSE(options.biasEnabled);
  EXPECT_TRUE(options.quiet);
  EXPECT_FALSE(options_of({"--no-screen"}).screen);
  EXPECT_EQ(options_of({"--passes", "0"}).passes, 0);
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(parse({"--passes", "5", "--help", "--bogus"})));
}

TEST(OptionsTest, SeedFromGivesTheLiveSeedAndTheStartUnlessOneIsGiven) {
  const LocalZone zone("Europe/Madrid");
  // 22:10:00 in Madrid in December is 21:10:00 UTC.
  const std::int64_t expected = 1796508600 - 3600 - 946684800;
  const SimulatorOptions replay = options_of({"--seed-from", "2026-12-05 22:10:00"});
  EXPECT_EQ(replay.seed, expected);
  EXPECT_EQ(replay.start, kNow - 3600);
  const SimulatorOptions later = options_of({"--start", "2026-12-05 22:10:01", "--seed-from", "2026-12-05 22:10:00"});
  EXPECT_EQ(later.seed, expected);
  EXPECT_EQ(later.start, kNow - 3600 + 1);
}

TEST(OptionsTest, LocalTimesMustNameAMoment) {
  const LocalZone zone("Europe/Madrid");
  EXPECT_EQ(parse_local_time("2000-01-01 01:00:00"), 946684800);
  EXPECT_EQ(seed_at(*parse_local_time("2000-01-01 01:00:00")), 0);
  EXPECT_EQ(parse_local_time("2026-03-29 01:59:59"), 1774745999);
  EXPECT_EQ(parse_local_time("2026-03-29 03:00:00"), 1774746000);
  // The hour that summer time skips, impossible dates, and other shapes.
  for (const char* text : {"2026-03-29 02:30:00", "2026-02-29 10:00:00", "2026-13-01 10:00:00",
                           "2026-12-05 24:00:00", "2026-12-05 22:60:00", "2026-12-5 22:10:00", "2026/12/05 22:10:00",
                           "2026-12-05T22:10:00", "2026-12-05 22:10", "2026-12-05 22:10:00 ", "+026-12-05 22:10:00",
                           "2026-12-05 2:10:000", ""}) {
    EXPECT_FALSE(parse_local_time(text)) << text;
  }
}

TEST(OptionsTest, BadArgumentsAreNamed) {
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"--speed", "2"}, "unknown option --speed"},
      {{"-p"}, "unknown option -p"},
      {{"43201"}, "unknown option 43201"},
      {{"--passes", "-1"}, "--passes: the count -1 is negative"},
      {{"--passes", "many"}, "--passes: 'many' is not a whole number"},
      {{"--passes", "12x"}, "--passes: '12x' is not a whole number"},
      {{"--passes", ""}, "--passes: '' is not a whole number"},
      {{"--passes", "2147483647"}, "--passes: the count 2147483647 is above 2147483646"},
      {{"--passes"}, "--passes needs a value"},
      {{"--seed", "1.5"}, "--seed: '1.5' is not a whole number of seconds"},
      {{"--seed", "2147483647", "--passes", "2"}, "the seed 2147483647 and 2 passes take the clock beyond its 32-bit range"},
      {{"--seed", "-2147483649"}, "the seed -2147483649 and 43201 passes take the clock beyond its 32-bit range"},
      {{"--start", "yesterday"}, "--start: 'yesterday' is not a local time \"YYYY-MM-DD HH:MM:SS\""},
      {{"--seed-from", "2026-02-30 00:00:00"},
       "--seed-from: '2026-02-30 00:00:00' is not a local time \"YYYY-MM-DD HH:MM:SS\""},
      {{"--seed", "5", "--seed-from", "2026-12-05 22:10:00"}, "--seed and --seed-from exclude each other"},
      {{"--no-screen", "--png", "a.png"}, "--png and --cycle-png need the screen; leave out --no-screen"},
      {{"--cycle-png", "c", "--no-screen"}, "--png and --cycle-png need the screen; leave out --no-screen"},
      {{"--reveal-bias"}, "--reveal-bias shows the window in the --trace file; give one"},
      {{"--trace", ""}, "--trace needs a file name"},
      {{"--quiet=yes"}, "--quiet takes no value"},
  };
  for (const auto& c : cases) EXPECT_EQ(error_of(c.arguments), c.message);
}

TEST(PathCheckTest, OutputsMustBeWritableWhereTheyGo) {
  WorkingDirectory directory;
  std::filesystem::create_directory("sub");
  std::ofstream("plain") << "x";
  const auto problem = [](const std::vector<std::string>& arguments) {
    return check_paths(options_of(arguments)).value_or("(fine)");
  };
  EXPECT_EQ(problem({}), "(fine)");
  EXPECT_EQ(problem({"--dir", "sub", "--png", "sub/a.png", "--cycle-png", "sub/c", "--trace", "plain", "--bits", "-"}),
            "(fine)");
  EXPECT_EQ(problem({"--dir", "missing"}), "--dir: 'missing' is not a directory");
  EXPECT_EQ(problem({"--dir", "plain"}), "--dir: 'plain' is not a directory");
  EXPECT_EQ(problem({"--png", "missing/a.png"}), "--png: 'missing' is not a directory");
  EXPECT_EQ(problem({"--cycle-png", "missing/c"}), "--cycle-png: 'missing' is not a directory");
  EXPECT_EQ(problem({"--trace", "sub"}), "--trace: 'sub' is a directory");
  EXPECT_EQ(problem({"--bits", "plain/b"}), "--bits: 'plain' is not a directory");
  EXPECT_EQ(problem({"--trace", "plain", "--bits", "sub/../plain"}), "--trace and --bits name the same file 'sub/../plain'");
  EXPECT_EQ(problem({"--png", "c-cycle1.png", "--cycle-png", "sub/../c"}),
            "--png and --cycle-png name the same file 'sub/../c-cycle1.png'");
}

TEST(ArgumentErrorTest, OneLineTheUsageAndStatusTwoWithNothingWritten) {
  WorkingDirectory directory;
  const std::vector<std::string> bad[] = {
      {"--passes", "-5", "--trace", "t.csv"},
      {"--trace", "t.csv", "--bits", "missing/b.bin"},
      {"--trace", "t.csv", "--start", "2026-12-05"},
      {"--trace", "t.csv", "--frobnicate"},
  };
  for (const auto& arguments : bad) {
    const testing::SimulatorRun run = run_simulator(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, "");
    ASSERT_EQ(run.errors.rfind("novabit-sim: ", 0), 0U) << run.errors;
    const std::string usage = run.errors.substr(run.errors.find('\n') + 1);
    EXPECT_EQ(usage, usage_text());
    EXPECT_TRUE(std::filesystem::is_empty(directory.path())) << run.errors;
  }
}

TEST(ArgumentErrorTest, HelpExplainsEveryOption) {
  const testing::SimulatorRun run = run_simulator({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.errors, "");
  for (const char* option : {"--passes", "--seed ", "--seed-from", "--start", "--dir", "--png", "--cycle-png",
                             "--trace", "--reveal-bias", "--bits", "--no-bias", "--no-screen", "--quiet", "--help"}) {
    EXPECT_NE(run.output.find(std::string("\n  ") + option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace novabit
