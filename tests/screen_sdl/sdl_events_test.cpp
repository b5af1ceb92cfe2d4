#include "screen/sdl/sdl_events.h"

#include <gtest/gtest.h>

#include <ostream>
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

std::vector<std::uint32_t> code_points_of(const char* utf8) {
  std::vector<WindowEvent> events;
  append_characters(utf8, events);
  std::vector<std::uint32_t> codePoints;
  for (const WindowEvent& event : events) {
    EXPECT_EQ(event.kind, WindowEvent::Kind::character);
    codePoints.push_back(event.codePoint);
  }
  return codePoints;
}

struct ScanCodeCase {
  SDL_Scancode key;
  std::uint8_t scanCode;
};

void PrintTo(const ScanCodeCase& keyCase, std::ostream* out) {
  *out << SDL_GetScancodeName(keyCase.key);
}

class PcScanCode : public testing::TestWithParam<ScanCodeCase> {};

TEST_P(PcScanCode, FollowsThePcKeyboard) {
  EXPECT_EQ(pc_scan_code(GetParam().key), GetParam().scanCode);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PcScanCode,
    testing::Values(ScanCodeCase{SDL_SCANCODE_A, 0x1E}, ScanCodeCase{SDL_SCANCODE_Q, 0x10},
                    ScanCodeCase{SDL_SCANCODE_M, 0x32}, ScanCodeCase{SDL_SCANCODE_Z, 0x2C},
                    ScanCodeCase{SDL_SCANCODE_1, 0x02}, ScanCodeCase{SDL_SCANCODE_9, 0x0A},
                    ScanCodeCase{SDL_SCANCODE_0, 0x0B}, ScanCodeCase{SDL_SCANCODE_F1, 0x3B},
                    ScanCodeCase{SDL_SCANCODE_F4, 0x3E}, ScanCodeCase{SDL_SCANCODE_F10, 0x44},
                    ScanCodeCase{SDL_SCANCODE_F11, 0x57}, ScanCodeCase{SDL_SCANCODE_F12, 0x58},
                    ScanCodeCase{SDL_SCANCODE_UP, 0x48}, ScanCodeCase{SDL_SCANCODE_LEFT, 0x4B},
                    ScanCodeCase{SDL_SCANCODE_RIGHT, 0x4D}, ScanCodeCase{SDL_SCANCODE_DOWN, 0x50},
                    ScanCodeCase{SDL_SCANCODE_HOME, 0x47}, ScanCodeCase{SDL_SCANCODE_END, 0x4F},
                    ScanCodeCase{SDL_SCANCODE_PAGEUP, 0x49},
                    ScanCodeCase{SDL_SCANCODE_PAGEDOWN, 0x51},
                    ScanCodeCase{SDL_SCANCODE_INSERT, 0x52},
                    ScanCodeCase{SDL_SCANCODE_DELETE, 0x53},
                    ScanCodeCase{SDL_SCANCODE_ESCAPE, 0x01},
                    ScanCodeCase{SDL_SCANCODE_RETURN, 0x1C},
                    ScanCodeCase{SDL_SCANCODE_KP_ENTER, 0x1C}, ScanCodeCase{SDL_SCANCODE_TAB, 0x0F},
                    ScanCodeCase{SDL_SCANCODE_BACKSPACE, 0x0E},
                    ScanCodeCase{SDL_SCANCODE_SPACE, 0x39}, ScanCodeCase{SDL_SCANCODE_LSHIFT, 0x2A},
                    ScanCodeCase{SDL_SCANCODE_RSHIFT, 0x36}, ScanCodeCase{SDL_SCANCODE_RALT, 0x38},
                    ScanCodeCase{SDL_SCANCODE_KP_5, 0x4C}),
    [](const testing::TestParamInfo<ScanCodeCase>& info) {
      return "Scancode" + std::to_string(info.param.key);
    });

TEST(PcScanCodeOther, KeysThePcKeyboardLacksHaveNone) {
  EXPECT_FALSE(pc_scan_code(SDL_SCANCODE_F13));
  EXPECT_FALSE(pc_scan_code(SDL_SCANCODE_AUDIOPLAY));
  EXPECT_FALSE(pc_scan_code(SDL_SCANCODE_UNKNOWN));
}

TEST(TranslateKeyDown, CarriesScanCodeAndModifiers) {
  const std::vector<WindowEvent> events = translated(key_down(SDL_SCANCODE_F1, KMOD_LSHIFT));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, WindowEvent::Kind::key_down);
  EXPECT_EQ(events[0].scanCode, 0x3B);
  EXPECT_EQ(events[0].modifiers, modifier_shift);

  EXPECT_EQ(translated(key_down(SDL_SCANCODE_F4, KMOD_RALT))[0].modifiers, modifier_alt);
  EXPECT_EQ(translated(key_down(SDL_SCANCODE_UP, KMOD_LCTRL | KMOD_RSHIFT | KMOD_NUM))[0].modifiers,
            modifier_ctrl | modifier_shift);
}

TEST(TranslateKeyDown, RepeatsCountAsKeys) {
  const std::vector<WindowEvent> events = translated(key_down(SDL_SCANCODE_DOWN, KMOD_NONE, 1));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].scanCode, 0x50);
}

TEST(TranslateKeyDown, AltEnterSwitchesTheFullScreenAndIsNoKey) {
  for (const SDL_Scancode enter : {SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER}) {
    for (const Uint16 alt : {KMOD_LALT, KMOD_RALT}) {
      const std::vector<WindowEvent> events = translated(key_down(enter, alt));
      ASSERT_EQ(events.size(), 1u);
      EXPECT_EQ(events[0].kind, WindowEvent::Kind::switch_full_screen);
      EXPECT_TRUE(translated(key_down(enter, alt, 1)).empty()) << "a held Alt+Enter";
    }
  }
  EXPECT_EQ(translated(key_down(SDL_SCANCODE_RETURN))[0].kind, WindowEvent::Kind::key_down);
}

TEST(TranslateKeyDown, KeyReleasesAndUnknownKeysGiveNothing) {
  SDL_Event release = key_down(SDL_SCANCODE_SPACE);
  release.type = SDL_KEYUP;
  EXPECT_TRUE(translated(release).empty());
  EXPECT_TRUE(translated(key_down(SDL_SCANCODE_F13)).empty());
}

TEST(TranslateWindow, CloseButtonAndQuitAskToClose) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  for (const SDL_Event& event : {quit, window_event(SDL_WINDOWEVENT_CLOSE)}) {
    const std::vector<WindowEvent> events = translated(event);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, WindowEvent::Kind::close_request);
  }
}

TEST(TranslateWindow, MaximizeSwitchesOnlyFromTheWindow) {
  const std::vector<WindowEvent> events = translated(window_event(SDL_WINDOWEVENT_MAXIMIZED));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, WindowEvent::Kind::switch_full_screen);
  EXPECT_TRUE(translated(window_event(SDL_WINDOWEVENT_MAXIMIZED), false).empty());
  EXPECT_TRUE(translated(window_event(SDL_WINDOWEVENT_EXPOSED)).empty());
}

TEST(TranslateText, EachCodePointIsOneCharacter) {
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  SDL_strlcpy(text.text.text, "a \xC3\xA9", sizeof text.text.text);
  const std::vector<WindowEvent> events = translated(text);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].codePoint, U'a');
  EXPECT_EQ(events[1].codePoint, U' ');
  EXPECT_EQ(events[2].codePoint, 0xE9u);
}

TEST(AppendCharacters, DecodesEveryLength) {
  EXPECT_EQ(code_points_of("A\xC3\xB1\xE2\x82\xAC\xF0\x9F\x98\x80"),
            (std::vector<std::uint32_t>{0x41, 0xF1, 0x20AC, 0x1F600}));
}

TEST(AppendCharacters, SkipsMalformedBytes) {
  EXPECT_EQ(code_points_of("\xFF" "a"), (std::vector<std::uint32_t>{'a'}));
  EXPECT_EQ(code_points_of("\xC3" "b"), (std::vector<std::uint32_t>{'b'}));  // cut short
  EXPECT_EQ(code_points_of("\xC0\xAF" "c"), (std::vector<std::uint32_t>{'c'}));  // overlong
  EXPECT_EQ(code_points_of("\xED\xA0\x80" "d"), (std::vector<std::uint32_t>{'d'}));  // surrogate
  EXPECT_EQ(code_points_of("\x80\xBF"), (std::vector<std::uint32_t>{}));  // stray continuations
}

}  // namespace
}  // namespace novabit
