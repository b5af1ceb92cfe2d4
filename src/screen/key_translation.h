#pragma once
// Platform-neutral translation of typed characters and pressed keys into the
// key codes of the key buffer.

#include <cstdint>
#include <optional>

#include "screen/key_buffer.h"

namespace novabit {

// The code-page-437 byte of a Unicode character, or none when the code page lacks it.
std::optional<std::uint8_t> cp437_from_code_point(std::uint32_t codePoint);

// The extended key code of a PC (set 1) scan code under the modifiers of
// display_back_end.h (Alt before Ctrl before Shift), or 0 when that key and
// modifier give a plain character or nothing.
KeyCode extended_key_code(std::uint8_t scanCode, unsigned modifiers);

}  // namespace novabit
