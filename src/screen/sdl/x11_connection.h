#pragma once
// Runs the application's display-lost hook before Xlib ends the process.

#include "screen/sdl/sdl_back_end.h"

namespace novabit {

// While it lives, a lost connection to the X server calls the hook (once) before Xlib's
// own handler reports the loss and ends the process. Does nothing under other video
// drivers or with no hook. One at a time: the display thread owns it with the window.
class DisplayLostHookInstallation {
 public:
  explicit DisplayLostHookInstallation(DisplayLostHook hook);
  ~DisplayLostHookInstallation();
  DisplayLostHookInstallation(const DisplayLostHookInstallation&) = delete;
  DisplayLostHookInstallation& operator=(const DisplayLostHookInstallation&) = delete;

 private:
  bool installed_ = false;
};

}  // namespace novabit
