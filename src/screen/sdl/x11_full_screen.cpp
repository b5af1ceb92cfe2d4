#include "screen/sdl/x11_full_screen.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace novabit {
namespace {

// An EWMH window manager names its check window on the root; a full-screen
// request is then its to carry out.
bool window_manager_present(Display* display, Window root) {
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const bool read = XGetWindowProperty(display, root, check, 0, 1, False, XA_WINDOW, &type, &format, &items, &remaining,
                                       &data) == Success;
  if (data != nullptr) XFree(data);
  return read && type == XA_WINDOW && items == 1;
}

}  // namespace

void cover_display_without_window_manager(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, info.info.x11.window, &attributes) == 0) return;
  if (window_manager_present(display, attributes.root)) return;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &bounds) != 0) return;
  XMoveResizeWindow(display, info.info.x11.window, bounds.x, bounds.y, static_cast<unsigned>(bounds.w),
                    static_cast<unsigned>(bounds.h));
  XRaiseWindow(display, info.info.x11.window);
  XFlush(display);
}

}  // namespace novabit
