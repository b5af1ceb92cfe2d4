// Whole simulated runs with each kind of source: the keyed default unchanged
// byte for byte, its raw record giving the whole study log; a file's bits
// passed on exactly, with the hidden window still placed by the keyed
// generator; a file that ends; a replayed seal that keeps its run's source.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "experiment/bias_window.h"
#include "monitor/program_version.h"
#include "simulator/simulator_options.h"
#include "support/files.h"
#include "support/local_zone.h"
#include "support/log_model.h"
#include "support/simulator_run.h"
#include "seal/seal.h"

namespace novabit::testing {
namespace {

using namespace std::chrono_literals;

const char* const kLogName = "estudio_12-05-2026";
const std::string kTrialsName = std::string(kLogName) + ".trials.csv";
const std::string kStart = "2026-12-05 08:00:00";

struct Trials {
  std::vector<std::string> head;  // the comment lines and the header
  std::vector<std::string> rows;
  std::vector<int> ones;
};

// Every line must end in CR LF.
Trials read_trials(const std::string& bytes) {
  Trials trials;
  std::istringstream lines(bytes);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(line.ends_with('\r')) << line;
    line.pop_back();
    if (trials.head.size() < 4) {
      trials.head.push_back(line);
      continue;
    }
    trials.rows.push_back(line);
    int pass = 0;
    int ones = -1;
    EXPECT_EQ(std::sscanf(line.c_str(), "%d,%*[^,],%*[^,],%d", &pass, &ones), 2) << line;
    EXPECT_EQ(pass, int(trials.rows.size())) << "consecutive passes";
    trials.ones.push_back(ones);
  }
  return trials;
}

std::vector<std::string> head_of(const std::string& source, const RandomKey& key) {
  return {"# program=novabit-sim " + std::string(program_version()), "# source=" + source,
          "# key_sha256=" + key_commitment(key), "pass,utc,local,ones,alarm"};
}

// Pinned from the program as it was before a source could be chosen.
TEST(KeyedSourceTest, RunsAsBeforeAndItsRawRecordGivesTheStudyLog) {
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  const SimulatorRun run = run_simulator({"--seed", "7", "--start", kStart, "--no-screen", "--passes", "43202",
                                          "--trace", "t.csv", "--bits", "b.bin"});
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(sha256_hex(file_bytes(kLogName)), "4601fe43f75670f4de0447d70ae9dc7667715f33a464ba75c8573976b019a5fe");
  EXPECT_EQ(sha256_hex(file_bytes("t.csv")), "72087a3efac4bc06a4d1ed857964cba6ba6368073fe314082c796cd152d7fce1");
  EXPECT_EQ(sha256_hex(file_bytes("b.bin")), "6b24d80961155362a86b30f1f6a294bc2edc83736e9bce1f0923ad246320c557");

  const Trials trials = read_trials(file_bytes(kTrialsName));
  EXPECT_EQ(trials.head, head_of("keyed", key_from_seed(7)));
  ASSERT_EQ(trials.rows.size(), 43202U);
  EXPECT_EQ(trials.rows[0], "1,2026-12-05T08:00:00Z,12-05-2026 08:00:00,97,");
  EXPECT_EQ(trials.rows[43201], "43202,2026-12-05T20:00:01Z,12-05-2026 20:00:01,109,");
  // The raw record's counts alone give every record of the study log.
  std::vector<PassCounts> counts;
  for (const int ones : trials.ones) counts.push_back({200 - ones, ones});
  EXPECT_TRUE(same_log(file_bytes(kLogName), model_log(counts, std::chrono::sys_days{2026y / 12 / 5} + 8h)));
}

std::string bits_of(const std::string& bytes, std::size_t pass) { return unpacked_bits(bytes.substr(pass * 25, 25)); }

TEST(DeviceSourceTest, AFileGivesExactlyItsBitsAndTheWindowStaysKeyed) {
  const ScratchDirectory directory(true);
  constexpr std::size_t kPasses = 43202;
  std::mt19937 random(5);
  std::string raw(kPasses * 25, '\0');
  for (char& byte : raw) byte = static_cast<char>(random());
  write_bytes("raw.bin", raw);
  const SimulatorRun run =
      run_simulator({"--seed", "11", "--start", kStart, "--no-screen", "--passes", std::to_string(kPasses), "--source",
                     "device:raw.bin", "--trace", "t.csv", "--reveal-bias", "--bits", "b.bin"});
  ASSERT_EQ(run.status, 0) << run.errors;

  const std::vector<TraceRow> trace = read_trace("t.csv");
  const std::string bits = file_bytes("b.bin");
  const Trials trials = read_trials(file_bytes(kTrialsName));
  EXPECT_EQ(trials.head, head_of("device:raw.bin", key_from_seed(11)));
  ASSERT_EQ(trace.size(), kPasses);
  ASSERT_EQ(trials.rows.size(), kPasses);
  int forced = 0;
  for (std::size_t pass = 0; pass < kPasses; ++pass) {
    const std::string expected = trace[pass].forced == 1 ? std::string(200, char('0' + trace[pass].biasBit))
                                                         : bits_of(raw, pass);
    forced += trace[pass].forced;
    ASSERT_EQ(bits_of(bits, pass), expected) << "pass " << pass + 1;
    ASSERT_EQ(trace[pass].ones, std::count(expected.begin(), expected.end(), '1'));
    ASSERT_EQ(trials.ones[pass], trace[pass].ones);
  }
  EXPECT_GT(forced, 0);
  for (const std::int64_t cycle : {0, 1}) {
    const BiasWindowPlace place = bias_window_of_cycle(key_from_seed(11), cycle, false);
    const TraceRow& row = trace[cycle == 0 ? 0 : kPasses - 1];
    EXPECT_EQ(row.biasStartMinute, place.startMinute);
    EXPECT_EQ(row.biasBit, place.bit);
  }
}

TEST(DeviceSourceTest, AFileThatEndsEndsTheRunWithTheWholePassesBeforeIt) {
  const ScratchDirectory directory(true);
  write_bytes("short.bin", std::string(3 * 25 + 24, '\x5A'));
  const SimulatorRun run = run_simulator({"--start", kStart, "--no-screen", "--passes", "5", "--no-bias", "--source",
                                          "device:short.bin", "--bits", "b.bin"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "novabit-sim: the source device:short.bin stopped: end of file; the run ends\n");
  EXPECT_EQ(file_bytes("b.bin"), std::string(3 * 25, '\x5A'));
  EXPECT_EQ(read_trials(file_bytes(kTrialsName)).ones, std::vector<int>(3, 100));
}

TEST(DeviceSourceTest, AReplayedSealKeepsItsRunsKindOfSource) {
  const ScratchDirectory directory(true);
  const RandomKey key = key_from_seed(3);
  write_bytes("run.seal", seal_text({key, {2026, 12, 5, 8, 0, 0}, {SourceSpec::Kind::kernel, {}}, {}}));
  const SimulatorRun replay =
      run_simulator({"--no-screen", "--passes", "1", "--seal", "run.seal", "--trace", "t.csv", "--reveal-bias"});
  ASSERT_EQ(replay.status, 0) << replay.errors;
  EXPECT_EQ(read_trace("t.csv")[0].biasStartMinute, bias_window_of_cycle(key, 0, false).startMinute);
  EXPECT_EQ(read_trials(file_bytes(kTrialsName)).head[1], "# source=kernel");
  EXPECT_EQ(run_simulator({"--no-screen", "--seal", "run.seal", "--source", "keyed"}).errors,
            "novabit-sim: --source: the sealed run's bits came from kernel; a replay needs a source of that kind\n" +
                usage_text());
}

}  // namespace
}  // namespace novabit::testing
