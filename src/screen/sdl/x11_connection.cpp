#include "screen/sdl/x11_connection.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>

namespace novabit {
namespace {

// Xlib's handler is a plain function for the whole process, so the hook it calls has to
// be reachable from a plain function too.
std::atomic<DisplayLostHook> installedHook{nullptr};
XIOErrorHandler previousHandler = nullptr;

int on_connection_broken(Display* display) {
  if (const DisplayLostHook hook = installedHook.exchange(nullptr)) {
    hook();
  }
  // Xlib's default handler reports the break and exits; Xlib exits anyway if it returns.
  return previousHandler != nullptr ? previousHandler(display) : 0;
}

}  // namespace

X11Connection::X11Connection(SDL_Window* window, DisplayLostHook hook) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return;
  }
  socket_ = ConnectionNumber(info.info.x11.display);
  if (hook != nullptr) {
    installedHook = hook;
    previousHandler = XSetIOErrorHandler(on_connection_broken);
    hookInstalled_ = true;
  }
}

X11Connection::~X11Connection() {
  if (hookInstalled_) {
    XSetIOErrorHandler(previousHandler);
    installedHook = nullptr;
  }
}

bool X11Connection::lost() {
  if (socket_ < 0 || lost_) {
    return lost_;
  }
  // The peer's close shows even while unread events still wait in the socket.
  pollfd connection{socket_, POLLRDHUP, 0};
  lost_ = poll(&connection, 1, 0) == 1 &&
          (connection.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
  return lost_;
}

}  // namespace novabit
