#pragma once
// Tones through SDL audio. The audio device is opened at the first beep; where none
// exists (no sound card, a headless test machine) beeps are silently skipped.
// Thread-safe: beep may be called from any thread.

#include <SDL.h>

#include <memory>
#include <mutex>

#include "screen/sdl/sdl_handles.h"

namespace novabit {

class SdlBeeper {
 public:
  SdlBeeper() = default;
  ~SdlBeeper();
  SdlBeeper(const SdlBeeper&) = delete;
  SdlBeeper& operator=(const SdlBeeper&) = delete;

  // Queues a square tone behind any tone still playing.
  void beep(int frequencyHz, int durationMs);

 private:
  bool open_device();

  std::mutex mutex_;
  bool tried_ = false;
  std::unique_ptr<SdlSubsystem> audio_;
  SDL_AudioDeviceID device_ = 0;
};

}  // namespace novabit
