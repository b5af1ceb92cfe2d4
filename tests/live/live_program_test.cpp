// The real novabit on a private X server, as a user runs it: the picture it
// shows full screen without a window manager, its title, the keys it
// swallows, the files where --dir and --seal-dir put them, the space and the
// stop signals that end it, a flood of keys, a screen it cannot have, and a
// wall clock set forward and back under libfaketime.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <utility>

#include "drawing/colour.h"
#include "live/message_copy.h"
#include "support/expected_frame.h"
#include "support/live_monitor.h"
#include "support/x_server.h"
#include "view/monitor_texts.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_app::Launch;
using testing_app::LiveMonitor;
using testing_app::monitor_window_exists;
using testing_app::ScratchDirectory;
using testing_app::today;
using testing_x::command_output;

class LiveProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { start_server(800, 600); }
  void start_server(int width, int height) {
    if (!testing_x::program_path("Xvfb") || !testing_x::program_path("xdotool")) GTEST_SKIP() << "Xvfb and xdotool";
    server_ = std::make_unique<testing_x::XvfbServer>(width, height);
    ASSERT_TRUE(server_->running());
  }
  std::unique_ptr<testing_x::XvfbServer> server_;
};

// The pixels of the first minute's column of the graph that differ from the frame: one per pass.
int plotted_points() {
  const auto shown = testing_x::read_root_image();
  if (!shown) return -1;
  const testing::Picture frame = testing::expected_frame({"01-01-2000", "00:00:00"}, "01-01-2000");
  int points = 0;
  for (int y = 30; y < 90; ++y) points += shown->at(1, y) != rgb_from_pixel(frame.at(1, y));
  return points;
}

// On a server without a window manager, where nobody acts on the request for
// a full screen: the monitor must cover the screen itself, its picture scaled
// to fill it and centred, keeping its 4:3 shape between black bars on a wide
// screen (1.28 times on 1024 x 768, 1.8 times and 240 columns of bars either
// side on 1920 x 1080).
class FullScreenTest : public LiveProgramTest, public ::testing::WithParamInterface<std::pair<int, int>> {
 protected:
  void SetUp() override { start_server(GetParam().first, GetParam().second); }
};

// The pixels of the screen that differ from the frame scaled and centred,
// each taken at its middle, or from the black bars beside it. Left out: the
// date line (the run's own start), the text panel (the passes' bits) and the
// first minute's column (their points).
int pixels_off_the_frame(int width, int height) {
  const auto shown = testing_x::read_root_image(width, height);
  if (!shown) return -1;
  testing::Picture expected = testing::expected_frame({today(), "00:00:00"}, today());
  testing::paint_side_panel(expected, " 0", "", "");
  const double scale = std::min(width / 800.0, height / 600.0);
  const int left = static_cast<int>((width - 800 * scale) / 2), top = static_cast<int>((height - 600 * scale) / 2);
  int differing = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      differing += (x < left || x >= width - left || y < top || y >= height - top) && shown->at(x, y) != 0;
  }
  const auto scaled = [scale](int pixel, int margin) { return margin + static_cast<int>((pixel + 0.5) * scale); };
  for (int y = 0; y < 600; ++y) {
    if ((y >= 224 && y < 240) || (y >= 256 && y < 528)) continue;
    for (int x = 0; x < 800; ++x) {
      if (x == 1 && y >= 30 && y < 90) continue;
      differing += shown->at(scaled(x, left), scaled(y, top)) != rgb_from_pixel(expected.at(x, y));
    }
  }
  return differing;
}

// The study log and the raw record go to --dir, the seal alone to --seal-dir,
// named after the station. Started with its standard input closed, the monitor holds /dev/null there,
// so that no file it opens takes descriptor 0. With --pace sleep its own thread sleeps through most
// of every wait, and still answers the keys.
TEST_P(FullScreenTest, ShowsTheFrameSwallowsOtherKeysEndsOnSpaceAndWritesWhereItIsTold) {
  ScratchDirectory directory;
  for (const char* folder : {"study", "keeper"}) std::filesystem::create_directory(directory.path() / folder);
  Launch launch;
  launch.arguments = {"--dir", "study", "--seal-dir", "keeper", "--station", "lab-1", "--pace", "sleep"};
  launch.inputClosed = true;
  LiveMonitor monitor(directory.path(), launch);
  const std::string window = monitor.wait_for_window();
  ASSERT_FALSE(window.empty());
  int asleep = 0;  // of 50 looks at its own thread over a few passes
  for (int look = 0; look < 50; ++look, std::this_thread::sleep_for(50ms)) {
    const std::string stat = testing::file_bytes("/proc/" + std::to_string(monitor.pid()) + "/stat");
    asleep += stat[stat.rfind(')') + 2] == 'S' ? 1 : 0;
  }
  EXPECT_GE(asleep, 25);
  ASSERT_TRUE(monitor.running());
  EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(monitor.pid()) + "/fd/0"), "/dev/null");
  EXPECT_EQ(pixels_off_the_frame(GetParam().first, GetParam().second), 0);
  EXPECT_EQ(command_output("xdotool getwindowname " + window), std::string(kWindowTitle) + "\n");

  ASSERT_TRUE(command_output("xdotool key --window " + window + " Escape alt+F4"));
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(monitor.running() && monitor_window_exists()) << "Escape and Alt+F4 are swallowed";
  ASSERT_TRUE(command_output("xdotool key --window " + window + " space"));
  EXPECT_EQ(monitor.wait_for_exit(5s), 0);
  const std::string log = "estudio_" + today();
  EXPECT_EQ(testing::entries_of(directory.path()), (std::vector<std::string>{"keeper", "study"}));
  EXPECT_EQ(testing::entries_of(directory.path() / "study"), (std::vector<std::string>{log, log + ".trials.csv"}));
  EXPECT_EQ(testing::entries_of(directory.path() / "keeper"), std::vector<std::string>{log + ".lab-1.seal"});
}

INSTANTIATE_TEST_SUITE_P(Screens, FullScreenTest, ::testing::Values(std::pair{1024, 768}, std::pair{1920, 1080}),
                         [](const auto& info) {
                           return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
                         });

// Ten thousand keys, the space among the last few: the ring keeps the newest
// keys, so the space still ends the run.
TEST_F(LiveProgramTest, AFloodOfKeysEndsOnTheSpaceAmongThem) {
  {
    ScratchDirectory directory;
    LiveMonitor monitor(directory.path());
    const std::string window = monitor.wait_for_window();
    ASSERT_FALSE(window.empty());
    std::string keys;
    for (int i = 0; i < 2500; ++i) keys += i % 2 ? " a" : " F1";
    const std::string send = "xdotool key --window " + window + " --delay 0";
    for (int batch = 0; batch < 3; ++batch) ASSERT_TRUE(command_output(send + keys));
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(monitor.running()) << "only the space ends the run";
    ASSERT_TRUE(command_output(send + keys + " space Up Escape"));
    EXPECT_EQ(monitor.wait_for_exit(10s), 0);
    EXPECT_EQ(monitor.errors_besides_skipped_seconds(), "");
  }
}

// No screen to open: the message, one line with the reason and none of the
// display system's own (Wayland's complaint without XDG_RUNTIME_DIR), status
// 1, no log; the line is kept with its date and time beside where the log
// would be.
TEST_F(LiveProgramTest, RefusedStartsSayWhyAndLeaveNothing) {
  for (const std::optional<std::string>& display : {std::optional<std::string>(), std::optional<std::string>(":919")}) {
    ScratchDirectory directory;
    Launch launch;
    launch.environment = {{"DISPLAY", display},
                          {"WAYLAND_DISPLAY", std::nullopt},
                          {"SDL_VIDEODRIVER", std::nullopt},
                          {"XDG_RUNTIME_DIR", std::nullopt}};
    LiveMonitor monitor(directory.path(), launch);
    ASSERT_EQ(monitor.wait_for_exit(10s), 1) << "it must not run without a visible window";
    EXPECT_EQ(monitor.output(), "Error setting video mode!\r\n");
    const std::string errors = monitor.errors();
    EXPECT_TRUE(errors.starts_with("novabit: cannot open the screen: ")) << errors;
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << errors;
    EXPECT_EQ(directory.entries(), std::vector<std::string>{"novabit-messages.txt"});
    const std::string kept = testing::file_bytes(directory.path() / "novabit-messages.txt");
    EXPECT_TRUE(std::regex_match(kept.substr(0, 20), std::regex("20[0-9-]{8} [0-9:]{8} "))) << kept;
    EXPECT_EQ(kept.substr(20), errors);
  }
}

// A full disk: the lines said meanwhile are kept, with the times they were
// said, and added whole, in their order, once the disk takes them.
TEST(MessageCopyTest, KeepsTheLinesAFullDiskRefused) {
  const ScratchDirectory directory(true);
  testing::SmallDisk disk("disk", 65536);
  if (disk.unavailable()) GTEST_SKIP() << *disk.unavailable();
  std::FILE* errors = std::tmpfile();
  std::string said;
  {
    const MessageCopy copy(errors, "disk");
    disk.fill(0);
    for (int line = 1; line <= 3; ++line) {
      said += "novabit: line " + std::to_string(line) + " " + std::string(200, 'x') + "\n";
      std::fputs(said.substr(said.rfind("novabit:")).c_str(), copy.stream());
    }
    EXPECT_EQ(testing::file_bytes("disk/novabit-messages.txt"), "");
    disk.give_back();
    said += "novabit: the last line\n";
    std::fputs("novabit: the last line\n", copy.stream());
  }
  const std::string kept = testing::file_bytes("disk/novabit-messages.txt");
  EXPECT_EQ(std::regex_replace(kept, std::regex("(^|\n)20[0-9-]{8} [0-9:]{8} "), "$1"), said) << kept;
  std::fclose(errors);
}

// The wall clock put forward an hour and back two while the steady clock
// runs on: the passes go on at one a second, as the points they plot show.
TEST_F(LiveProgramTest, PassesKeepToTheSteadyClockWhenTheWallClockJumps) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's runtime must come before a preloaded library";
#endif
  const auto library = testing_app::fake_time_library();
  if (!library) GTEST_SKIP() << "libfaketime is needed";
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
  const auto seconds_since = [](auto start) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count());
  };
  const int lowest = seconds_since(shown) - 1;
  const int points = plotted_points();
  EXPECT_GE(points - beforeTheStepBack, 2) << "passes stopped when the clock went back two hours";
  EXPECT_GE(points, lowest) << "passes were lost";
  EXPECT_LE(points, seconds_since(launched) + 2) << "passes hurried";
  ASSERT_TRUE(command_output("xdotool key --window " + window + " space"));
  EXPECT_EQ(monitor.wait_for_exit(5s), 0);
}

}  // namespace
}  // namespace novabit
