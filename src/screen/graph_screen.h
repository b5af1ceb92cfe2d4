#pragma once
// The GraphScreen: an 800 x 600 frame buffer of 16-bit 5-6-5 pixels with its
// colours, viewport, text cells and key buffer, shown by a display back end.
// All calls come from the program's one thread; the display thread works
// beside it under the ScreenLock. Every drawing, text and key call holds that
// lock for its own duration, or joins a hold() its caller already has.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "drawing/canvas.h"
#include "drawing/colour.h"
#include "drawing/frame_buffer.h"
#include "drawing/text_cells.h"
#include "screen/display_thread.h"
#include "screen/end_steps.h"
#include "screen/key_buffer.h"
#include "screen/screen_lock.h"
#include "textio/channels.h"

namespace novabit {

struct GraphScreenOptions {
  // Without a display thread the back end is opened on the caller's thread
  // and updated only by tick(): for tests, benchmarks and the simulator.
  bool displayThread = true;
  // Names the window until a title is set; empty means this process's executable.
  std::string programPath;
};

// Colour with bit 31 set, for set_text_colours: leave that colour as it is.
inline constexpr Colour kKeepColour = 0xFFFFFFFF;

class GraphScreen final : public ScreenTextSink {
 public:
  static constexpr int kMaxTitleBytes = 127;
  static constexpr int kMaxPages = 16;

  // The back ends are tried in the given order; they must outlive the screen.
  // The first successful mode set registers the screen's close in `endSteps`,
  // which must therefore run, if at all, while the screen still exists.
  GraphScreen(ChannelTable& channels, EndSteps& endSteps, DisplayThread::BackEnds backEnds,
              GraphScreenOptions options = {});
  ~GraphScreen() override;
  GraphScreen(const GraphScreen&) = delete;
  GraphScreen& operator=(const GraphScreen&) = delete;

  // Window and mode.
  void set_window_title(std::string_view title);  // keeps the first 127 bytes
  const std::string& window_title() const { return title_; }
  // Only mode 19 (800 x 600, depth 15 or 16) opens; mode 0 closes. flags bit 0
  // asks for full screen; refreshRate 0 is the display's default. Must not be
  // called while holding the lock. Fails, as an illegal call, for any other
  // mode, or with the display's reason when no display opens.
  Outcome set_screen_mode(int mode, int depth, int pages, int flags, int refreshRate);
  // The first pixel row of the work page (pitch 1600 bytes), or null when no screen is open.
  std::uint16_t* screen_memory();
  bool is_open() const { return screen_ != nullptr; }
  // Why the display went away, in the display system's words, once display_lost().
  std::string loss_reason() { return display_.loss_reason(); }
  // True once the display went away while open: the caller should end the run.
  bool display_lost() const { return display_.lost(); }
  // True once any call was refused as an illegal call.
  bool call_refused() const { return callRefused_; }

  // Drawing; nothing happens while no screen is open.
  void set_viewport(int x1, int y1, int x2, int y2, Colour fill, Colour border, bool screenCoordinates);
  void draw_line(float x1, float y1, float x2, float y2, Colour colour, LineShape shape = LineShape::line,
                 std::uint32_t pattern = 0xFFFF);
  void draw_circle(float x, float y, float radius, Colour colour, float aspect = 0, bool filled = true);
  void set_pixel(float x, float y, Colour colour, bool useBackground = false);

  // Text, with 1-based rows and columns.
  TextColours set_text_colours(Colour foreground, Colour background);
  void set_text_position(int row, int column);
  void set_print_region(int top, int bottom);
  void write_screen_text(std::string_view bytes) override;

  // The next key as 0, 1 or 2 bytes; never waits.
  std::string read_key();

  // Keeps the lock across several calls, so the display shows them together.
  [[nodiscard]] ScreenLock::Guard hold() { return lock_.hold(); }
  // One display update, when constructed without a display thread.
  void tick();

  // Read access for checks; with a display thread, under hold(). Null while closed.
  const FrameBuffer* frame() const { return screen_ ? &screen_->frame : nullptr; }
  const Canvas* canvas() const { return screen_ ? &screen_->canvas : nullptr; }
  const TextCells* text() const { return screen_ ? &screen_->text : nullptr; }

 private:
  struct OpenScreen {
    OpenScreen(int pages, std::function<void()> bell)
        : frame(pages), canvas(frame, colours), text(frame, colours, std::move(bell)) {}
    FrameBuffer frame;
    PenColours colours;
    Canvas canvas;
    TextCells text;
  };

  void close_screen();
  Failure refuse() {
    callRefused_ = true;
    return {"refused as an illegal call", 0};
  }

  ChannelTable& channels_;
  EndSteps& endSteps_;
  GraphScreenOptions options_;
  ScreenLock lock_;
  KeyBuffer keys_;
  std::string title_;
  std::unique_ptr<OpenScreen> screen_;
  DisplayThread display_;
  bool closeRegistered_ = false;
  bool callRefused_ = false;
};

}  // namespace novabit
