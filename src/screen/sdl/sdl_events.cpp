#include "screen/sdl/sdl_events.h"

namespace novabit {

std::optional<std::uint8_t> pc_scan_code(SDL_Scancode key) {
  // Letters follow the keyboard's rows, not the alphabet.
  // clang-format off
  static constexpr std::uint8_t kLetters[26] = {
      0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
      0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  // clang-format on
  if (key >= SDL_SCANCODE_A && key <= SDL_SCANCODE_Z) {
    return kLetters[key - SDL_SCANCODE_A];
  }
  // SDL counts 1..9, 0 like the top row; so does the PC keyboard, from 0x02.
  if (key >= SDL_SCANCODE_1 && key <= SDL_SCANCODE_0) {
    return static_cast<std::uint8_t>(0x02 + (key - SDL_SCANCODE_1));
  }
  if (key >= SDL_SCANCODE_F1 && key <= SDL_SCANCODE_F10) {
    return static_cast<std::uint8_t>(0x3B + (key - SDL_SCANCODE_F1));
  }
  // clang-format off
  switch (key) {
    case SDL_SCANCODE_ESCAPE: return 0x01;
    case SDL_SCANCODE_MINUS: return 0x0C;
    case SDL_SCANCODE_EQUALS: return 0x0D;
    case SDL_SCANCODE_BACKSPACE: return 0x0E;
    case SDL_SCANCODE_TAB: return 0x0F;
    case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
    case SDL_SCANCODE_RETURN: return 0x1C;
    case SDL_SCANCODE_KP_ENTER: return 0x1C;
    case SDL_SCANCODE_LCTRL: return 0x1D;
    case SDL_SCANCODE_RCTRL: return 0x1D;
    case SDL_SCANCODE_SEMICOLON: return 0x27;
    case SDL_SCANCODE_APOSTROPHE: return 0x28;
    case SDL_SCANCODE_GRAVE: return 0x29;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_BACKSLASH: return 0x2B;
    case SDL_SCANCODE_NONUSHASH: return 0x2B;
    case SDL_SCANCODE_COMMA: return 0x33;
    case SDL_SCANCODE_PERIOD: return 0x34;
    case SDL_SCANCODE_SLASH: return 0x35;
    case SDL_SCANCODE_KP_DIVIDE: return 0x35;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
    case SDL_SCANCODE_PRINTSCREEN: return 0x37;
    case SDL_SCANCODE_LALT: return 0x38;
    case SDL_SCANCODE_RALT: return 0x38;
    case SDL_SCANCODE_SPACE: return 0x39;
    case SDL_SCANCODE_CAPSLOCK: return 0x3A;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x45;
    case SDL_SCANCODE_SCROLLLOCK: return 0x46;
    case SDL_SCANCODE_HOME: return 0x47;
    case SDL_SCANCODE_KP_7: return 0x47;
    case SDL_SCANCODE_UP: return 0x48;
    case SDL_SCANCODE_KP_8: return 0x48;
    case SDL_SCANCODE_PAGEUP: return 0x49;
    case SDL_SCANCODE_KP_9: return 0x49;
    case SDL_SCANCODE_KP_MINUS: return 0x4A;
    case SDL_SCANCODE_LEFT: return 0x4B;
    case SDL_SCANCODE_KP_4: return 0x4B;
    case SDL_SCANCODE_KP_5: return 0x4C;
    case SDL_SCANCODE_RIGHT: return 0x4D;
    case SDL_SCANCODE_KP_6: return 0x4D;
    case SDL_SCANCODE_KP_PLUS: return 0x4E;
    case SDL_SCANCODE_END: return 0x4F;
    case SDL_SCANCODE_KP_1: return 0x4F;
    case SDL_SCANCODE_DOWN: return 0x50;
    case SDL_SCANCODE_KP_2: return 0x50;
    case SDL_SCANCODE_PAGEDOWN: return 0x51;
    case SDL_SCANCODE_KP_3: return 0x51;
    case SDL_SCANCODE_INSERT: return 0x52;
    case SDL_SCANCODE_KP_0: return 0x52;
    case SDL_SCANCODE_DELETE: return 0x53;
    case SDL_SCANCODE_KP_PERIOD: return 0x53;
    case SDL_SCANCODE_NONUSBACKSLASH: return 0x56;
    case SDL_SCANCODE_F11: return 0x57;
    case SDL_SCANCODE_F12: return 0x58;
    case SDL_SCANCODE_LGUI: return 0x5B;
    case SDL_SCANCODE_RGUI: return 0x5C;
    case SDL_SCANCODE_APPLICATION: return 0x5D;
    case SDL_SCANCODE_INTERNATIONAL2: return 0x70;
    case SDL_SCANCODE_INTERNATIONAL1: return 0x73;
    case SDL_SCANCODE_INTERNATIONAL4: return 0x79;
    case SDL_SCANCODE_INTERNATIONAL5: return 0x7B;
    case SDL_SCANCODE_INTERNATIONAL3: return 0x7D;
    default: return std::nullopt;
  }
  // clang-format on
}

unsigned key_modifiers(Uint16 sdlModifiers) {
  unsigned modifiers = modifier_none;
  if (sdlModifiers & KMOD_SHIFT) modifiers |= modifier_shift;
  if (sdlModifiers & KMOD_CTRL) modifiers |= modifier_ctrl;
  if (sdlModifiers & KMOD_ALT) modifiers |= modifier_alt;
  return modifiers;
}

void append_characters(const char* utf8, std::vector<WindowEvent>& events) {
  const auto* text = reinterpret_cast<const unsigned char*>(utf8);
  while (*text != 0) {
    const unsigned char lead = *text;
    // Length, payload bits of the lead byte and smallest code point of each sequence length.
    int length = 0;
    std::uint32_t codePoint = 0;
    std::uint32_t smallest = 0;
    if (lead < 0x80) {
      length = 1;
      codePoint = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      codePoint = lead & 0x1F;
      smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      codePoint = lead & 0x0F;
      smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      codePoint = lead & 0x07;
      smallest = 0x10000;
    } else {
      ++text;
      continue;
    }
    int taken = 1;
    while (taken < length && (text[taken] & 0xC0) == 0x80) {
      codePoint = codePoint << 6 | (text[taken] & 0x3F);
      ++taken;
    }
    text += taken;
    const bool wellFormed =
        taken == length && codePoint >= smallest && codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
    if (wellFormed) {
      WindowEvent event;
      event.kind = WindowEvent::Kind::character;
      event.codePoint = codePoint;
      events.push_back(event);
    }
  }
}

namespace {

WindowEvent event_of(WindowEvent::Kind kind) {
  WindowEvent event;
  event.kind = kind;
  return event;
}

void translate_key_down(const SDL_KeyboardEvent& key, std::vector<WindowEvent>& events) {
  const SDL_Scancode scancode = key.keysym.scancode;
  const bool enter = scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
  if (enter && (key.keysym.mod & KMOD_ALT)) {
    // A held Alt+Enter must not switch back and forth, and the Enter is not the program's.
    if (key.repeat == 0) {
      events.push_back(event_of(WindowEvent::Kind::switch_full_screen));
    }
    return;
  }
  const std::optional<std::uint8_t> scanCode = pc_scan_code(scancode);
  if (!scanCode) {
    return;
  }
  WindowEvent event = event_of(WindowEvent::Kind::key_down);
  event.scanCode = *scanCode;
  event.modifiers = key_modifiers(key.keysym.mod);
  events.push_back(event);
}

}  // namespace

void translate_event(const SDL_Event& event, bool windowed, std::vector<WindowEvent>& events) {
  switch (event.type) {
    case SDL_TEXTINPUT:
      append_characters(event.text.text, events);
      break;
    case SDL_KEYDOWN:
      translate_key_down(event.key, events);
      break;
    case SDL_QUIT:
      events.push_back(event_of(WindowEvent::Kind::close_request));
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
        events.push_back(event_of(WindowEvent::Kind::close_request));
      } else if (event.window.event == SDL_WINDOWEVENT_MAXIMIZED && windowed) {
        events.push_back(event_of(WindowEvent::Kind::switch_full_screen));
      }
      break;
    default:
      break;
  }
}

}  // namespace novabit
