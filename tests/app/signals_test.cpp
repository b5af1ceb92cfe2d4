// novabit-sim under stop signals: stopped at random moments it keeps exactly
// the records of the passes it ran; stopped while a write to a full pipe
// blocks, it ends as a stop, not as a failed write.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/live_monitor.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/log_model.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_app::LiveMonitor;
using testing_app::ScratchDirectory;
using testing_app::simulator;

TEST(SimulatorSignals, AStopAtAnyMomentKeepsEveryRecordOfThePassesRun) {
  // Two whole cycles take well under a second without a screen.
  constexpr std::int64_t kPasses = 2 * 43201;
  const std::vector<std::string> run = {"--no-screen", "--quiet", "--passes", std::to_string(kPasses),
                                        "--seed",      "1000",    "--start",  "2026-12-05 22:00:00"};
  const auto passes = testing::model_passes(key_from_seed(1000), kPasses);
  std::mt19937 random(1205);
  for (int round = 0; round < 8; ++round) {
    ScratchDirectory directory;
    const auto log = directory.path() / "estudio_12-05-2026";
    LiveMonitor stopped(directory.path(), simulator(run));
    // The log exists once the run is under way, its signal handlers set.
    for (int wait = 0; wait < 1000 && !std::filesystem::exists(log); ++wait) std::this_thread::sleep_for(1ms);
    const int signalNumber = std::array{SIGTERM, SIGINT, SIGHUP}[std::uniform_int_distribution(0, 2)(random)];
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, 400)(random)));
    stopped.send(signalNumber);
    const std::optional<int> status = stopped.wait_for_exit(60s);
    ASSERT_TRUE(status);
    const std::string errors = stopped.errors();
    long long passesRun = kPasses;
    if (*status == 1) {
      ASSERT_EQ(std::sscanf(errors.c_str(), "novabit-sim: stopped after %lld of", &passesRun), 1) << errors;
      EXPECT_EQ(errors, "novabit-sim: stopped after " + std::to_string(passesRun) + " of " + std::to_string(kPasses) +
                            " passes; the files hold those passes\n");
    } else {
      ASSERT_EQ(*status, 0) << "the run ended before the signal";
    }
    const std::vector<testing::PassCounts> ran(passes.begin(), passes.begin() + passesRun);
    EXPECT_TRUE(testing::same_log(testing::file_bytes(log),
                                  testing::model_log(ran, std::chrono::sys_days{std::chrono::December / 5 / 2026} + 22h)));
  }
}

TEST(SimulatorSignals, AStopDuringABlockedPipeWriteIsAStop) {
  ScratchDirectory directory;
  const std::filesystem::path fifo = directory.path() / "bits";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  LiveMonitor run(directory.path(), simulator({"--no-screen", "--quiet", "--passes", "100000", "--bits", "bits"}));
  const int reader = open(fifo.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  std::this_thread::sleep_for(300ms);  // the pipe fills and the write blocks
  run.send(SIGTERM);
  std::this_thread::sleep_for(100ms);
  std::array<char, 65536> buffer{};
  while (read(reader, buffer.data(), buffer.size()) > 0) {
  }
  close(reader);
  ASSERT_EQ(run.wait_for_exit(10s), 1);
  const std::string errors = run.errors();
  EXPECT_TRUE(errors.starts_with("novabit-sim: stopped after ")) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

}  // namespace
}  // namespace novabit
