#include "screen/graph_screen.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace novabit {
namespace {

constexpr int kOnlyMode = 19;
constexpr int kHighestModeNumber = 21;
constexpr int kBellFrequencyHz = 1000;
constexpr int kBellDurationMs = 250;

std::string first_title_bytes(std::string_view text) {
  return std::string(text.substr(0, GraphScreen::kMaxTitleBytes));
}

// The executable's file name without its directory and without the part from its last dot on.
std::string program_title(std::string path) {
  if (path.empty()) {
    std::error_code error;
    path = std::filesystem::read_symlink("/proc/self/exe", error).string();
  }
  std::string name = std::filesystem::path(path).filename().string();
  if (const auto dot = name.rfind('.'); dot != std::string::npos) {
    name.resize(dot);
  }
  return first_title_bytes(name);
}

}  // namespace

GraphScreen::GraphScreen(ChannelTable& channels, EndSteps& endSteps, DisplayThread::BackEnds backEnds,
                         GraphScreenOptions options)
    : channels_(channels),
      endSteps_(endSteps),
      options_(std::move(options)),
      title_(program_title(options_.programPath)),
      display_(lock_, std::move(backEnds)) {}

GraphScreen::~GraphScreen() { close_screen(); }

void GraphScreen::set_window_title(std::string_view title) {
  const auto guard = lock_.hold();
  title_ = first_title_bytes(title);
  if (screen_) {
    display_.set_title(title_);
  }
}

Outcome GraphScreen::set_screen_mode(int mode, int depth, int pages, int flags, int refreshRate) {
  // Closing waits for the display thread, which may be waiting for this very lock.
  if (lock_.held_by_this_thread() || mode < 0 || mode > kHighestModeNumber || (mode != 0 && mode != kOnlyMode)) {
    return refuse();
  }
  // Only 16-bit 5-6-5 pixels are supported, and page memory is kept within reason.
  if (mode == kOnlyMode && ((depth != 15 && depth != 16) || pages > kMaxPages)) {
    return refuse();
  }
  close_screen();
  if (mode == 0) {
    return {};
  }
  auto screen = std::make_unique<OpenScreen>(pages, [this] { display_.beep(kBellFrequencyHz, kBellDurationMs); });
  keys_.clear();
  const DisplayRequest request{(flags & 1) != 0, refreshRate, title_};
  if (Outcome started = display_.start(screen->frame, keys_, request, options_.displayThread); !started) {
    refuse();
    return started;
  }
  screen_ = std::move(screen);
  channels_.attach_screen(*this, TextCells::kColumns);
  channels_.line_state(0).lineColumn = 0;
  if (!closeRegistered_) {
    closeRegistered_ = true;
    endSteps_.add([this] { static_cast<void>(set_screen_mode(0, 0, 0, 0, 0)); });
  }
  return {};
}

void GraphScreen::close_screen() {
  if (!screen_) {
    return;
  }
  display_.stop();
  channels_.detach_screen();
  screen_.reset();
}

std::uint16_t* GraphScreen::screen_memory() { return screen_ ? screen_->frame.work_page() : nullptr; }

void GraphScreen::set_viewport(int x1, int y1, int x2, int y2, Colour fill, Colour border, bool screenCoordinates) {
  const auto guard = lock_.hold();
  if (screen_) {
    screen_->canvas.set_viewport(x1, y1, x2, y2, fill, border, screenCoordinates);
  }
}

void GraphScreen::draw_line(float x1, float y1, float x2, float y2, Colour colour, LineShape shape,
                            std::uint32_t pattern) {
  const auto guard = lock_.hold();
  if (screen_) {
    screen_->canvas.draw_line(x1, y1, x2, y2, colour, shape, pattern);
  }
}

void GraphScreen::draw_circle(float x, float y, float radius, Colour colour, float aspect, bool filled) {
  const auto guard = lock_.hold();
  if (screen_) {
    screen_->canvas.draw_circle(x, y, radius, colour, aspect, filled);
  }
}

void GraphScreen::set_pixel(float x, float y, Colour colour, bool useBackground) {
  const auto guard = lock_.hold();
  if (screen_) {
    screen_->canvas.set_pixel(x, y, colour, useBackground);
  }
}

TextColours GraphScreen::set_text_colours(Colour foreground, Colour background) {
  const auto guard = lock_.hold();
  return screen_ ? screen_->text.set_colours(foreground, background) : TextColours{};
}

void GraphScreen::set_text_position(int row, int column) {
  const auto guard = lock_.hold();
  if (!screen_) {
    return;
  }
  if (!screen_->text.set_position(row, column)) {
    refuse();
    return;
  }
  channels_.line_state(0).lineColumn = screen_->text.cursor_column() - 1;
}

void GraphScreen::set_print_region(int top, int bottom) {
  const auto guard = lock_.hold();
  if (screen_ && screen_->text.set_region(top, bottom)) {
    channels_.line_state(0).lineColumn = 0;
  }
}

void GraphScreen::write_screen_text(std::string_view bytes) {
  const auto guard = lock_.hold();
  if (screen_) {
    screen_->text.write(bytes);
  }
}

std::string GraphScreen::read_key() {
  const auto guard = lock_.hold();
  return screen_ ? key_text(keys_.take()) : std::string();
}

void GraphScreen::tick() {
  if (!options_.displayThread) {
    display_.tick();
  }
}

}  // namespace novabit
