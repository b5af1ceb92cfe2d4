// The real novabit on a private 800 x 600 X server: the picture it shows
// after its first passes, its title, the keys it swallows, the space that
// ends it, and the study log it leaves.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/close_request.h"
#include "app/live_monitor.h"
#include "display/expected_frame.h"
#include "display/monitor_texts.h"
#include "screen/colour.h"
#include "screen_sdl/x_server.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_app::LiveMonitor;
using testing_app::monitor_window_exists;
using testing_app::ScratchDirectory;
using testing_app::today;
using testing_x::command_output;
using testing_x::request_close;

TEST(LiveMonitor, ShowsTheFrameSwallowsOtherKeysAndEndsOnSpace) {
  if (!testing_x::program_path("Xvfb") || !testing_x::program_path("xdotool")) {
    GTEST_SKIP() << "Xvfb and xdotool are needed";
  }
  testing_x::XvfbServer server(800, 600);
  ASSERT_TRUE(server.running());
  ScratchDirectory directory;
  LiveMonitor monitor(directory.path());
  const std::string window = monitor.wait_for_window();
  ASSERT_FALSE(window.empty());
  std::this_thread::sleep_for(2500ms);  // a few passes
  ASSERT_TRUE(monitor.running());

  // Everything the layout fixes at start-up, outside the date line (its
  // start time is the run's own), the text panel (the passes' bits) and the
  // first minute's column of the seconds band (their points).
  const auto shown = testing_x::read_root_image();
  ASSERT_TRUE(shown);
  ASSERT_EQ(shown->width, 800);
  ASSERT_EQ(shown->height, 600);
  testing::Picture expected = testing::expected_frame({today(), "00:00:00"}, today());
  testing::paint_side_panel(expected, " 0", "", "");
  int compared = 0;
  int differing = 0;
  for (int y = 0; y < 600; ++y) {
    const bool dateLine = y >= 224 && y < 240;
    const bool textPanel = y >= 256 && y < 528;
    if (dateLine || textPanel) continue;
    for (int x = 0; x < 800; ++x) {
      const bool firstMinute = x == 1 && y >= 30 && y < 90;
      if (firstMinute) continue;
      ++compared;
      if (shown->at(x, y) != rgb_from_pixel(expected.at(x, y))) ++differing;
    }
  }
  EXPECT_EQ(differing, 0) << "of " << compared << " fixed pixels";

  const auto title = command_output("xdotool getwindowname " + window);
  ASSERT_TRUE(title);
  EXPECT_EQ(*title, std::string(kWindowTitle) + "\n");
  EXPECT_EQ(kWindowTitle.size(), 101U);

  ASSERT_TRUE(command_output("xdotool key --window " + window + " Escape alt+F4"));
  ASSERT_TRUE(request_close(std::stoul(window)));
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(monitor.running()) << "Escape, Alt+F4 and the close button must be swallowed";
  EXPECT_TRUE(monitor_window_exists()) << "the window stays";

  ASSERT_TRUE(command_output("xdotool key --window " + window + " space"));
  EXPECT_EQ(monitor.wait_for_exit(5s), 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(directory.path() / ("estudio_" + today())));
}

}  // namespace
}  // namespace novabit
