#pragma once
// Translation of SDL's keyboard and window events into the platform-neutral WindowEvent.

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "screen/display_back_end.h"

namespace novabit {

// The PC keyboard's set-1 scan code of a key; none for keys the PC keyboard lacks.
std::optional<std::uint8_t> pc_scan_code(SDL_Scancode key);

unsigned key_modifiers(Uint16 sdlModifiers);

// Appends one character event per code point of a UTF-8 text; malformed bytes are skipped.
void append_characters(const char* utf8, std::vector<WindowEvent>& events);

// Appends what one SDL event means to the program. Alt+Enter and, while windowed, maximizing
// become switch_full_screen; the close button (and any other quit request) close_request.
void translate_event(const SDL_Event& event, bool windowed, std::vector<WindowEvent>& events);

}  // namespace novabit
