#pragma once
// Watches the window's connection to the X server, which Xlib answers with the end of
// the process when it finds it broken.

#include <SDL.h>

#include "screen/sdl/sdl_back_end.h"

namespace novabit {

// Does nothing under other video drivers. One at a time: the display thread owns it
// together with the window.
class X11Connection {
 public:
  // While it lives, a break that Xlib finds first calls the hook (once) before Xlib's own
  // handler reports it and ends the process.
  X11Connection(SDL_Window* window, DisplayLostHook hook);
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  // True once the X server has closed the connection. From then on no SDL video call may
  // be made: it would reach Xlib, which ends the process.
  bool lost();

 private:
  int socket_ = -1;
  bool lost_ = false;
  bool hookInstalled_ = false;
};

}  // namespace novabit
