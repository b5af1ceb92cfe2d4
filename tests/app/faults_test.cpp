// The programs under faults from outside during a run: the X server dies
// under the live monitor or another program ends its window, ten thousand
// keys arrive at once, and the disk fills while the study log is written.
// Nothing crashes, the user is told, and nothing already recorded is lost.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
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
using testing::check_study_log;

bool x_tools_present() { return testing_x::program_path("Xvfb") && testing_x::program_path("xdotool"); }

// The live monitor on an X server of its own, with its clock a thousand
// times fast under libfaketime where it can be preloaded, so that a record
// is written every 0.3 s and a fault can fall inside one.
struct RunOnItsOwnServer {
  RunOnItsOwnServer() {
    Launch launch;
    launch.environment = {{"DISPLAY", server.display()}};
#if !defined(__SANITIZE_ADDRESS__)
    if (const auto library = testing_app::fake_time_library()) {
      launch.environment.insert(launch.environment.end(), {{"LD_PRELOAD", library->string()}, {"FAKETIME", "+0 x1000"}});
    }
#endif
    monitor.emplace(directory.path(), launch);
  }
  // The study log, the directory's one file, exists once the screen is open.
  bool under_way() {
    for (int wait = 0; wait < 1000 && directory.entries().empty() && monitor->running(); ++wait) {
      std::this_thread::sleep_for(10ms);
    }
    return !directory.entries().empty();
  }
  // The run ended in order for `reason`: that one line of its own on stderr
  // and none of Xlib's, status 1, and its study log with every record whole.
  void expect_orderly_end(const std::string& reason) {
    EXPECT_EQ(monitor->wait_for_exit(10s), 1);
    EXPECT_EQ(monitor->errors(), "novabit: " + reason + "; the study log is closed\n");
    ASSERT_TRUE(under_way());
    const auto check = check_study_log(file_bytes(directory.path() / directory.entries().front()));
    EXPECT_FALSE(check.malformed) << *check.malformed;
  }

  testing_x::XvfbServer server{800, 600};
  ScratchDirectory directory;
  std::optional<LiveMonitor> monitor;
};

// A hundred X servers killed at random moments of a run, five runs at a
// time: in drawing, in the wait for the next second, in a record, while the
// display thread is inside Xlib or not. Every run ends in order.
TEST(SoakLiveFaults, EveryKilledXServerEndsTheRunInOrder) {
  if (!x_tools_present()) GTEST_SKIP() << "Xvfb and xdotool are needed";
  std::mt19937 random(2026);
  for (int batch = 0; batch < 20; ++batch) {
    std::vector<std::pair<std::chrono::milliseconds, std::unique_ptr<RunOnItsOwnServer>>> runs;
    for (int i = 0; i < 5; ++i) {
      runs.emplace_back(std::uniform_int_distribution(0, 1000)(random), std::make_unique<RunOnItsOwnServer>());
    }
    for (auto& [killAfter, run] : runs) ASSERT_TRUE(run->under_way()) << run->monitor->errors();
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto start = std::chrono::steady_clock::now();
    for (auto& [killAfter, run] : runs) {
      std::this_thread::sleep_until(start + killAfter);
      run->server.kill_now();
    }
    for (auto& [killAfter, run] : runs) {
      SCOPED_TRACE("killed after " + std::to_string(killAfter.count()) + " ms");
      run->expect_orderly_end("the connection to the display was lost");
    }
  }
}

// Another program ends the window, as a window manager does: the run ends in order.
TEST(LiveFaults, AWindowEndedFromOutsideEndsTheRunInOrder) {
  if (!x_tools_present()) GTEST_SKIP() << "Xvfb and xdotool are needed";
  for (const auto& [command, reason] : {std::pair{"windowclose", "the window was destroyed by another program"},
                                        std::pair{"windowkill", "the connection to the display was lost"}}) {
    SCOPED_TRACE(command);
    RunOnItsOwnServer run;
    ASSERT_TRUE(run.under_way());
    const std::string window = run.monitor->wait_for_window();
    std::this_thread::sleep_for(700ms);
    ASSERT_TRUE(testing_x::command_output(std::string("xdotool ") + command + " " + window));
    run.expect_orderly_end(reason);
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
                                                "--bits",      "-"};
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
