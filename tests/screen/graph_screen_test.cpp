// The GraphScreen driven by the test itself on memory back ends: opening
// mode 19 (or failing to, after every back end and setting), closing, the
// title, the display update and the switches between full screen and window.
// The key path is checked by the keys fuzz model's corpus.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen_fixture.h"

namespace novabit::testing {
namespace {

using GraphScreenTest = ScreenTest;

WindowEvent switch_event() {
  WindowEvent event;
  event.kind = WindowEvent::Kind::switch_full_screen;
  return event;
}

TEST_F(GraphScreenTest, ModeNineteenOpensBlackAndOtherModesAreRefused) {
  ASSERT_NE(screen.screen_memory(), nullptr);
  EXPECT_TRUE(lit_pixels().empty());
  EXPECT_EQ(frame().pages(), 4);
  EXPECT_EQ(screen.text()->region_top() * 100 + screen.text()->region_bottom(), 137);
  EXPECT_TRUE(backEnd.current_request().fullScreen);
  EXPECT_EQ(screen.set_text_colours(kKeepColour, kKeepColour).foreground, 0xFFFF);
  screen.set_pixel(3, 3, 0xFFFFFF);
  for (const auto& [mode, depth] : {std::pair{12, 16}, std::pair{22, 16}, std::pair{19, 8}, std::pair{19, 32}}) {
    EXPECT_FALSE(screen.set_screen_mode(mode, depth, 4, 1, 0));
    ASSERT_TRUE(screen.is_open());
  }
  EXPECT_EQ(pixel(3, 3), 0xFFFF);
  EXPECT_TRUE(screen.call_refused());
  EXPECT_EQ(backEnd.open_requests().size(), 1U);
  ASSERT_TRUE(screen.set_screen_mode(19, 15, 1, 0, 0));
  EXPECT_TRUE(lit_pixels().empty()) << "a new mode set starts from black";
  EXPECT_FALSE(backEnd.current_request().fullScreen);
  {
    const auto guard = screen.hold();
    EXPECT_FALSE(screen.set_screen_mode(0, 0, 0, 0, 0));
  }
  EXPECT_TRUE(screen.is_open()) << "refused while the caller holds the lock";
  EXPECT_TRUE(screen.set_screen_mode(0, 0, 0, 0, 0));
  EXPECT_EQ(screen.screen_memory(), nullptr);
  EXPECT_FALSE(backEnd.is_open());
}

// Every back end in order, each with the rate asked for and then the
// default, then all again with full screen inverted.
TEST(GraphScreenFailureTest, BackEndsAreTriedInOrderThenWithFullScreenInverted) {
  ChannelTable channels(nullptr, nullptr);
  EndSteps endSteps;
  MemoryBackEnd preferred;
  MemoryBackEnd fallback;
  preferred.set_acceptance([](const DisplayRequest&) { return false; }, "No available video device");
  fallback.set_acceptance([](const DisplayRequest& request) { return !request.fullScreen && request.refreshRate == 0; });
  GraphScreen screen(channels, endSteps, {preferred, fallback}, GraphScreenOptions{false, "novabit"});
  ASSERT_TRUE(screen.set_screen_mode(19, 16, 4, 1, 75));
  ASSERT_NE(screen.screen_memory(), nullptr);
  const auto attempts = [](const MemoryBackEnd& backEnd) {
    std::vector<std::pair<bool, int>> tried;
    for (const DisplayRequest& request : backEnd.open_requests()) tried.emplace_back(request.fullScreen, request.refreshRate);
    return tried;
  };
  using Tried = std::vector<std::pair<bool, int>>;
  EXPECT_EQ(attempts(preferred), (Tried{{true, 75}, {true, 0}, {false, 75}, {false, 0}}));
  EXPECT_EQ(attempts(fallback), attempts(preferred));

  GraphScreen none(channels, endSteps, {preferred}, GraphScreenOptions{false, ""});
  EXPECT_EQ(none.window_title(), "screen_tests") << "the executable's name until a title is set";
  const Outcome refused = none.set_screen_mode(19, 16, 4, 1, 0);
  EXPECT_EQ(none.screen_memory(), nullptr);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.failure().message(), "No available video device");
}

TEST_F(GraphScreenTest, TickShowsTheMarkedBandAndASwitchTheWholePicture) {
  screen.set_pixel(5, 100, 0xFFFFFF);
  screen.set_pixel(7, 102, 0xFF4444);
  screen.tick();
  EXPECT_EQ(backEnd.shown_row_count(), 3);
  EXPECT_TRUE(marked_rows().empty());
  EXPECT_EQ(backEnd.picture(), snapshot());
  backEnd.push_event(switch_event());
  screen.tick();
  screen.tick();
  EXPECT_FALSE(backEnd.current_request().fullScreen);
  EXPECT_EQ(backEnd.shown_row_count(), 3 + 600);
}

// The run goes on with the screen unshown; a later try opens whichever
// setting opens and shows every row. Only a display that is gone is lost.
TEST_F(GraphScreenTest, SwitchThatCannotReopenAtAllWaitsForEitherSetting) {
  const auto refused_switch = [&](bool gone) {
    backEnd.set_acceptance([](const DisplayRequest&) { return false; }, "mode switch failed", gone);
    backEnd.push_event(switch_event());
    screen.tick();
    screen.tick();
  };
  refused_switch(false);
  EXPECT_FALSE(screen.display_lost());
  EXPECT_FALSE(backEnd.is_open());
  const int shown = backEnd.shown_row_count();
  screen.set_pixel(5, 5, 0xFFFFFF);
  backEnd.set_acceptance([](const DisplayRequest& request) { return request.fullScreen; });
  for (int tick = 0; tick < 1000 && !backEnd.is_open(); ++tick) screen.tick();
  EXPECT_TRUE(backEnd.current_request().fullScreen) << "the window was asked for; only full screen opens";
  EXPECT_EQ(backEnd.shown_row_count(), shown + 600);
  EXPECT_EQ(backEnd.shown_pixel(5, 5), 0xFFFF);
  refused_switch(true);
  EXPECT_TRUE(screen.display_lost());
  EXPECT_EQ(screen.loss_reason(), "mode switch failed");
}

}  // namespace
}  // namespace novabit::testing
