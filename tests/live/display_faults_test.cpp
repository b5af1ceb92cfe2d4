// The live monitor when its display goes: the X server killed at any moment
// of a run, hung, or its window ended by another program. Every run ends in
// order: its own one line on stderr and none of Xlib's, status 1, and a study
// log of whole records.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "seal/seal.h"
#include "support/files.h"
#include "support/live_monitor.h"
#include "support/log_model.h"
#include "support/x_server.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_app::Launch;
using testing_app::LiveMonitor;
using testing_app::ScratchDirectory;

// The live monitor on an X server of its own, with its clock a thousand
// times fast under libfaketime where it can be preloaded, so that a record
// is written every 0.3 s and a fault can fall inside one.
struct RunOnItsOwnServer {
  explicit RunOnItsOwnServer([[maybe_unused]] bool fastClock = true) {
    Launch launch;
    launch.environment = {{"DISPLAY", server.display()}};
#if !defined(__SANITIZE_ADDRESS__)
    if (const auto library = testing_app::fake_time_library(); library && fastClock) {
      launch.environment.insert(launch.environment.end(), {{"LD_PRELOAD", library->string()}, {"FAKETIME", "+0 x1000"}});
    }
#endif
    monitor.emplace(directory.path(), launch);
  }
  // The run ended in order for `reason`, its log holding the whole records
  // that its sealed key gives; or before the log existed, with one line that
  // names none.
  void expect_orderly_end(const std::string& reason) {
    EXPECT_EQ(monitor->wait_for_exit(10s), 1);
    // A thousand times fast, the clock leaves most seconds without a pass, which is told.
    const std::string errors = monitor->errors_besides_skipped_seconds();
    // The messages are kept beside the log however the run ended.
    if (directory.entries() == std::vector<std::string>{"novabit-messages.txt"}) {
      EXPECT_TRUE(errors.starts_with("novabit: ") && errors.find('\n') == errors.size() - 1 &&
                  errors.find("study log") == std::string::npos)
          << errors;
      return;
    }
    EXPECT_EQ(errors, "novabit: " + reason + "; the study log is closed\n");
    ASSERT_TRUE(monitor->under_way());
    const auto log = directory.path() / directory.entries().front();
    const Result<Seal> seal = read_seal_file(log.string() + ".seal");
    ASSERT_TRUE(seal);
    const auto passes = testing::model_passes(seal->key, 20000);
    EXPECT_TRUE(testing::whole_records_of(testing::file_bytes(log), testing::model_log(passes, {})));
  }

  testing_x::XvfbServer server{800, 600};
  ScratchDirectory directory;
  std::optional<LiveMonitor> monitor;
};

// Fifty X servers killed at random moments of a run, five runs at a time: in
// drawing, in the wait for the next second, in a record, while the display
// thread is inside Xlib or not; and ten more in the first 300 ms, mostly
// before the study log exists.
TEST(SoakLiveFaults, EveryKilledXServerEndsTheRunInOrder) {
  if (!testing_x::program_path("Xvfb")) GTEST_SKIP() << "Xvfb is needed";
  std::mt19937 random(2026);
  for (int batch = 0; batch < 10; ++batch) {
    RunOnItsOwnServer early;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, 300)(random)));
    early.server.kill_now();
    early.expect_orderly_end("the connection to the display was lost");
    std::vector<std::pair<std::chrono::milliseconds, std::unique_ptr<RunOnItsOwnServer>>> runs;
    for (int i = 0; i < 5; ++i) {
      runs.emplace_back(std::uniform_int_distribution(0, 1000)(random), std::make_unique<RunOnItsOwnServer>());
    }
    for (auto& [killAfter, run] : runs) ASSERT_TRUE(run->monitor->under_way()) << run->monitor->errors();
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

// A display that never returns (its server stopped, as a hung one) gets its
// 2 seconds to let the screen close once the files are closed, and no more. The run's
// expect_orderly_end waits 10 s, far beyond what a busy machine adds.
TEST(LiveFaults, AHungDisplayGetsTwoSecondsToCloseAndNoMore) {
  if (!testing_x::program_path("Xvfb")) GTEST_SKIP() << "Xvfb is needed";
  RunOnItsOwnServer run(false);
  ASSERT_TRUE(run.monitor->under_way()) << run.monitor->errors();
  run.server.stop();
  const auto stopped = std::chrono::steady_clock::now();
  run.monitor->send(SIGTERM);
  run.expect_orderly_end("the screen did not close within 2 seconds");
  EXPECT_GE(std::chrono::steady_clock::now() - stopped, 2s);
}

// Another program ends the window, as a window manager does.
TEST(LiveFaults, AWindowEndedFromOutsideEndsTheRunInOrder) {
  if (!testing_x::program_path("Xvfb") || !testing_x::program_path("xdotool")) GTEST_SKIP() << "Xvfb and xdotool";
  for (const auto& [command, reason] : {std::pair{"windowclose", "the window was destroyed by another program"},
                                        std::pair{"windowkill", "the connection to the display was lost"}}) {
    SCOPED_TRACE(command);
    RunOnItsOwnServer run;
    ASSERT_TRUE(run.monitor->under_way());
    const std::string window = run.monitor->wait_for_window();
    std::this_thread::sleep_for(700ms);
    ASSERT_TRUE(testing_x::command_output(std::string("xdotool ") + command + " " + window));
    run.expect_orderly_end(reason);
  }
}

}  // namespace
}  // namespace novabit
