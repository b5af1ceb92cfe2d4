// The SDL back end against a real X server (Xvfb), read back with xwd and typed into
// with xdotool.

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

#include "screen/colour.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/sdl/lost_connection_end.h"
#include "screen/sdl/sdl_back_end.h"
#include "textio/channels.h"
#include "x_server.h"

namespace novabit {
namespace {

using testing_x::command_output;
using testing_x::read_root_image;
using testing_x::RootImage;

// With no window manager the window sits centred on the root with no frame.
constexpr int kRootWidth = 1024;
constexpr int kRootHeight = 768;
constexpr int kLeft = (kRootWidth - kScreenWidth) / 2;
constexpr int kTop = (kRootHeight - kScreenHeight) / 2;
const char* const kTitle = "NovaBit prueba";

DisplayRequest window_request() {
  DisplayRequest request;
  request.fullScreen = false;
  request.title = kTitle;
  return request;
}

// A picture that uses many 5-6-5 values, with a white frame so that the window's edges
// show on the black root.
std::vector<std::uint16_t> test_picture() {
  std::vector<std::uint16_t> page(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      const bool frame = x == 0 || y == 0 || x == kScreenWidth - 1 || y == kScreenHeight - 1;
      page[static_cast<std::size_t>(y) * kScreenWidth + x] =
          frame ? 0xFFFF : static_cast<std::uint16_t>(x * 97 + y * 331);
    }
  }
  return page;
}

// Every root pixel: the widened picture inside the window, black around it.
bool root_shows(const RootImage& image, const std::vector<std::uint16_t>& page) {
  if (image.width != kRootWidth || image.height != kRootHeight) {
    return false;
  }
  for (int y = 0; y < kRootHeight; ++y) {
    for (int x = 0; x < kRootWidth; ++x) {
      const bool inside = x >= kLeft && x < kLeft + kScreenWidth && y >= kTop &&
                          y < kTop + kScreenHeight;
      const std::size_t index = static_cast<std::size_t>(y - kTop) * kScreenWidth + x - kLeft;
      const std::uint32_t expected = inside ? rgb_from_pixel(page[index]) : 0;
      if (image.at(x, y) != expected) {
        return false;
      }
    }
  }
  return true;
}

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

class SdlBackEndOnX : public XServerTest {
 protected:
  void SetUp() override {
    XServerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) {
      return;
    }
    backEnd_ = make_sdl_back_end();
    ASSERT_TRUE(backEnd_->open(window_request())) << backEnd_->failure_reason();
  }
  void TearDown() override { backEnd_.reset(); }

  // Handles window events (as the display thread does) until the condition holds.
  bool pump_until(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      backEnd_->poll_events(events_);
      if (done()) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  bool root_comes_to_show(const std::vector<std::uint16_t>& page) {
    std::optional<RootImage> image;
    return pump_until([&] {
      image = read_root_image();
      return image && root_shows(*image, page);
    });
  }

  std::unique_ptr<DisplayBackEnd> backEnd_;
  std::vector<WindowEvent> events_;
};

// The picture widened from 5-6-5 in a centred window of exactly 800 x 600;
// later only the rows given, and a new window shows the last picture again.
TEST_F(SdlBackEndOnX, ShowsThePictureWidenedRowsAsGivenAndAgainInANewWindow) {
  std::vector<std::uint16_t> page = test_picture();
  const std::uint16_t samples[] = {0xFFFF, 0x0660, 0x56EA, 0x33A6, 0x0008, 0xFA28};
  std::copy(std::begin(samples), std::end(samples), page.begin() + kScreenWidth + 1);
  backEnd_->show_rows(page.data(), 0, kScreenHeight - 1);
  ASSERT_TRUE(root_comes_to_show(page));
  const std::optional<RootImage> image = read_root_image();
  ASSERT_TRUE(image);
  const std::uint32_t shown[] = {0xF8FCF8, 0x00CC00, 0x50DC50, 0x307430, 0x000040, 0xF84440};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(image->at(kLeft + 1 + i, kTop + 1), shown[i]) << "sample " << i;

  std::vector<std::uint16_t> changed = page;
  std::fill_n(changed.begin() + 300 * kScreenWidth, kScreenWidth, 0x0660);
  std::fill_n(changed.begin() + 301 * kScreenWidth, kScreenWidth, 0xFA28);  // changed in memory, not shown
  backEnd_->show_rows(changed.data(), 300, 300);
  std::copy_n(changed.begin() + 300 * kScreenWidth, kScreenWidth, page.begin() + 300 * kScreenWidth);
  EXPECT_TRUE(root_comes_to_show(page));

  DisplayRequest fullScreen = window_request();
  fullScreen.fullScreen = true;
  ASSERT_TRUE(backEnd_->open(fullScreen)) << backEnd_->failure_reason();
  backEnd_->close();
  ASSERT_TRUE(backEnd_->open(window_request())) << backEnd_->failure_reason();
  EXPECT_TRUE(root_comes_to_show(page));
  DisplayRequest oddRate = window_request();
  oddRate.refreshRate = 7;
  EXPECT_FALSE(backEnd_->open(oddRate));
  EXPECT_NE(backEnd_->failure_reason().find("refresh rate 7 Hz"), std::string::npos) << backEnd_->failure_reason();
}

TEST_F(SdlBackEndOnX, CaptionIsTheLatin1TitleInUtf8) {
  backEnd_->set_title("Estad\xEDstica");
  std::optional<std::string> name;
  EXPECT_TRUE(pump_until([&] {
    name = command_output("xprop -id $(xdotool search --name '^Estad.*stica$') _NET_WM_NAME");
    return name.has_value();
  }));
  EXPECT_NE(name.value_or("").find("\"Estad\xC3\xADstica\""), std::string::npos) << *name;
}

using GraphScreenOnX = XServerTest;

TEST_F(GraphScreenOnX, ReadsTypedKeysAsTheirBytes) {
  ChannelTable channels(nullptr, nullptr);
  EndSteps endSteps;
  const std::unique_ptr<DisplayBackEnd> backEnd = make_sdl_back_end();
  GraphScreen screen(channels, endSteps, {*backEnd}, GraphScreenOptions{true, "novabit"});
  screen.set_window_title(kTitle);
  screen.set_screen_mode(19, 16, 4, 0, 0);
  ASSERT_TRUE(screen.is_open()) << screen.display_failure();

  ASSERT_TRUE(command_output("setxkbmap fr"));
  ASSERT_TRUE(command_output("xdotool search --sync --name '^NovaBit prueba$'"));
  ASSERT_TRUE(command_output("xdotool mousemove " + std::to_string(kLeft + 400) + " " +
                             std::to_string(kTop + 300)));
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

// The lost display leaves SDL's video useless for the rest of the process, so these run
// in a child process each. The child reports the first failed check on stderr.
using SdlBackEndLosingX = XServerTest;

void fail_check(const char* check) {
  std::fprintf(stderr, "failed: %s\n", check);
  std::_Exit(1);
}

TEST_F(SdlBackEndLosingX, ReportsTheLossOnceAndGoesOn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::unique_ptr<DisplayBackEnd> backEnd = make_sdl_back_end();
        if (!backEnd->open(window_request())) {
          fail_check("open");
        }
        const std::vector<std::uint16_t> page = test_picture();
        backEnd->show_rows(page.data(), 0, kScreenHeight - 1);
        server_->kill_now();

        std::vector<WindowEvent> events;
        for (int i = 0; i < 500 && events.empty(); ++i) {
          backEnd->poll_events(events);
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (events.size() != 1 || events[0].kind != WindowEvent::Kind::connection_lost) {
          fail_check("one connection_lost event");
        }
        // Nothing of this may reach Xlib, which would end the process with status 1.
        backEnd->show_rows(page.data(), 0, kScreenHeight - 1);
        backEnd->set_title("otro");
        events.clear();
        backEnd->poll_events(events);
        if (!events.empty()) {
          fail_check("no more events");
        }
        if (backEnd->open(window_request()) || !backEnd->display_gone()) {
          fail_check("refused reopening");
        }
        backEnd->close();
        backEnd = make_sdl_back_end();
        if (backEnd->open(window_request()) ||
            backEnd->failure_reason() != "the connection to the display was lost") {
          fail_check("refused opening by another back end");
        }
        std::fputs("went on\n", stderr);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "went on");
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
