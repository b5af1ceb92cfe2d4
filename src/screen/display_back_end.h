#pragma once
// The small interface behind which the screen is shown: a real window (sdl/)
// or a memory picture for tests and the simulator (memory/).

#include <cstdint>
#include <string>
#include <vector>

#include "base/failure.h"
#include "drawing/frame_buffer.h"

namespace novabit {

enum KeyModifier : unsigned {
  modifier_none = 0,
  modifier_shift = 1,
  modifier_ctrl = 2,
  modifier_alt = 4,
};

// One window event, already neutral of the platform.
struct WindowEvent {
  enum class Kind {
    character,           // a typed character: codePoint
    key_down,            // a key: its PC (set 1) scanCode and modifiers
    close_request,       // the window's close button
    switch_full_screen,  // Alt+Enter or maximize
    connection_lost,     // the display went away
  };
  Kind kind = Kind::character;
  std::uint32_t codePoint = 0;  // Unicode code point
  std::uint8_t scanCode = 0;
  unsigned modifiers = modifier_none;
  int repeat = 1;
};

struct DisplayRequest {
  bool fullScreen = true;
  int refreshRate = 0;  // 0: the display's default
  std::string title;
};

// All calls but beep come from the DisplayThread; beep may come from any thread.
class DisplayBackEnd {
 public:
  virtual ~DisplayBackEnd() = default;
  // Fails, in the display system's words, when the display cannot be opened so.
  virtual Outcome open(const DisplayRequest& request) = 0;
  // After a failed open: whether the display itself is gone (its server was lost), so
  // that no later open can succeed, rather than this one request refused.
  virtual bool display_gone() const = 0;
  virtual void close() = 0;
  // Shows pixel rows firstRow..lastRow (inclusive) of an 800 x 600 RGB565 page.
  virtual void show_rows(const std::uint16_t* page, int firstRow, int lastRow) = 0;
  // Appends the events that arrived since the last call.
  virtual void poll_events(std::vector<WindowEvent>& events) = 0;
  // Why the display went away, once poll_events reported connection_lost.
  virtual std::string loss_reason() const = 0;
  virtual void set_title(const std::string& title) = 0;
  virtual void beep(int frequencyHz, int durationMs) = 0;
};

}  // namespace novabit
