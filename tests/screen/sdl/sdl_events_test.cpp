// SDL's events as the screen's window events: PC scan codes with their
// modifiers, Alt+Enter and maximize as switches, and the close button.

#include "screen/sdl/sdl_events.h"

#include <gtest/gtest.h>

#include <vector>

namespace novabit {
namespace {

SDL_Event key_down(SDL_Scancode key, Uint16 modifiers = KMOD_NONE, Uint8 repeat = 0) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.keysym.scancode = key;
  event.key.keysym.mod = modifiers;
  event.key.repeat = repeat;
  return event;
}

SDL_Event window_event(SDL_WindowEventID id) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = static_cast<Uint8>(id);
  return event;
}

std::vector<WindowEvent> translated(const SDL_Event& event, bool windowed = true) {
  std::vector<WindowEvent> events;
  translate_event(event, windowed, events);
  return events;
}

TEST(SdlEventsTest, KeysBecomePcScanCodesWithTheirModifiers) {
  EXPECT_EQ(pc_scan_code(SDL_SCANCODE_F1), 0x3B);
  EXPECT_EQ(pc_scan_code(SDL_SCANCODE_UP), 0x48);
  EXPECT_EQ(pc_scan_code(SDL_SCANCODE_KP_ENTER), 0x1C);
  EXPECT_FALSE(pc_scan_code(SDL_SCANCODE_F13));
  const std::vector<WindowEvent> f1 = translated(key_down(SDL_SCANCODE_F1, KMOD_LSHIFT, 1));
  ASSERT_EQ(f1.size(), 1u);
  EXPECT_EQ(f1[0].kind, WindowEvent::Kind::key_down);
  EXPECT_EQ(f1[0].scanCode * 16 + f1[0].modifiers, 0x3B * 16 + modifier_shift);
  EXPECT_EQ(translated(key_down(SDL_SCANCODE_UP, KMOD_LCTRL | KMOD_RALT | KMOD_NUM))[0].modifiers, modifier_ctrl | modifier_alt);
  SDL_Event release = key_down(SDL_SCANCODE_SPACE);
  release.type = SDL_KEYUP;
  EXPECT_TRUE(translated(release).empty());
}

// Either Enter with either Alt switches once, held or not; maximize only
// from the window; the close button and a quit request ask to close.
TEST(SdlEventsTest, SwitchesAndTheCloseButtonAreNoKeys) {
  for (const SDL_Scancode enter : {SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER}) {
    for (const Uint16 alt : {KMOD_LALT, KMOD_RALT}) {
      ASSERT_EQ(translated(key_down(enter, alt)).size(), 1u);
      EXPECT_EQ(translated(key_down(enter, alt))[0].kind, WindowEvent::Kind::switch_full_screen);
      EXPECT_TRUE(translated(key_down(enter, alt, 1)).empty());
    }
  }
  EXPECT_EQ(translated(window_event(SDL_WINDOWEVENT_MAXIMIZED))[0].kind, WindowEvent::Kind::switch_full_screen);
  EXPECT_TRUE(translated(window_event(SDL_WINDOWEVENT_MAXIMIZED), false).empty());
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  for (const SDL_Event& event : {quit, window_event(SDL_WINDOWEVENT_CLOSE)}) {
    EXPECT_EQ(translated(event).at(0).kind, WindowEvent::Kind::close_request);
  }
}

}  // namespace
}  // namespace novabit
