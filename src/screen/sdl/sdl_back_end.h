#pragma once
// The real window, shown through SDL2.

#include <memory>

#include "screen/display_back_end.h"

namespace novabit {

// Called when the connection to the display is lost (the X server went away), on the
// display thread, just before Xlib reports the loss and ends the process with status 1.
// The display can no longer be used, and the program's thread may still be running.
// The hook's work is the orderly end that keeps the program's files whole: close (flush)
// the file channels, then end the process itself, e.g. with std::_Exit(0), so that the
// screen is not closed from the display thread.
using DisplayLostHook = void (*)();

// open, close, show_rows, poll_events and set_title must all come from one thread, the
// display thread; beep may come from any thread. Calling open while open replaces the
// window (as a switch between full screen and window does) and shows the last picture again.
// At most one SDL back end may be open at a time.
std::unique_ptr<DisplayBackEnd> make_sdl_back_end(DisplayLostHook onDisplayLost = nullptr);

}  // namespace novabit
