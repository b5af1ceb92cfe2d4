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

TEST_F(SdlBackEndOnX, ShowsThePictureWidenedInACentredWindowOfExactSize) {
  std::vector<std::uint16_t> page = test_picture();
  const std::uint16_t samples[] = {0xFFFF, 0x0660, 0x56EA, 0x33A6, 0x0008, 0xFA28};
  std::copy(std::begin(samples), std::end(samples), page.begin() + kScreenWidth + 1);
  backEnd_->show_rows(page.data(), 0, kScreenHeight - 1);

  EXPECT_TRUE(root_comes_to_show(page));
  const std::optional<RootImage> image = read_root_image();
  ASSERT_TRUE(image);
  const std::uint32_t shown[] = {0xF8FCF8, 0x00CC00, 0x50DC50, 0x307430, 0x000040, 0xF84440};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(image->at(kLeft + 1 + i, kTop + 1), shown[i]) << "sample " << i;
  }
}

TEST_F(SdlBackEndOnX, ShowsOnlyTheGivenRows) {
  std::vector<std::uint16_t> page = test_picture();
  backEnd_->show_rows(page.data(), 0, kScreenHeight - 1);
  ASSERT_TRUE(root_comes_to_show(page));

  std::vector<std::uint16_t> changed = page;
  for (int x = 0; x < kScreenWidth; ++x) {
    changed[300 * kScreenWidth + x] = 0x0660;
    changed[301 * kScreenWidth + x] = 0xFA28;  // changed in memory, not shown
  }
  backEnd_->show_rows(changed.data(), 300, 300);

  std::vector<std::uint16_t> expected = page;
  std::copy_n(changed.begin() + 300 * kScreenWidth, kScreenWidth,
              expected.begin() + 300 * kScreenWidth);
  EXPECT_TRUE(root_comes_to_show(expected));
}

TEST_F(SdlBackEndOnX, ANewWindowShowsTheLastPictureAgain) {
  const std::vector<std::uint16_t> page = test_picture();
  backEnd_->show_rows(page.data(), 0, kScreenHeight - 1);
  DisplayRequest fullScreen = window_request();
  fullScreen.fullScreen = true;
  ASSERT_TRUE(backEnd_->open(fullScreen)) << backEnd_->failure_reason();
  backEnd_->close();
  ASSERT_TRUE(backEnd_->open(window_request())) << backEnd_->failure_reason();
  EXPECT_TRUE(root_comes_to_show(page));
}

TEST_F(SdlBackEndOnX, RefusesARefreshRateTheDisplayDoesNotRun) {
  DisplayRequest request = window_request();
  request.refreshRate = 7;
  EXPECT_FALSE(backEnd_->open(request));
  EXPECT_NE(backEnd_->failure_reason().find("refresh rate 7 Hz"), std::string::npos)
      << backEnd_->failure_reason();
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

std::string describe(const WindowEvent& event) {
  char text[32];
  switch (event.kind) {
    case WindowEvent::Kind::character:
      std::snprintf(text, sizeof text, "character %X", event.codePoint);
      return text;
    case WindowEvent::Kind::key_down:
      std::snprintf(text, sizeof text, "key %02X modifiers %u", event.scanCode, event.modifiers);
      return text;
    case WindowEvent::Kind::close_request:
      return "close request";
    case WindowEvent::Kind::switch_full_screen:
      return "switch full screen";
    case WindowEvent::Kind::connection_lost:
      return "connection lost";
  }
  return "?";
}

TEST_F(SdlBackEndOnX, DeliversKeysAndCharactersSeparately) {
  const std::vector<std::uint16_t> page = test_picture();
  backEnd_->show_rows(page.data(), 0, kScreenHeight - 1);
  ASSERT_TRUE(root_comes_to_show(page));
  // A layout with an é key: xdotool would otherwise map é to a spare key only for the
  // moment of the key press, and SDL may read the mapping after it has been undone.
  ASSERT_TRUE(command_output("setxkbmap fr"));
  // With no window manager the keyboard goes to the window under the pointer.
  ASSERT_TRUE(command_output("xdotool mousemove " + std::to_string(kLeft + 400) + " " +
                             std::to_string(kTop + 300)));
  ASSERT_TRUE(command_output("xdotool key space F1 Up alt+F4 eacute alt+Return"));

  const auto switched = [&] {
    return std::any_of(events_.begin(), events_.end(), [](const WindowEvent& event) {
      return event.kind == WindowEvent::Kind::switch_full_screen;
    });
  };
  ASSERT_TRUE(pump_until(switched));
  std::vector<std::string> seen;
  for (const WindowEvent& event : events_) {
    const bool altKey = event.kind == WindowEvent::Kind::key_down && event.scanCode == 0x38;
    if (!altKey) {
      seen.push_back(describe(event));
    }
  }
  const std::vector<std::string> expected = {
      "key 39 modifiers 0",  "character 20",       "key 3B modifiers 0", "key 48 modifiers 0",
      "key 3E modifiers 4",  "key 03 modifiers 0", "character E9",       "switch full screen"};
  EXPECT_EQ(seen, expected);
  // Alt+F4 is only a key: the window is still there.
  EXPECT_TRUE(command_output("xdotool search --name '^NovaBit prueba$'"));
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
  ASSERT_TRUE(command_output("xdotool key space eacute F1 Up alt+F4"));

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
  EXPECT_EQ(screen.read_key(), "");
  endSteps.run_all();
}

TEST_F(SdlBackEndOnX, BeepsFromAnotherThreadWithOrWithoutAnAudioDevice) {
  std::thread program([&] { backEnd_->beep(1000, 250); });
  program.join();
  backEnd_->beep(1000, 250);
  backEnd_->beep(0, 250);
  backEnd_->beep(1000, -1);
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
