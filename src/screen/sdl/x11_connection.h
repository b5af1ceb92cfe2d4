#pragma once
// Watches the window's connection to the X server, and the window itself. Xlib answers a
// broken connection, and by default any protocol error, with the end of the process.

#include <SDL.h>

#include "screen/sdl/lost_connection_end.h"

namespace novabit {

// Xlib's process-wide error handlers, installed before SDL opens its connection (so that
// SDL's own handler passes errors on to them) and kept while any of these lives:
// - a broken connection goes to the `lostConnectionEnd` of the latest one, which never
//   returns; without one, Xlib's own handler reports it and ends the process;
// - a protocol error naming the watched window as gone (another program destroyed it)
//   marks the window destroyed, and any other protocol error is ignored rather than
//   ending the process.
// The SDL back end holds one for its whole life.
class XlibHandlers {
 public:
  explicit XlibHandlers(LostConnectionEnd* lostConnectionEnd);
  ~XlibHandlers();
  XlibHandlers(const XlibHandlers&) = delete;
  XlibHandlers& operator=(const XlibHandlers&) = delete;

 private:
  LostConnectionEnd* end_;
};

// Does nothing under other video drivers. One at a time: the display thread owns it
// together with the window.
class X11Connection {
 public:
  enum class State { usable, window_destroyed, connection_broken };

  explicit X11Connection(SDL_Window* window);
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  // Once the X server has closed the connection no SDL video call may be made: it would
  // reach Xlib, which ends the process. A window destroyed from outside can still be let
  // go of through SDL; its errors are ignored from then on.
  State state();

 private:
  int socket_ = -1;
  bool broken_ = false;
};

}  // namespace novabit
