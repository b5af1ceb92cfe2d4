#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen_fixture.h"

namespace novabit::testing {
namespace {

WindowEvent character(std::uint32_t codePoint, int repeat = 1) {
  WindowEvent event;
  event.kind = WindowEvent::Kind::character;
  event.codePoint = codePoint;
  event.repeat = repeat;
  return event;
}

WindowEvent key_down(std::uint8_t scanCode, unsigned modifiers = modifier_none) {
  WindowEvent event;
  event.kind = WindowEvent::Kind::key_down;
  event.scanCode = scanCode;
  event.modifiers = modifiers;
  return event;
}

WindowEvent signal(WindowEvent::Kind kind) {
  WindowEvent event;
  event.kind = kind;
  return event;
}

std::vector<std::string> read_all_keys(GraphScreen& screen) {
  std::vector<std::string> keys;
  for (std::string key = screen.read_key(); !key.empty(); key = screen.read_key()) {
    keys.push_back(key);
  }
  return keys;
}

using GraphScreenTest = ScreenTest;

TEST_F(GraphScreenTest, ModeNineteenOpensABlackScreenInWhiteOnBlack) {
  ASSERT_NE(screen.screen_memory(), nullptr);
  EXPECT_TRUE(lit_pixels().empty());
  EXPECT_EQ(frame().pages(), 4);
  EXPECT_EQ(frame().row(1) - frame().row(0), FrameBuffer::kPitchBytes / 2);
  EXPECT_EQ(screen.text()->region_top(), 1);
  EXPECT_EQ(screen.text()->region_bottom(), 37);
  const DisplayRequest request = backEnd.current_request();
  EXPECT_TRUE(request.fullScreen);
  EXPECT_EQ(request.refreshRate, 0);
  EXPECT_EQ(request.title, "novabit");
  EXPECT_TRUE(backEnd.is_open());
  const TextColours colours = screen.set_text_colours(kKeepColour, kKeepColour);
  EXPECT_EQ(colours.foreground, 0xFFFF);
  EXPECT_EQ(colours.background, 0);
  EXPECT_EQ(screen.last_error(), ResultCode::ok);
}

TEST_F(GraphScreenTest, ModesWithoutAnEntryAreRefusedAndChangeNothing) {
  screen.set_pixel(3, 3, 0xFFFFFF);
  const struct {
    int mode, depth;
  } refused[] = {{12, 16}, {22, 16}, {-1, 16}, {19, 8}, {19, 32}};
  for (const auto& call : refused) {
    screen.set_screen_mode(call.mode, call.depth, 4, 1, 0);
    ASSERT_TRUE(screen.is_open());
    EXPECT_EQ(pixel(3, 3), 0xFFFF);
  }
  EXPECT_EQ(screen.last_error(), ResultCode::illegal_call);
  EXPECT_EQ(backEnd.open_requests().size(), 1U);
}

TEST_F(GraphScreenTest, ModeZeroClosesTheScreen) {
  screen.set_screen_mode(0, 0, 0, 0, 0);
  EXPECT_EQ(screen.screen_memory(), nullptr);
  EXPECT_FALSE(backEnd.is_open());
  EXPECT_EQ(screen.read_key(), "");
  EXPECT_EQ(screen.last_error(), ResultCode::ok);
}

TEST_F(GraphScreenTest, ANewModeSetStartsFromBlack) {
  screen.set_pixel(3, 3, 0xFFFFFF);
  screen.set_viewport(10, 10, 20, 20, kColourNotGiven, kColourNotGiven, false);
  screen.set_screen_mode(19, 15, 1, 0, 0);
  EXPECT_TRUE(lit_pixels().empty());
  EXPECT_EQ(frame().pages(), 1);
  EXPECT_EQ(screen.canvas()->viewport().width, 800);
  EXPECT_FALSE(backEnd.current_request().fullScreen);
}

TEST(GraphScreenFailureTest, NoBackEndOpeningLeavesNoScreen) {
  ChannelTable channels(nullptr, nullptr);
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  backEnd.set_acceptance([](const DisplayRequest&) { return false; }, "No available video device");
  GraphScreen screen(channels, endSteps, {backEnd}, GraphScreenOptions{false, "novabit"});
  screen.set_screen_mode(19, 16, 4, 1, 0);
  EXPECT_EQ(screen.screen_memory(), nullptr);
  EXPECT_EQ(screen.last_error(), ResultCode::illegal_call);
  EXPECT_EQ(screen.display_failure(), "No available video device");
  EXPECT_EQ(channels.line_state(0).lineWidth, 0);
  EXPECT_TRUE(endSteps.empty());
  screen.draw_line(0, 0, 10, 10, 0xFFFFFF);
  screen.write_screen_text("ignored");
}

TEST(GraphScreenFailureTest, BackEndsAreTriedInOrderThenWithFullScreenInverted) {
  ChannelTable channels(nullptr, nullptr);
  EndSteps endSteps;
  MemoryBackEnd preferred;
  MemoryBackEnd fallback;
  preferred.set_acceptance([](const DisplayRequest&) { return false; });
  fallback.set_acceptance([](const DisplayRequest& request) { return !request.fullScreen && request.refreshRate == 0; });
  GraphScreen screen(channels, endSteps, {preferred, fallback}, GraphScreenOptions{false, "novabit"});
  screen.set_screen_mode(19, 16, 4, 1, 75);
  ASSERT_NE(screen.screen_memory(), nullptr);

  const auto attempts = [](const MemoryBackEnd& backEnd) {
    std::vector<std::pair<bool, int>> tried;
    for (const DisplayRequest& request : backEnd.open_requests()) {
      tried.emplace_back(request.fullScreen, request.refreshRate);
    }
    return tried;
  };
  using Tried = std::vector<std::pair<bool, int>>;
  EXPECT_EQ(attempts(preferred), (Tried{{true, 75}, {true, 0}, {false, 75}, {false, 0}}));
  EXPECT_EQ(attempts(fallback), (Tried{{true, 75}, {true, 0}, {false, 75}, {false, 0}}));
  EXPECT_TRUE(fallback.is_open());
  EXPECT_FALSE(fallback.current_request().fullScreen);
}

TEST(GraphScreenFailureTest, DefaultRefreshRateIsTriedOncePerSetting) {
  ChannelTable channels(nullptr, nullptr);
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  backEnd.set_acceptance([](const DisplayRequest& request) { return !request.fullScreen; });
  GraphScreen screen(channels, endSteps, {backEnd}, GraphScreenOptions{false, "novabit"});
  screen.set_screen_mode(19, 16, 4, 1, 0);
  ASSERT_TRUE(screen.is_open());
  EXPECT_EQ(backEnd.open_requests().size(), 2U);
}

TEST_F(GraphScreenTest, TitleIsTheProgramNameUntilSetAndKeepsAtMost127Bytes) {
  EXPECT_EQ(screen.window_title(), "novabit");
  const std::string longTitle(200, 'T');
  screen.set_window_title(longTitle);
  EXPECT_EQ(screen.window_title(), longTitle.substr(0, 127));
  EXPECT_EQ(backEnd.title(), "novabit");
  screen.tick();
  EXPECT_EQ(backEnd.title(), longTitle.substr(0, 127));
  screen.set_screen_mode(0, 0, 0, 0, 0);
  screen.set_screen_mode(19, 16, 4, 1, 0);
  EXPECT_EQ(backEnd.current_request().title, longTitle.substr(0, 127));
}

TEST(GraphScreenTitleTest, WithoutAPathTheTitleIsThisExecutablesName) {
  ChannelTable channels(nullptr, nullptr);
  EndSteps endSteps;
  GraphScreen screen(channels, endSteps, {}, GraphScreenOptions{false, ""});
  EXPECT_EQ(screen.window_title(), "screen_tests");
}

TEST_F(GraphScreenTest, FirstModeSetRegistersTheCloseAsAnEndStep) {
  screen.set_screen_mode(19, 16, 4, 1, 0);
  bool screenOpenWhenFilesClose = false;
  endSteps.add([&] { screenOpenWhenFilesClose = screen.is_open(); });
  endSteps.run_all();
  EXPECT_TRUE(screenOpenWhenFilesClose);
  EXPECT_FALSE(screen.is_open());
  EXPECT_FALSE(backEnd.is_open());
  EXPECT_EQ(channels.line_state(0).lineWidth, 0);
}

TEST_F(GraphScreenTest, TickShowsTheMarkedBandAndClearsTheMarks) {
  screen.set_pixel(5, 100, 0xFFFFFF);
  screen.set_pixel(7, 102, 0xFF4444);
  screen.tick();
  EXPECT_EQ(backEnd.shown_pixel(5, 100), 0xFFFF);
  EXPECT_EQ(backEnd.shown_pixel(7, 102), 0xFA28);
  EXPECT_EQ(backEnd.shown_row_count(), 3);
  EXPECT_TRUE(marked_rows().empty());
  screen.tick();
  EXPECT_EQ(backEnd.shown_row_count(), 3);
  EXPECT_EQ(backEnd.picture(), snapshot());
}

TEST_F(GraphScreenTest, WindowEventsBecomeKeys) {
  backEnd.push_event(character('a'));
  backEnd.push_event(character(' '));
  backEnd.push_event(character(0x00E9));
  backEnd.push_event(character(0x20AC));     // not in the code page: dropped
  backEnd.push_event(key_down(0x1E));        // the 'A' key: its text comes as a character
  backEnd.push_event(key_down(0x48));        // Up
  backEnd.push_event(key_down(0x3B));        // F1
  backEnd.push_event(key_down(0x3E, modifier_alt));
  backEnd.push_event(signal(WindowEvent::Kind::close_request));
  backEnd.push_event(character('z', 3));
  EXPECT_EQ(screen.read_key(), "");
  screen.tick();
  EXPECT_EQ(read_all_keys(screen), (std::vector<std::string>{"a", " ", "\x82", "\xFF\x48", "\xFF\x3B", "\xFFk",
                                                             "\xFFk", "z", "z", "z"}));
  EXPECT_TRUE(screen.is_open());
}

TEST_F(GraphScreenTest, TwentyUnreadKeysLeaveTheLastFifteen) {
  const std::string typed = "abcdefghijklmnopqrst";
  for (const char c : typed) {
    backEnd.push_event(character(static_cast<std::uint32_t>(c)));
  }
  screen.tick();
  std::string read;
  for (const std::string& key : read_all_keys(screen)) {
    read += key;
  }
  EXPECT_EQ(read, typed.substr(5));
}

TEST_F(GraphScreenTest, SwitchReopensWithFullScreenInvertedAndShowsTheWholePicture) {
  screen.set_pixel(1, 1, 0xFFFFFF);
  screen.tick();
  const int shownBefore = backEnd.shown_row_count();
  backEnd.push_event(signal(WindowEvent::Kind::switch_full_screen));
  screen.tick();
  EXPECT_FALSE(backEnd.current_request().fullScreen);
  EXPECT_TRUE(backEnd.is_open());
  EXPECT_TRUE(read_all_keys(screen).empty());
  screen.tick();
  EXPECT_EQ(backEnd.shown_row_count(), shownBefore + 600);
  EXPECT_EQ(backEnd.shown_pixel(1, 1), 0xFFFF);
}

// The run goes on with the screen unshown; a later try opens whichever
// setting opens and shows every row. Only a display that is gone is lost.
TEST_F(GraphScreenTest, SwitchThatCannotReopenAtAllWaitsForEitherSetting) {
  const auto refused_switch = [&](bool gone) {
    backEnd.set_acceptance([](const DisplayRequest&) { return false; }, "mode switch failed", gone);
    backEnd.push_event(signal(WindowEvent::Kind::switch_full_screen));
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
  EXPECT_EQ(screen.display_failure(), "mode switch failed");
}

TEST_F(GraphScreenTest, LostConnectionStopsShowingButKeepsTheProgramRunning) {
  backEnd.push_event(character('a'));
  backEnd.push_event(signal(WindowEvent::Kind::connection_lost));
  backEnd.push_event(character('b'));
  screen.tick();
  EXPECT_TRUE(screen.display_lost());
  EXPECT_FALSE(backEnd.is_open());
  const int shown = backEnd.shown_row_count();
  screen.set_pixel(1, 1, 0xFFFFFF);
  screen.write_screen_text("still drawing\a");
  screen.tick();
  EXPECT_EQ(backEnd.shown_row_count(), shown);
  EXPECT_TRUE(backEnd.beeps().empty());
  EXPECT_EQ(read_all_keys(screen), std::vector<std::string>{"a"});
  screen.set_screen_mode(0, 0, 0, 0, 0);
  EXPECT_FALSE(screen.is_open());
}

TEST_F(GraphScreenTest, ModeSetIsRefusedWhileTheCallerHoldsTheLock) {
  {
    const auto guard = screen.hold();
    screen.set_pixel(2, 2, 0xFFFFFF);
    screen.set_screen_mode(0, 0, 0, 0, 0);
  }
  EXPECT_TRUE(screen.is_open());
  EXPECT_EQ(screen.last_error(), ResultCode::illegal_call);
  EXPECT_EQ(pixel(2, 2), 0xFFFF);
}

}  // namespace
}  // namespace novabit::testing
