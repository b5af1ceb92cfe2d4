#include "screen/sdl/sdl_back_end.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "drawing/colour.h"
#include "screen/sdl/sdl_beeper.h"
#include "screen/sdl/sdl_events.h"
#include "screen/sdl/sdl_handles.h"
#include "screen/sdl/sdl_window.h"
#include "screen/sdl/x11_connection.h"

namespace novabit {
namespace {

// Unless SDL_VIDEODRIVER names a driver, only X11 is tried: the window's loss is
// watched through Xlib, and SDL's other drivers, with no X server in reach, either
// print complaints of their own (Wayland's about XDG_RUNTIME_DIR) or fall back to
// drivers that show nothing; a window nobody sees, whose program nobody can end with
// the space bar, must fail like any refused mode set.
bool choose_video_driver() {
  const bool named = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
  if (!named) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  return named;
}

// The texture holds 32-bit XRGB: RGB565 may not be a format the renderer has.
void widen_pixels(const std::uint16_t* from, std::uint32_t* to, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    to[i] = rgb_from_pixel(from[i]);
  }
}

class SdlBackEnd final : public DisplayBackEnd {
 public:
  explicit SdlBackEnd(LostConnectionEnd* lostConnectionEnd)
      : xlibHandlers_(lostConnectionEnd), picture_(static_cast<std::size_t>(kScreenWidth) * kScreenHeight, 0) {}
  ~SdlBackEnd() override { close(); }

  Outcome open(const DisplayRequest& request) override {
    close();
    lossReason_.clear();
    // Without video, or only with a driver that shows nothing, no display is in reach.
    displayGone_ = true;
    const bool driverNamed = choose_video_driver();
    Result<std::unique_ptr<SdlSubsystem>> video = SdlSubsystem::start(SDL_INIT_VIDEO);
    if (!video) {
      return driverNamed ? video.failure()
                         : Failure{"no display found: no X server answered (is DISPLAY set to a running X server?)", 0};
    }
    video_ = std::move(*video);
    displayGone_ = false;
    Result<std::unique_ptr<SdlWindow>> window = SdlWindow::create(request);
    if (!window) {
      video_.reset();
      return window.failure();
    }
    window_ = std::move(*window);
    connection_ = std::make_unique<X11Connection>(window_->sdl_window());
    show_everything();
    return {};
  }

  std::string loss_reason() const override { return lossReason_; }
  bool display_gone() const override { return displayGone_; }

  void close() override {
    display_usable();  // lets go of a window whose display is gone instead of destroying it
    connection_.reset();
    window_.reset();
    video_.reset();
  }

  void show_rows(const std::uint16_t* page, int firstRow, int lastRow) override {
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, kScreenHeight - 1);
    if (firstRow > lastRow) {
      return;
    }
    const std::size_t offset = static_cast<std::size_t>(firstRow) * kScreenWidth;
    const int rowCount = lastRow - firstRow + 1;
    widen_pixels(page + offset, picture_.data() + offset, static_cast<std::size_t>(rowCount) * kScreenWidth);
    if (!display_usable()) {
      return;
    }
    if (!window_->upload(picture_.data() + offset, firstRow, rowCount)) {
      // The texture may have been lost with the device; the copy has the whole picture.
      window_->recreate_texture();
      show_everything();
      return;
    }
    window_->present();
  }

  void poll_events(std::vector<WindowEvent>& events) override {
    if (!display_usable()) {
      if (std::exchange(lossUnreported_, false)) {
        WindowEvent lost;
        lost.kind = WindowEvent::Kind::connection_lost;
        events.push_back(lost);
      }
      return;
    }
    bool uploadAll = false;
    bool newTexture = false;
    bool presentAgain = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_RENDER_TARGETS_RESET) {
        uploadAll = true;
      } else if (event.type == SDL_RENDER_DEVICE_RESET) {
        newTexture = true;
      } else if (event.type == SDL_WINDOWEVENT && (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                                                   event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)) {
        presentAgain = true;
      }
      translate_event(event, !window_->full_screen(), events);
    }
    if (newTexture) {
      window_->recreate_texture();
    }
    if (newTexture || uploadAll) {
      show_everything();
    } else if (presentAgain) {
      window_->present();
    }
  }

  void set_title(const std::string& title) override {
    if (display_usable()) {
      window_->set_title(title);
    }
  }

  void beep(int frequencyHz, int durationMs) override { beeper_.beep(frequencyHz, durationMs); }

 private:
  // Checked before every use of the window: once the X server is gone, any SDL video call
  // would end the process inside Xlib, so the window is let go and the loss reported. A
  // window destroyed from outside is closed through SDL, whose errors are ignored then.
  bool display_usable() {
    if (!window_) {
      return false;
    }
    const X11Connection::State state = connection_->state();
    if (state == X11Connection::State::usable) {
      return true;
    }
    lossUnreported_ = true;
    connection_.reset();
    if (state == X11Connection::State::connection_broken) {
      lossReason_ = "the connection to the display was lost";
      window_->abandon();
      video_->abandon();
    } else {
      lossReason_ = "the window was destroyed by another program";
    }
    window_.reset();
    video_.reset();
    return false;
  }

  void show_everything() {
    window_->upload(picture_.data(), 0, kScreenHeight);
    window_->present();
  }

  XlibHandlers xlibHandlers_;
  // The last picture shown, kept so that a new window or a lost texture can show it again.
  std::vector<std::uint32_t> picture_;
  std::unique_ptr<SdlSubsystem> video_;
  std::unique_ptr<SdlWindow> window_;
  std::unique_ptr<X11Connection> connection_;
  bool lossUnreported_ = false;
  bool displayGone_ = false;
  std::string lossReason_;
  SdlBeeper beeper_;
};

}  // namespace

std::unique_ptr<DisplayBackEnd> make_sdl_back_end(LostConnectionEnd* lostConnectionEnd) {
  return std::make_unique<SdlBackEnd>(lostConnectionEnd);
}

}  // namespace novabit
