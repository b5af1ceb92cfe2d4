#pragma once
// The ring of key codes between the display thread, which posts them, and the
// program, which takes them. Not locked itself: the ScreenLock guards it.

#include <array>
#include <cstdint>
#include <string>

namespace novabit {

// Key codes: 1..255 a code-page-437 character, scan << 8 | 0xFF an extended key.
using KeyCode = std::int32_t;
// The window's close button and Alt+F4.
inline constexpr KeyCode kCloseKey = 0x6BFF;

class KeyBuffer {
 public:
  static constexpr int kSlots = 16;

  // When the ring is full the oldest key is dropped, so it holds at most 15.
  void post(KeyCode code);
  // The oldest key, or 0 when none is waiting.
  KeyCode take();
  void clear() { read_ = write_; }

 private:
  std::array<KeyCode, kSlots> codes_{};
  int write_ = 0;
  int read_ = 0;
};

// What the program reads for a key: nothing for 0, one byte for a character,
// 0xFF and the scan byte for an extended key.
std::string key_text(KeyCode code);

}  // namespace novabit
