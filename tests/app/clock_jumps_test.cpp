// The wall clock set forward or back an hour during a run, as a clock change
// or a new time zone does: the passes keep to one per second of the steady
// clock, every pass is counted, and the records keep their shape while the
// times in them jump.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "app/live_monitor.h"
#include "display/expected_frame.h"
#include "experiment/program.h"
#include "experiment/test_doubles.h"
#include "screen/colour.h"
#include "screen_sdl/x_server.h"
#include "simulator/study_log_check.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_app::Launch;
using testing_app::LiveMonitor;
using testing_app::ScratchDirectory;

// Shows the steady clock's whole seconds as 23:00:00 on 12-05-2026 for the
// first pass, put forward an hour from pass 400 on and back two hours from
// pass 700 on.
class JumpingWallClock final : public WallClock {
 public:
  explicit JumpingWallClock(const testing::SteppingClock& clock) : clock_(clock) {}
  LocalTime now() const override {
    const auto seconds = std::chrono::seconds(static_cast<std::int64_t>(std::floor(clock_.now())));
    auto shown = std::chrono::sys_days{std::chrono::December / 5 / 2026} + 23h + seconds - kFirstPassSecond;
    if (seconds >= kFirstPassSecond + 399s) shown += 1h;
    if (seconds >= kFirstPassSecond + 699s) shown -= 2h;
    return testing::local_time_of(shown);
  }

 private:
  static constexpr std::chrono::seconds kFirstPassSecond{1000};
  const testing::SteppingClock& clock_;
};

TEST(ClockJumps, PassesKeepToTheSteadyClockAndRecordsToTheirShape) {
  ScratchDirectory directory;
  testing::SteppingClock clock(1000.25L, 1.0L / 64);
  const JumpingWallClock wallClock(clock);
  // The space comes in the wait of pass 1000.
  testing::ScriptedKeys keys([&](std::int64_t) { return clock.now() > 1999.5L ? " " : ""; });
  testing::RecordingDisplay display;
  ChannelTable channels(nullptr, nullptr);
  Printer printer(channels);
  BitSource bits;
  ExperimentDriver driver({display, printer, bits, clock, wallClock, keys}, DriverOptions{true, nullptr, directory.path()});
  ASSERT_EQ(run_program(driver, channels, stderr), 0);

  EXPECT_EQ(driver.state().secondsElapsed, 1001);
  ASSERT_EQ(display.passes.size(), 1000U) << "one pass per steady second";
  const std::string log = testing::file_bytes(directory.path() / "estudio_12-05-2026");
  const auto check = testing::check_study_log(log);
  EXPECT_FALSE(check.malformed) << check.malformed.value_or("");
  // Pass 300 before the jumps, pass 600 an hour ahead (past midnight), pass 900 an hour behind.
  std::vector<std::string> stamps;
  for (const auto& record : check.records) {
    stamps.push_back((record.kind == testing::LogRecordKind::quarter ? ">>>>>" : "") + record.date + " - " +
                     record.time);
  }
  EXPECT_EQ(stamps, (std::vector<std::string>{"12-05-2026 - 23:04:59", "12-06-2026 - 00:09:59",
                                              ">>>>>12-05-2026 - 22:14:59", "12-05-2026 - 22:14:59"}));
}

// The points the passes plotted in the first minute's column of the graph.
int plotted_points() {
  const auto shown = testing_x::read_root_image();
  if (!shown) return -1;
  const testing::Picture frame = testing::expected_frame({"01-01-2000", "00:00:00"}, "01-01-2000");
  int points = 0;
  for (int y = 30; y < 90; ++y) {
    if (shown->at(1, y) != rgb_from_pixel(frame.at(1, y))) ++points;
  }
  return points;
}

int whole_seconds_since(std::chrono::steady_clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count());
}

// The live program with its wall clock put forward an hour and then back two
// by libfaketime while the steady clock runs on: the passes go on at one a
// second, which the points they plot show.
TEST(ClockJumps, TheLiveSecondsClockDoesNotFollowTheWallClock) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's runtime must come before a preloaded library";
#endif
  const auto library = testing_app::fake_time_library();
  if (!testing_x::program_path("Xvfb") || !testing_x::program_path("xdotool") || !library) {
    GTEST_SKIP() << "Xvfb, xdotool and libfaketime are needed";
  }
  testing_x::XvfbServer server(800, 600);
  ASSERT_TRUE(server.running());
  ScratchDirectory directory;
  ScratchDirectory control;
  const auto offset = control.path() / "offset";
  const auto set_offset = [&](const char* seconds) { std::ofstream(offset) << seconds << "\n"; };
  set_offset("+0");
  Launch launch;
  launch.environment = {{"LD_PRELOAD", library->string()},
                        {"FAKETIME_TIMESTAMP_FILE", offset.string()},
                        {"FAKETIME_NO_CACHE", "1"},
                        {"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};
  const auto launched = std::chrono::steady_clock::now();
  LiveMonitor monitor(directory.path(), launch);
  const std::string window = monitor.wait_for_window();
  ASSERT_FALSE(window.empty());
  const auto shown = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(1500ms);
  set_offset("+3600");
  std::this_thread::sleep_for(1000ms);
  const int beforeTheStepBack = plotted_points();
  set_offset("-3600");
  std::this_thread::sleep_for(2500ms);

  const int lowest = whole_seconds_since(shown) - 1;
  const int points = plotted_points();
  const int highest = whole_seconds_since(launched) + 2;
  EXPECT_GE(points - beforeTheStepBack, 2) << "passes stopped when the clock went back two hours";
  EXPECT_GE(points, lowest) << "passes were lost";
  EXPECT_LE(points, highest) << "passes hurried";
  ASSERT_TRUE(testing_x::command_output("xdotool key --window " + window + " space"));
  EXPECT_EQ(monitor.wait_for_exit(5s), 0);
}

}  // namespace
}  // namespace novabit
