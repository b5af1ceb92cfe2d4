#include "screen/sdl/sdl_window.h"

#include <utility>

#include "screen/sdl/x11_full_screen.h"

namespace novabit {
namespace {

// The program's texts are Latin-1; SDL's captions are UTF-8.
std::string utf8_of_latin1(const std::string& latin1) {
  std::string utf8;
  for (const char byte : latin1) {
    const auto value = static_cast<unsigned char>(byte);
    if (value < 0x80) {
      utf8 += byte;
    } else {
      utf8 += static_cast<char>(0xC0 | value >> 6);
      utf8 += static_cast<char>(0x80 | (value & 0x3F));
    }
  }
  return utf8;
}

Failure failed(const char* step) { return {std::string(step) + ": " + SDL_GetError(), 0}; }

// A nonzero rate is only possible when the desktop already runs at it: the full screen
// keeps the desktop's mode.
Outcome refresh_rate_available(int rate) {
  if (rate == 0) {
    return {};
  }
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
    return failed("SDL_GetDesktopDisplayMode");
  }
  if (mode.refresh_rate != rate) {
    return Failure{"refresh rate " + std::to_string(rate) + " Hz not available; the display runs at " +
                       std::to_string(mode.refresh_rate) + " Hz",
                   0};
  }
  return {};
}

}  // namespace

Result<std::unique_ptr<SdlWindow>> SdlWindow::create(const DisplayRequest& request) {
  if (Outcome available = refresh_rate_available(request.refreshRate); !available) {
    return available.failure();
  }
  // The program decides what closing the window means; the texture is scaled without blur.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  // A picture that changes a few rows a second needs no graphics driver: on a
  // machine without a GPU, loading one (a software OpenGL with its compiler)
  // costs over 80 MB of resident memory for nothing.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

  // The full screen keeps the desktop's mode and scales the picture, so leaving it or a
  // crash never leaves the desktop in another mode.
  const Uint32 flags = request.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_SHOWN;
  SdlWindowPtr window(SDL_CreateWindow(utf8_of_latin1(request.title).c_str(), SDL_WINDOWPOS_CENTERED,
                                       SDL_WINDOWPOS_CENTERED, kScreenWidth, kScreenHeight, flags));
  if (!window) {
    return failed("SDL_CreateWindow");
  }
  if (request.fullScreen) {
    cover_display_without_window_manager(window.get());
  }
  SdlRendererPtr renderer(SDL_CreateRenderer(window.get(), -1, SDL_RENDERER_SOFTWARE));
  if (!renderer) {
    return failed("SDL_CreateRenderer");
  }
  if (SDL_RenderSetLogicalSize(renderer.get(), kScreenWidth, kScreenHeight) != 0) {
    return failed("SDL_RenderSetLogicalSize");
  }
  std::unique_ptr<SdlWindow> created(new SdlWindow(std::move(window), std::move(renderer), request.fullScreen));
  if (!created->recreate_texture()) {
    return failed("SDL_CreateTexture");
  }
  SDL_RaiseWindow(created->window_.get());
  SDL_StartTextInput();
  return created;
}

SdlWindow::SdlWindow(SdlWindowPtr window, SdlRendererPtr renderer, bool fullScreen)
    : window_(std::move(window)), renderer_(std::move(renderer)), fullScreen_(fullScreen) {}

void SdlWindow::set_title(const std::string& latin1Title) {
  SDL_SetWindowTitle(window_.get(), utf8_of_latin1(latin1Title).c_str());
}

bool SdlWindow::upload(const std::uint32_t* pixels, int firstRow, int rowCount) {
  const SDL_Rect band{0, firstRow, kScreenWidth, rowCount};
  return SDL_UpdateTexture(texture_.get(), &band, pixels, kScreenWidth * static_cast<int>(sizeof(std::uint32_t))) == 0;
}

bool SdlWindow::recreate_texture() {
  texture_.reset();
  texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING, kScreenWidth,
                                   kScreenHeight));
  return texture_ != nullptr;
}

void SdlWindow::present() {
  // Only a scaled full screen has bars beside the picture; elsewhere the picture covers
  // every pixel, and clearing first would double the cost of a software renderer.
  int width = 0;
  int height = 0;
  SDL_GetRendererOutputSize(renderer_.get(), &width, &height);
  if (width != kScreenWidth || height != kScreenHeight) {
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
  }
  SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, nullptr);
  SDL_RenderPresent(renderer_.get());
}

void SdlWindow::abandon() {
  static_cast<void>(texture_.release());
  static_cast<void>(renderer_.release());
  static_cast<void>(window_.release());
}

}  // namespace novabit
