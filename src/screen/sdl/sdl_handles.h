#pragma once
// Owning handles for SDL objects, and the reference-counted start of an SDL subsystem.

#include <SDL.h>

#include <memory>
#include <string>

#include "base/failure.h"

namespace novabit {

struct SdlWindowDeleter {
  void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
struct SdlRendererDeleter {
  void operator()(SDL_Renderer* renderer) const { SDL_DestroyRenderer(renderer); }
};
struct SdlTextureDeleter {
  void operator()(SDL_Texture* texture) const { SDL_DestroyTexture(texture); }
};
using SdlWindowPtr = std::unique_ptr<SDL_Window, SdlWindowDeleter>;
using SdlRendererPtr = std::unique_ptr<SDL_Renderer, SdlRendererDeleter>;
using SdlTexturePtr = std::unique_ptr<SDL_Texture, SdlTextureDeleter>;

// Holds one start of an SDL subsystem (video or audio) and ends it when destroyed.
// Starting and ending are serialised, because beep may start audio on the program's
// thread while the display thread starts video.
class SdlSubsystem {
 public:
  // The subsystem started, or why it could not be, in SDL's words.
  static Result<std::unique_ptr<SdlSubsystem>> start(Uint32 flags);
  ~SdlSubsystem();
  SdlSubsystem(const SdlSubsystem&) = delete;
  SdlSubsystem& operator=(const SdlSubsystem&) = delete;

  // Leaves the subsystem started, for when ending it would touch a display that is gone.
  // SDL's state for it is useless from then on, so no later start in this process succeeds.
  void abandon();

 private:
  explicit SdlSubsystem(Uint32 flags) : flags_(flags) {}

  Uint32 flags_;
  bool started_ = true;
};

}  // namespace novabit
