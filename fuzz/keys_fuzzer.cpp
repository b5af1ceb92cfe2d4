// The key path: scripted window events on a memory back end, turned into keys
// by the display update and taken by read_key, against a model of the ring.
// Each input is a list of operations (see the switch below). The character
// and scan code translations are checked on every event too.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "screen/display_back_end.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/key_translation.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"

namespace {

using novabit::KeyCode;
using novabit::WindowEvent;
using novabit::fuzz::require;

constexpr std::uint32_t kLastCodePoint = 0x10FFFF;

// The one code point of every upper-half byte, found by trying them all once;
// the translation must give each byte for at most one code point.
const std::array<std::uint32_t, 128>& upper_half_sources() {
  static const std::array<std::uint32_t, 128> sources = [] {
    std::array<std::uint32_t, 128> found{};
    for (std::uint32_t codePoint = 0x80; codePoint <= 0xFFFF; ++codePoint) {
      if (const auto byte = novabit::cp437_from_code_point(codePoint)) {
        require(*byte >= 0x80, "a code point above 0x7F is no ASCII byte");
        require(found[*byte - 0x80] == 0, "no two characters give the same byte");
        found[*byte - 0x80] = codePoint;
      }
    }
    for (const std::uint32_t codePoint : found) {
      require(codePoint != 0, "every upper-half byte can be typed");
    }
    return found;
  }();
  return sources;
}

void check_character(std::uint32_t codePoint) {
  const std::optional<std::uint8_t> byte = novabit::cp437_from_code_point(codePoint);
  if (codePoint < 0x80) {
    require(byte == codePoint, "ASCII stays itself");
  } else if (byte) {
    require(upper_half_sources()[*byte - 0x80] == codePoint, "an upper-half byte has one source");
  }
}

unsigned strongest_modifier(unsigned modifiers) {
  for (const unsigned modifier : {novabit::modifier_alt, novabit::modifier_ctrl, novabit::modifier_shift}) {
    if ((modifiers & modifier) != 0) {
      return modifier;
    }
  }
  return novabit::modifier_none;
}

void check_scan_code(std::uint8_t scanCode, unsigned modifiers) {
  const KeyCode code = novabit::extended_key_code(scanCode, modifiers);
  require(code == 0 || ((code & 0xFF) == 0xFF && code >> 8 >= 1 && code >> 8 <= 0xFF),
          "an extended code is scan << 8 | 0xFF");
  require(code == novabit::extended_key_code(scanCode, strongest_modifier(modifiers)),
          "Alt outranks Ctrl outranks Shift, other bits are ignored");
}

// What the display update should make of the events so far.
class KeyModel {
 public:
  void add(const WindowEvent& event) { pending_.push_back(event); }
  void set_refusing(bool refusing) { refusing_ = refusing; }

  bool lost() const { return lost_; }
  bool closed() const { return closed_; }

  // A refused switch leaves the display closed, to be tried again a second
  // (100 ticks) later; only a lost connection ends it.
  void tick() {
    if (lost_) {
      return;
    }
    if (closed_ && ticksUntilReopen_ > 0) {
      --ticksUntilReopen_;
      return;
    }
    if (closed_ && !reopen()) {
      return;
    }
    int switches = 0;
    for (const WindowEvent& event : pending_) {
      if (event.kind == WindowEvent::Kind::connection_lost) {
        lost_ = true;
        break;
      }
      switches += event.kind == WindowEvent::Kind::switch_full_screen ? 1 : 0;
      post(event);
    }
    pending_.clear();
    if (switches > 0 && !lost_) {
      closed_ = true;
      reopen();
    }
  }

  std::string take() {
    if (ring_.empty()) {
      return {};
    }
    const KeyCode code = ring_.front();
    ring_.pop_front();
    if (code < 256) {
      return std::string(1, static_cast<char>(code));
    }
    return {'\xFF', static_cast<char>(code >> 8)};
  }

 private:
  bool reopen() {
    closed_ = refusing_;
    ticksUntilReopen_ = refusing_ ? 100 : 0;
    return !closed_;
  }

  void post(const WindowEvent& event) {
    KeyCode code = 0;
    if (event.kind == WindowEvent::Kind::character) {
      code = novabit::cp437_from_code_point(event.codePoint).value_or(0);
    } else if (event.kind == WindowEvent::Kind::key_down) {
      code = novabit::extended_key_code(event.scanCode, event.modifiers);
    } else if (event.kind == WindowEvent::Kind::close_request) {
      code = novabit::kCloseKey;
    }
    const int times = event.kind == WindowEvent::Kind::close_request ? 1 : std::max(event.repeat, 1);
    for (int time = 0; code != 0 && time < times; ++time) {
      ring_.push_back(code);
      if (ring_.size() > kRingKeys) {
        ring_.pop_front();
      }
    }
  }

  // Twenty keys typed without a poll leave the last fifteen.
  static constexpr std::size_t kRingKeys = 15;
  std::vector<WindowEvent> pending_;
  std::deque<KeyCode> ring_;
  bool refusing_ = false;
  bool lost_ = false;
  bool closed_ = false;
  int ticksUntilReopen_ = 0;
};

class Operations {
 public:
  Operations(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// One screen for all inputs, since opening one costs more than most inputs.
struct Screen {
  novabit::ChannelTable channels{nullptr, nullptr};
  novabit::EndSteps endSteps;
  novabit::MemoryBackEnd backEnd;
  novabit::GraphScreen screen{channels, endSteps, {backEnd}, novabit::GraphScreenOptions{false, "fuzz"}};

  // Back to an open display with an empty key ring and no events waiting.
  void reset() {
    backEnd.set_acceptance([](const novabit::DisplayRequest&) { return true; });
    std::vector<WindowEvent> stale;
    backEnd.poll_events(stale);
    if (!screen.is_open() || screen.display_lost() || !backEnd.is_open()) {
      static_cast<void>(screen.set_screen_mode(19, 16, 1, 0, 0));
    }
    require(screen.is_open() && !screen.display_lost(), "the memory display opens");
    while (!screen.read_key().empty()) {
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Screen fixture;
  fixture.reset();
  novabit::GraphScreen& screen = fixture.screen;
  novabit::MemoryBackEnd& backEnd = fixture.backEnd;
  KeyModel model;

  for (Operations operations(data, size); !operations.done();) {
    WindowEvent event;
    switch (operations.byte() % 8) {
      case 0: {
        const std::uint32_t high = operations.byte();
        const std::uint32_t middle = operations.byte();
        event.codePoint = std::min(high << 16 | middle << 8 | operations.byte(), kLastCodePoint);
        event.repeat = static_cast<std::int8_t>(operations.byte());
        check_character(event.codePoint);
        break;
      }
      case 1:
        event.kind = WindowEvent::Kind::key_down;
        event.scanCode = operations.byte();
        event.modifiers = operations.byte();
        event.repeat = static_cast<std::int8_t>(operations.byte());
        check_scan_code(event.scanCode, event.modifiers);
        break;
      case 2:
        event.kind = WindowEvent::Kind::close_request;
        break;
      case 3:
        event.kind = WindowEvent::Kind::switch_full_screen;
        break;
      case 4:
        event.kind = WindowEvent::Kind::connection_lost;
        break;
      case 5:
        screen.tick();
        model.tick();
        require(screen.display_lost() == model.lost(), "only a lost connection loses the display");
        require(model.lost() || backEnd.is_open() != model.closed(), "a refused switch closes the display");
        continue;
      case 6:
        require(screen.read_key() == model.take(), "read_key gives the model's next key");
        continue;
      default: {
        const bool refusing = (operations.byte() & 1) != 0;
        backEnd.set_acceptance([refusing](const novabit::DisplayRequest&) { return !refusing; });
        model.set_refusing(refusing);
        continue;
      }
    }
    backEnd.push_event(event);
    model.add(event);
  }
  screen.tick();
  model.tick();
  for (int key = 0; key <= novabit::KeyBuffer::kSlots; ++key) {
    require(screen.read_key() == model.take(), "the ring ends as the model");
  }
  return 0;
}
