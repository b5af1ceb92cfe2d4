// The programs under faults from outside during a run: the X server dies
// under the live monitor, ten thousand keys arrive at once, and the disk
// fills while the study log is written. Nothing crashes, the user is told,
// and nothing already recorded is lost.

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/live_monitor.h"
#include "experiment/test_doubles.h"
#include "screen_sdl/x_server.h"
#include "simulator/study_log_check.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing::file_bytes;
using testing_app::Launch;
using testing_app::LiveMonitor;
using testing_app::ScratchDirectory;
using testing_app::simulator;
using testing_app::today;
using testing::check_study_log;

bool x_tools_present() { return testing_x::program_path("Xvfb") && testing_x::program_path("xdotool"); }

// The server dies at a few moments of a pass (fixed seed): the monitor ends
// by itself, says so, and leaves its study log closed.
TEST(LiveFaults, ALostXServerEndsTheRunWithAMessage) {
  if (!x_tools_present()) GTEST_SKIP() << "Xvfb and xdotool are needed";
  std::mt19937 random(2026);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testing_x::XvfbServer server(800, 600);
    ASSERT_TRUE(server.running());
    ScratchDirectory directory;
    const std::string date = today();
    const auto log = directory.path() / ("estudio_" + date);
    LiveMonitor monitor(directory.path());
    ASSERT_FALSE(monitor.wait_for_window().empty());
    // The log is created once the screen is open: the run is under way.
    for (int wait = 0; wait < 500 && !std::filesystem::exists(log); ++wait) std::this_thread::sleep_for(10ms);
    if (today() != date) GTEST_SKIP() << "the date changed during the run";
    ASSERT_TRUE(std::filesystem::is_regular_file(log));
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, 1500)(random)));
    server.kill_now();

    // Xlib gives the program five seconds before it ends the process itself.
    const std::optional<int> status = monitor.wait_for_exit(10s);
    ASSERT_TRUE(status) << "still running without its display";
    EXPECT_EQ(*status, 1);
    const std::string errors = monitor.errors();
    // Ours, or Xlib's naming the display when the break came inside one of
    // its calls while the program's thread waited for the screen.
    EXPECT_TRUE(errors.find("novabit: the display was lost") != std::string::npos ||
                errors.find(server.display()) != std::string::npos)
        << errors;
    EXPECT_TRUE(std::filesystem::is_regular_file(log));
    const auto check = check_study_log(file_bytes(log));
    EXPECT_FALSE(check.malformed) << check.malformed.value_or("");
  }
}

// xdotool's key names for `count` keys that are not the space bar.
std::string other_keys(int count) {
  static const std::vector<std::string> names = {"a", "Z", "7", "Escape", "F1", "Up", "shift+Home", "ctrl+c", "Return"};
  std::string keys;
  for (int i = 0; i < count; ++i) keys += " " + names[static_cast<std::size_t>(i) % names.size()];
  return keys;
}

// Ten thousand keys in four batches, the space among the last few: the ring
// keeps the newest keys, so the space still ends the run in order.
TEST(LiveFaults, AFloodOfKeysEndsOnItsSpace) {
  if (!x_tools_present()) GTEST_SKIP() << "Xvfb and xdotool are needed";
  testing_x::XvfbServer server(800, 600);
  ASSERT_TRUE(server.running());
  ScratchDirectory directory;
  LiveMonitor monitor(directory.path());
  const std::string window = monitor.wait_for_window();
  ASSERT_FALSE(window.empty());
  const std::string send = "xdotool key --window " + window + " --delay 0";
  for (int batch = 0; batch < 3; ++batch) {
    ASSERT_TRUE(testing_x::command_output(send + other_keys(2500)));
  }
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(monitor.running()) << "only the space ends the run";
  ASSERT_TRUE(testing_x::command_output(send + other_keys(2494) + " space" + other_keys(5)));
  EXPECT_EQ(monitor.wait_for_exit(10s), 0);
  EXPECT_EQ(monitor.errors(), "");
}

const std::vector<std::string> kSimulatedRun = {"--no-screen", "--quiet",   "--passes", "3000", "--seed",
                                                "1000",        "--start",   "2026-12-05 22:00:00",
                                                "--bits",      "-",         "--no-trials"};
constexpr std::size_t kBitBytesPerPass = 200 / 8;

// The file size limit stands in for a full disk: the study log's failure is
// reported once, the run goes on to its last pass, the status is 1, and
// every record completed before the disk filled is in the file as written.
TEST(SimulatorFaults, AFullDiskIsReportedOnceAndTheRunGoesOn) {
  ScratchDirectory referenceDirectory;
  LiveMonitor reference(referenceDirectory.path(), simulator(kSimulatedRun));
  ASSERT_EQ(reference.wait_for_exit(20s), 0) << reference.errors();
  const std::string complete = file_bytes(referenceDirectory.path() / "estudio_12-05-2026");

  constexpr rlim_t kLimit = 1000;
  ASSERT_GT(complete.size(), kLimit);
  ScratchDirectory directory;
  Launch launch = simulator(kSimulatedRun);
  launch.fileSizeLimit = kLimit;
  LiveMonitor limited(directory.path(), launch);
  ASSERT_EQ(limited.wait_for_exit(20s), 1);
  EXPECT_EQ(limited.errors(), "estudio_12-05-2026: flush failed: File too large\n");
  EXPECT_EQ(limited.output().size(), 3000 * kBitBytesPerPass) << "every pass ran";
  const std::string written = file_bytes(directory.path() / "estudio_12-05-2026");
  EXPECT_EQ(written, complete.substr(0, kLimit));
  EXPECT_GE(check_study_log(written).records.size(), 2U) << "whole records were written before the disk filled";
}

}  // namespace
}  // namespace novabit
