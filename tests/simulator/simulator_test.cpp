// novabit-sim's outputs: a cycle's study log, trace and bit stream against
// the model, the calibration run, a live run replayed from its seal, the
// pictures, and the ways a run ends early.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "seal/entropy_sealer.h"
#include "experiment/bias_window.h"
#include "monitor/monitor.h"
#include "simulator/bit_stream.h"
#include "simulator/simulation.h"
#include "simulator/simulator_main.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/local_zone.h"
#include "support/log_model.h"
#include "support/picture.h"
#include "support/simulator_run.h"
#include "seal/seal.h"

namespace novabit::testing {
namespace {

using namespace std::chrono_literals;

// Two cycles and a little more, across midnight: the trace holds the model's
// passes on the cycle clock, the bit stream those passes' bits and the study
// log the model's log; --no-bias changes only the forced passes, every draw
// staying the same.
TEST(SimulatorTest, TwoCyclesOutputsAgreeWithTheModel) {
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  constexpr int kPasses = 2 * 43201 + 599;
  const std::vector<std::string> common = {"--no-screen", "--seed", "77", "--passes", std::to_string(kPasses),
                                           "--start", "2026-12-05 22:10:00", "--reveal-bias"};
  for (const std::string name : {"biased", "calibration"}) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), {"--trace", name + ".csv", "--bits", name + ".bin", "--dir", name});
    if (name == "calibration") arguments.push_back("--no-bias");
    std::filesystem::create_directory(name);
    ASSERT_EQ(run_simulator(arguments).status, 0) << name;
  }
  const auto passes = model_passes(key_from_seed(77), kPasses);
  const std::vector<TraceRow> trace = read_trace("biased.csv");
  const std::vector<TraceRow> calibration = read_trace("calibration.csv");
  const std::string bits = unpacked_bits(file_bytes("biased.bin"));
  const std::string unforcedBits = unpacked_bits(file_bytes("calibration.bin"));
  ASSERT_EQ(trace.size(), passes.size());
  ASSERT_EQ(bits.size(), 200 * passes.size());
  int forced = 0;
  for (std::size_t pass = 0; pass < trace.size(); ++pass) {
    const TraceRow& row = trace[pass];
    ASSERT_EQ((std::vector{row.pass, row.cycleMinute, row.minuteSecond, row.zeros, row.ones}),
              (std::vector{static_cast<int>(pass) + 1, static_cast<int>(pass % 43201 / 60),
                           static_cast<int>(pass % 43201 % 60), passes[pass].zeros, passes[pass].ones}));
    const std::string shown = bits.substr(pass * 200, 200);
    ASSERT_EQ(std::count(shown.begin(), shown.end(), '1'), row.ones) << "pass " << pass + 1;
    const BiasWindowPlace window = bias_window_of_cycle(key_from_seed(77), static_cast<std::int64_t>(pass / 43201), true);
    ASSERT_EQ(row.biasStartMinute * 2 + row.biasBit, window.startMinute * 2 + window.bit);
    ASSERT_EQ(calibration[pass].forced, 0);
    forced += row.forced;
    ASSERT_EQ(shown, row.forced ? std::string(200, static_cast<char>('0' + row.biasBit))
                                : unforcedBits.substr(pass * 200, 200));
  }
  EXPECT_GT(forced, 500);
  const std::string model = model_log(passes, std::chrono::sys_days{2026y / 12 / 5} + 22h + 10min);
  EXPECT_TRUE(same_log(file_bytes("biased/estudio_12-05-2026"), model));
  for (const char* shown : {"ciclos de 12 horas completados:  2\r\n", " 1 > 0 : ", " 0 > 1 : ", "12-06-2026 - "}) {
    EXPECT_NE(model.find(shown), std::string::npos) << shown;
  }
}

// Bits read from a file make every form of every record: balanced periods
// with and without leaning seconds, quarters won by either side, a side
// without wins; the log is the model's, byte for byte.
TEST(SimulatorTest, CraftedBitsGiveEveryRecordForm) {
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  std::vector<PassCounts> passes;
  std::string bytes;
  for (int pass = 1; pass <= 2700; ++pass) {
    const int ones = pass <= 300 ? 100 : pass <= 600 ? 110 : pass <= 900 ? 80 : pass <= 1800 ? (pass % 2 ? 110 : 90) : 120;
    passes.push_back({200 - ones, ones});
    std::string bits = std::string(static_cast<std::size_t>(ones), '1') + std::string(static_cast<std::size_t>(200 - ones), '0');
    for (std::size_t at = 0; at < 200; at += 8) bytes += static_cast<char>(std::stoi(bits.substr(at, 8), nullptr, 2));
  }
  write_bytes("bits.bin", bytes);
  ASSERT_EQ(run_simulator({"--no-screen", "--no-bias", "--passes", "2700", "--source", "device:bits.bin", "--start",
                           "2026-12-05 22:10:00"})
                .status,
            0);
  const std::string model = model_log(passes, std::chrono::sys_days{2026y / 12 / 5} + 22h + 10min);
  EXPECT_TRUE(same_log(file_bytes("estudio_12-05-2026"), model));
  for (const char* form : {"5min. 0 = 1", "5 min. 1 > 0", "5 min. 0 > 1", "15 min 0 > 1", "15min 0 = 1", "15 min 1 > 0",
                           "UNO en %: --.-- \r\n"}) {
    EXPECT_NE(model.find(form), std::string::npos) << form;
  }
}

// A live run, wired as the program is and keyed from the kernel's entropy,
// whose first pass began in the second half of a second: its seal replays it
// byte for byte and tells where its window lay; another key with the same
// start places the window elsewhere.
TEST(SimulatorTest, ASealReplaysItsLiveRunByteForByte) {
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  std::filesystem::create_directory("live");
  {
    SteppingClock clock(850000123.75L, 1.0L / 64);
    const VirtualWallClock wallClock(clock, std::chrono::sys_seconds(std::chrono::seconds(946684800)));
    EntropySealer sealer(SourceSpec{}, stderr);
    MonitorSettings settings;
    settings.console = nullptr;
    settings.displayThread = false;
    settings.durableWrites = false;
    settings.driver.logDirectory = "live";
    Monitor live({{}, clock, wallClock, sealer, {}}, settings);
    ASSERT_TRUE(live.start());
    live.run(1800);
    ASSERT_EQ(live.end_status(), 0);
  }
  const std::string log = "estudio_12-07-2026";  // 2026-12-07 23:08:43.75 UTC
  ASSERT_EQ(run_simulator({"--no-screen", "--passes", "1800", "--seal", "live/" + log + ".seal"}).status, 0);
  EXPECT_TRUE(file_bytes(log).starts_with("12-07-2026 - 23:13:43 checkpoint 5"));
  EXPECT_TRUE(same_log(file_bytes(log), file_bytes("live/" + log)));
  const Result<Seal> seal = read_seal_file("live/" + log + ".seal");
  ASSERT_TRUE(seal);
  for (const RandomKey& key : {seal->key, key_from_seed(1), key_from_seed(2)}) {
    std::ofstream("other.seal") << seal_text({key, seal->start, {}, {}});
    ASSERT_EQ(run_simulator({"--no-screen", "--passes", "1", "--seal", "other.seal", "--trace", "t.csv", "--reveal-bias"})
                  .status, 0);
    EXPECT_EQ(read_trace("t.csv")[0].biasStartMinute, bias_window_of_cycle(key, 0, true).startMinute);
  }
  EXPECT_NE(bias_window_of_cycle(key_from_seed(1), 0, true).startMinute,
            bias_window_of_cycle(key_from_seed(2), 0, true).startMinute);
}

TEST(SimulatorTest, PicturesHaveTheColoursTheMonitorShows) {
  const ScratchDirectory directory(true);
  SimulatorOptions options;
  options.passes = 5;
  options.png = "final.png";
  options.cyclePngPrefix = "run";
  Simulation simulation(options, nullptr, stderr);
  ASSERT_TRUE(simulation.start());
  simulation.run(options.passes);
  const Picture screen(*simulation.screen()->frame());
  ASSERT_EQ(simulation.finish(), 0);
  const auto written = Picture::read_png("final.png");
  ASSERT_TRUE(written);
  EXPECT_TRUE(same_picture(*written, screen));
  EXPECT_FALSE(std::filesystem::exists("run-cycle1.png")) << "no cycle has ended";
}

// A reader that closes the pipe ends the run quietly with whole records; a
// full disk ends it with status 1; an output that cannot be created refuses
// the run; a stop request stops it after the passes under way.
TEST(SimulatorTest, EarlyEnds) {
  const ScratchDirectory directory(true);
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  close(pipeEnds[0]);
  std::FILE* pipeOut = fdopen(pipeEnds[1], "w");
  std::FILE* errors = std::tmpfile();
  const char* arguments[] = {"--no-screen", "--passes", "1000000000", "--bits", "-", "--start", "2026-12-05 22:10:00"};
  EXPECT_EQ(simulator_main(arguments, {pipeOut, errors, false}), 0);
  EXPECT_EQ(std::ftell(errors), 0);
  std::fclose(errors);
  std::fclose(pipeOut);
  std::signal(SIGPIPE, previous);
  EXPECT_TRUE(file_bytes("estudio_12-05-2026").ends_with("\r\n"));

  for (const char* option : {"--trace", "--bits"}) {
    const SimulatorRun run = run_simulator({"--no-screen", option, "/dev/full", "--passes", "50000"});
    EXPECT_EQ(run.status, 1) << option;
    EXPECT_EQ(run.errors, "novabit-sim: /dev/full: No space left on device\n") << option;
  }
  const SimulatorRun refused = run_simulator({"--no-screen", "--trace", "/proc/novabit-trace.csv", "--dir", "/proc"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(refused.errors.starts_with("novabit-sim: ")) << refused.errors;

  const volatile std::sig_atomic_t stop = 1;
  const SimulatorRun stopped = run_simulator({"--no-screen", "--trace", "t.csv", "--passes", "5000"}, false, &stop);
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(stopped.errors, "novabit-sim: stopped after 0 of 5000 passes; the files hold those passes\n");
  EXPECT_EQ(file_bytes("t.csv"), "pass,cycle_minute,minute_second,zeros,ones\n");
}

}  // namespace
}  // namespace novabit::testing
