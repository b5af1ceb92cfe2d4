#include <mutex>

#include "screen/sdl/sdl_handles.h"

namespace novabit {
namespace {

// SDL keeps one reference count per subsystem for the whole process.
std::mutex& subsystem_mutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

SdlSubsystem::SdlSubsystem(Uint32 flags) : flags_(flags) {
  const std::lock_guard lock(subsystem_mutex());
  // The program handles SIGINT, SIGTERM and SIGHUP itself; SDL must not turn them into SDL_QUIT.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  started_ = SDL_InitSubSystem(flags) == 0;
  if (!started_) {
    failure_ = SDL_GetError();
  }
}

SdlSubsystem::~SdlSubsystem() {
  if (started_) {
    const std::lock_guard lock(subsystem_mutex());
    SDL_QuitSubSystem(flags_);
  }
}

}  // namespace novabit
