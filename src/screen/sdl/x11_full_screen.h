#pragma once
// A full screen where no window manager makes one. SDL asks the window manager
// to make the window full screen; on an X server without one (a station that
// starts only the monitor) the window would keep its windowed size while the
// renderer scales the picture for the whole display, cutting it off.

#include <SDL.h>

namespace novabit {

// Moves a full-screen window over its whole display when no window manager
// announces itself on the X server. Does nothing under other video drivers.
void cover_display_without_window_manager(SDL_Window* window);

}  // namespace novabit
