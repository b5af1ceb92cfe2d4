// The SDL back end against a real X server (Xvfb): keys typed with xdotool
// reach read_key as their bytes, and a break met inside Xlib ends the
// process only once the files are closed. The live program's tests show the
// picture.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "drawing/colour.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/sdl/lost_connection_end.h"
#include "screen/sdl/sdl_back_end.h"
#include "support/x_server.h"
#include "textio/channels.h"

namespace novabit {
namespace {

using testing_x::command_output;

// With no window manager the window sits centred on the root with no frame.
constexpr int kRootWidth = 1024;
constexpr int kRootHeight = 768;
constexpr int kLeft = (kRootWidth - kScreenWidth) / 2;
constexpr int kTop = (kRootHeight - kScreenHeight) / 2;
const char* const kTitle = "NovaBit prueba";

class XServerTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!testing_x::program_path("Xvfb")) {
      GTEST_SKIP() << "Xvfb is not installed";
    }
    server_ = std::make_unique<testing_x::XvfbServer>(kRootWidth, kRootHeight);
    ASSERT_TRUE(server_->running()) << "Xvfb did not start";
    setenv("SDL_VIDEODRIVER", "x11", 1);
  }

  std::unique_ptr<testing_x::XvfbServer> server_;
};

using GraphScreenOnX = XServerTest;

TEST_F(GraphScreenOnX, ReadsTypedKeysAsTheirBytes) {
  ChannelTable channels(nullptr, nullptr);
  EndSteps endSteps;
  const std::unique_ptr<DisplayBackEnd> backEnd = make_sdl_back_end();
  GraphScreen screen(channels, endSteps, {*backEnd}, GraphScreenOptions{true, "novabit"});
  screen.set_window_title(kTitle);
  const Outcome opened = screen.set_screen_mode(19, 16, 4, 0, 0);
  ASSERT_TRUE(opened) << opened.failure().message();

  ASSERT_TRUE(command_output("setxkbmap fr"));
  ASSERT_TRUE(command_output("xdotool search --sync --name '^NovaBit prueba$'"));
  ASSERT_TRUE(command_output("xdotool mousemove " + std::to_string(kLeft + 400) + " " + std::to_string(kTop + 300)));
  // Alt+F4 is only a key, and Alt+Enter only switches the display.
  ASSERT_TRUE(command_output("xdotool key space eacute F1 Up alt+F4 alt+Return"));

  std::vector<std::string> keys;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (keys.size() < 5 && std::chrono::steady_clock::now() < deadline) {
    const std::string key = screen.read_key();
    if (key.empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else {
      keys.push_back(key);
    }
  }
  EXPECT_EQ(keys, (std::vector<std::string>{" ", "\x82", "\xFF;", "\xFFH", "\xFFk"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(screen.read_key(), "");
  EXPECT_TRUE(screen.is_open() && !screen.display_lost());
  endSteps.run_all();
}

void fail_check(const char* check) {
  std::fprintf(stderr, "failed: %s\n", check);
  std::_Exit(1);
}

void announce_orderly_end(const char* reason) {
  std::fprintf(stderr, "orderly end: %s\n", reason);
  std::_Exit(0);
}

class XlibMeetingTheBreak : public XServerTest, public testing::WithParamInterface<bool> {};

// Xlib meets the break inside a call (on the display thread, for the window's connection).
// Inside the run its handler waits until the program's thread has closed its files, which
// then ends the process; outside the run it ends the process at once. Xlib never does.
TEST_P(XlibMeetingTheBreak, EndsTheProcessOnceTheFilesAreClosed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const bool inRun = GetParam();
  EXPECT_EXIT(
      {
        LostConnectionEnd lostConnection(announce_orderly_end);
        const std::unique_ptr<DisplayBackEnd> backEnd = make_sdl_back_end(&lostConnection);
        if (inRun) lostConnection.run_begins();
        std::thread display([&] {
          testing_x::meet_break_inside_xlib(*server_);
          fail_check("the handler returned");
        });
        while (!lostConnection.lost()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::fputs("files closed\n", stderr);
        lostConnection.files_closed();
        fail_check("files_closed returned");
      },
      testing::ExitedWithCode(0),
      std::string(inRun ? "^files closed\n" : "^") + "orderly end: the connection to the display was lost\n$");
}

INSTANTIATE_TEST_SUITE_P(InAndOutsideTheRun, XlibMeetingTheBreak, testing::Bool());

}  // namespace
}  // namespace novabit
