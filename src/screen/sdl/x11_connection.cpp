#include "screen/sdl/x11_connection.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>
#include <mutex>

namespace novabit {
namespace {

// Xlib's handlers are plain functions for the whole process, so what they report to has
// to be reachable from plain functions too.
std::atomic<LostConnectionEnd*> installedEnd{nullptr};
std::atomic<Window> watchedWindow{None};
std::atomic<bool> watchedWindowDestroyed{false};

int on_protocol_error(Display*, XErrorEvent* error) {
  const Window window = watchedWindow.load();
  if (window != None && error->resourceid == window &&
      (error->error_code == BadWindow || error->error_code == BadDrawable)) {
    watchedWindowDestroyed = true;
  }
  return 0;
}

// The handlers stay while any XlibHandlers lives, so that a back end may be made
// before the one it replaces is destroyed.
struct Installation {
  std::mutex mutex;
  int holders = 0;
  XIOErrorHandler previousConnectionHandler = nullptr;
  XErrorHandler previousProtocolHandler = nullptr;
};

Installation& installation() {
  static Installation record;
  return record;
}

int on_connection_broken(Display* display) {
  if (LostConnectionEnd* end = installedEnd.load()) {
    end->connection_broken();
  }
  // Xlib's own handler reports the break and ends the process; Xlib ends it anyway.
  const XIOErrorHandler previous = installation().previousConnectionHandler;
  return previous != nullptr ? previous(display) : 0;
}

}  // namespace

XlibHandlers::XlibHandlers(LostConnectionEnd* lostConnectionEnd) : end_(lostConnectionEnd) {
  Installation& record = installation();
  const std::lock_guard lock(record.mutex);
  if (record.holders++ == 0) {
    record.previousConnectionHandler = XSetIOErrorHandler(on_connection_broken);
    record.previousProtocolHandler = XSetErrorHandler(on_protocol_error);
  }
  if (end_ != nullptr) {
    installedEnd = end_;
  }
}

XlibHandlers::~XlibHandlers() {
  Installation& record = installation();
  const std::lock_guard lock(record.mutex);
  LostConnectionEnd* mine = end_;
  installedEnd.compare_exchange_strong(mine, nullptr);
  if (--record.holders == 0) {
    XSetIOErrorHandler(record.previousConnectionHandler);
    XSetErrorHandler(record.previousProtocolHandler);
  }
}

X11Connection::X11Connection(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return;
  }
  socket_ = ConnectionNumber(info.info.x11.display);
  watchedWindowDestroyed = false;
  watchedWindow = info.info.x11.window;
}

X11Connection::~X11Connection() { watchedWindow = None; }

X11Connection::State X11Connection::state() {
  if (socket_ < 0) {
    return State::usable;
  }
  if (!broken_) {
    // The peer's close shows even while unread events still wait in the socket.
    pollfd connection{socket_, POLLRDHUP, 0};
    broken_ = poll(&connection, 1, 0) == 1 && (connection.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
  }
  if (broken_) {
    return State::connection_broken;
  }
  return watchedWindowDestroyed.load() ? State::window_destroyed : State::usable;
}

}  // namespace novabit
