#pragma once
// The real window, shown through SDL2.

#include <memory>

#include "screen/display_back_end.h"

namespace novabit {

// When the X server goes away, the back end notices it before its next use of the window
// and reports WindowEvent::connection_lost once; the process goes on, and open fails from
// then on. If instead Xlib meets the broken connection first (the server died during a
// call into it), Xlib reports it and ends the process with status 1 at once. This hook
// runs just before that, on the display thread, while the program's thread may still be
// running and the display can no longer be used: it should flush and close the program's
// files and end the process itself (e.g. std::_Exit(0)). It is called at most once.
using DisplayLostHook = void (*)();

// open, close, show_rows, poll_events and set_title must all come from one thread, the
// display thread; beep may come from any thread. Calling open while open replaces the
// window (as a switch between full screen and window does) and shows the last picture again.
// At most one SDL back end may be open at a time.
std::unique_ptr<DisplayBackEnd> make_sdl_back_end(DisplayLostHook onDisplayLost = nullptr);

}  // namespace novabit
