#pragma once
// The window (or full-screen display) with its renderer and the streaming texture that
// holds the 800 x 600 picture as 32-bit XRGB.

#include <cstdint>
#include <memory>
#include <string>

#include "screen/display_back_end.h"
#include "screen/sdl/sdl_handles.h"

namespace novabit {

class SdlWindow {
 public:
  // Fails, in SDL's words, when any step fails. Needs SDL video started.
  static Result<std::unique_ptr<SdlWindow>> create(const DisplayRequest& request);

  bool full_screen() const { return fullScreen_; }
  void set_title(const std::string& latin1Title);

  // Copies pixel rows firstRow .. firstRow + rowCount - 1 into the texture; pixels points at
  // the first of them, 800 per row. False when SDL refuses.
  bool upload(const std::uint32_t* pixels, int firstRow, int rowCount);
  // After the renderer lost its textures.
  bool recreate_texture();
  // Draws the texture, scaled to the window with its aspect kept, and shows it.
  void present();

  SDL_Window* sdl_window() const { return window_.get(); }
  // Lets go of the SDL objects without destroying them, once the display is gone:
  // destroying them would call into Xlib, which ends the process.
  void abandon();

 private:
  SdlWindow(SdlWindowPtr window, SdlRendererPtr renderer, bool fullScreen);

  SdlWindowPtr window_;
  SdlRendererPtr renderer_;
  SdlTexturePtr texture_;
  bool fullScreen_;
};

}  // namespace novabit
