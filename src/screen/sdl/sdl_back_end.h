#pragma once
// The real window, shown through SDL2.

#include <memory>

#include "screen/display_back_end.h"
#include "screen/sdl/lost_connection_end.h"

namespace novabit {

// When the X server goes away, or another program destroys the window, the back end
// notices it before its next use of the window and reports WindowEvent::connection_lost
// once; the process goes on, and after a lost server open fails with display_gone(). If
// instead Xlib meets the broken connection first (the server died during a call into it),
// Xlib's handler hands the end of the process to `lostConnectionEnd` and never returns;
// without one, Xlib reports the break and ends the process with status 1 at once.
//
// open, close, show_rows, poll_events and set_title must all come from one thread, the
// display thread; beep may come from any thread. Calling open while open replaces the
// window (as a switch between full screen and window does) and shows the last picture again.
// At most one SDL back end may be open at a time.
std::unique_ptr<DisplayBackEnd> make_sdl_back_end(LostConnectionEnd* lostConnectionEnd = nullptr);

}  // namespace novabit
